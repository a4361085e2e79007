// The About window: one instance however often it is asked for, its texts
// and bounds, its place in the middle of the screen, the link that opens the
// home page once, and File > Close.

#include "about/aboutbox.h"
#include "app/globalpictures.h"
#include "mainwindow/canvas.h"
#include "mainwindow/menu.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QScreen>
#include <QTest>

class TestAboutBox : public QObject {
    Q_OBJECT

public Q_SLOTS:
    // Stands in for the web browser.
    void openUrl(const QUrl& url) { m_opened << url; }

private:
    QList<QUrl> m_opened;
    const QUrl m_homepage = QUrl::fromLocalFile(QStringLiteral("/opt/kestrow/manual.html"));

    static int aboutWindows()
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<AboutBox*>(widget) && widget->isVisible() ? 1 : 0;
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Globals::BuildPictures();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    void init() { m_opened.clear(); }
    void cleanup()
    {
        if (AboutBox* box = AboutBox::SharedInstance())
            box->close();
        QTRY_VERIFY(!AboutBox::SharedInstance());
    }

    void oneWindowWhenShownTwice()
    {
        AboutBox* first = AboutBox::ShowShared(m_homepage);
        QVERIFY(first);
        QCOMPARE(AboutBox::ShowShared(m_homepage), first);
        QCOMPARE(aboutWindows(), 1);
        // Closed, the next showing makes a new window.
        first->close();
        QTRY_VERIFY(!AboutBox::SharedInstance());
        QVERIFY(AboutBox::ShowShared(m_homepage));
        QCOMPARE(aboutWindows(), 1);
    }

    void texts()
    {
        AboutBox* box = AboutBox::ShowShared(m_homepage);
        QCOMPARE(box->windowTitle(), QStringLiteral("About: Kestrow"));
        QCOMPARE(box->StaticText1->text(), QStringLiteral("Kestrow"));
        QCOMPARE(box->StaticText1->font().pixelSize(), 16);
        QCOMPARE(box->VersionText->text(), QStringLiteral("version: 4.0"));
        QCOMPARE(box->VersionText->font().pixelSize(), 10);
        QCOMPARE(box->StaticText2->text(), QStringLiteral("/opt/kestrow/manual.html"));
        QCOMPARE(box->StaticText2->font().pixelSize(), 12);
        QVERIFY(box->StaticText2->font().underline());
        QCOMPARE(box->StaticText2->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(box->Canvas1->cursor().shape(), Qt::PointingHandCursor);
        // The disc icon is drawn into its 64-pixel canvas.
        const QImage icon = box->CResizeCanvas1->grab().toImage();
        QCOMPARE(icon.size(), QSize(64, 64));
        QVERIFY(icon.pixelColor(32, 5) != box->palette().color(QPalette::Window));
    }

    void bounds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("CResizeCanvas1") << QStringLiteral("CResizeCanvas1") << QRect(118, 9, 64, 64);
        QTest::newRow("StaticText1") << QStringLiteral("StaticText1") << QRect(20, 77, 260, 20);
        QTest::newRow("VersionText") << QStringLiteral("VersionText") << QRect(20, 97, 260, 16);
        QTest::newRow("StaticText2") << QStringLiteral("StaticText2") << QRect(20, 147, 260, 20);
        QTest::newRow("Canvas1") << QStringLiteral("Canvas1") << QRect(49, 147, 202, 20);
    }
    void bounds()
    {
        QFETCH(QString, name);
        QFETCH(QRect, bounds);
        AboutBox* box = AboutBox::ShowShared(m_homepage);
        QCOMPARE(box->size(), QSize(300, 229));
        auto* control = box->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), bounds);
    }

    void centredOnTheMainScreen()
    {
        QCOMPARE(AboutBox::CentredPosition(QSize(1024, 768), QSize(300, 229)), QPoint(362, 270));
        QCOMPARE(AboutBox::CentredPosition(QSize(1025, 769), QSize(300, 229)), QPoint(362, 270));
        AboutBox* box = AboutBox::ShowShared(m_homepage);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(box->geometry().topLeft(), screen.topLeft() + AboutBox::CentredPosition(screen.size(), QSize(300, 229)));
    }

    void theLinkOpensTheHomePageOnce()
    {
        AboutBox* box = AboutBox::ShowShared(m_homepage);
        QTest::mouseClick(box->Canvas1, Qt::LeftButton, {}, QPoint(1, 10));
        QCOMPARE(m_opened, QList<QUrl>({ m_homepage }));
        QTest::mouseClick(box->Canvas1, Qt::LeftButton, {}, QPoint(201, 19));
        QCOMPARE(m_opened.size(), 2);

        m_opened.clear();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(150, 120));
        QTest::mouseClick(box->StaticText2, Qt::LeftButton, {}, QPoint(5, 10)); // left of the click area
        QVERIFY(m_opened.isEmpty());
    }

    // A long address is cut in the middle so that what is underlined lies
    // within the click area.
    void aLongAddressFitsTheClickArea()
    {
        const QUrl longAddress = QUrl::fromLocalFile(QStringLiteral("/home/someone/a/rather/deep/folder/of/the/installation/share/kestrow/manual.html"));
        AboutBox* box = AboutBox::ShowShared(longAddress);
        const QString shown = box->StaticText2->text();
        QVERIFY(shown != longAddress.toString());
        QVERIFY(shown.endsWith(QStringLiteral("manual.html")));
        QVERIFY(box->StaticText2->fontMetrics().horizontalAdvance(shown) <= box->Canvas1->width());
        QTest::mouseClick(box->Canvas1, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(m_opened, QList<QUrl>({ longAddress }));
    }

    void fileCloseClosesTheWindowInFront()
    {
        AboutBox* box = AboutBox::ShowShared(m_homepage);
        box->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box));
        Menu::shared()->UpdateEnabledStates();
        QVERIFY(Menu::shared()->FileClose()->isEnabled());
        Menu::shared()->FileClose()->trigger();
        QTRY_VERIFY(!AboutBox::SharedInstance());
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
