#include "burnlist/burnlistdelegate.h"

#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"

#include <QPainter>

#include <algorithm>

QColor BurnListDelegate::selectedRowColor(const QColor& highlight, int row)
{
    if (row % 2 == 0)
        return highlight;
    return QColor(std::min(highlight.red() + 2, 255), std::min(highlight.green() + 2, 255), std::min(highlight.blue() + 20, 255));
}

void BurnListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int width = option.rect.width();
    const int height = option.rect.height();
    const int row = index.row();
    const bool selected = option.state.testFlag(QStyle::State_Selected);

    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setClipRect(0, 0, width, height);

    if (selected)
        painter->fillRect(0, 0, width, height, selectedRowColor(option.palette.color(QPalette::Active, QPalette::Highlight), row));
    else if (row % 2 == 1) {
        // The light stripe of a light palette; a dark palette's own alternate row colour.
        const bool dark = option.palette.color(QPalette::Base).lightness() < option.palette.color(QPalette::Text).lightness();
        painter->fillRect(0, 0, width, height, dark ? option.palette.color(QPalette::AlternateBase) : QColor(220, 220, 230));
    }
    painter->setPen(QColor(153, 153, 153));
    painter->drawLine(0, height - 1, width, height - 1);

    painter->setFont(option.font);
    const QString id = index.data(Qt::DisplayRole).toString();
    if (const std::shared_ptr<CFileToBurn> item = Globals::GetFileByID(id)) {
        item->DrawListEntry(*painter, width, height, selected, &option.palette);
    } else {
        painter->setPen(option.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRect(2, 0, width - 2, height), Qt::AlignLeft | Qt::AlignVCenter, id);
    }
    painter->restore();
}

QSize BurnListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    return QSize(0, CSuperList::RowHeight);
}
