#pragma once

// Paints the rows of the burn list: the striped or highlighted background, a
// grey line along the bottom, then the row's item (CFileToBurn::DrawListEntry)
// or, when the row's identifier has no item, the identifier as plain text.
// Rows are CSuperList::RowHeight pixels high. Main thread only.

#include <QStyledItemDelegate>

class BurnListDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The background of a selected row: the highlight colour on even rows,
    // that colour plus (2, 2, 20) on odd rows, each part held at 255.
    [[nodiscard]] static QColor selectedRowColor(const QColor& highlight, int row);
};
