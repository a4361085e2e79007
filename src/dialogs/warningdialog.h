#pragma once

// The modal warning shown before a step that can spoil a disc or its data,
// with an optional "Don't show this again" check box. The program uses it only
// through Globals::ShowWarningDialog; the class is public for tests.
//
// A silenced warning is the boolean "True" under its key in the settings
// root (XMLModule::XMLRoot()); it is then answered with true without showing
// anything. The key "NoWarning" can never be silenced: its check box is hidden.
// Main thread only.

#include <QDialog>
#include <QString>

class AnchoredLayout;
class CResizeCanvas;
class QCheckBox;
class QLabel;
class QPushButton;

class WarningDialog : public QDialog
{
    Q_OBJECT
public:
    // The size the controls' bounds are given for.
    static constexpr QSize DesignSize { 556, 242 };

    explicit WarningDialog(QWidget* parent = nullptr);

    // Sizes the dialog, centres it on the main screen, shows the message and
    // remembers the key (hiding the check box for "NoWarning").
    void Setup(const QString& message, qint32 width, qint32 height, const QString& key);

    // Escape and the close box answer like "Cancel".
    void reject() override;

    QString MyKey;
    bool ReturnValue = false;

    CResizeCanvas* Canvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QCheckBox* DontShowCheckbox = nullptr;
    QPushButton* PushButton1 = nullptr; // "Do It", the default button
    QPushButton* PushButton2 = nullptr; // "Cancel", the cancel button

private:
    void Answer(bool value);

    AnchoredLayout* m_layout = nullptr;
};

namespace Globals
{

// Asks the user to confirm; answers true to go ahead. A silenced key answers
// true at once. Otherwise a new dialog of width x height pixels is shown
// application-modal and the call waits (the event loop keeps running).
[[nodiscard]] bool ShowWarningDialog(const QString& message, qint32 width, qint32 height, const QString& key);

} // namespace Globals
