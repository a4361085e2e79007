// The main window's burn workflow against the scriptable fake disc recording
// service: the Burn button's warnings and settings sheet, the burn and erase
// status notifications with their status lines and progress, error reports,
// the retry of a burn refused while the disc was still mounted, Abort, and the
// Eject, Erase and burner information buttons.

#include "../burner/fakedrservice.h"

#include "app/globalpictures.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "dialogs/burnerinfowindow.h"
#include "dialogs/burnerrorwindow.h"
#include "dialogs/burnfinishedwindow.h"
#include "dialogs/burnsettingswindow.h"
#include "dialogs/burnstatuswindow.h"
#include "dialogs/warningdialog.h"
#include "mainwindow/canvas.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"
#include "volumeindex/databasemodule.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace
{

constexpr qint32 BusyCode = static_cast<qint32>(0x80020021u);
const QString Waiting = u"Waiting for the disk to unmount..."_s;

CFDictionaryRef progress(const QString& state, double percent)
{
    auto s = CFMutableDictionary::create();
    s->setString(kDRStatusStateKey, state);
    s->setReal(kDRStatusPercentCompleteKey, percent);
    return s;
}

// A failure report as the service sends it: the failed state and the error
// dictionary; a null sense leaves its key out.
CFDictionaryRef failure(qint32 code, const QString& text, const QString& sense = QString())
{
    auto error = CFMutableDictionary::create();
    error->setNumber(QStringLiteral("DRErrorStatusErrorKey"), code);
    error->setString(QStringLiteral("DRErrorStatusErrorStringKey"), text);
    if (!sense.isNull())
        error->setString(QStringLiteral("DRErrorStatusAdditionalSenseStringKey"), sense);
    auto s = CFMutableDictionary::create();
    s->setString(kDRStatusStateKey, kDRStatusStateFailed);
    s->setReal(kDRStatusPercentCompleteKey, -1);
    s->setValue(kDRErrorStatusKey, error);
    return s;
}

CFDictionaryRef mediaStatus(const QString& type, qint64 freeBlocks)
{
    auto m = CFMutableDictionary::create();
    m->setNumber(kDRDeviceMediaBlocksFreeKey, freeBlocks);
    m->setBoolean(kDRDeviceMediaIsAppendableKey, true);
    m->setBoolean(kDRDeviceMediaIsErasableKey, true);
    m->setNumber(kDRDeviceMediaSessionCountKey, 1);
    m->setString(kDRDeviceMediaTypeKey, type);
    auto speeds = CFMutableArray::create();
    speeds->append(CFNumber::createFloat(1764.0f));
    speeds->append(CFNumber::createFloat(3528.0f));
    m->setValue(kDRDeviceBurnSpeedsKey, speeds);
    auto s = CFMutableDictionary::create();
    s->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateMediaPresent);
    s->setValue(kDRDeviceMediaInfoKey, m);
    return s;
}

// Answers the modal dialogs of one user action in turn, each with the next
// button text of the script, and records what each dialog was ("overburn
// 500x250", "sheet" ...). A dialog beyond the script is recorded and
// rejected; at the deadline every modal dialog is rejected, so a broken test
// fails instead of hanging. The windows that are shown without waiting
// (status sheet, error, finished and information windows) are left alone.
// With a delay, each dialog stays up that long before it is answered, as a
// user takes time to read it.
class DialogScript : public QObject
{
public:
    explicit DialogScript(QStringList answers, int delayMs = 0, int deadlineMs = 5000)
        : m_answers(std::move(answers))
        , m_delay(delayMs)
        , m_deadline(deadlineMs)
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, &DialogScript::poll);
        m_timer.start(10);
    }

    QStringList shown;

