#pragma once

// The popup beside the volume name field: what is appended to the typed name
// when a session is burned ("none", today's date, or the name's next running
// number from the volume name database), plus the item that resets that
// number. The popup is rebuilt 300 ms after the name last changed, after a
// successful burn (the window starts BuildPopupTimer) and after every choice.
//
// The object drives three controls of the main window and wires itself to
// them in the constructor:
//   VolumeNameField  textChanged       -> restarts BuildPopupTimer
//   BuildPopupTimer  timeout           -> UpdateDatabasePopup(field text)
//   DatabasePopup    currentIndexChanged -> the choice handler (store the
//                    choice under "VolumePopup", or reset the counter)
// A selection made by the rebuild itself is not taken as a choice; any other
// change of the current index, by the user or by code, is.
//
// Ownership: the controls belong to the window and must outlive this object
// (it is destroyed first when the window holds it as a member). It reads and
// writes the integer "VolumePopup" of XMLModule::XMLRoot().
//
// Main thread only.

#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QLineEdit;
class QTimer;

class VolumeNamePopup : public QObject {
    Q_OBJECT
public:
    // Sets the timer to single-shot mode with BuildPopupDelay. Does not build
    // the items: the window calls UpdateDatabasePopup once when it opens.
    VolumeNamePopup(QLineEdit* volumeNameField, QComboBox* databasePopup, QTimer* buildPopupTimer, QObject* parent = nullptr);
    ~VolumeNamePopup() override;

    static constexpr int BuildPopupDelay = 300; // milliseconds after the last change of the name

    // Replaces the popup's items for the name ("none", the date, "#n" and,
    // when n > 1, a separator and the reset item) and selects the item chosen
    // before (or the stored "VolumePopup" choice when nothing was selected).
    // Opens the database once; may show the database's modal message.
    void UpdateDatabasePopup(const QString& name);

    // The volume name the burn gives the session: the field's text, followed
    // by one blank and the selected item's text when the date or the number is
    // selected; the text alone otherwise.
    [[nodiscard]] QString ComposedVolumeName() const;

    // The rule behind ComposedVolumeName, for any field text and selection.
    [[nodiscard]] static QString ComposeVolumeName(const QString& fieldText, int selectedIndex, const QString& selectedText);

    // True while UpdateDatabasePopup runs.
    [[nodiscard]] bool BuildingDatabasePopup() const { return m_buildingDatabasePopup; }

private:
    void VolumeNameField_TextChange();
    void BuildPopupTimer_Action();
    void DatabasePopup_Change(int index);

    QPointer<QLineEdit> m_volumeNameField;
    QPointer<QComboBox> m_databasePopup;
    QPointer<QTimer> m_buildPopupTimer;
    bool m_buildingDatabasePopup = false;
};
