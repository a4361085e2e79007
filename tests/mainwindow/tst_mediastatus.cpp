// Burner and media status in the main window, driven by the scriptable fake
// disc recording service: switching burners, the device-status branch with
// what the disc picture says, and the Burn button rule.

#include "../burner/fakedrservice.h"

#include "app/globalpictures.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "mainwindow/canvas.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/xmlmodule.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

CFDictionaryRef status(const QString& state, CFDictionaryRef media)
{
    auto s = CFMutableDictionary::create();
    s->setString(QStringLiteral("DRDeviceMediaStateKey"), state);
    if (media)
        s->setValue(QStringLiteral("DRDeviceMediaInfoKey"), media);
    return s;
}

CFDictionaryRef media(const QString& type, bool appendable, bool erasable, qint64 freeBlocks, qint64 sessions)
{
    auto m = CFMutableDictionary::create();
    m->setNumber(QStringLiteral("DRDeviceMediaBlocksFreeKey"), freeBlocks);
    m->setBoolean(QStringLiteral("DRDeviceMediaIsAppendableKey"), appendable);
    m->setBoolean(QStringLiteral("DRDeviceMediaIsErasableKey"), erasable);
    m->setNumber(QStringLiteral("DRDeviceMediaSessionCountKey"), sessions);
    m->setString(QStringLiteral("DRDeviceMediaTypeKey"), type);
    auto speeds = CFMutableArray::create();
    speeds->append(CFNumber::createFloat(1764.0f));
    m->setValue(QStringLiteral("DRDeviceBurnSpeedsKey"), speeds);
    return m;
}

const QString Present = QStringLiteral("DRDeviceMediaStateMediaPresent");
const QString NoMedia = QStringLiteral("DRDeviceMediaStateNone");

} // namespace

class TestMediaStatus : public QObject {
    Q_OBJECT

    std::shared_ptr<FakeDevice> m_a;
    std::shared_ptr<FakeDevice> m_b;
    QStringList m_log;
    std::unique_ptr<Window1> m_window;

    void selectBurner(int index) { m_window->DevicePopup->SelectIndex(index); }

