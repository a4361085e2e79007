#pragma once

// The finished window: the green disc and "The burn has completed
// successfully.", application-modal, placed centred horizontally with its
// lower edge on the main screen's centre line. There is at most one. Its OK
// button runs the owner's callback (the main window re-evaluates its Burn
// button and redraws) and closes the window; Return, Escape and the close box
// answer the same. Main thread only.

#include <QDialog>

#include <functional>

class CResizeCanvas;
class QLabel;
class QPushButton;

class BurnFinishedWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BurnFinishedWindow(QWidget* parent = nullptr);

    // Shows the single finished window, making it on first use (as a child of
    // parent, deleted when closed) and bringing it forward when it is already
    // open; onOK replaces the callback of an open window. Returns at once.
    static BurnFinishedWindow* ShowFinished(QWidget* parent, std::function<void()> onOK);
    // The open finished window, or nullptr.
    [[nodiscard]] static BurnFinishedWindow* current();

    // The Open event: places the window on the main screen. Runs when the
    // window is made; a window brought forward stays where the user put it.
    void Open();

    // The Action event of PushButton1: runs the callback, then closes.
    void PushButton1_Action();

    void reject() override;

    CResizeCanvas* Canvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QPushButton* PushButton1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_onOK;
    bool m_answered = false;
};
