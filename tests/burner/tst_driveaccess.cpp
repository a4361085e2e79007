// A drive whose device node this user may not open: the libisoburn service
// still offers it (libburn's scan skips it), its status says "no access"
// instead of "no disc", its info names the node and the node's group, and a
// burn on it is refused with the fix instead of being retried for ever.
// Device nodes are stood in for by files with the permissions that matter.

#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"
#include "burner/isoburndevice.h"
#include "burner/isoburnservice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

namespace
{
// Keeps the last device status posted.
class StatusCenter final : public DRNotificationCenter
{
public:
    StatusCenter() { AddObserver(kDRDeviceStatusChangedNotification, nullptr); }
    CFDictionaryRef posted;

protected:
    void Received(const QString&, quint64, const CFDictionaryRef& info) override { posted = info; }
};
} // namespace

class TestDriveAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_closed; // mode 000: nobody but root may open it
    QString m_open;

    static QString myGroup()
    {
        const struct group* g = ::getgrgid(::getegid());
        return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(::getegid());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (::geteuid() == 0)
            QSKIP("root may open every device node");
        QVERIFY(m_dir.isValid());
        m_closed = m_dir.filePath(QStringLiteral("sr0"));
        m_open = m_dir.filePath(QStringLiteral("sr1"));
        for (const QString& path : { m_closed, m_open }) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::setPermissions(m_closed, QFileDevice::Permissions()));
    }

    void onlyUnopenableNodesAreAdded()
    {
        const QString missing = m_dir.filePath(QStringLiteral("sr9"));
        const QVector<OpticalDriveFacts> facts = IsoburnService::unopenableDrives({ m_closed, m_open, missing }, {});
        QCOMPARE(facts.size(), 1);
        QCOMPARE(facts[0].address, m_closed);
        QVERIFY(facts[0].noAccess);
        QCOMPARE(facts[0].group, myGroup());
        // Not in sysfs: the node's name stands in for the product.
        QCOMPARE(facts[0].product, QStringLiteral("sr0"));

        // A drive libburn listed is never offered twice.
        QVERIFY(IsoburnService::unopenableDrives({ m_closed }, { m_closed }).isEmpty());
    }

    void statusInfoAndBurnOfAnUnopenableDrive()
    {
        const QVector<OpticalDriveFacts> facts = IsoburnService::unopenableDrives({ m_closed }, {});
        QCOMPARE(facts.size(), 1);
        // No library is needed: the drive is never grabbed.
        const std::shared_ptr<IsoburnDevice> device = IsoburnDevice::createOptical(nullptr, facts[0]);

        const CFDictionaryRef status = device->Status();
        QVERIFY(status->booleanValue(kKestrowDeviceNoAccessKey) && status->booleanValue(kKestrowDeviceNoAccessKey)->value());
        QCOMPARE(status->stringValue(kDRDeviceMediaStateKey)->value(), kDRDeviceMediaStateNone);
        QVERIFY(!status->containsKey(kDRDeviceMediaInfoKey));

        const CFDictionaryRef info = device->Info();
        QCOMPARE(info->stringValue(kKestrowDeviceNodeKey)->value(), m_closed);
        QCOMPARE(info->stringValue(kKestrowDeviceNodeGroupKey)->value(), myGroup());
        QVERIFY(info->booleanValue(kKestrowDeviceNoAccessKey)->value());

        // Held all the same, with a status that says why it cannot be used.
        StatusCenter center;
        CFDictionaryRef& posted = center.posted;
        QCOMPARE(device->AcquireExclusiveAccess(), 0);
        QTRY_VERIFY(posted);
        QVERIFY(posted->booleanValue(kKestrowDeviceNoAccessKey)->value());

        // A burn is refused with the fix, and not with the busy code that
        // the burn workflow would retry for ever.
        QString why;
        const quint32 code = device->beginJob(&why);
        QCOMPARE(code, DRError::DeviceNotReady);
        QVERIFY2(why.contains(m_closed) && why.contains(myGroup()) && why.contains(QStringLiteral("log in again")), qPrintable(why));

        // Access granted while held: the next look says so.
        posted.reset();
        QVERIFY(QFile::setPermissions(m_closed, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QTRY_VERIFY_WITH_TIMEOUT(posted, 3000);
        QVERIFY(!posted->containsKey(kKestrowDeviceNoAccessKey));
        QVERIFY(!device->Info()->containsKey(kKestrowDeviceNoAccessKey));
        device->ReleaseExclusiveAccess();
        QVERIFY(QFile::setPermissions(m_closed, QFileDevice::Permissions()));
    }
};

QTEST_GUILESS_MAIN(TestDriveAccess)
#include "tst_driveaccess.moc"
