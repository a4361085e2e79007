// The device object and the burner list against the fake service: discovery,
// naming, access counting, eject, the notification path, and how a burn is
// composed (volume name, items, property dictionary, speed choice).

#include "fakedrservice.h"

#include "burner/burnhost.h"
#include "burner/ccallback.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "settings/usermessage.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct Recorder final : CCallBackInterface {
    void CBGotMedia(const QString& name, const CFDictionaryRef& info) override
    {
        names.append(name);
        infos.append(info);
        if (onCall)
            onCall();
    }
    QStringList names;
    QVector<CFDictionaryRef> infos;
    std::function<void()> onCall;
};

struct Host final : BurnHost {
    QString volumeNameFieldText() const override { return field; }
    int databasePopupIndex() const override { return popupIndex; }
    QString databasePopupText() const override { return popupText; }
    CFArrayRef burnSpeeds() const override { return speeds; }
    QString field = QStringLiteral("Untitled Volume");
    int popupIndex = 0;
    QString popupText = QStringLiteral("none");
    CFArrayRef speeds;
};

std::shared_ptr<FakeDevice> makeDevice(const QString& vendor = QStringLiteral("Vendor"))
{
    auto device = std::make_shared<FakeDevice>();
    device->info = FakeDevice::makeInfo(vendor, QStringLiteral("Writer 52x"), kDRDevicePhysicalInterconnectATAPI,
        kDRDevicePhysicalInterconnectLocationInternal);
    return device;
}

} // namespace

class TestCCDR : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void discoveryKeepsTheServiceOrderAndSkipsEmptyEntries();
    void discoveryWithoutBurners();
    void naming_data();
    void naming();
    void accessRequestsAreCountedAndReleasedTogether();
    void ejectFailureShowsTheNumberAlone();
    void notificationsArriveFromTheEventLoopOncePerCallback();
    void notificationsArriveWhileANestedLoopWaits();
    void aCallbackMayUnregisterDuringDelivery();
    void callBackRaisesEMediaReady();
    void burnProperties_data();
    void burnProperties();
    void burnComposesRootFolderAndStarts_data();
    void burnComposesRootFolderAndStarts();
    void emptyBurnListIsReportedAndStillBurns();
    void retryBurnsTheSameLayoutWithANewBurnObject();
    void abortAndEraseReachTheServiceAndReportBack();

private:
    QStringList m_messages;
    UserMessage::Handler m_previousHandler;
};

void TestCCDR::init()
{
    m_messages.clear();
    m_previousHandler = UserMessage::setHandler([this](const QString& text) { m_messages.append(text); });
    DiskRecordingModule::ResetDeviceArray();
    DiskRecordingModule::SetBurnHost(nullptr);
}

void TestCCDR::cleanup()
{
    DiskRecordingModule::ResetDeviceArray();
    DiskRecordingModule::SetService(nullptr);
    DiskRecordingModule::SetBurnHost(nullptr);
    UserMessage::setHandler(m_previousHandler);
}

void TestCCDR::discoveryKeepsTheServiceOrderAndSkipsEmptyEntries()
{
    auto first = makeDevice(QStringLiteral("First"));
    auto second = makeDevice(QStringLiteral("Second"));
    DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> { first, nullptr, second }));

    QCOMPARE(DiskRecordingModule::DRLoadBurnableDevices(), 3);
    auto& devices = DiskRecordingModule::DRDeviceArray();
    QCOMPARE(devices.size(), size_t(3));
    QVERIFY(!devices[0]);
    QCOMPARE(devices[1]->MyDRDevice, DRDeviceRef(first));
    QCOMPARE(devices[2]->MyDRDevice, DRDeviceRef(second));
    QCOMPARE(devices[1]->GetDescriptiveName(), QStringLiteral("Internal First Writer 52x via ATAPI"));
    QCOMPARE(devices[2]->GetDescriptiveName(), QStringLiteral("Internal Second Writer 52x via ATAPI"));

    DiskRecordingModule::ResetDeviceArray();
    QCOMPARE(DiskRecordingModule::DRDeviceArray().size(), size_t(1));
    QVERIFY(!DiskRecordingModule::DRDeviceArray()[0]);
}

