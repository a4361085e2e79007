#include "dialogs/burnfinishedwindow.h"

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

constexpr QSize DesignSize { 442, 128 };

QPointer<BurnFinishedWindow>& theWindow()
{
    static QPointer<BurnFinishedWindow> window;
    return window;
}

} // namespace

BurnFinishedWindow::BurnFinishedWindow(QWidget* parent)
    : QDialog(parent)
{
    using A = AnchoredLayout::Anchor;
    setObjectName(QStringLiteral("BurnFinishedWindow"));
    setWindowTitle(QStringLiteral("Kestrow: Burn OK"));
    setWindowModality(Qt::ApplicationModal);
    setFont(Dialogs::systemFont(12));
    setFixedSize(DesignSize);
    auto* layout = new AnchoredLayout(this, DesignSize);

    Canvas1 = new CResizeCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setAccessibleName(QStringLiteral("Disc"));
    Canvas1->onSetPicture([] { return Globals::CDIcon_green(); });
    layout->place(Canvas1, { 20, 14, 100, 100 });

    StaticText1 = new QLabel(QStringLiteral("The burn has completed successfully."), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(Dialogs::systemFont(14, true));
    layout->place(StaticText1, { 132, 14, 288, 26 }, A::Left | A::Top | A::Right);
    Dialogs::fitFontToWidth(StaticText1);

    PushButton1 = new QPushButton(QStringLiteral("OK"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setAutoDefault(false);
    PushButton1->setDefault(true);
    layout->place(PushButton1, { 351, 94, 69, 20 }, A::Right);

    connect(PushButton1, &QPushButton::clicked, this, &BurnFinishedWindow::PushButton1_Action);
}

BurnFinishedWindow* BurnFinishedWindow::ShowFinished(QWidget* parent, std::function<void()> onOK)
{
    if (!theWindow()) {
        theWindow() = new BurnFinishedWindow(parent);
        theWindow()->setAttribute(Qt::WA_DeleteOnClose);
        theWindow()->Open();
    }
    BurnFinishedWindow* window = theWindow();
    window->m_onOK = std::move(onOK);
    window->m_answered = false;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

BurnFinishedWindow* BurnFinishedWindow::current() { return theWindow(); }

void BurnFinishedWindow::Open()
{
    const QRect screen = Dialogs::mainScreenGeometry();
    setGeometry(QRect(screen.topLeft() + Dialogs::aboveScreenCentre(screen.size(), size()), size()));
}

void BurnFinishedWindow::PushButton1_Action() { close(); }

// Escape does what OK does.
void BurnFinishedWindow::reject() { close(); }

void BurnFinishedWindow::closeEvent(QCloseEvent* event)
{
    // The button, Return, Escape and the close box all end here; the callback
    // runs once per showing, before the window goes. QDialog's own
    // closeEvent would go through reject(), which comes back here.
    if (!m_answered) {
        m_answered = true;
        if (m_onOK)
            m_onOK();
    }
    event->accept();
    // Closing deletes the window later; the next showing makes a new one.
    if (theWindow() == this)
        theWindow().clear();
}
