// Looks on every screen: on a screen scaled by 2 the shared pictures carry
// the artwork's full detail at their usual logical sizes, and with a dark
// palette the texts over the disc picture and in the volume name field keep
// their contrast, while a light palette keeps the exact colours.

#include "app/globalpictures.h"
#include "mainwindow/canvas.h"
#include "mainwindow/window1.h"
#include "settings/xmlmodule.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

class TestLooks : public QObject
{
    Q_OBJECT

    static QPalette dark()
    {
        QPalette p;
        p.setColor(QPalette::Window, QColor(45, 45, 48));
        p.setColor(QPalette::WindowText, QColor(230, 230, 230));
        p.setColor(QPalette::Base, QColor(30, 30, 32));
        p.setColor(QPalette::Text, QColor(230, 230, 230));
        return p;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        Globals::BuildPictures();
        XMLModule::XMLRoot() = std::make_shared<CXML>();
    }

    void picturesAtTwiceTheDetail_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("side");
        QTest::newRow("normal") << Globals::CDIcon_normal() << 128;
        QTest::newRow("grey") << Globals::CDIcon_grey() << 128;
        QTest::newRow("red") << Globals::CDIcon_red() << 128;
        QTest::newRow("green") << Globals::CDIcon_green() << 128;
        QTest::newRow("alert") << Globals::SmallAlertIcon() << 16;
        QTest::newRow("folder") << Globals::SmallBlueFolder() << 16;
    }
    void picturesAtTwiceTheDetail()
    {
        QFETCH(QImage, picture);
        QFETCH(int, side);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.size(), QSize(side * 2, side * 2));
        QCOMPARE(picture.deviceIndependentSize(), QSizeF(side, side));
    }

    // The disc is drawn at its logical size: the canvas's 128 x 128 bounds
    // hold it exactly (its lower right corner is the disc's transparent rim,
    // its centre the opaque disc).
    void discFillsTheCanvasOnce()
    {
        Window1 w;
        QImage shot(256, 256, QImage::Format_ARGB32);
        shot.setDevicePixelRatio(2);
        shot.fill(Qt::transparent);
        w.Canvas1->setBackdrop(Globals::CDIcon_normal());
        w.Canvas1->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(w.Canvas1->size(), QSize(128, 128));
        QCOMPARE(qAlpha(shot.pixel(255, 255)), 0);
        // Pixel for pixel: the artwork is neither scaled up nor down.
        const QImage disc = Globals::CDIcon_normal();
        for (const QPoint p : { QPoint(60, 200), QPoint(40, 128), QPoint(200, 90), QPoint(128, 20) })
            QCOMPARE(shot.pixel(p), disc.pixel(p));
    }

    void canvasAndFieldColours()
    {
        // Light: the exact colours (text in the palette's text colour).
        Window1 light;
        QCOMPARE(Window1::CanvasTextColor(light.palette()), light.palette().color(QPalette::WindowText));
        QVERIFY(light.VolumeNameField->styleSheet().contains(QStringLiteral("background: white")));

        // Dark: dark text on the light disc, and the field's own dark base
        // behind its light text.
        QApplication::setPalette(dark());
        Window1 w;
        const QColor text = Window1::CanvasTextColor(w.palette());
        QCOMPARE(text, QColor(45, 45, 48));
        QVERIFY(w.VolumeNameField->styleSheet().isEmpty());
        // Every line's shadow stays lighter than its text, as on the light palette.
        w.FindingDevices = true;
        for (const auto& line : w.CanvasLines())
            QVERIFY(line.shadow.lightness() - text.lightness() > 100);
        QApplication::setPalette(QPalette());
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestLooks test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_looks.moc"