void TestCCDR::discoveryWithoutBurners()
{
    DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> {}));
    QCOMPARE(DiskRecordingModule::DRLoadBurnableDevices(), 0);
    QCOMPARE(DiskRecordingModule::DRDeviceArray().size(), size_t(1));
}

void TestCCDR::naming_data()
{
    QTest::addColumn<QString>("interconnect");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("name");

    QTest::newRow("ATAPI internal") << kDRDevicePhysicalInterconnectATAPI << kDRDevicePhysicalInterconnectLocationInternal
                                    << "ATAPI" << "Internal" << "Internal Acme Writer via ATAPI";
    QTest::newRow("FireWire external") << kDRDevicePhysicalInterconnectFireWire << kDRDevicePhysicalInterconnectLocationExternal
                                       << "FireWire" << "External" << "External Acme Writer via FireWire";
    QTest::newRow("SCSI") << kDRDevicePhysicalInterconnectSCSI << kDRDevicePhysicalInterconnectLocationInternal << "SCSI"
                          << "Internal" << "Internal Acme Writer via SCSI";
    QTest::newRow("USB") << kDRDevicePhysicalInterconnectUSB << kDRDevicePhysicalInterconnectLocationExternal << "USB"
                         << "External" << "External Acme Writer via USB";
    QTest::newRow("other texts kept") << "File" << "Somewhere" << "File" << "Somewhere" << "Somewhere Acme Writer via File";
    QTest::newRow("missing keys") << QString() << QString() << "" << "" << " Acme Writer via ";
}

void TestCCDR::naming()
{
    QFETCH(QString, interconnect);
    QFETCH(QString, location);
    QFETCH(QString, connection);
    QFETCH(QString, where);
    QFETCH(QString, name);
    auto device = std::make_shared<FakeDevice>();
    device->info = FakeDevice::makeInfo(QStringLiteral("Acme"), QStringLiteral("Writer"), interconnect, location);
    CCDR cdr(device);
    QCOMPARE(cdr.GetVendor(), QStringLiteral("Acme"));
    QCOMPARE(cdr.GetProductDescription(), QStringLiteral("Writer"));
    QCOMPARE(cdr.GetConnectionMethod(), connection);
    QCOMPARE(cdr.GetLocation(), where);
    QCOMPARE(cdr.GetDescriptiveName(), name);
}

void TestCCDR::accessRequestsAreCountedAndReleasedTogether()
{
    auto device = makeDevice();
    device->acquireResults = { 0, -5 };
    {
        CCDR cdr(device);
        QVERIFY(cdr.AquireExclusiveAccess());
        QVERIFY(!cdr.AquireExclusiveAccess()); // refused, still counted
        QCOMPARE(cdr.ExclusiveAccessCount, 2);
        cdr.ReleaseExclusiveAccess();
        QCOMPARE(device->releaseCalls, 2);
        QCOMPARE(cdr.ExclusiveAccessCount, 0);
        cdr.ReleaseExclusiveAccess();
        QCOMPARE(device->releaseCalls, 2);

        QVERIFY(cdr.AquireExclusiveAccess());
    }
    // A device object that goes while holding access gives it back.
    QCOMPARE(device->releaseCalls, 3);
}

void TestCCDR::ejectFailureShowsTheNumberAlone()
{
    auto device = makeDevice();
    CCDR cdr(device);
    cdr.eject();
    QCOMPARE(device->ejectCalls, 1);
    QVERIFY(m_messages.isEmpty());

    device->ejectResult = static_cast<int>(DRError::DeviceAccess);
    cdr.eject();
    QCOMPARE(m_messages, QStringList { QStringLiteral("-2147352543") });
}

