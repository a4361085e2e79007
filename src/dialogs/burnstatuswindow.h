#pragma once

// The progress sheet of a running burn or erase: a status line, a progress
// bar and an Abort button, window-modal over the main window.
//
// The main window makes a new one for every burn or erase:
//     auto* sheet = new BurnStatusWindow(this);   // deletes itself on close
//     StatusWindow = sheet;                        // a QPointer<BurnStatusWindow>
//     connect(sheet, &BurnStatusWindow::Abort, ...);  // stop the burn
//     sheet->open();
// writes StatusText and ProgressBar1 as the burn reports, and close()s it at
// the end or on an error. Closing deletes it (later, from the event loop), so
// a QPointer held to it reads null afterwards and later reports of the same
// operation can be dropped; a closed sheet (isHidden()) takes no more updates
// either.
//
// The user cannot close the sheet: Escape and the close box are ignored; the
// only way out is the main window closing it. Main thread only.

#include <QDialog>

class CResizeCanvas;
class QLabel;
class QProgressBar;
class QPushButton;

class BurnStatusWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BurnStatusWindow(QWidget* parent = nullptr);

    // The Action event of AbortButton: asks (key "AbortWarningKey"); on "Do
    // It" shows "Stopping Burn...", makes the bar busy and raises Abort. The
    // sheet stays open. Nothing happens when the sheet was closed while the
    // user was being asked (the operation has already ended).
    void AbortButton_Action();

    void reject() override;

    CResizeCanvas* CResizeCanvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StatusText = nullptr;
    // One small line under the status line: data written, speed, time left
    // of a running write. Empty until the main window fills it.
    QLabel* DetailText = nullptr;
    // Maximum 100; a maximum of 0 shows the busy bar.
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* AbortButton = nullptr;

Q_SIGNALS:
    // The user confirmed the abort: the owner stops the running burn.
    void Abort();

protected:
    void closeEvent(QCloseEvent* event) override;
};