private:
    static QString describe(QWidget* modal)
    {
        if (qobject_cast<BurnSettingsWindow*>(modal))
            return u"sheet"_s;
        const auto* warning = qobject_cast<WarningDialog*>(modal);
        if (!warning)
            return modal->objectName();
        const QString text = warning->StaticText1->text();
        QString what = u"warning"_s;
        if (text.startsWith(u"You are trying to burn more data"_s))
            what = u"overburn"_s;
        else if (text.startsWith(u"You are about to burn a data DVD."_s))
            what = u"DVD"_s;
        else if (text.startsWith(u"Erasing this disk will erase ALL sessions"_s))
            what = u"erase"_s;
        else if (text.startsWith(u"If you abort the burning process"_s))
            what = u"abort"_s;
        else if (text.startsWith(u"Some names are too long for the disc"_s))
            what = u"names"_s;
        return u"%1 %2x%3"_s.arg(what).arg(warning->width()).arg(warning->height());
    }

    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        const bool waited = modal && modal->isVisible() && (qobject_cast<BurnSettingsWindow*>(modal) || qobject_cast<WarningDialog*>(modal));
        if (waited && m_delay > 0) {
            if (m_seen != modal) {
                m_seen = modal;
                m_seenClock.start();
            }
            if (m_seenClock.elapsed() < m_delay)
                return;
            m_seen = nullptr;
        }
        if (waited) {
            shown << describe(modal);
            QPushButton* button = nullptr;
            const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
            for (QPushButton* b : modal->findChildren<QPushButton*>()) {
                if (b->text() == answer && b->isVisible())
                    button = b;
            }
            if (button)
                button->click();
            else
                qobject_cast<QDialog*>(modal)->reject();
            return;
        }
        if (m_clock.elapsed() > m_deadline) {
            m_timer.stop();
            for (int i = 0; i < 10; ++i) {
                auto* stuck = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!stuck || !(qobject_cast<BurnSettingsWindow*>(stuck) || qobject_cast<WarningDialog*>(stuck)))
                    break;
                stuck->reject();
            }
        }
    }

    QStringList m_answers;
    int m_delay;
    QPointer<QWidget> m_seen;
    QElapsedTimer m_seenClock;
    int m_deadline;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace

class TestBurnWorkflow : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeDevice> m_device;
    std::unique_ptr<Window1> m_window;
    std::unique_ptr<QTemporaryDir> m_files;
    QStringList m_messages;
    UserMessage::Handler m_previousHandler;

    [[nodiscard]] BurnStatusWindow* sheet() const { return m_window->StatusWindow.data(); }
    [[nodiscard]] QString statusLine() const { return sheet() ? sheet()->StatusText->text() : u"<no sheet>"_s; }
    [[nodiscard]] std::shared_ptr<FakeBurn> lastBurn() const { return m_device->burns.isEmpty() ? nullptr : m_device->burns.last(); }

    // A file of the given size in the test's folder, as a row of the burn list.
    void addFileRow(const QString& name, int size)
    {
        QFile f(m_files->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'k'));
        f.close();
        m_window->ListBox1->AddItemRow(CFileToBurn::Create(f.fileName(), m_window.get())->GetUniqueID());
    }

    void sendMedia(const QString& type, qint64 freeBlocks)
    {
        m_device->status = mediaStatus(type, freeBlocks);
        m_device->sendStatus();
        QTRY_COMPARE(m_window->MediaBlocksAvailable, static_cast<double>(freeBlocks));
        QCOMPARE(m_window->MediaType, type);
    }

    static void deliver(const DRObject& sender, const QString& name, const CFDictionaryRef& status)
    {
        DRNotificationCenter::Post(name, sender, status);
        // Notifications are queued; one pass of the event loop delivers them.
        QCoreApplication::processEvents();
    }
    void burnReports(const CFDictionaryRef& status) { deliver(*lastBurn(), kDRBurnStatusChangedNotification, status); }
    void eraseReports(const CFDictionaryRef& status) { deliver(*m_device->erases.last(), kDREraseStatusChangedNotification, status); }

    // Presses Burn and confirms the settings sheet; the fake records the burn.
    [[nodiscard]] bool startBurn()
    {
        const qsizetype before = m_device->burns.size();
        DialogScript script({ u"OK"_s });
        m_window->BurnButton->click();
        return script.shown == QStringList { u"sheet"_s } && m_device->burns.size() == before + 1 && sheet() && m_window->Burning;
    }

    [[nodiscard]] bool startErase()
    {
        DialogScript script({ u"Do It"_s });
        m_window->EraseButton->click();
        return script.shown == QStringList { u"erase 400x125"_s } && !m_device->erases.isEmpty() && sheet();
    }

    // The window's state once an operation's error has been reported.
    void verifyErrorReported(const QString& message)
    {
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(!m_window->Burning);
        QVERIFY(m_window->LastBurnError);
        QVERIFY(!m_window->BurnRetryTimer->isActive());
        QCOMPARE(m_window->Canvas1->backdrop(), Globals::CDIcon_red());
        QCOMPARE(m_window->TotalText->text(), message);
        QVERIFY(BurnErrorWindow::current());
        QVERIFY(BurnErrorWindow::current()->isVisible());
        QCOMPARE(BurnErrorWindow::current()->ErrorText->text(), message);
        QVERIFY(!BurnFinishedWindow::current());
    }

