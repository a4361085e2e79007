#include "mainwindow/anchoredlayout.h"

#include <QEvent>

AnchoredLayout::AnchoredLayout(QWidget* container, QSize designSize)
    : QObject(container)
    , m_container(container)
    , m_design(designSize)
{
    container->installEventFilter(this);
}

void AnchoredLayout::place(QWidget* widget, QRect bounds, Anchors anchors)
{
    m_items.append({ widget, bounds, anchors });
    widget->setGeometry(boundsFor(widget, m_container->size().isValid() ? m_container->size() : m_design));
}

QRect AnchoredLayout::boundsFor(QWidget* widget, QSize size) const
{
    for (const Item& item : m_items) {
        if (item.widget != widget)
            continue;
        QRect r = item.bounds;
        const int dw = size.width() - m_design.width();
        const int dh = size.height() - m_design.height();
        if (item.anchors.testFlag(Right)) {
            if (item.anchors.testFlag(Left))
                r.setWidth(std::max(0, r.width() + dw));
            else
                r.moveLeft(r.left() + dw);
        }
        if (item.anchors.testFlag(Bottom)) {
            if (item.anchors.testFlag(Top))
                r.setHeight(std::max(0, r.height() + dh));
            else
                r.moveTop(r.top() + dh);
        }
        return r;
    }
    return widget->geometry();
}

void AnchoredLayout::apply(QSize size)
{
    for (const Item& item : std::as_const(m_items)) {
        if (item.widget)
            item.widget->setGeometry(boundsFor(item.widget, size));
    }
}

bool AnchoredLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_container && event->type() == QEvent::Resize)
        apply(m_container->size());
    return QObject::eventFilter(watched, event);
}
