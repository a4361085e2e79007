#pragma once

// A list whose unselected even rows (counting from 0) are filled with a pale
// blue (EEEEFF) and odd rows left plain; selected rows show the style's own
// highlight. The stripes go on below the last row, so an empty or short list
// is striped from top to bottom. Every row has the same height.
// Main thread only.

#include <QColor>
#include <QListWidget>

class StripedListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = 16;
    static constexpr QColor StripeColor { 0xEE, 0xEE, 0xFF };

    explicit StripedListBox(QWidget* parent = nullptr);

    // Whether row `row` gets the stripe when it is not selected.
    [[nodiscard]] static bool IsStriped(int row) { return row % 2 == 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
