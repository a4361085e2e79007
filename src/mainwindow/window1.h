#pragma once

// The main window: the burner popup, the disc picture with the disc's state
// written over it, the volume name with its suffix popup, the burn list with
// its total, and the Eject, Erase and Burn buttons. There is one instance,
// made by the application at start and reached through Window1::instance()
// by the windows it opens. Closing it quits the program.
//
// Controls sit at fixed pixel bounds of the content area (below the menu
// bar) and keep their anchored edges when the window is resized.
// Main thread only; burner notifications arrive through CCallBack1 from the
// event loop, also while a modal dialog waits.

#include "burner/burnhost.h"
#include "burner/ccallback.h"
#include "burnlist/burnlisthost.h"
#include "settings/cfobject.h"
#include "settings/cxml.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class AnchoredLayout;
class BurnStatusWindow;
class Canvas;
class CCDR;
class CSuperList;
class PopupMenu;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class VolumeNamePopup;

class Window1 : public QMainWindow, public BurnListHost, public BurnHost
{
    Q_OBJECT
public:
    // Content size the window opens with, and the smallest content size a
    // stored size may restore.
    static constexpr QSize DefaultContentSize { 582, 255 };
    static constexpr QSize MinimumContentSize { 584, 265 };

    explicit Window1(QWidget* parent = nullptr);
    ~Window1() override;

    // The single main window; nullptr before the application made it.
    static Window1* instance();

    // Restores the bounds, shows the window, finds the burners, fills the
    // popups and reselects the burner of the last run.
    void Open();

    // The content area's bounds as the settings store them: the window's own
    // left and top, the content's width and height.
    [[nodiscard]] QRect contentBounds() const;

    // Burner popup and media status.
    void BuildDevicePopup();
    void DevicePopup_Change();
    void CCallBack1_EMediaReady(const QString& name, const CFDictionaryRef& info);
    void DoBurnButton() override;
    // Recomputes the total line against the free space; true when the list fits.
    bool CalculateTotal();
    void UpdateDatabasePopup(const QString& name);

    // Burn workflow, eject, erase and burner information.
    void BurnButton_Action();
    void EjectButton_Action();
    void EraseButton_Action();
    void BurnerInfoButton_Action();
    // Puts the text into the status line of the open status sheet, if any.
    void SetStatus(const QString& text);
    void UpdateProgressbar(const CFDictionaryRef& status);
    // Reports the operation's first error, or arms the retry of a burn
    // refused before anything was written.
    void HandleBurnError(const CFDictionaryRef& status);

    // Menu handling.
    void EnableMenuItems();
    bool FileNew();

    // BurnListHost
    [[nodiscard]] bool ScanningFolder() const override { return m_scanningFolder; }
    void SetScanningFolder(bool scanning) override { m_scanningFolder = scanning; }
    void RedrawDiscPicture() override;
    [[nodiscard]] QString VolumeName() const override;
    void SetVolumeName(const QString& name) override;
    void BurnListChanged() override;

    // BurnHost: what a burn reads of the window.
    [[nodiscard]] QString volumeNameFieldText() const override;
    [[nodiscard]] int databasePopupIndex() const override;
    [[nodiscard]] QString databasePopupText() const override;
    [[nodiscard]] CFArrayRef burnSpeeds() const override { return BurnSpeeds; }

    // Controls, in creation order.
    PopupMenu* DevicePopup = nullptr;
    QLabel* StaticText1 = nullptr;
    CCallBack* CCallBack1 = nullptr;
    QLineEdit* VolumeNameField = nullptr;
    Canvas* Canvas1 = nullptr;
    QToolButton* BurnerInfoButton = nullptr;
    QPushButton* EjectButton = nullptr;
    QPushButton* EraseButton = nullptr;
    QPushButton* BurnButton = nullptr;
    QLabel* StaticText2 = nullptr;
    PopupMenu* DatabasePopup = nullptr;
    CSuperList* ListBox1 = nullptr;
    Canvas* SizeWarningCanvas = nullptr;
    QLabel* TotalText = nullptr;
    QTimer* CalculateTotalTimer = nullptr;
    QTimer* BurnRetryTimer = nullptr;
    QTimer* BuildPopupTimer = nullptr;

    // State of the selected burner, its disc and the running burn.
    std::shared_ptr<CCDR> SelectedDevice;
    bool MediaAvailable = false;
    bool MediaAppendable = false;
    bool MediaEraseable = false;
    double MediaBlocksAvailable = 0;
    double MediaBlockSize = 0;
    qint32 MediaSessionCount = 0;
    QString MediaType;
    bool MediaIsDVD = false;
    // The selected burner exists but this user may not open it.
    bool MediaNoAccess = false;
    CFArrayRef BurnSpeeds;
    bool Burning = false;
    // An erase runs (from the Erase button until its end or its error); a
    // refusal because the disc is still mounted is retried like a burn's.
    bool Erasing = false;
    qint32 BurnState = 0;
    bool LastBurnError = false;
    bool FindingDevices = false;
    // The status sheet of the running burn or erase; null once it closed.
    QPointer<BurnStatusWindow> StatusWindow;
    CXMLRef MyXML;
    bool WindowBoundsUpdating = false;

    // The lines written over the disc picture for the current state, in
    // drawing order: text, pixel size, bold, baseline and shadow colour.
    struct CanvasLine {
        QString text;
        int size;
        bool bold;
        int baseline;
        QColor shadow;
    };
    [[nodiscard]] QVector<CanvasLine> CanvasLines() const;
    // The colour of those lines (their shadow is the line's own): the
    // palette's text colour, or with a dark palette its window colour, so
    // that the text stays dark on the light disc picture.
    [[nodiscard]] static QColor CanvasTextColor(const QPalette& palette);

    [[nodiscard]] VolumeNamePopup* volumeNamePopup() const { return m_volumePopup.get(); }

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void Canvas1_Paint(QPainter& g);
    void CalculateTotalTimer_Action();
    void BurnRetryTimer_Action();
    void BurnStatusChanged(const CFDictionaryRef& status);
    void EraseStatusChanged(const CFDictionaryRef& status);
    void FinishOperation();
    // Warns when the disc cannot keep some names of the session as they are
    // (key "NameChangeWarningKey"); true to go on with the burn.
    bool NamesFitTheDisc();
    void OpenStatusWindow();
    void CloseStatusWindow();
    void StatusWindow_Abort();
    void StoreBounds(bool position, bool size);

    QWidget* m_content = nullptr;
    AnchoredLayout* m_layout = nullptr;
    std::unique_ptr<VolumeNamePopup> m_volumePopup;
    bool m_scanningFolder = false;
    bool m_opened = false;
};
