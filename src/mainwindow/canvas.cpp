#include "mainwindow/canvas.h"

#include <QPainter>

Canvas::Canvas(QWidget* parent)
    : QWidget(parent)
{
}

void Canvas::setBackdrop(const QImage& image)
{
    m_backdrop = image;
    update();
}

void Canvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_backdrop.isNull())
        painter.drawImage(0, 0, m_backdrop);
    if (m_paint)
        m_paint(painter);
}