private Q_SLOTS:
    void initTestCase()
    {
        Globals::BuildPictures();
        m_previousHandler = UserMessage::setHandler([this](const QString& text) { m_messages << text; });
    }

    void cleanupTestCase() { UserMessage::setHandler(m_previousHandler); }

    void init()
    {
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        m_messages.clear();
        m_files = std::make_unique<QTemporaryDir>();
        m_device = std::make_shared<FakeDevice>();
        m_device->info
            = FakeDevice::makeInfo(u"ACME"_s, u"Writer A"_s, u"DRDevicePhysicalInterconnectATAPI"_s, u"DRDevicePhysicalInterconnectLocationInternal"_s);
        DiskRecordingModule::ResetDeviceArray();
        DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> { m_device }));
        m_window = std::make_unique<Window1>();
        m_window->Open();
        m_window->DevicePopup->SelectIndex(1);
        addFileRow(u"notes.txt"_s, 10);
        sendMedia(kDRDeviceMediaTypeCDRW, 359847);
        QVERIFY(m_window->BurnButton->isEnabled());
    }

    void cleanup()
    {
        m_window.reset();
        DiskRecordingModule::ResetDeviceArray();
        Globals::FileIndex().clear();
        m_device.reset();
        m_files.reset();
    }

    void burnStartsWithTheListAndTheSettings()
    {
        addFileRow(u"later.txt"_s, 3);
        m_window->VolumeNameField->setText(u"Holiday"_s);
        XMLModule::XMLRoot()->SetBooleanValue(u"TestBurn"_s, true);
        XMLModule::XMLRoot()->SetStringValue(u"Speed"_s, u"11x"_s);
        QVERIFY(startBurn());
        QVERIFY(!m_window->BurnButton->isEnabled());
        QCOMPARE(m_window->BurnState, 0);
        QVERIFY(!m_window->LastBurnError);

        const auto burn = lastBurn();
        QCOMPARE(burn->writeCalls, 1);
        const DRFolderRef root = burn->writtenTrack->root();
        QCOMPARE(root->baseName(), u"Holiday"_s);
        QStringList names;
        for (const DRFSObjectRef& child : root->children())
            names << child->baseName();
        QCOMPARE(names, (QStringList { u"notes.txt"_s, u"later.txt"_s }));
        const CFDictionaryRef properties = burn->Properties();
        QVERIFY(properties->booleanValue(kDRBurnTestingKey)->value());
        QVERIFY(properties->booleanValue(kDRBurnAppendableKey)->value());
        QCOMPARE(properties->numberValue(kDRBurnRequestedSpeedKey)->toDouble(), 1764.0);
    }

    void burnStatesInOrder()
    {
        QVERIFY(startBurn());
        const QList<std::tuple<QString, QString, qint32>> steps = {
            { kDRStatusStatePreparing, u"Preparing Data..."_s, 0 },
            { kDRStatusStateSessionOpen, u"Opening Session..."_s, 0 },
            { kDRStatusStateTrackOpen, u"Opening Track..."_s, 0 },
            { kDRStatusStateTrackWrite, u"Writing data..."_s, 1 },
            { kDRStatusStateTrackClose, u"Closing Track..."_s, 1 },
            { kDRStatusStateSessionClose, u"Closing Session..."_s, 1 },
            { kDRStatusStateFinishing, u"FInishing..."_s, 1 },
            { kDRStatusStateVerifying, u"Verifying..."_s, 2 },
        };
        int step = 0;
        for (const auto& [state, line, burnState] : steps) {
            ++step;
            // Eighths are exact in binary, so the truncated percentage is known.
            burnReports(progress(state, step * 0.125));
            QCOMPARE(statusLine(), line);
            QCOMPARE(m_window->BurnState, burnState);
            QCOMPARE(sheet()->ProgressBar1->value(), static_cast<int>(step * 12.5));
            QVERIFY(m_window->Burning);
        }
    }

    void stateOutsideTheTableChangesNothing_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("failed") << kDRStatusStateFailed;
        QTest::newRow("erasing") << kDRStatusStateErasing;
        QTest::newRow("unknown") << u"DRStatusStateSomethingNew"_s;
        QTest::newRow("empty") << QString();
    }

    void stateOutsideTheTableChangesNothing()
    {
        QFETCH(QString, state);
        QVERIFY(startBurn());
        burnReports(progress(kDRStatusStatePreparing, 0.25));
        burnReports(progress(state, 0.75));
        QCOMPARE(statusLine(), u"Preparing Data..."_s);
        QCOMPARE(sheet()->ProgressBar1->value(), 25);
        QCOMPARE(m_window->BurnState, 0);
        QVERIFY(m_window->Burning);
    }

    void progressBar()
    {
        QVERIFY(startBurn());
        QProgressBar* bar = sheet()->ProgressBar1;
        burnReports(progress(kDRStatusStatePreparing, 0.5));
        QCOMPARE(bar->value(), 50);
        // -1: the service cannot tell; the bar turns busy.
        burnReports(progress(kDRStatusStatePreparing, -1));
        QCOMPARE(bar->maximum(), 0);
        burnReports(progress(kDRStatusStateSessionOpen, -1));
        QCOMPARE(bar->maximum(), 0);
        burnReports(progress(kDRStatusStateTrackWrite, 0.37));
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 37);
        // A report without a percentage leaves the bar alone.
        auto noPercent = CFMutableDictionary::create();
        noPercent->setString(kDRStatusStateKey, kDRStatusStateTrackWrite);
        burnReports(noPercent);
        QCOMPARE(bar->value(), 37);
        QCOMPARE(bar->maximum(), 100);
    }

    void refusedBeforeWritingIsRetried()
    {
        QVERIFY(startBurn());
        const auto first = lastBurn();
        burnReports(progress(kDRStatusStatePreparing, -1));
        QElapsedTimer clock;
        clock.start();
        burnReports(failure(BusyCode, u"The disc is in use."_s));
        QCOMPARE(statusLine(), Waiting);
        QVERIFY(m_window->Burning);
        QVERIFY(!m_window->LastBurnError);
        QVERIFY(!BurnErrorWindow::current());
        QCOMPARE(m_window->TotalText->text().startsWith(u"Total:"_s), true);
        QCOMPARE(m_device->burns.size(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(m_device->burns.size(), 2, 5000);
        QCOMPARE(m_window->BurnRetryTimer->interval(), 2500);
        // A coarse timer may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 2300, qPrintable(QString::number(clock.elapsed())));
        const auto second = lastBurn();
        QCOMPARE(second->writeCalls, 1);
        QCOMPARE(second->writtenTrack, first->writtenTrack);
        QVERIFY(second->Properties()->equals(*first->Properties()));

        // Refused again: the timer is armed again, without a limit.
        burnReports(failure(BusyCode, u"The disc is in use."_s));
        QVERIFY(m_window->BurnRetryTimer->isActive());
        QCOMPARE(statusLine(), Waiting);
        // The retried burn drives the same sheet to its end.
        burnReports(progress(kDRStatusStateTrackWrite, 0.5));
        QCOMPARE(statusLine(), u"Writing data..."_s);
        burnReports(progress(kDRStatusStateDone, 1));
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(BurnFinishedWindow::current());
    }

    void errorIsReportedOnce_data()
    {
        QTest::addColumn<QString>("reached");
        QTest::addColumn<qint32>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sense");
        QTest::addColumn<QString>("message");
        QTest::newRow("before writing") << QString() << qint32 { -5 } << u"The burn failed."_s << QString() << u"The burn failed."_s;
        QTest::newRow("with sense") << kDRStatusStateTrackWrite << static_cast<qint32>(0x80020022u) << u"Write error."_s << u"WRITE ERROR"_s
                                    << u"Write error. (WRITE ERROR)"_s;
        QTest::newRow("empty sense") << kDRStatusStateTrackOpen << qint32 { 3 } << u"Odd."_s << u""_s << u"Odd. ()"_s;
        QTest::newRow("busy code while writing") << kDRStatusStateTrackWrite << BusyCode << u"The drive is busy."_s << QString() << u"The drive is busy."_s;
        QTest::newRow("busy code while verifying") << kDRStatusStateVerifying << BusyCode << u"The drive is busy."_s << u"LOGICAL UNIT NOT READY"_s
                                                   << u"The drive is busy. (LOGICAL UNIT NOT READY)"_s;
    }

    void errorIsReportedOnce()
    {
        QFETCH(QString, reached);
        QFETCH(qint32, code);
        QFETCH(QString, text);
        QFETCH(QString, sense);
        QFETCH(QString, message);
        const QString volume = m_window->VolumeNameField->text();
        const QString index = DatabaseModule::GetVolumeIndex(volume);
        QVERIFY(startBurn());
        if (!reached.isNull())
            burnReports(progress(reached, 0.5));
        burnReports(failure(code, text, sense));
        verifyErrorReported(message);
        // The Burn button is back for the next try.
        QVERIFY(m_window->BurnButton->isEnabled());

        // A second error of the same burn changes nothing.
        burnReports(failure(-7, u"Another failure."_s, u"MORE"_s));
        verifyErrorReported(message);

        // Late reports of the failed burn have no sheet to write to, and its
        // end is not taken for a success.
        burnReports(progress(kDRStatusStateTrackWrite, 0.75));
        burnReports(progress(kDRStatusStateVerifying, 0.5));
        burnReports(progress(kDRStatusStateDone, 1));
        verifyErrorReported(message);
        QCOMPARE(DatabaseModule::GetVolumeIndex(volume), index);
        QCOMPARE(m_device->burns.size(), 1);
    }

    void nextBurnReportsItsOwnError()
    {
        QVERIFY(startBurn());
        burnReports(failure(-5, u"First failure."_s));
        verifyErrorReported(u"First failure."_s);
        BurnErrorWindow::current()->OKButton->click();
        QTRY_VERIFY(!BurnErrorWindow::current());
        m_window->Canvas1->setBackdrop(Globals::CDIcon_normal());

        QVERIFY(startBurn());
        QVERIFY(!m_window->LastBurnError);
        burnReports(progress(kDRStatusStateTrackWrite, 0.1));
        burnReports(failure(-6, u"Second failure."_s, u"MEDIUM ERROR"_s));
        verifyErrorReported(u"Second failure. (MEDIUM ERROR)"_s);
    }

    // A volume name the disc cannot hold: the warning before the sheet
    // names the change; Cancel stops there, "Do It" goes on to the sheet.
    void namesTheDiscCannotHoldAreWarnedAbout()
    {
        m_window->VolumeNameField->setText(u"Summer Holiday Photos"_s);
        {
            DialogScript script({ u"Cancel"_s });
            m_window->BurnButton->click();
            QCOMPARE(script.shown, QStringList { u"names 620x330"_s });
            QVERIFY(m_device->burns.isEmpty());
            QVERIFY(!m_window->Burning);
        }
        {
            DialogScript script({ u"Do It"_s, u"OK"_s });
            m_window->BurnButton->click();
            QCOMPARE(script.shown, (QStringList { u"names 620x330"_s, u"sheet"_s }));
            QCOMPARE(m_device->burns.size(), 1);
        }
        QVERIFY(m_window->Burning);
    }

    void doneTwiceAdvancesTheNumberOnce()
    {
        const QString name = u"Done Twice %1"_s.arg(QDateTime::currentMSecsSinceEpoch());
        m_window->VolumeNameField->setText(name);
        // The unique name is longer than the disc's volume name; that warning
        // is tested on its own.
        XMLModule::XMLRoot()->SetBooleanValue(u"NameChangeWarningKey"_s, true);
        QCOMPARE(DatabaseModule::GetVolumeIndex(name), u"1"_s);
        QVERIFY(startBurn());
        burnReports(progress(kDRStatusStateFinishing, 1));
        burnReports(progress(kDRStatusStateDone, 1));
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(!m_window->Burning);
        QVERIFY(!m_window->LastBurnError);
        QCOMPARE(DatabaseModule::GetVolumeIndex(name), u"2"_s);
        QVERIFY(m_window->BurnButton->isEnabled());
        QVERIFY(m_window->BuildPopupTimer->isActive());
        QVERIFY(BurnFinishedWindow::current());
        QVERIFY(BurnFinishedWindow::current()->isVisible());
        QCOMPARE(m_window->Canvas1->backdrop(), Globals::CDIcon_normal());

        burnReports(progress(kDRStatusStateDone, 1));
        QCOMPARE(DatabaseModule::GetVolumeIndex(name), u"2"_s);
        // The rebuilt popup offers the advanced number.
        QTRY_COMPARE(m_window->DatabasePopup->itemText(2), u"#2"_s);
    }

    void cancelOnTheSettingsSheet()
    {
        DialogScript script({ u"Cancel"_s });
        m_window->BurnButton->click();
        QCOMPARE(script.shown, QStringList { u"sheet"_s });
        QVERIFY(m_device->burns.isEmpty());
        QVERIFY(!m_window->Burning);
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(m_window->BurnButton->isEnabled());
    }

    void warningsBeforeTheSheet_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<qint64>("freeBlocks");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("shown");
        const QString CD = kDRDeviceMediaTypeCDRW;
        const QString DVD = kDRDeviceMediaTypeDVDR;
        const QString overburn = u"overburn 500x250"_s;
        const QString dvd = u"DVD 500x250"_s;
        const QString sheet = u"sheet"_s;
        QTest::newRow("fits on a CD") << CD << qint64 { 359847 } << QStringList { u"OK"_s } << QStringList { sheet };
        QTest::newRow("overburn, Do It") << CD << qint64 { 0 } << QStringList { u"Do It"_s, u"OK"_s } << QStringList { overburn, sheet };
        QTest::newRow("overburn, Cancel") << CD << qint64 { 0 } << QStringList { u"Cancel"_s } << QStringList { overburn };
        QTest::newRow("DVD, Do It") << DVD << qint64 { 2295104 } << QStringList { u"Do It"_s, u"OK"_s } << QStringList { dvd, sheet };
        QTest::newRow("DVD, Cancel") << DVD << qint64 { 2295104 } << QStringList { u"Cancel"_s } << QStringList { dvd };
        QTest::newRow("full DVD, both Do It") << DVD << qint64 { 0 } << QStringList { u"Do It"_s, u"Do It"_s, u"OK"_s } << QStringList { overburn, dvd, sheet };
        QTest::newRow("full DVD, Cancel the overburn") << DVD << qint64 { 0 } << QStringList { u"Cancel"_s } << QStringList { overburn };
        QTest::newRow("full DVD, Cancel the DVD") << DVD << qint64 { 0 } << QStringList { u"Do It"_s, u"Cancel"_s } << QStringList { overburn, dvd };
    }

    void warningsBeforeTheSheet()
    {
        QFETCH(QString, type);
        QFETCH(qint64, freeBlocks);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, shown);
        sendMedia(type, freeBlocks);
        QVERIFY(m_window->BurnButton->isEnabled());
        DialogScript script(answers);
        m_window->BurnButton->click();
        QCOMPARE(script.shown, shown);
        const bool burns = shown.endsWith(u"sheet"_s);
        QCOMPARE(m_device->burns.size(), burns ? 1 : 0);
        QCOMPARE(m_window->Burning, burns);
        QCOMPARE(!m_window->StatusWindow, !burns);
        if (burns) {
            // A DVD's only session closes it.
            QCOMPARE(lastBurn()->Properties()->booleanValue(kDRBurnAppendableKey)->value(), type != kDRDeviceMediaTypeDVDR);
        } else {
            QVERIFY(m_window->BurnButton->isEnabled());
        }
    }

    void abort_data()
    {
        QTest::addColumn<bool>("waitingForUnmount");
        QTest::newRow("waiting for the disk to unmount") << true;
        QTest::newRow("writing") << false;
    }

    void abort()
    {
        QFETCH(bool, waitingForUnmount);
        // The 2.5 s are checked above; a short period keeps this test quick.
        m_window->BurnRetryTimer->setInterval(150);
        QVERIFY(startBurn());
        if (waitingForUnmount) {
            burnReports(failure(BusyCode, u"The disc is in use."_s));
            QCOMPARE(statusLine(), Waiting);
        } else {
            burnReports(progress(kDRStatusStateTrackWrite, 0.3));
        }
        XMLModule::XMLRoot()->SetBooleanValue(u"AbortWarningKey"_s, true);
        sheet()->AbortButton->click();

        if (waitingForUnmount) {
            // No burn is running: the abort ends it here, and no retry follows.
            QVERIFY(!m_window->StatusWindow);
            QVERIFY(!m_window->Burning);
            QVERIFY(!m_window->BurnRetryTimer->isActive());
            QVERIFY(m_window->BurnButton->isEnabled());
            QVERIFY(!BurnErrorWindow::current());
            QVERIFY(!BurnFinishedWindow::current());
            QCOMPARE(lastBurn()->abortCalls, 0);
            QTest::qWait(500);
            QCOMPARE(m_device->burns.size(), 1);
            QVERIFY(!m_window->Burning);
        } else {
            // The running burn is asked to stop; its end arrives as a report.
            QCOMPARE(lastBurn()->abortCalls, 1);
            QCOMPARE(statusLine(), u"Stopping Burn..."_s);
            QCOMPARE(sheet()->ProgressBar1->maximum(), 0);
            QVERIFY(m_window->Burning);
            burnReports(failure(-9, u"The burn was aborted."_s));
            verifyErrorReported(u"The burn was aborted."_s);
        }
    }

    void retryWhileTheAbortWarningIsOpen()
    {
        m_window->BurnRetryTimer->setInterval(150);
        QVERIFY(startBurn());
        burnReports(failure(BusyCode, u"The disc is in use."_s));
        QCOMPARE(statusLine(), Waiting);
        // The user reads the warning while the retry starts a new burn: the
        // confirmed abort reaches that burn, so nothing goes on being written.
        DialogScript script({ u"Do It"_s }, 500);
        sheet()->AbortButton->click();
        QCOMPARE(script.shown, QStringList { u"abort 390x137"_s });
        QCOMPARE(m_device->burns.size(), 2);
        QCOMPARE(lastBurn()->abortCalls, 1);
        QCOMPARE(statusLine(), u"Stopping Burn..."_s);
        burnReports(failure(-9, u"The burn was cancelled."_s));
        verifyErrorReported(u"The burn was cancelled."_s);
        QTest::qWait(300);
        QCOMPARE(m_device->burns.size(), 2);
    }

    void erase()
    {
        const QString volume = m_window->VolumeNameField->text();
        const QString index = DatabaseModule::GetVolumeIndex(volume);
        QVERIFY(startErase());
        const auto eraser = m_device->erases.last();
        QCOMPARE(eraser->startCalls, 1);
        QCOMPARE(statusLine(), u"Begin Erase..."_s);
        QVERIFY(!m_window->Burning);

        eraseReports(progress(kDRStatusStatePreparing, -1));
        QCOMPARE(sheet()->ProgressBar1->maximum(), 0);
        eraseReports(progress(kDRStatusStateErasing, 0.25));
        QCOMPARE(sheet()->ProgressBar1->maximum(), 100);
        QCOMPARE(sheet()->ProgressBar1->value(), 25);
        QCOMPARE(statusLine(), u"Begin Erase..."_s);
        eraseReports(progress(kDRStatusStateErasing, 0.875));
        QCOMPARE(sheet()->ProgressBar1->value(), 87);

        eraseReports(progress(kDRStatusStateDone, 1));
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(BurnFinishedWindow::current());
        QVERIFY(BurnFinishedWindow::current()->isVisible());
        QVERIFY(m_window->BurnButton->isEnabled());
        QVERIFY(!BurnErrorWindow::current());
        // An erase burns no volume: its name's number stays.
        QCOMPARE(DatabaseModule::GetVolumeIndex(volume), index);
        QVERIFY(m_device->burns.isEmpty());
    }

    void eraseCancelled()
    {
        DialogScript script({ u"Cancel"_s });
        m_window->EraseButton->click();
        QCOMPARE(script.shown, QStringList { u"erase 400x125"_s });
        QVERIFY(m_device->erases.isEmpty());
        QVERIFY(!m_window->StatusWindow);
    }

    void eraseErrors_data()
    {
        QTest::addColumn<qint32>("code");
        QTest::addColumn<QString>("sense");
        QTest::addColumn<QString>("message");
        // The disc stayed mounted (udisks2 refused): reported, not retried.
        QTest::newRow("mounted disc") << static_cast<qint32>(DRError::MountedDisc) << QString() << u"The disc cannot be erased now."_s;
        QTest::newRow("other code with sense") << qint32 { -3 } << u"NOT READY"_s << u"The disc cannot be erased now. (NOT READY)"_s;
    }

    void eraseErrors()
    {
        QFETCH(qint32, code);
        QFETCH(QString, sense);
        QFETCH(QString, message);
        QVERIFY(startErase());
        eraseReports(progress(kDRStatusStatePreparing, -1));
        eraseReports(failure(code, u"The disc cannot be erased now."_s, sense));
        verifyErrorReported(message);
        // Its late reports, the end included, are dropped.
        eraseReports(progress(kDRStatusStateErasing, 0.5));
        eraseReports(progress(kDRStatusStateDone, 1));
        verifyErrorReported(message);
        QCOMPARE(m_device->erases.size(), 1);
    }

    // Refused because the disc is still mounted: like a burn, the erase waits
    // while the burner layer has it unmounted and is started again; a refusal
    // to unmount ends it with the layer's text.
    void eraseRefusedWhileMountedIsRetried()
    {
        m_window->BurnRetryTimer->setInterval(150);
        QVERIFY(startErase());
        eraseReports(failure(BusyCode, u"The disc in /dev/sr0 is mounted; waiting for it to be unmounted."_s));
        QCOMPARE(statusLine(), Waiting);
        QVERIFY(m_window->Erasing);
        QVERIFY(!m_window->LastBurnError);
        QVERIFY(!BurnErrorWindow::current());
        QTRY_COMPARE_WITH_TIMEOUT(m_device->erases.size(), 2, 3000);
        QCOMPARE(m_device->erases.last()->startCalls, 1);
        QCOMPARE(statusLine(), u"Begin Erase..."_s);

        const QString refused = u"The disc in /dev/sr0 is mounted and the system refused to unmount it: target is busy. "
                                u"Eject it from the file manager, or run: udisksctl unmount -b /dev/sr0"_s;
        eraseReports(failure(static_cast<qint32>(DRError::MountedDisc), refused));
        verifyErrorReported(refused);
        QVERIFY(!m_window->Erasing);
        QTest::qWait(300);
        QCOMPARE(m_device->erases.size(), 2);
    }

    void eraseWithoutBurner()
    {
        m_window->DevicePopup->SelectIndex(0);
        QVERIFY(m_window->EraseButton->isEnabled());
        DialogScript script({ u"Do It"_s });
        m_window->EraseButton->click();
        QCOMPARE(script.shown, QStringList { u"erase 400x125"_s });
        QCOMPARE(m_messages, QStringList { u"oops, no device selected to erase."_s });
        QVERIFY(m_device->erases.isEmpty());
        QVERIFY(!m_window->StatusWindow);
    }

    void eject()
    {
        m_window->EjectButton->click();
        QCOMPARE(m_device->ejectCalls, 1);
        QVERIFY(m_messages.isEmpty());
        m_window->DevicePopup->SelectIndex(0);
        m_window->EjectButton_Action();
        QCOMPARE(m_device->ejectCalls, 1);
    }

    void burnerInformation()
    {
        m_window->BurnerInfoButton->click();
        QVERIFY(BurnerInfoWindow::current());
        QTRY_VERIFY(BurnerInfoWindow::current()->isVisible());
        QCOMPARE(BurnerInfoWindow::current()->ManufacturerText->text(), u"ACME"_s);
        QCOMPARE(BurnerInfoWindow::current()->ProductNameText->text(), u"Writer A"_s);
        // Every press reads the burner afresh.
        m_device->info = FakeDevice::makeInfo(u"Zenith"_s, u"Writer Z"_s, QString(), QString());
        m_window->BurnerInfoButton->click();
        QCOMPARE(BurnerInfoWindow::current()->ManufacturerText->text(), u"Zenith"_s);
        QCOMPARE(BurnerInfoWindow::current()->ProductNameText->text(), u"Writer Z"_s);
    }
};

QTEST_MAIN(TestBurnWorkflow)
#include "tst_burnworkflow.moc"
