#pragma once

// The small sheet that covers the photo window while the library loads:
// "Loading Data..." beside a busy indicator. Window-modal over its parent.
// The user cannot close it (Escape and the close box are refused); the
// loader closes it with Finish. Main thread only.

#include <QDialog>

class QLabel;
class QProgressBar;

class LoadingSheet : public QDialog {
    Q_OBJECT
public:
    explicit LoadingSheet(QWidget* parent);

    // Closes the sheet.
    void Finish();

    QLabel* StaticText1 = nullptr;
    QProgressBar* ChasingArrows1 = nullptr;

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_finishing = false;
};
