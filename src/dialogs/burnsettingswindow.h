#pragma once

// The burn settings sheet: burn speed, verify, eject, test and finalize,
// shown window-modal over the main window before a burn. Speed, verify, eject
// and test are remembered in the settings root ("Speed", "Verify", "Eject",
// "TestBurn") the moment they change, also when the user then cancels; the
// finalize choice is never stored, and is forced on for a DVD.
//
// The main window uses Run(), which makes the sheet, waits for the user and
// answers the choice with the sheet already closed. The class is public for
// tests. Main thread only.

#include "settings/cfobject.h"

#include <QDialog>
#include <QPointer>

class PopupMenu;
class QCheckBox;
class QLabel;
class QPushButton;

// What the sheet answers: Continue is false when the user cancelled (the
// other fields are then meaningless). SpeedIndex counts from 0 and is the
// position in the speed list of the chosen speed; -1 when the popup has no
// items (an empty speed list).
struct BurnSettingsChoice {
    bool Continue = false;
    qint32 SpeedIndex = -1;
    bool Verify = false;
    bool Eject = false;
    bool Test = false;
    bool Finalize = false;
};

class BurnSettingsWindow : public QDialog
{
    Q_OBJECT
public:
    // burnSpeeds: the disc's speeds in kilobytes per second (CFNumbers), or
    // null to keep the designed items "1x" and "max". mediaIsDVD converts the
    // speeds at DVD 1x and forces finalize. The controls are set up from the
    // settings here (their Open events).
    BurnSettingsWindow(QWidget* parent, CFArrayRef burnSpeeds, bool mediaIsDVD);

    // Shows the single sheet window-modal over parent and waits until it is
    // answered (the event loop keeps running). The sheet is closed and gone
    // when this returns. A call while a sheet is already up answers Continue
    // false; so does a sheet destroyed while waiting (its parent closed).
    [[nodiscard]] static BurnSettingsChoice Run(QWidget* parent, const CFArrayRef& burnSpeeds, bool mediaIsDVD);

    // Replaces the items of SpeedPopup by one per entry of the speed list, in
    // list order; does nothing when the list is null.
    void BuildSpeedPopup();
    // The item text for a speed: CD "n x" with n = trunc(s / 176.4) + 1,
    // DVD with n = trunc(s / 1385). A speed that is not a finite number counts as 0.
    [[nodiscard]] static QString SpeedItemText(double kilobytesPerSecond, bool mediaIsDVD);

    // The values as they stand, Continue included.
    [[nodiscard]] BurnSettingsChoice Choice() const;

    // Escape and the close box answer like "Cancel".
    void reject() override;

    bool Continue = false;

    QLabel* StaticText1 = nullptr;
    PopupMenu* SpeedPopup = nullptr;
    QCheckBox* VerifyBox = nullptr;
    QCheckBox* EjectCheckbox = nullptr;
    QCheckBox* TestBox = nullptr;
    QCheckBox* FinalizeBox = nullptr;
    QPushButton* PushButton1 = nullptr; // "Cancel", the cancel button
    QPushButton* OKButton = nullptr; // the default button

private:
    void SpeedPopup_Open();
    void SpeedPopup_Change();
    QCheckBox* makeRememberedBox(const QString& name, const QString& caption, QRect bounds, const QString& key, bool defaultValue);
    void Answer(bool goAhead);

    CFArrayRef m_burnSpeeds;
    bool m_mediaIsDVD;
};
