#include "dialogs/burnerrorwindow.h"

#include "app/globalpictures.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/dialogsupport.h"
#include "mainwindow/anchoredlayout.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace
{

constexpr QSize DesignSize { 536, 166 };

QPointer<BurnErrorWindow>& theWindow()
{
    static QPointer<BurnErrorWindow> window;
    return window;
}

} // namespace

BurnErrorWindow::BurnErrorWindow(QWidget* parent)
    : QDialog(parent)
{
    using A = AnchoredLayout::Anchor;
    setObjectName(QStringLiteral("BurnErrorWindow"));
    setWindowTitle(QStringLiteral("Kestrow: Error"));
    setWindowModality(Qt::ApplicationModal);
    setFont(Dialogs::systemFont(12));
    setFixedSize(DesignSize);
    auto* layout = new AnchoredLayout(this, DesignSize);

    Canvas1 = new CResizeCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setAccessibleName(QStringLiteral("Error"));
    Canvas1->onSetPicture([] { return Globals::CDIcon_red(); });
    Canvas1->onNewPaint([this](QPainter& g) { Canvas1->DrawCautionIcon(g); });
    layout->place(Canvas1, { 20, 15, 100, 100 });

    StaticText1 = new QLabel(QStringLiteral("There has been an error while burning the disk:"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(Dialogs::systemFont(14));
    layout->place(StaticText1, { 132, 15, 382, 27 });
    Dialogs::fitFontToWidth(StaticText1);

    ErrorText = new QLabel(QStringLiteral("Label:"), this);
    ErrorText->setObjectName(QStringLiteral("ErrorText"));
    ErrorText->setWordWrap(true);
    ErrorText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ErrorText->setTextFormat(Qt::PlainText);
    ErrorText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->place(ErrorText, { 132, 54, 382, 48 });

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAutoDefault(false);
    OKButton->setDefault(true);
    layout->place(OKButton, { 447, 126, 69, 20 }, A::Right | A::Bottom);

    connect(OKButton, &QPushButton::clicked, this, &QWidget::close);
}

BurnErrorWindow* BurnErrorWindow::ShowError(QWidget* parent, const QString& message)
{
    if (!theWindow()) {
        theWindow() = new BurnErrorWindow(parent);
        theWindow()->setAttribute(Qt::WA_DeleteOnClose);
        theWindow()->Open();
    }
    BurnErrorWindow* window = theWindow();
    window->ErrorText->setText(message);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

BurnErrorWindow* BurnErrorWindow::current() { return theWindow(); }

void BurnErrorWindow::Open()
{
    const QRect screen = Dialogs::mainScreenGeometry();
    setGeometry(QRect(screen.topLeft() + Dialogs::aboveScreenCentre(screen.size(), size()), size()));
}

// Escape does what OK does: close.
void BurnErrorWindow::reject() { close(); }

void BurnErrorWindow::closeEvent(QCloseEvent* event)
{
    // QDialog's own closeEvent goes through reject(), which comes back here.
    event->accept();
    // Closing deletes the window later; the next showing makes a new one.
    if (theWindow() == this)
        theWindow().clear();
}
