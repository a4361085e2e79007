// The error and finished windows: one of each at a time, their texts and
// placement, OK (and Return, Escape) closing them, the finished window's
// callback run once.

#include "app/globalpictures.h"
#include "dialogs/burnerrorwindow.h"
#include "dialogs/burnfinishedwindow.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/dialogsupport.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class TestBurnResultWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_main;

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }

    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_main->show();
    }

    void cleanup()
    {
        m_main.reset();
        QVERIFY(!BurnErrorWindow::current());
        QVERIFY(!BurnFinishedWindow::current());
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("error window") << QSize(1024, 768) << QSize(536, 166) << QPoint(244, 218);
        QTest::newRow("finished window") << QSize(1024, 768) << QSize(442, 128) << QPoint(291, 256);
        QTest::newRow("odd sizes drop the remainder") << QSize(1025, 769) << QSize(443, 129) << QPoint(291, 255);
    }

    void placement()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, topLeft);
        QCOMPARE(Dialogs::aboveScreenCentre(screen, window), topLeft);
    }

    void errorWindow()
    {
        BurnErrorWindow* window = BurnErrorWindow::ShowError(m_main.get(), QStringLiteral("The device failed to respond. (MEDIUM ERROR)"));
        QVERIFY(window->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Kestrow: Error"));
        QCOMPARE(window->size(), QSize(536, 166));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window->geometry().topLeft(), screen.topLeft() + Dialogs::aboveScreenCentre(screen.size(), QSize(536, 166)));
        QCOMPARE(window->Canvas1->geometry(), QRect(20, 15, 100, 100));
        QCOMPARE(window->Canvas1->MyPicture, Globals::CDIcon_red());
        QCOMPARE(window->StaticText1->text(), QStringLiteral("There has been an error while burning the disk:"));
        QCOMPARE(window->ErrorText->geometry(), QRect(132, 54, 382, 48));
        QCOMPARE(window->ErrorText->text(), QStringLiteral("The device failed to respond. (MEDIUM ERROR)"));
        QCOMPARE(window->OKButton->geometry(), QRect(447, 126, 69, 20));

        // A second error while it is open reuses it.
        QCOMPARE(BurnErrorWindow::ShowError(m_main.get(), QStringLiteral("second")), window);
        QCOMPARE(window->ErrorText->text(), QStringLiteral("second"));

        QPointer<BurnErrorWindow> held = window;
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(!BurnErrorWindow::current());
        QTRY_VERIFY(!held);
        // The next error gets a fresh window.
        BurnErrorWindow* next = BurnErrorWindow::ShowError(m_main.get(), QStringLiteral("third"));
        QVERIFY(next->isVisible());
        QTest::keyClick(next, Qt::Key_Escape);
        QVERIFY(!BurnErrorWindow::current());
    }

    void finishedWindow_data()
    {
        QTest::addColumn<int>("how"); // 0 OK, 1 Return, 2 Escape
        QTest::newRow("OK") << 0;
        QTest::newRow("Return") << 1;
        QTest::newRow("Escape") << 2;
    }

    void finishedWindow()
    {
        QFETCH(int, how);
        int firstCalls = 0;
        int calls = 0;
        bool visibleDuringCallback = false;
        BurnFinishedWindow* window = BurnFinishedWindow::ShowFinished(m_main.get(), [&] { ++firstCalls; });
        QCOMPARE(window->windowTitle(), QStringLiteral("Kestrow: Burn OK"));
        QCOMPARE(window->size(), QSize(442, 128));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window->geometry().topLeft(), screen.topLeft() + Dialogs::aboveScreenCentre(screen.size(), QSize(442, 128)));
        QCOMPARE(window->Canvas1->MyPicture, Globals::CDIcon_green());
        QCOMPARE(window->StaticText1->text(), QStringLiteral("The burn has completed successfully."));
        QVERIFY(window->StaticText1->font().bold());
        QVERIFY(QFontMetrics(window->StaticText1->font()).horizontalAdvance(window->StaticText1->text()) <= 288);
        QCOMPARE(window->PushButton1->geometry(), QRect(351, 94, 69, 20));

        // Shown again while open (a second "done"): one window, the newer callback.
        QCOMPARE(BurnFinishedWindow::ShowFinished(m_main.get(),
                     [&] {
                         ++calls;
                         visibleDuringCallback = BurnFinishedWindow::current() && BurnFinishedWindow::current()->isVisible();
                     }),
            window);

        QPointer<BurnFinishedWindow> held = window;
        if (how == 0)
            window->PushButton1->click();
        else
            QTest::keyClick(window, how == 1 ? Qt::Key_Return : Qt::Key_Escape);
        QCOMPARE(firstCalls, 0);
        QCOMPARE(calls, 1);
        QVERIFY(visibleDuringCallback); // the main window is brought back before this one goes
        QVERIFY(!BurnFinishedWindow::current());
        QTRY_VERIFY(!held);
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(TestBurnResultWindows)
#include "tst_burnresultwindows.moc"
