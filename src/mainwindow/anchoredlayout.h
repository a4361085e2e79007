#pragma once

// Keeps controls at fixed pixel bounds measured from the top-left corner of
// their container, and keeps the distance of each anchored edge when the
// container is resized: anchored left and right stretches, right alone moves
// with the right edge; the same for top and bottom. Bounds are given for a
// design size of the container.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

class AnchoredLayout : public QObject
{
    Q_OBJECT
public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    Q_DECLARE_FLAGS(Anchors, Anchor)

    // container: the widget whose resizes are followed (not owned).
    AnchoredLayout(QWidget* container, QSize designSize);

    // Places the widget at bounds (for the design size) and remembers its anchors.
    void place(QWidget* widget, QRect bounds, Anchors anchors = {});
    // Bounds of the widget for a container of the given size.
    [[nodiscard]] QRect boundsFor(QWidget* widget, QSize containerSize) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QPointer<QWidget> widget;
        QRect bounds;
        Anchors anchors;
    };
    void apply(QSize size);

    QWidget* m_container;
    QSize m_design;
    QVector<Item> m_items;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AnchoredLayout::Anchors)