    QStringList canvasTexts() const
    {
        QStringList texts;
        for (const auto& line : m_window->CanvasLines())
            texts << line.text;
        return texts;
    }

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }

    void init()
    {
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        m_log.clear();
        m_a = std::make_shared<FakeDevice>();
        m_a->info = FakeDevice::makeInfo(QStringLiteral("ACME"), QStringLiteral("Writer A"), QStringLiteral("DRDevicePhysicalInterconnectATAPI"),
            QStringLiteral("DRDevicePhysicalInterconnectLocationInternal"));
        m_a->callLog = &m_log;
        m_a->logName = QStringLiteral("A");
        m_b = std::make_shared<FakeDevice>();
        m_b->info = FakeDevice::makeInfo(QStringLiteral("ACME"), QStringLiteral("Writer B"), QStringLiteral("DRDevicePhysicalInterconnectUSB"),
            QStringLiteral("DRDevicePhysicalInterconnectLocationExternal"));
        m_b->callLog = &m_log;
        m_b->logName = QStringLiteral("B");
        DiskRecordingModule::ResetDeviceArray();
        DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> { m_a, m_b }));
        m_window = std::make_unique<Window1>();
        m_window->Open();
    }

    void cleanup()
    {
        m_window.reset();
        DiskRecordingModule::ResetDeviceArray();
        Globals::FileIndex().clear();
    }

    void popupListsTheBurners()
    {
        QCOMPARE(m_window->DevicePopup->count(), 3);
        QCOMPARE(m_window->DevicePopup->itemText(0), QStringLiteral("None"));
        QCOMPARE(m_window->DevicePopup->itemText(1), QStringLiteral("Internal ACME Writer A via ATAPI"));
        QCOMPARE(m_window->DevicePopup->itemText(2), QStringLiteral("External ACME Writer B via USB"));
        QCOMPARE(m_window->DevicePopup->currentIndex(), 0);
        QVERIFY(m_log.isEmpty());
    }

    void switchingBurners()
    {
        const auto& devices = DiskRecordingModule::DRDeviceArray();
        selectBurner(1);
        QCOMPARE(m_window->SelectedDevice, devices[1]);
        QVERIFY(m_window->BurnerInfoButton->isEnabled());
        QCOMPARE(devices[1]->CallBackArray.size(), 1);

        selectBurner(2);
        // The old burner is let go before the new one is taken.
        QCOMPARE(m_log, (QStringList { u"acquire A"_s, u"release A"_s, u"acquire B"_s }));
        QVERIFY(devices[1]->CallBackArray.isEmpty());
        QCOMPARE(devices[2]->CallBackArray.size(), 1);
        QCOMPARE(XMLModule::XMLRoot()->GetStringValue(QStringLiteral("SelectedBurner")), QStringLiteral("External ACME Writer B via USB"));

        // Choosing the same burner again asks once more; one release undoes both.
        selectBurner(2);
        QCOMPARE(devices[2]->CallBackArray.size(), 1);
        selectBurner(0);
        QCOMPARE(m_log, (QStringList { u"acquire A"_s, u"release A"_s, u"acquire B"_s, u"acquire B"_s, u"release B"_s, u"release B"_s }));
        QVERIFY(devices[2]->CallBackArray.isEmpty());
        QVERIFY(!m_window->SelectedDevice);
        QVERIFY(!m_window->BurnerInfoButton->isEnabled());
        QVERIFY(!m_window->EjectButton->isEnabled());
        QCOMPARE(m_window->Canvas1->backdrop(), Globals::CDIcon_grey());
        QVERIFY(canvasTexts().isEmpty());
        QCOMPARE(XMLModule::XMLRoot()->GetStringValue(QStringLiteral("SelectedBurner")), QStringLiteral("None"));
    }

    void deviceStatus_data()
    {
        QTest::addColumn<CFDictionaryRef>("info");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("appendable");
        QTest::addColumn<bool>("eraseEnabled");
        QTest::addColumn<bool>("normalBackdrop");
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("blank CD-R") << status(Present, media(QStringLiteral("DRDeviceMediaTypeCDR"), true, false, 359847, 0)) << true << true << false
                                    << true << false << QStringList { u"736.97m"_s, u"Free"_s, u"0 sessions"_s };
        QTest::newRow("finalized CD-R") << status(Present, media(QStringLiteral("DRDeviceMediaTypeCDR"), false, false, 0, 3)) << true << false << false
                                        << false << false << QStringList { u"Not"_s, u"Writable"_s };
        QTest::newRow("rewritable CD") << status(Present, media(QStringLiteral("DRDeviceMediaTypeCDRW"), true, true, 1000, 2)) << true << true << true
                                       << true << false << QStringList { u"2.05m"_s, u"Free"_s, u"2 sessions"_s };
        QTest::newRow("DVD-R") << status(Present, media(QStringLiteral("DRDeviceMediaTypeDVDR"), true, false, 2295104, 0)) << true << true << false
                               << true << true << QStringList { u"4.7g"_s, u"Free"_s, u"0 sessions"_s };
        QTest::newRow("unknown type, appendable") << status(Present, media(QStringLiteral("DRDeviceMediaTypeBDR"), true, false, 10, 0)) << true << true
                                                  << false << true << false << QStringList { u"DVD's Not"_s, u"Supported Yet"_s };
        QTest::newRow("no disc") << status(NoMedia, nullptr) << false << false << false << false << false << QStringList { u"No Disk"_s };
    }

    void deviceStatus()
    {
        QFETCH(CFDictionaryRef, info);
        QFETCH(bool, available);
        QFETCH(bool, appendable);
        QFETCH(bool, eraseEnabled);
        QFETCH(bool, normalBackdrop);
        QFETCH(bool, dvd);
        QFETCH(QStringList, lines);
        selectBurner(1);
        m_a->status = info;
        m_a->sendStatus();
        QTRY_COMPARE(m_window->MediaAvailable, available);
        QCOMPARE(m_window->MediaAppendable, appendable);
        QCOMPARE(m_window->EjectButton->isEnabled(), available);
        QCOMPARE(m_window->EraseButton->isEnabled(), eraseEnabled);
        QCOMPARE(m_window->MediaIsDVD, dvd);
        QCOMPARE(m_window->Canvas1->backdrop(), normalBackdrop ? Globals::CDIcon_normal() : Globals::CDIcon_grey());
        QCOMPARE(canvasTexts(), lines);
        if (lines.contains(QStringLiteral("Free"))) {
            const auto painted = m_window->CanvasLines();
            QVERIFY(painted[0].bold && painted[2].bold);
            QCOMPARE(painted[0].size, 18);
            QCOMPARE(painted[2].size, 16);
            QCOMPARE(painted[2].baseline, 128 - 30);
            QCOMPARE(painted[1].shadow, QColor(200, 200, 200));
            QCOMPARE(painted[0].shadow, QColor(255, 255, 255));
        }
    }

    void removedDiscKeepsTheOtherValues()
    {
        selectBurner(1);
        m_a->status = status(Present, media(QStringLiteral("DRDeviceMediaTypeCDRW"), true, true, 500, 1));
        m_a->sendStatus();
        QTRY_VERIFY(m_window->MediaAvailable);
        // A status without media info changes only the presence and what follows from it.
        m_a->status = status(NoMedia, nullptr);
        m_a->sendStatus();
        QTRY_VERIFY(!m_window->MediaAvailable);
        QVERIFY(m_window->EraseButton->isEnabled());
        QCOMPARE(m_window->MediaBlocksAvailable, 500.0);
        QVERIFY(m_window->BurnSpeeds);
        QCOMPARE(canvasTexts(), QStringList { u"No Disk"_s });
        QVERIFY(!m_window->EjectButton->isEnabled());
    }

    void burnButtonRule_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("appendable");
        QTest::addColumn<bool>("rows");
        QTest::addColumn<bool>("burning");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all set") << true << true << true << false << true;
        QTest::newRow("no disc") << false << true << true << false << false;
        QTest::newRow("not appendable") << true << false << true << false << false;
        QTest::newRow("empty list") << true << true << false << false << false;
        QTest::newRow("burning") << true << true << true << true << false;
    }

    void burnButtonRule()
    {
        QFETCH(bool, available);
        QFETCH(bool, appendable);
        QFETCH(bool, rows);
        QFETCH(bool, burning);
        QFETCH(bool, enabled);
        QTemporaryDir dir;
        if (rows) {
            QFile f(dir.filePath(QStringLiteral("x")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            m_window->ListBox1->AddItemRow(CFileToBurn::Create(f.fileName(), m_window.get())->GetUniqueID());
        }
        m_window->MediaAvailable = available;
        m_window->MediaAppendable = appendable;
        m_window->Burning = burning;
        m_window->DoBurnButton();
        QCOMPARE(m_window->BurnButton->isEnabled(), enabled);
        if (burning) {
            selectBurner(1);
            QCOMPARE(canvasTexts(), QStringList { u"Burning"_s });
        }
        if (rows && enabled) {
            // Removing the last row disables it again.
            m_window->ListBox1->ClearAll();
            QVERIFY(!m_window->BurnButton->isEnabled());
        }
    }

    void findingAndScanningTexts()
    {
        m_window->FindingDevices = true;
        QCOMPARE(canvasTexts(), (QStringList { u"Finding"_s, u"Drives"_s }));
        m_window->FindingDevices = false;
        m_window->SetScanningFolder(true);
        QCOMPARE(canvasTexts(), (QStringList { u"Scanning"_s, u"Folder"_s }));
        const auto lines = m_window->CanvasLines();
        QCOMPARE(lines[1].baseline - lines[0].baseline, QFontMetrics([&] {
            QFont f = m_window->Canvas1->font();
            f.setPixelSize(16);
            return f;
        }()).ascent());
    }
};

QTEST_MAIN(TestMediaStatus)
#include "tst_mediastatus.moc"