void TestCCDR::notificationsArriveFromTheEventLoopOncePerCallback()
{
    auto device = makeDevice();
    auto other = makeDevice();
    CCDR cdr(device);
    Recorder a;
    Recorder b;
    cdr.RegisterForCallback(&a);
    cdr.RegisterForCallback(&a);
    cdr.RegisterForCallback(&b);
    cdr.UnRegisterForCallback(&b);
    cdr.UnRegisterForCallback(&b);

    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateMediaPresent);
    device->status = status;
    device->sendStatus();
    other->sendStatus(); // another burner's notification is not ours
    QVERIFY(a.names.isEmpty()); // nothing arrives inside the sender's call

    QTRY_COMPARE(a.names.size(), 1);
    QTest::qWait(20);
    QCOMPARE(a.names, QStringList { kDRDeviceStatusChangedNotification });
    QCOMPARE(a.infos.first()->stringValue(kDRDeviceMediaStateKey)->value(), kDRDeviceMediaStateMediaPresent);
    QVERIFY(b.names.isEmpty());
}

void TestCCDR::notificationsArriveWhileANestedLoopWaits()
{
    auto device = makeDevice();
    CCDR cdr(device);
    Recorder r;
    cdr.RegisterForCallback(&r);
    // Like a modal dialog's exec(): a nested loop that ends when the
    // notification has arrived, or fails after a deadline.
    QEventLoop loop;
    r.onCall = [&loop] { loop.quit(); };
    QTimer::singleShot(0, [&device] { device->sendStatus(); });
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
    QCOMPARE(r.names.size(), 1);
}

void TestCCDR::aCallbackMayUnregisterDuringDelivery()
{
    auto device = makeDevice();
    CCDR cdr(device);
    Recorder first;
    Recorder second;
    first.onCall = [&] { cdr.UnRegisterForCallback(&second); };
    cdr.RegisterForCallback(&first);
    cdr.RegisterForCallback(&second);
    device->sendStatus();
    QTRY_COMPARE(first.names.size(), 1);
    QVERIFY(second.names.isEmpty());
}

void TestCCDR::callBackRaisesEMediaReady()
{
    auto device = makeDevice();
    CCDR cdr(device);
    CCallBack callback;
    QSignalSpy spy(&callback, &CCallBack::EMediaReady);
    cdr.RegisterForCallback(&callback);
    device->sendStatus();
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.first().at(0).toString(), kDRDeviceStatusChangedNotification);
}

void TestCCDR::burnProperties_data()
{
    QTest::addColumn<int>("speedIndex");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("eject");
    QTest::addColumn<bool>("test");
    QTest::addColumn<bool>("finalize");
    QTest::addColumn<QVector<double>>("speeds"); // empty: no list
    QTest::addColumn<bool>("nonNumberEntry");
    QTest::addColumn<double>("expectedSpeed");
    QTest::addColumn<bool>("message");

    const double max = kDRDeviceBurnSpeedMax;
    const double cd1x = static_cast<double>(kDRDeviceBurnSpeedCD1x);
    const QVector<double> three { 1764.0, 3528.0, 7056.0 };
    QTest::newRow("finalize, eject, no list, index 0") << 0 << false << true << false << true << QVector<double>() << false << cd1x << false;
    QTest::newRow("appendable, mount, no list, index 1") << 1 << true << false << true << false << QVector<double>() << false << max << false;
    QTest::newRow("no list, index 7") << 7 << false << false << false << false << QVector<double>() << false << max << false;
    QTest::newRow("list, index 2") << 2 << false << false << false << false << three << false << 7056.0 << false;
    QTest::newRow("list, index 0") << 0 << false << false << false << false << three << false << 1764.0 << false;
    QTest::newRow("list, index 3") << 3 << false << false << false << false << three << false << max << true;
    QTest::newRow("list, index -1") << -1 << false << false << false << false << three << false << max << true;
    QTest::newRow("list, entry not a number") << 1 << false << false << false << false << three << true << max << true;
}

