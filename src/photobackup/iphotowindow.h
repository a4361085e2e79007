#pragma once

// The photo backup window: finds the photo library through the photo
// program's preferences (domain "com.apple.iPhoto", key "RootDirectory"),
// loads its album data under a loading sheet, and lets the user select
// images by a range of days, by rolls or by albums. "Add Selected" hands the
// selection to the burn list as one virtual folder per roll and closes the
// window.
//
// One shared instance, made by ShowShared on first use and brought forward
// when asked for again; it deletes itself when closed, and the next showing
// loads the library again. The burn list and its host are not owned and
// must outlive the window. Main thread only; the album data is read and
// parsed on a worker thread while the loading sheet shows.

#include "photobackup/iphotolibrary.h"
#include "settings/cfobject.h"

#include <QDialog>
#include <QMetaType>
#include <QPointer>
#include <QVector>

#include <memory>

class BurnListHost;
class CSuperList;
class LoadingSheet;
class MonthCalendar;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;
class StripedListBox;


class IPhotoWindow : public QDialog {
    Q_OBJECT
public:
    // The preference domain and key that locate the library.
    static constexpr char PhotoAppID[] = "com.apple.iPhoto";
    static constexpr char RootDirectoryKey[] = "RootDirectory";
    // The row tag: the item data role holding a row's roll, album or image
    // dictionary.
    static constexpr int TagRole = Qt::UserRole;

    // Brings the open window forward, or makes, shows and loads a new one.
    // Answers the window, or nullptr when loading failed (the user has been
    // told why and the window is gone).
    static IPhotoWindow* ShowShared(CSuperList* burnList, BurnListHost* host, QWidget* parent = nullptr);
    // The open window, or nullptr.
    static IPhotoWindow* SharedInstance();

    ~IPhotoWindow() override;

    // The loading: shows the window and the loading sheet, finds and reads
    // the library, fills the info text and the roll and album lists. On a
    // failure shows message 1 to 4, closes the window and answers false.
    [[nodiscard]] bool Open();

    void BuildRollsList();
    void BuildAlbumsList();

    // Selection builds: each replaces SelectedImages, shows the count and
    // size in the group box's title, empties the image list and lists the
    // first 15 images; ListBuilderTimer lists the rest, 3 every 100 ms.
    void BuildSelectionByDates();
    void BuildSelectionByRolls();
    void BuildSelectionByAlbums();
    // Lists up to 3 more images; true while images remain to be listed.
    bool AddSelectionLines();

    // Event handlers.
    void TabPanel1_Change(int tab);
    void ListBuilderTimer_Action();
    void SelectedImagesListbox_Change();
    void AddButton_Action();

    // The loaded library; nullptr before a successful Open.
    [[nodiscard]] const IPhotoLibrary* Library() const { return m_library.get(); }

    QVector<CFDictionaryRef> SelectedImages;
    qint32 ListBuilderIndex = 0;

    // Controls, in the order they are made.
    QTabWidget* TabPanel1 = nullptr;
    QLabel* ImageWell2 = nullptr;
    QLabel* StaticText1 = nullptr;
    MonthCalendar* StartSelectionDate = nullptr;
    QLabel* ImageWell3 = nullptr;
    QLabel* StaticText2 = nullptr;
    MonthCalendar* EndSelectionDate = nullptr;
    QLabel* StaticText3 = nullptr;
    QListWidget* RollsListbox = nullptr;
    QLabel* StaticText4 = nullptr;
    QListWidget* AlbumListbox = nullptr;
    QGroupBox* SelectedGroupbox = nullptr;
    StripedListBox* SelectedImagesListbox = nullptr;
    QLabel* ImageWell1 = nullptr;
    QLabel* InfoText = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* AddButton = nullptr;
    QTimer* ListBuilderTimer = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    IPhotoWindow(CSuperList* burnList, BurnListHost* host, QWidget* parent);
    void Fail(int message);
    void SetSelection(QVector<CFDictionaryRef> images);
    [[nodiscard]] static QVector<CFDictionaryRef> SelectedTags(const QListWidget* list);

    CSuperList* m_burnList;
    BurnListHost* m_host;
    std::unique_ptr<IPhotoLibrary> m_library;
    QPointer<LoadingSheet> m_loadingSheet;
    bool m_loading = false;
    // The controls of each tab: shown while their tab is the current one.
    QVector<QVector<QWidget*>> m_tabControls;
};
