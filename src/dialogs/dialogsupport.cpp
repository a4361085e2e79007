#include "dialogs/dialogsupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

namespace Dialogs
{

QFont systemFont(int pixelSize, bool bold)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void fitFontToWidth(QLabel* label)
{
    QFont font = label->font();
    int size = font.pixelSize();
    if (size <= 0)
        return;
    while (size > 9 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPixelSize(--size);
    }
    label->setFont(font);
}

QRect mainScreenGeometry()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry();
    return { 0, 0, 1024, 768 };
}

QPoint centredOnScreen(QSize screen, QSize window) { return { screen.width() / 2 - window.width() / 2, screen.height() / 2 - window.height() / 2 }; }

QPoint aboveScreenCentre(QSize screen, QSize window) { return { screen.width() / 2 - window.width() / 2, screen.height() / 2 - window.height() }; }

} // namespace Dialogs