void TestCCDR::burnProperties()
{
    QFETCH(int, speedIndex);
    QFETCH(bool, verify);
    QFETCH(bool, eject);
    QFETCH(bool, test);
    QFETCH(bool, finalize);
    QFETCH(QVector<double>, speeds);
    QFETCH(bool, nonNumberEntry);
    QFETCH(double, expectedSpeed);
    QFETCH(bool, message);

    CFMutableArrayRef list;
    if (!speeds.isEmpty()) {
        list = CFMutableArray::create();
        for (int i = 0; i < speeds.size(); ++i) {
            if (nonNumberEntry && i == 1)
                list->append(CFString::create(QStringLiteral("fast")));
            else
                list->append(CFNumber::createFloat(static_cast<float>(speeds.at(i))));
        }
    }
    const CFMutableDictionaryRef p = CCDR::BuildBurnProperties(speedIndex, verify, eject, test, finalize, list);
    QCOMPARE(p->count(), 5);
    QCOMPARE(p->booleanValue(kDRBurnAppendableKey)->value(), !finalize);
    QCOMPARE(p->booleanValue(kDRBurnVerifyDiscKey)->value(), verify);
    QCOMPARE(p->booleanValue(kDRBurnTestingKey)->value(), test);
    QCOMPARE(p->stringValue(kDRBurnCompletionActionKey)->value(), eject ? kDRBurnCompletionActionEject : kDRBurnCompletionActionMount);
    QCOMPARE(static_cast<float>(p->numberValue(kDRBurnRequestedSpeedKey)->toDouble()), static_cast<float>(expectedSpeed));
    QCOMPARE(m_messages, message ? QStringList { QStringLiteral("unable to set speed as requested, defaulting to max speed") } : QStringList());
}

void TestCCDR::burnComposesRootFolderAndStarts_data()
{
    QTest::addColumn<int>("popupIndex");
    QTest::addColumn<QString>("popupText");
    QTest::addColumn<QString>("rootName");
    QTest::newRow("popup on none") << 0 << "none" << "Backup";
    QTest::newRow("popup on a number") << 2 << "#3" << "Backup #3";
    QTest::newRow("popup on the date") << 1 << "12/11/26" << "Backup 12/11/26";
}

void TestCCDR::burnComposesRootFolderAndStarts()
{
    QFETCH(int, popupIndex);
    QFETCH(QString, popupText);
    QFETCH(QString, rootName);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Pictures")));
    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    Host host;
    host.field = QStringLiteral("Backup");
    host.popupIndex = popupIndex;
    host.popupText = popupText;
    DiskRecordingModule::SetBurnHost(&host);

    auto device = makeDevice();
    CCDR cdr(device);
    Recorder r;
    cdr.RegisterForCallback(&r);
    cdr.ClearItems();
    cdr.AddItem(QFileInfo(dir.filePath(QStringLiteral("Pictures"))));
    cdr.AddItem(QFileInfo(file.fileName()));
    DRFolderRef virtualFolder = DRFolder::createVirtual(QStringLiteral("Roll 1"));
    cdr.AddVirtualItem(virtualFolder);
    cdr.Burn(0, true, false, false, false);

    QVERIFY(m_messages.isEmpty());
    QCOMPARE(cdr.RootFolder->baseName(), rootName);
    QVERIFY(cdr.RootFolder->isVirtual());
    const auto& children = cdr.RootFolder->children();
    QCOMPARE(children.size(), 3);
    QVERIFY(children[0]->isFolder() && !children[0]->isVirtual());
    QCOMPARE(children[0]->baseName(), QStringLiteral("Pictures"));
    QVERIFY(!children[1]->isFolder());
    QCOMPARE(children[1]->sourcePath(), QFileInfo(file.fileName()).absoluteFilePath());
    QCOMPARE(children[2], DRFSObjectRef(virtualFolder));

    QCOMPARE(device->burns.size(), 1);
    const auto& burn = device->burns.first();
    QCOMPARE(DRBurnRef(burn), cdr.MyBurn);
    QCOMPARE(burn->writeCalls, 1);
    QCOMPARE(burn->writtenTrack, cdr.TheTrack);
    QCOMPARE(cdr.TheTrack->root(), cdr.RootFolder);
    QVERIFY(burn->Properties()->equals(*cdr.LastBurnProperties));
    QVERIFY(burn->Properties() != CFDictionaryRef(cdr.LastBurnProperties)); // a copy

    // The burn's own notifications reach the device object's callbacks.
    burn->sendStatus(kDRStatusStateTrackWrite, 0.5);
    QTRY_COMPARE(r.names.size(), 1);
    QCOMPARE(r.names.first(), kDRBurnStatusChangedNotification);
    QCOMPARE(r.infos.first()->numberValue(kDRStatusPercentCompleteKey)->toDouble(), 0.5);
}

