// A burner this user may not open, as the main window shows it: "No Access"
// over the grey disc (like "No Disk"), and the burner information sheet names
// the device node, its group and the fix. Driven by the fake service.

#include "../burner/fakedrservice.h"

#include "app/globalpictures.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "burnlist/fileindex.h"
#include "dialogs/burnerinfowindow.h"
#include "mainwindow/canvas.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/xmlmodule.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestNoAccess : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeDevice> m_device;
    std::unique_ptr<Window1> m_window;

    static CFDictionaryRef noAccessStatus()
    {
        auto s = CFMutableDictionary::create();
        s->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateNone);
        s->setBoolean(kKestrowDeviceNoAccessKey, true);
        return s;
    }

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }

    void init()
    {
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        m_device = std::make_shared<FakeDevice>();
        auto info = CFMutableDictionary::create();
        info->setString(kDRDeviceVendorNameKey, QStringLiteral("ACME"));
        info->setString(kDRDeviceProductNameKey, QStringLiteral("Locked Writer"));
        info->setString(kKestrowDeviceNodeKey, QStringLiteral("/dev/sr0"));
        info->setString(kKestrowDeviceNodeGroupKey, QStringLiteral("cdrom"));
        info->setBoolean(kKestrowDeviceNoAccessKey, true);
        m_device->info = info;
        m_device->status = noAccessStatus();
        DiskRecordingModule::ResetDeviceArray();
        DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> { m_device }));
        m_window = std::make_unique<Window1>();
        m_window->Open();
    }

    void cleanup()
    {
        if (BurnerInfoWindow* sheet = BurnerInfoWindow::current())
            sheet->close();
        m_window.reset();
        DiskRecordingModule::ResetDeviceArray();
        Globals::FileIndex().clear();
    }

    void noAccessOnTheDiscPicture()
    {
        // The drive is listed and can be chosen.
        QCOMPARE(m_window->DevicePopup->count(), 2);
        m_window->DevicePopup->SelectIndex(1);
        m_device->sendStatus();
        QTRY_VERIFY(m_window->MediaNoAccess);

        const auto lines = m_window->CanvasLines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].text, QStringLiteral("No Access"));
        // Drawn like "No Disk": 18 pixels, not bold, at ascent + 15.
        QFont font = m_window->Canvas1->font();
        font.setPixelSize(18);
        QCOMPARE(lines[0].size, 18);
        QVERIFY(!lines[0].bold);
        QCOMPARE(lines[0].baseline, QFontMetrics(font).ascent() + 15);
        QCOMPARE(m_window->Canvas1->backdrop(), Globals::CDIcon_grey());
        QVERIFY(!m_window->EjectButton->isEnabled());
        QVERIFY(!m_window->BurnButton->isEnabled());

        // Access granted (a disc in): the ordinary status takes over.
        auto media = CFMutableDictionary::create();
        media->setNumber(kDRDeviceMediaBlocksFreeKey, 1000);
        media->setBoolean(kDRDeviceMediaIsAppendableKey, true);
        media->setBoolean(kDRDeviceMediaIsErasableKey, false);
        media->setNumber(kDRDeviceMediaSessionCountKey, 0);
        media->setString(kDRDeviceMediaTypeKey, kDRDeviceMediaTypeCDR);
        auto present = CFMutableDictionary::create();
        present->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateMediaPresent);
        present->setValue(kDRDeviceMediaInfoKey, media);
        m_device->status = present;
        m_device->sendStatus();
        QTRY_VERIFY(!m_window->MediaNoAccess);
        QCOMPARE(m_window->CanvasLines().value(1).text, QStringLiteral("Free"));
    }

    void infoSheetNamesNodeGroupAndFix()
    {
        m_window->DevicePopup->SelectIndex(1);
        m_window->BurnerInfoButton_Action();
        BurnerInfoWindow* sheet = BurnerInfoWindow::current();
        QVERIFY(sheet);
        QVERIFY(!sheet->AccessText->isHidden());
        QCOMPARE(sheet->AccessText->text(),
            QStringLiteral("You may not open /dev/sr0: it belongs to the group \"cdrom\". Join that group (sudo usermod -aG cdrom $USER), then log out and "
                           "log in again."));
        QCOMPARE(sheet->ProductNameText->text(), QStringLiteral("Locked Writer"));
        // The text stays inside the sheet, clear of the OK button.
        QVERIFY(sheet->rect().contains(sheet->AccessText->geometry()));
        QVERIFY(!sheet->AccessText->geometry().intersects(sheet->PushButton1->geometry()));

        // An ordinary burner's info hides it again.
        sheet->setup(FakeDevice::makeInfo(QStringLiteral("ACME"), QStringLiteral("Writer"), QString(), QString()));
        QVERIFY(sheet->AccessText->isHidden());
        QCOMPARE(BurnerInfoWindow::noAccessText(QStringLiteral("/dev/sr1"), QString()),
            QStringLiteral("You may not open /dev/sr1. Ask your administrator for read and write access to it."));
    }
};

QTEST_MAIN(TestNoAccess)
#include "tst_noaccess.moc"
