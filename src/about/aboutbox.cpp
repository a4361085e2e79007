#include "about/aboutbox.h"

#include "app/globalpictures.h"
#include "mainwindow/canvas.h"
#include "mainwindow/menu.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

QPointer<AboutBox>& sharedBox()
{
    static QPointer<AboutBox> box;
    return box;
}

QLabel* centredLabel(QWidget* parent, const char* name, QRect bounds, int pixels)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(QLatin1String(name));
    label->setGeometry(bounds);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font = label->font();
    font.setPixelSize(pixels);
    label->setFont(font);
    return label;
}

} // namespace

AboutBox* AboutBox::SharedInstance() { return sharedBox().data(); }

AboutBox* AboutBox::ShowShared(const QUrl& homepage, QWidget* parent)
{
    AboutBox* box = sharedBox();
    if (!box) {
        box = new AboutBox(homepage, parent);
        sharedBox() = box;
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

QPoint AboutBox::CentredPosition(QSize screen, QSize window)
{
    return { screen.width() / 2 - window.width() / 2, screen.height() / 2 - window.height() / 2 };
}

AboutBox::AboutBox(const QUrl& homepage, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_homepage(homepage)
{
    setObjectName(QStringLiteral("AboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About: Kestrow"));
    setFixedSize(WindowSize);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    CResizeCanvas1 = new Canvas(this);
    CResizeCanvas1->setObjectName(QStringLiteral("CResizeCanvas1"));
    CResizeCanvas1->setAccessibleName(QStringLiteral("CResizeCanvas1"));
    CResizeCanvas1->setGeometry(118, 9, 64, 64);
    CResizeCanvas1->setPaintHook([canvas = CResizeCanvas1](QPainter& painter) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(canvas->rect(), Globals::CDIcon_normal());
    });

    StaticText1 = centredLabel(this, "StaticText1", { 20, 77, 260, 20 }, 16);
    StaticText1->setText(QStringLiteral("Kestrow"));
    VersionText = centredLabel(this, "VersionText", { 20, 97, 260, 16 }, 10);
    VersionText->setText(QStringLiteral("version: 4.0"));

    StaticText2 = centredLabel(this, "StaticText2", { 20, 147, 260, 20 }, 12);
    QFont link = StaticText2->font();
    link.setUnderline(true);
    StaticText2->setFont(link);
    QPalette blue = StaticText2->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    StaticText2->setPalette(blue);
    Canvas1 = new QWidget(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setAccessibleName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(49, 147, 202, 20);
    Canvas1->setCursor(Qt::PointingHandCursor);
    Canvas1->installEventFilter(this);
    // The address is centred in the label; cut to the click area's width it
    // lies wholly inside the click area, so every part of it is clickable.
    // A file address reads best as its path.
    const QString address = homepage.toDisplayString(QUrl::PreferLocalFile);
    StaticText2->setText(StaticText2->fontMetrics().elidedText(address, Qt::ElideMiddle, Canvas1->width()));
    StaticText2->setToolTip(address);
    Canvas1->setToolTip(address);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint topLeft = CentredPosition(screen ? screen->geometry().size() : WindowSize, WindowSize);
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin + topLeft, WindowSize));

    // File > Close closes the window while it is in front; its shortcut works
    // here too.
    Menu* menu = Menu::shared();
    addAction(menu->FileClose());
    connect(menu, &Menu::EnableMenuItems, this, &AboutBox::EnableMenuItems);
    connect(menu->FileClose(), &QAction::triggered, this, &AboutBox::FileClose);
}

void AboutBox::EnableMenuItems()
{
    if (isActiveWindow())
        Menu::shared()->FileClose()->setEnabled(true);
}

void AboutBox::FileClose()
{
    if (isActiveWindow())
        close();
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Canvas1 && event->type() == QEvent::MouseButtonPress) {
        QDesktopServices::openUrl(m_homepage);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
