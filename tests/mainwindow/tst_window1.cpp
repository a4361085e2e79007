// The main window frame: its controls at their bounds, anchoring on resize,
// first opening, the popup selection helper and the menu enabling.

#include "app/globalpictures.h"
#include "burner/diskrecordingmodule.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "mainwindow/canvas.h"
#include "mainwindow/menu.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/xmlmodule.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestWindow1 : public QObject {
    Q_OBJECT

    std::unique_ptr<Window1> m_window;

    QWidget* control(const QString& name) const { return m_window->findChild<QWidget*>(name); }

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }

    void init()
    {
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        DiskRecordingModule::ResetDeviceArray();
        m_window = std::make_unique<Window1>();
        m_window->Open();
    }

    void cleanup()
    {
        m_window.reset();
        Globals::FileIndex().clear();
    }

    void controlsAtTheirBounds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("bounds");
        // Where the control is after the content grows by 100 x 50.
        QTest::addColumn<QRect>("grown");
        QTest::newRow("DevicePopup") << "DevicePopup" << QRect(250, 8, 280, 20) << QRect(250, 8, 380, 20);
        QTest::newRow("StaticText1") << "StaticText1" << QRect(155, 8, 88, 20) << QRect(155, 8, 88, 20);
        QTest::newRow("VolumeNameField") << "VolumeNameField" << QRect(250, 40, 200, 22) << QRect(250, 40, 300, 22);
        QTest::newRow("Canvas1") << "Canvas1" << QRect(20, 14, 128, 128) << QRect(20, 14, 128, 128);
        QTest::newRow("BurnerInfoButton") << "BurnerInfoButton" << QRect(542, 8, 20, 20) << QRect(642, 8, 20, 20);
        QTest::newRow("EjectButton") << "EjectButton" << QRect(20, 154, 128, 28) << QRect(20, 204, 128, 28);
        QTest::newRow("EraseButton") << "EraseButton" << QRect(20, 182, 128, 28) << QRect(20, 232, 128, 28);
        QTest::newRow("BurnButton") << "BurnButton" << QRect(20, 210, 128, 28) << QRect(20, 260, 128, 28);
        QTest::newRow("StaticText2") << "StaticText2" << QRect(155, 41, 88, 20) << QRect(155, 41, 88, 20);
        QTest::newRow("DatabasePopup") << "DatabasePopup" << QRect(462, 41, 100, 20) << QRect(562, 41, 100, 20);
        QTest::newRow("ListBox1") << "ListBox1" << QRect(170, 73, 390, 137) << QRect(170, 73, 490, 187);
        QTest::newRow("SizeWarningCanvas") << "SizeWarningCanvas" << QRect(170, 221, 17, 17) << QRect(170, 271, 17, 17);
        QTest::newRow("TotalText") << "TotalText" << QRect(191, 221, 369, 20) << QRect(191, 271, 469, 20);
    }

    void controlsAtTheirBounds()
    {
        QFETCH(QString, name);
        QFETCH(QRect, bounds);
        QFETCH(QRect, grown);
        QWidget* w = control(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(m_window->contentBounds().size(), Window1::DefaultContentSize);
        QCOMPARE(w->geometry(), bounds);
        const QSize frame = m_window->size() - m_window->contentBounds().size();
        m_window->resize(Window1::DefaultContentSize + QSize(100, 50) + frame);
        QCOMPARE(w->geometry(), grown);
    }

    void firstOpening()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Kestrow 4"));
        QCOMPARE(m_window->StaticText1->text(), QStringLiteral("Select Burner:"));
        QCOMPARE(m_window->StaticText2->text(), QStringLiteral("Volume Name:"));
        QCOMPARE(m_window->VolumeNameField->text(), QStringLiteral("Untitled Volume"));
        QCOMPARE(m_window->TotalText->text(), QStringLiteral("Total:"));
        QCOMPARE(m_window->DevicePopup->itemText(0), QStringLiteral("None"));
        QCOMPARE(m_window->DevicePopup->currentIndex(), 0);
        QCOMPARE(m_window->DevicePopup->count(), int(DiskRecordingModule::DRDeviceArray().size()));
        for (QAbstractButton* b : { static_cast<QAbstractButton*>(m_window->EjectButton), static_cast<QAbstractButton*>(m_window->EraseButton),
                 static_cast<QAbstractButton*>(m_window->BurnButton), static_cast<QAbstractButton*>(m_window->BurnerInfoButton) })
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(m_window->BurnButton->text(), QStringLiteral("Burn"));
        QVERIFY(m_window->BurnButton->font().bold());
        QCOMPARE(m_window->Canvas1->backdrop(), Globals::CDIcon_grey());
        QCOMPARE(m_window->MediaBlockSize, 2048.0);
        QVERIFY(!m_window->FindingDevices);
        QCOMPARE(m_window->CalculateTotalTimer->interval(), 10);
        QCOMPARE(m_window->BurnRetryTimer->interval(), 2500);
        QCOMPARE(m_window->BuildPopupTimer->interval(), 300);
        QVERIFY(m_window->CalculateTotalTimer->isSingleShot());

        // The window's settings container exists and nothing was stored in it.
        CXMLRef container = XMLModule::XMLRoot()->GetContainer(QStringLiteral("BurnWindow"), 1);
        QVERIFY(container);
        QCOMPARE(container, m_window->MyXML);
        QVERIFY(container->Values.isEmpty());
        QCOMPARE(XMLModule::XMLRoot()->GetStringValue(QStringLiteral("SelectedBurner")), QStringLiteral("None"));
    }

    void setupPopup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("index");
        QTest::newRow("first of two equal items") << "Twin" << true << 1;
        QTest::newRow("last item") << "Last" << true << 3;
        QTest::newRow("no such item") << "Missing" << false << 2;
        QTest::newRow("case differs") << "twin" << false << 2;
    }

    void setupPopup()
    {
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(int, index);
        PopupMenu popup;
        popup.addItems({ QStringLiteral("None"), QStringLiteral("Twin"), QStringLiteral("Twin"), QStringLiteral("Last") });
        popup.setCurrentIndex(2);
        QSignalSpy changes(&popup, &PopupMenu::Change);
        QCOMPARE(Globals::SetupPopup(&popup, text), found);
        QCOMPARE(popup.currentIndex(), index);
        QCOMPARE(changes.count(), found ? 1 : 0);
    }

    void selectingFromCodeRaisesChangeEvenWithoutChange()
    {
        PopupMenu popup;
        popup.addItems({ QStringLiteral("a"), QStringLiteral("b") });
        QSignalSpy changes(&popup, &PopupMenu::Change);
        popup.SelectIndex(0);
        popup.SelectIndex(0);
        QCOMPARE(changes.count(), 2);
    }

    void deviceStatus_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("appendable");
        QTest::addColumn<bool>("erasable");
        QTest::addColumn<bool>("withMediaInfo");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("normalBackdrop");
        QTest::addColumn<bool>("dvd");
        const QString present = QStringLiteral("DRDeviceMediaStateMediaPresent");
        QTest::newRow("blank CD-R") << present << "DRDeviceMediaTypeCDR" << true << false << true << true << true << false;
        QTest::newRow("finalized CD-R") << present << "DRDeviceMediaTypeCDR" << false << false << true << true << false << false;
        QTest::newRow("rewritable CD") << present << "DRDeviceMediaTypeCDRW" << true << true << true << true << true << false;
        QTest::newRow("DVD-R") << present << "DRDeviceMediaTypeDVDR" << true << false << true << true << true << true;
        QTest::newRow("no disc") << "DRDeviceMediaStateNone" << "" << false << false << false << false << false << false;
    }

    void deviceStatus()
    {
        QFETCH(QString, state);
        QFETCH(QString, type);
        QFETCH(bool, appendable);
        QFETCH(bool, erasable);
        QFETCH(bool, withMediaInfo);
        QFETCH(bool, available);
        QFETCH(bool, normalBackdrop);
        QFETCH(bool, dvd);
        auto status = CFMutableDictionary::create();
        status->setString(QStringLiteral("DRDeviceMediaStateKey"), state);
        if (withMediaInfo) {
            auto media = CFMutableDictionary::create();
            media->setNumber(QStringLiteral("DRDeviceMediaBlocksFreeKey"), 359847);
            media->setBoolean(QStringLiteral("DRDeviceMediaIsAppendableKey"), appendable);
            media->setBoolean(QStringLiteral("DRDeviceMediaIsErasableKey"), erasable);
            media->setNumber(QStringLiteral("DRDeviceMediaSessionCountKey"), 0);
            media->setString(QStringLiteral("DRDeviceMediaTypeKey"), type);
            status->setValue(QStringLiteral("DRDeviceMediaInfoKey"), media);
        }
        m_window->CCallBack1_EMediaReady(QStringLiteral("DRDeviceStatusChangedNotification"), status);
        QCOMPARE(m_window->MediaAvailable, available);
        QCOMPARE(m_window->EjectButton->isEnabled(), available);
        QCOMPARE(m_window->EraseButton->isEnabled(), erasable);
        QCOMPARE(m_window->MediaIsDVD, dvd);
        QCOMPARE(m_window->Canvas1->backdrop(), normalBackdrop ? Globals::CDIcon_normal() : Globals::CDIcon_grey());
        QVERIFY(m_window->CalculateTotalTimer->isActive());
        // An empty burn list never allows a burn.
        QVERIFY(!m_window->BurnButton->isEnabled());
        if (withMediaInfo) {
            QCOMPARE(m_window->MediaBlocksAvailable, 359847.0);
            QCOMPARE(m_window->MediaBlockSize, 2048.0);
        }
    }

    void menuEnabling()
    {
        Menu* menu = Menu::shared();
        menu->UpdateEnabledStates();
        const QStringList alwaysOn = { QStringLiteral("FileBackupiPhotoImages"), QStringLiteral("FileQuit"), QStringLiteral("AppleAboutKestrow"),
            QStringLiteral("AppleKestrowHomepage") };
        for (const QString& name : menu->itemNames()) {
            // The application object enables the last two; without it they stay off here.
            if (name.startsWith(QLatin1String("Apple")))
                continue;
            QCOMPARE(menu->item(name)->isEnabled(), alwaysOn.contains(name));
        }

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("hello");
        f.close();
        auto item = CFileToBurn::Create(file, m_window.get());
        m_window->ListBox1->AddItemRow(item->GetUniqueID());
        menu->UpdateEnabledStates();
        QVERIFY(menu->FileNew()->isEnabled());
        QVERIFY(menu->EditSelectAll()->isEnabled());
        QVERIFY(!menu->EditClear()->isEnabled());
        m_window->ListBox1->selectAll();
        menu->UpdateEnabledStates();
        QVERIFY(menu->EditClear()->isEnabled());

        // New empties the list and frees its items.
        menu->FileNew()->trigger();
        QCOMPARE(m_window->ListBox1->count(), 0);
        QVERIFY(!Globals::GetFileByID(item->GetUniqueID()));
        menu->UpdateEnabledStates();
        QVERIFY(!menu->FileNew()->isEnabled());
    }
};

QTEST_MAIN(TestWindow1)
#include "tst_window1.moc"
