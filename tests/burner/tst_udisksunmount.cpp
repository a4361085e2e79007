// Unmounting a mounted disc through udisks2, against a fake udisks2 on a
// private D-Bus daemon started by the test: the right object is asked with
// no options, the burn's attempts keep getting the retried busy code while
// the request is pending, an unmount lets the next attempt go ahead, and a
// refusal or an absent udisks2 is reported with how to unmount by hand.

#include "burner/drconstants.h"
#include "burner/udisksunmounter.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace
{

// org.freedesktop.UDisks2.Filesystem of one block device.
class FakeFilesystem : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UDisks2.Filesystem")
public:
    enum class Answer { Later, Unmounted, Busy, NotMounted };
    Answer answer = Answer::Later;
    QStringList paths;
    QList<QVariantMap> options;
    QList<QDBusMessage> held;

public Q_SLOTS:
    void Unmount(const QVariantMap& opts)
    {
        paths << message().path();
        options << opts;
        switch (answer) {
        case Answer::Later:
            setDelayedReply(true);
            held << message();
            break;
        case Answer::Unmounted:
            break;
        case Answer::Busy:
            sendErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy"), QStringLiteral("Error unmounting /dev/sr0: target is busy"));
            break;
        case Answer::NotMounted:
            sendErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted"), QStringLiteral("Device /dev/sr0 is not mounted"));
            break;
        }
    }
};

} // namespace

class TestUDisksUnmount : public QObject
{
    Q_OBJECT

    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<FakeFilesystem> m_fs;
    const QString m_node = QStringLiteral("/dev/sr0");

    QDBusConnection service() const { return QDBusConnection(QStringLiteral("fake-udisks")); }
    QDBusConnection client() const { return QDBusConnection(QStringLiteral("kestrow")); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_daemon.start(daemon, { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1") });
        QVERIFY(m_daemon.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine() || (m_daemon.waitForReadyRead(100) && m_daemon.canReadLine()), 5000);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
        QVERIFY(QDBusConnection::connectToBus(m_address, QStringLiteral("fake-udisks")).isConnected());
        QVERIFY(QDBusConnection::connectToBus(m_address, QStringLiteral("kestrow")).isConnected());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-udisks"));
        QDBusConnection::disconnectFromBus(QStringLiteral("kestrow"));
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(3000);
        }
    }

    void init()
    {
        m_fs = std::make_unique<FakeFilesystem>();
        QVERIFY(service().registerObject(UDisksUnmounter::objectPath(m_node), m_fs.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(service().registerService(UDisksUnmounter::Service));
    }

    void cleanup()
    {
        service().unregisterService(UDisksUnmounter::Service);
        service().unregisterObject(UDisksUnmounter::objectPath(m_node));
        m_fs.reset();
    }

    void objectPath_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("path");
        QTest::newRow("sr0") << QStringLiteral("/nonexistent/sr0") << QStringLiteral("/org/freedesktop/UDisks2/block_devices/sr0");
        QTest::newRow("dash and dot") << QStringLiteral("/nonexistent/dm-0.x") << QStringLiteral("/org/freedesktop/UDisks2/block_devices/dm_2d0_2ex");
        QTest::newRow("underscore kept") << QStringLiteral("/nonexistent/cd_1") << QStringLiteral("/org/freedesktop/UDisks2/block_devices/cd_1");
    }
    void objectPath()
    {
        QFETCH(QString, node);
        QFETCH(QString, path);
        QCOMPARE(UDisksUnmounter::objectPath(node), path);
    }

    void unmountedThenTheBurnGoesAhead()
    {
        UDisksUnmounter unmounter(client());
        QString why;
        // Not mounted: nothing is asked.
        QCOMPARE(unmounter.check(m_node, false, &why), 0u);
        QVERIFY(m_fs->paths.isEmpty());

        // Mounted: the busy code, which the burn workflow retries, and one request.
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QCOMPARE(why, QStringLiteral("The disc in /dev/sr0 is mounted; waiting for it to be unmounted."));
        QTRY_COMPARE(m_fs->paths.size(), 1);
        QCOMPARE(m_fs->paths[0], QStringLiteral("/org/freedesktop/UDisks2/block_devices/sr0"));
        QCOMPARE(m_fs->options[0], QVariantMap());
        QCOMPARE(unmounter.state(), UDisksUnmounter::State::Pending);

        // The retry while udisks2 is still busy does not ask twice.
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QTest::qWait(50);
        QCOMPARE(m_fs->paths.size(), 1);

        // Unmounted: the next attempt, which finds the disc no longer
        // mounted, goes ahead.
        QVERIFY(service().send(m_fs->held.takeFirst().createReply()));
        QTRY_COMPARE(unmounter.state(), UDisksUnmounter::State::Unmounted);
        QCOMPARE(unmounter.check(m_node, false, &why), 0u);
    }

    void notMountedAnyMoreCountsAsUnmounted()
    {
        m_fs->answer = FakeFilesystem::Answer::NotMounted;
        UDisksUnmounter unmounter(client());
        QString why;
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QTRY_COMPARE(unmounter.state(), UDisksUnmounter::State::Unmounted);
    }

    void refusalIsReportedWithTheWayByHand()
    {
        m_fs->answer = FakeFilesystem::Answer::Busy;
        UDisksUnmounter unmounter(client());
        QString why;
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QTRY_COMPARE(unmounter.state(), UDisksUnmounter::State::Refused);
        // A code the workflow does not retry, with udisks2's reason and the way by hand.
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::MountedDisc);
        QCOMPARE(why,
            QStringLiteral("The disc in /dev/sr0 is mounted and the system refused to unmount it: Error unmounting /dev/sr0: target is busy. "
                           "Eject it from the file manager, or run: udisksctl unmount -b /dev/sr0"));
        // The next burn asks again.
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QTRY_COMPARE(m_fs->paths.size(), 2);
    }

    void absentUdisksIsReported()
    {
        service().unregisterService(UDisksUnmounter::Service);
        UDisksUnmounter unmounter(client());
        QString why;
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::DeviceAccess);
        QTRY_COMPARE(unmounter.state(), UDisksUnmounter::State::Refused);
        QCOMPARE(unmounter.check(m_node, true, &why), DRError::MountedDisc);
        QCOMPARE(why,
            QStringLiteral("The disc in /dev/sr0 is mounted, and udisks2, which unmounts discs for Kestrow, is not available. "
                           "Eject it from the file manager, or run: umount /dev/sr0"));
        QVERIFY(m_fs->paths.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUDisksUnmount)
#include "tst_udisksunmount.moc"
