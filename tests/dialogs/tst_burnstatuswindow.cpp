// The burn status sheet: its controls, the busy bar at maximum 0, Abort with
// and without its warning, and a sheet closed while the warning is up.

#include "app/globalpictures.h"
#include "dialogs/burnstatuswindow.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/warningdialog.h"
#include "modalanswer.h"
#include "settings/xmlmodule.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

// Reaches the sheet's protected close handler.
struct CloseHandler : BurnStatusWindow {
    static auto handler() { return &CloseHandler::closeEvent; }
};

class TestBurnStatusWindow : public QObject
{
    Q_OBJECT

    QWidget* m_main = nullptr;
    QPointer<BurnStatusWindow> m_sheet;

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }

    void init()
    {
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        m_main = new QWidget;
        m_main->resize(600, 300);
        m_main->show();
        m_sheet = new BurnStatusWindow(m_main);
        m_sheet->open();
        QVERIFY(QTest::qWaitForWindowExposed(m_sheet));
    }

    void cleanup()
    {
        delete m_main;
        QVERIFY(!m_sheet);
    }

    void controls()
    {
        QCOMPARE(m_sheet->size(), QSize(452, 95));
        QCOMPARE(m_sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(m_sheet->CResizeCanvas1->geometry(), QRect(20, 11, 64, 64));
        QCOMPARE(m_sheet->CResizeCanvas1->MyPicture, Globals::CDIcon_normal());
        QCOMPARE(m_sheet->StaticText1->text(), QStringLiteral("Burn Status:"));
        QCOMPARE(m_sheet->StatusText->text(), QStringLiteral("Label:"));
        QCOMPARE(m_sheet->StatusText->geometry(), QRect(174, 14, 258, 20));
        QCOMPARE(m_sheet->ProgressBar1->geometry(), QRect(96, 58, 254, 20));
        QCOMPARE(m_sheet->ProgressBar1->maximum(), 100);
        QCOMPARE(m_sheet->AbortButton->geometry(), QRect(362, 58, 69, 20));
        QCOMPARE(m_sheet->AbortButton->text(), QStringLiteral("Abort"));
    }

    // Maximum 0 is Qt's busy bar: it has no fixed value to show.
    void busyAtMaximumZero()
    {
        QProgressBar* bar = m_sheet->ProgressBar1;
        bar->setValue(37);
        QCOMPARE(bar->value(), 37);
        bar->setMaximum(0);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 0);
        bar->setValue(0);
        bar->setMaximum(100);
        bar->setValue(42);
        QCOMPARE(bar->value(), 42);
    }

    void escapeAndCloseBoxKeepTheSheet()
    {
        QTest::keyClick(m_sheet, Qt::Key_Escape);
        QVERIFY(m_sheet->isVisible());
        // The window manager's close box arrives as a spontaneous close event.
        // (sendEvent would clear the spontaneous flag, so the handler is called directly.)
        QCloseEvent boxClose;
        QSpontaneKeyEvent::setSpontaneous(&boxClose);
        QVERIFY(boxClose.spontaneous());
        (m_sheet.data()->*CloseHandler::handler())(&boxClose);
        QVERIFY(!boxClose.isAccepted());
        QVERIFY(m_sheet->isVisible());
    }

    void abort_data()
    {
        QTest::addColumn<bool>("silenced");
        QTest::addColumn<bool>("doIt");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("aborted");
        QTest::newRow("Cancel: the burn goes on") << false << false << true << false;
        QTest::newRow("Do It: stopping") << false << true << true << true;
        QTest::newRow("silenced: stops without asking") << true << false << false << true;
    }

    void abort()
    {
        QFETCH(bool, silenced);
        QFETCH(bool, doIt);
        QFETCH(bool, asked);
        QFETCH(bool, aborted);
        if (silenced)
            XMLModule::XMLRoot()->SetBooleanValue(QStringLiteral("AbortWarningKey"), true);
        m_sheet->StatusText->setText(QStringLiteral("Writing Track..."));
        m_sheet->ProgressBar1->setValue(37);
        QSignalSpy abortSpy(m_sheet.data(), &BurnStatusWindow::Abort);

        QString message;
        QSize size;
        QString key;
        ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<WarningDialog*>(modal);
            QVERIFY(dialog);
            message = dialog->StaticText1->text();
            size = dialog->size();
            key = dialog->MyKey;
            (doIt ? dialog->PushButton1 : dialog->PushButton2)->click();
        });
        m_sheet->AbortButton->click();

        QCOMPARE(answer.answered(), asked);
        if (asked) {
            QCOMPARE(message,
                QStringLiteral("If you abort the burning process you may be left with a useless disk and any other sessions on the disk may not be readable "
                               "either. Are you sure you want to abort this burn?"));
            QCOMPARE(size, QSize(390, 137));
            QCOMPARE(key, QStringLiteral("AbortWarningKey"));
        }
        QCOMPARE(abortSpy.count(), aborted ? 1 : 0);
        QCOMPARE(m_sheet->StatusText->text(), aborted ? QStringLiteral("Stopping Burn...") : QStringLiteral("Writing Track..."));
        QCOMPARE(m_sheet->ProgressBar1->maximum(), aborted ? 0 : 100);
        if (!aborted)
            QCOMPARE(m_sheet->ProgressBar1->value(), 37);
        QVERIFY(m_sheet->isVisible()); // the owner closes it when the burn ends
    }

    // The burn fails while the user reads the abort warning: the owner closes
    // the sheet behind it. "Do It" then does nothing, and a pointer to the
    // sheet reads null once the event loop has run.
    void closedWhileAsking()
    {
        QSignalSpy abortSpy(m_sheet.data(), &BurnStatusWindow::Abort);
        QPointer<BurnStatusWindow> held = m_sheet;
        ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<WarningDialog*>(modal);
            QVERIFY(dialog);
            held->close();
            QTest::qWait(20); // lets the deferred deletion run inside the warning's loop
            dialog->PushButton1->click();
        });
        m_sheet->AbortButton->click();
        QVERIFY(answer.answered());
        QCOMPARE(abortSpy.count(), 0);
        QTRY_VERIFY(!held);
    }
};

QTEST_MAIN(TestBurnStatusWindow)
#include "tst_burnstatuswindow.moc"
