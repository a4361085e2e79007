#pragma once

// A canvas: paints its backdrop picture at its top-left corner, then hands
// the painter to its paint hook for whatever is drawn over it.

#include <QImage>
#include <QWidget>

#include <functional>

class Canvas : public QWidget
{
    Q_OBJECT
public:
    using PaintHook = std::function<void(QPainter&)>;

    explicit Canvas(QWidget* parent = nullptr);

    void setBackdrop(const QImage& image);
    [[nodiscard]] const QImage& backdrop() const { return m_backdrop; }
    void setPaintHook(PaintHook hook) { m_paint = std::move(hook); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_backdrop;
    PaintHook m_paint;
};