void TestCCDR::emptyBurnListIsReportedAndStillBurns()
{
    auto device = makeDevice();
    CCDR cdr(device);
    cdr.Burn(1, false, false, false, false);
    QCOMPARE(m_messages, QStringList { QStringLiteral("Something odd, the count is 0 for items to burn") });
    QCOMPARE(cdr.RootFolder->baseName(), QStringLiteral("Untitled Volume"));
    QVERIFY(cdr.RootFolder->children().isEmpty());
    QCOMPARE(device->burns.size(), 1);
    QCOMPARE(device->burns.first()->writeCalls, 1);
}

void TestCCDR::retryBurnsTheSameLayoutWithANewBurnObject()
{
    auto device = makeDevice();
    CCDR cdr(device);
    Recorder r;
    cdr.RegisterForCallback(&r);
    cdr.BurnRetry(); // no burn yet: nothing to repeat
    QVERIFY(device->burns.isEmpty());

    cdr.AddVirtualItem(DRFolder::createVirtual(QStringLiteral("A")));
    cdr.Burn(0, false, true, false, true);
    const CFMutableDictionaryRef properties = cdr.LastBurnProperties;
    const CFDictionaryRef before = properties->copy();
    const DRFilesystemTrackRef track = cdr.TheTrack;

    cdr.ClearItems();
    cdr.BurnRetry();
    QCOMPARE(device->burns.size(), 2);
    const auto& retry = device->burns.last();
    QCOMPARE(DRBurnRef(retry), cdr.MyBurn);
    QCOMPARE(retry->writtenTrack, track);
    QCOMPARE(retry->writtenTrack->root()->children().size(), 1);
    QVERIFY(retry->Properties()->equals(*before));
    QCOMPARE(cdr.LastBurnProperties, properties);
    QVERIFY(cdr.LastBurnProperties->equals(*before));

    // The retry's burn reports to the callbacks as well.
    retry->sendStatus(kDRStatusStateDone, 1);
    QTRY_COMPARE(r.names.size(), 1);
}

void TestCCDR::abortAndEraseReachTheServiceAndReportBack()
{
    auto device = makeDevice();
    CCDR cdr(device);
    cdr.Abort(); // without a burn: nothing
    cdr.Burn(0, false, false, false, false);
    cdr.Abort();
    QCOMPARE(device->burns.first()->abortCalls, 1);

    Recorder r;
    cdr.RegisterForCallback(&r);
    cdr.Erase();
    QCOMPARE(device->erases.size(), 1);
    QCOMPARE(DREraseRef(device->erases.first()), cdr.MyEraser);
    QCOMPARE(device->erases.first()->startCalls, 1);
    device->erases.first()->sendStatus(kDRStatusStateDone, 1);
    QTRY_COMPARE(r.names.size(), 1);
    QCOMPARE(r.names.first(), kDREraseStatusChangedNotification);
}

QTEST_GUILESS_MAIN(TestCCDR)
#include "tst_ccdr.moc"
