#include "dialogs/burnstatuswindow.h"

#include "app/globalpictures.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/dialogsupport.h"
#include "dialogs/warningdialog.h"
#include "mainwindow/anchoredlayout.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace
{

constexpr QSize DesignSize { 452, 95 };

} // namespace

BurnStatusWindow::BurnStatusWindow(QWidget* parent)
    : QDialog(parent)
{
    using A = AnchoredLayout::Anchor;
    setObjectName(QStringLiteral("BurnStatusWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFont(Dialogs::systemFont(12));
    setFixedSize(DesignSize);
    auto* layout = new AnchoredLayout(this, DesignSize);

    CResizeCanvas1 = new CResizeCanvas(this);
    CResizeCanvas1->setObjectName(QStringLiteral("CResizeCanvas1"));
    CResizeCanvas1->setAccessibleName(QStringLiteral("Disc"));
    CResizeCanvas1->onSetPicture([] { return Globals::CDIcon_normal(); });
    layout->place(CResizeCanvas1, { 20, 11, 64, 64 });

    StaticText1 = new QLabel(QStringLiteral("Burn Status:"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    layout->place(StaticText1, { 96, 14, 77, 20 });
    Dialogs::fitFontToWidth(StaticText1);

    StatusText = new QLabel(QStringLiteral("Label:"), this);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    layout->place(StatusText, { 174, 14, 258, 20 }, A::Left | A::Right);

    DetailText = new QLabel(this);
    DetailText->setObjectName(QStringLiteral("DetailText"));
    DetailText->setFont(Dialogs::systemFont(10));
    DetailText->setAccessibleName(QStringLiteral("Burn Details"));
    layout->place(DetailText, { 174, 36, 258, 16 }, A::Left | A::Right);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    layout->place(ProgressBar1, { 96, 58, 254, 20 });

    AbortButton = new QPushButton(QStringLiteral("Abort"), this);
    AbortButton->setObjectName(QStringLiteral("AbortButton"));
    AbortButton->setAutoDefault(false);
    layout->place(AbortButton, { 362, 58, 69, 20 });

    connect(AbortButton, &QPushButton::clicked, this, &BurnStatusWindow::AbortButton_Action);
}

void BurnStatusWindow::AbortButton_Action()
{
    // Burn reports keep arriving while the warning is up; one of them may
    // end the operation and close (and delete) this sheet meanwhile.
    QPointer<BurnStatusWindow> self(this);
    const bool goAhead = Globals::ShowWarningDialog(
        QStringLiteral("If you abort the burning process you may be left with a useless disk and any other sessions on the disk may not be readable either. "
                       "Are you sure you want to abort this burn?"),
        390, 137, QStringLiteral("AbortWarningKey"));
    if (!goAhead || !self || self->isHidden())
        return;
    StatusText->setText(QStringLiteral("Stopping Burn..."));
    ProgressBar1->setMaximum(0);
    Q_EMIT Abort();
}

// The sheet has no cancel button: Escape must not take it away while a burn runs.
void BurnStatusWindow::reject() { }

void BurnStatusWindow::closeEvent(QCloseEvent* event)
{
    // Only the program closes the sheet; the window manager's close box is refused.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    // QDialog::closeEvent would go through reject(), which does nothing here.
    hide();
    event->accept();
}
