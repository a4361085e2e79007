// The picture canvas: the picture stretched to the canvas whatever its
// proportions, SetPicture asked once, NewPaint raised with or without a picture.

#include "dialogs/cresizecanvas.h"

#include <QPainter>
#include <QTest>

namespace
{

// Four coloured quadrants, so scaling shows where each part lands.
QImage quadrants(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, size.width() - w, h, Qt::green);
    p.fillRect(0, h, w, size.height() - h, Qt::blue);
    p.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

QImage render(CResizeCanvas& canvas)
{
    canvas.Open();
    return canvas.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestCResizeCanvas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stretchesToFill_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("128 x 128 at half size") << QSize(128, 128);
        QTest::newRow("100 x 50 stretched") << QSize(100, 50);
        QTest::newRow("16 x 16 enlarged") << QSize(16, 16);
    }

    void stretchesToFill()
    {
        QFETCH(QSize, picture);
        CResizeCanvas canvas;
        canvas.resize(64, 64);
        int asked = 0;
        canvas.onSetPicture([&] {
            ++asked;
            return quadrants(picture);
        });
        const QImage image = render(canvas);
        render(canvas);
        QCOMPARE(asked, 1);
        QCOMPARE(image.size(), QSize(64, 64));
        // Each quadrant of the picture covers the same quadrant of the canvas,
        // to the corners: the proportions are not kept.
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::red));
        QCOMPARE(image.pixelColor(61, 2), QColor(Qt::green));
        QCOMPARE(image.pixelColor(2, 61), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(61, 61), QColor(Qt::yellow));
        QCOMPARE(image.pixelColor(29, 29), QColor(Qt::red));
        QCOMPARE(image.pixelColor(34, 34), QColor(Qt::yellow));
    }

    void newPaintWithoutPicture()
    {
        CResizeCanvas canvas;
        canvas.resize(40, 30);
        int painted = 0;
        canvas.onNewPaint([&](QPainter& g) {
            ++painted;
            g.fillRect(30, 20, 10, 10, Qt::magenta);
        });
        const QImage image = render(canvas);
        QVERIFY(canvas.MyPicture.isNull());
        QVERIFY(painted >= 1);
        QCOMPARE(image.pixelColor(35, 25), QColor(Qt::magenta));
        QVERIFY(image.pixelColor(5, 5) != QColor(Qt::magenta));
    }

    // NewPaint draws over the picture, not under it.
    void newPaintAfterPicture()
    {
        CResizeCanvas canvas;
        canvas.resize(64, 64);
        canvas.onSetPicture([] { return quadrants({ 8, 8 }); });
        canvas.onNewPaint([&](QPainter& g) { canvas.DrawCautionIcon(g); });
        const QImage image = render(canvas);
        CResizeCanvas bare;
        bare.resize(64, 64);
        bare.onSetPicture([] { return quadrants({ 8, 8 }); });
        const QImage plain = render(bare);
        QCOMPARE(image.copy(0, 0, 32, 64), plain.copy(0, 0, 32, 64));
        QCOMPARE(image.copy(0, 0, 64, 32), plain.copy(0, 0, 64, 32));
        QVERIFY(image.copy(32, 32, 32, 32) != plain.copy(32, 32, 32, 32));
    }
};

QTEST_MAIN(TestCResizeCanvas)
#include "tst_cresizecanvas.moc"
