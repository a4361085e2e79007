#pragma once

// A canvas that draws one picture stretched to its own size, then hands the
// painter to its NewPaint handler for whatever goes over the picture.
//
// SetPicture is asked once, when the canvas opens (Open(), or its first show
// when nobody called Open() before); its answer becomes MyPicture. Without a
// SetPicture handler MyPicture stays null, nothing is drawn, and NewPaint is
// still raised on every paint. The canvas takes over the base class's paint
// hook; owners use onNewPaint instead of setPaintHook.
// Main thread only.

#include "mainwindow/canvas.h"

#include <QImage>

#include <functional>

class CResizeCanvas : public Canvas
{
    Q_OBJECT
public:
    using SetPictureHandler = std::function<QImage()>;
    using NewPaintHandler = std::function<void(QPainter& g)>;

    explicit CResizeCanvas(QWidget* parent = nullptr);

    // The SetPicture event: answers the picture to draw.
    void onSetPicture(SetPictureHandler handler) { m_setPicture = std::move(handler); }
    // The NewPaint event: raised at the end of every paint.
    void onNewPaint(NewPaintHandler handler) { m_newPaint = std::move(handler); }

    // The Open event: asks SetPicture for MyPicture. Runs once; later calls do nothing.
    void Open();

    // The system's caution icon, 32 x 32, over the canvas's lower right corner.
    void DrawCautionIcon(QPainter& g) const;

    // The picture drawn, stretched to the canvas.
    QImage MyPicture;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Paint(QPainter& g);

    SetPictureHandler m_setPicture;
    NewPaintHandler m_newPaint;
    bool m_opened = false;
};
