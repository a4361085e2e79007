#pragma once

// The error window: the red disc with the caution icon and the error's text,
// application-modal, placed centred horizontally with its lower edge on the
// main screen's centre line. There is at most one; it closes by its OK button
// (Return, Escape and the close box answer the same).
// Main thread only.

#include <QDialog>

class CResizeCanvas;
class QLabel;
class QPushButton;

class BurnErrorWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BurnErrorWindow(QWidget* parent = nullptr);

    // Shows the single error window with message in ErrorText, making it on
    // first use (as a child of parent, deleted when closed) and bringing it
    // forward when it is already open. Returns at once; the window stays up
    // until the user answers. Answers the window.
    static BurnErrorWindow* ShowError(QWidget* parent, const QString& message);
    // The open error window, or nullptr.
    [[nodiscard]] static BurnErrorWindow* current();

    // The Open event: places the window on the main screen. Runs when the
    // window is made; a window brought forward stays where the user put it.
    void Open();

    void reject() override;

    CResizeCanvas* Canvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* ErrorText = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};
