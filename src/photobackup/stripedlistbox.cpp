#include "photobackup/stripedlistbox.h"

#include <QPainter>
#include <QPaintEvent>
#include <QStyledItemDelegate>

namespace {

// Gives every row the same height, so the stripes below the last row line
// up with the rows above them.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return { QStyledItemDelegate::sizeHint(option, index).width(), StripedListBox::RowHeight };
    }
};

} // namespace

StripedListBox::StripedListBox(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new FixedHeightDelegate(this));
    setUniformItemSizes(true);
}

void StripedListBox::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        // Row 0's top moves with the scrolling; without rows it is the top.
        const int top = count() > 0 ? visualItemRect(item(0)).top() : 0;
        const int width = viewport()->width();
        const int first = std::max(0, (event->rect().top() - top) / RowHeight);
        for (int row = first;; ++row) {
            const int y = top + row * RowHeight;
            if (y > event->rect().bottom())
                break;
            const bool selected = row < count() && item(row)->isSelected();
            if (!selected && IsStriped(row))
                painter.fillRect(0, y, width, RowHeight, StripeColor);
        }
    }
    QListWidget::paintEvent(event);
}
