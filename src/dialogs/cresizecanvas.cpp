#include "dialogs/cresizecanvas.h"

#include <QIcon>
#include <QPainter>
#include <QStyle>

CResizeCanvas::CResizeCanvas(QWidget* parent)
    : Canvas(parent)
{
    setPaintHook([this](QPainter& g) { Paint(g); });
}

void CResizeCanvas::Open()
{
    if (m_opened)
        return;
    m_opened = true;
    if (m_setPicture)
        MyPicture = m_setPicture();
    update();
}

void CResizeCanvas::showEvent(QShowEvent* event)
{
    Open();
    Canvas::showEvent(event);
}

void CResizeCanvas::Paint(QPainter& g)
{
    if (!MyPicture.isNull()) {
        // The whole picture fills the whole canvas; its proportions are not kept.
        g.save();
        g.setRenderHint(QPainter::SmoothPixmapTransform);
        g.drawImage(QRectF(0, 0, width(), height()), MyPicture, QRectF(0, 0, MyPicture.width(), MyPicture.height()));
        g.restore();
    }
    if (m_newPaint)
        m_newPaint(g);
}

void CResizeCanvas::DrawCautionIcon(QPainter& g) const
{
    const QIcon caution = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    caution.paint(&g, QRect(width() - 32, height() - 32, 32, 32));
}
