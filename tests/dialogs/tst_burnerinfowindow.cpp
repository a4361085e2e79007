// The burner information sheet: every field rule of setup() as a table,
// stringFromCFBool, and the sheet opened and closed through ShowInfo().

#include "dialogs/burnerinfowindow.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace
{

CFMutableDictionaryRef fullInfo()
{
    auto caps = CFMutableDictionary::create();
    caps->setBoolean(QStringLiteral("DRDeviceCanUnderrunProtectCDKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDRKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDRWKey"), false);
    auto info = CFMutableDictionary::create();
    info->setString(QStringLiteral("DRDeviceVendorNameKey"), QStringLiteral("ACME"));
    info->setString(QStringLiteral("DRDeviceProductNameKey"), QStringLiteral("DiscWriter 52x"));
    info->setString(QStringLiteral("DRDeviceFirmwareRevisionKey"), QStringLiteral("1.07"));
    info->setString(QStringLiteral("DRDevicePhysicalInterconnectKey"), QStringLiteral("ATAPI"));
    info->setString(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"), QStringLiteral("DRDevicePhysicalInterconnectLocationInternal"));
    info->setString(QStringLiteral("DRDeviceSupportLevelKey"), QStringLiteral("DRDeviceSupportLevelAppleShipping"));
    info->setValue(QStringLiteral("DRDeviceWriteCapabilitiesKey"), caps);
    return info;
}

// The ten value texts in table order, joined by "|".
QString fields(const BurnerInfoWindow& w)
{
    return QStringList { w.ManufacturerText->text(), w.ProductNameText->text(), w.LocationText->text(), w.ConnectionMethodText->text(), w.FirwareText->text(),
        w.OSSupportText->text(), w.UnderrunText->text(), w.WriteCapableText->text(), w.WriteCDRText->text(), w.WriteCDRWText->text() }
        .join(QLatin1Char('|'));
}

} // namespace

Q_DECLARE_METATYPE(std::function<void(CFMutableDictionary&)>)

class TestBurnerInfoWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stringFromCFBool()
    {
        QCOMPARE(BurnerInfoWindow::stringFromCFBool(CFBoolean::create(true)), QStringLiteral("YES"));
        QCOMPARE(BurnerInfoWindow::stringFromCFBool(CFBoolean::create(false)), QStringLiteral("NO"));
        QCOMPARE(BurnerInfoWindow::stringFromCFBool(nullptr), QStringLiteral("NO"));
    }

    void setup_data()
    {
        // A change applied to the full info dictionary, and the fields it gives:
        // manufacturer|product|location|connection|firmware|OS|underrun|write|CDR|CDRW.
        QTest::addColumn<std::function<void(CFMutableDictionary&)>>("change");
        QTest::addColumn<QString>("expected");
        using Change = std::function<void(CFMutableDictionary&)>;
        auto caps = [](CFMutableDictionary& info) { return cf_cast<CFMutableDictionary>(info.value(QStringLiteral("DRDeviceWriteCapabilitiesKey"))); };

        QTest::newRow("full") << Change([](CFMutableDictionary&) {}) << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES|YES|YES|YES|NO";
        QTest::newRow("other location is External") << Change([](CFMutableDictionary& i) {
            i.setString(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"), QStringLiteral("DRDevicePhysicalInterconnectLocationExternal"));
        }) << "ACME|DiscWriter 52x|External|ATAPI|1.07|YES|YES|YES|YES|NO";
        QTest::newRow("unknown location text is External")
            << Change([](CFMutableDictionary& i) { i.setString(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"), QStringLiteral("Unknown")); })
            << "ACME|DiscWriter 52x|External|ATAPI|1.07|YES|YES|YES|YES|NO";
        QTest::newRow("other support level is beta") << Change([](CFMutableDictionary& i) {
            i.setString(QStringLiteral("DRDeviceSupportLevelKey"), QStringLiteral("DRDeviceSupportLevelVendorSupported"));
        }) << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|beta|YES|YES|YES|NO";
        QTest::newRow("interconnect shown unchanged") << Change([](CFMutableDictionary& i) {
            i.setString(QStringLiteral("DRDevicePhysicalInterconnectKey"), QStringLiteral("USB"));
        }) << "ACME|DiscWriter 52x|Internal|USB|1.07|YES|YES|YES|YES|NO";
        QTest::newRow("no underrun entry reads NO") << Change([caps](CFMutableDictionary& i) {
            caps(i)->removeValue(QStringLiteral("DRDeviceCanUnderrunProtectCDKey"));
        }) << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES|NO|YES|YES|NO";
        QTest::newRow("entry not a boolean reads NO") << Change([caps](CFMutableDictionary& i) {
            caps(i)->setString(QStringLiteral("DRDeviceCanWriteCDKey"), QStringLiteral("true"));
        }) << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES|YES|NO|YES|NO";
        QTest::newRow("no capabilities: four fields empty")
            << Change([](CFMutableDictionary& i) { i.removeValue(QStringLiteral("DRDeviceWriteCapabilitiesKey")); })
            << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES||||";
        QTest::newRow("capabilities not a dictionary")
            << Change([](CFMutableDictionary& i) { i.setBoolean(QStringLiteral("DRDeviceWriteCapabilitiesKey"), true); })
            << "ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES||||";
        QTest::newRow("missing and mistyped texts stay empty") << Change([](CFMutableDictionary& i) {
            i.removeValue(QStringLiteral("DRDeviceVendorNameKey"));
            i.setNumber(QStringLiteral("DRDeviceProductNameKey"), 7);
            i.setBoolean(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"), true);
            i.removeValue(QStringLiteral("DRDeviceFirmwareRevisionKey"));
            i.setNumber(QStringLiteral("DRDeviceSupportLevelKey"), 1);
        }) << "|||ATAPI|||YES|YES|YES|NO";
        QTest::newRow("empty dictionary") << Change([](CFMutableDictionary& i) {
            for (const QString& key : i.keys())
                i.removeValue(key);
        }) << "|||||||||";
    }

    void setup()
    {
        QFETCH(std::function<void(CFMutableDictionary&)>, change);
        QFETCH(QString, expected);
        const CFMutableDictionaryRef info = fullInfo();
        change(*info);
        BurnerInfoWindow window;
        QCOMPARE(fields(window), QStringLiteral("|||||||||"));
        window.setup(info);
        QCOMPARE(fields(window), expected);
    }

    void nilInfoChangesNothing()
    {
        BurnerInfoWindow window;
        window.setup(nullptr);
        QCOMPARE(fields(window), QStringLiteral("|||||||||"));
        window.setup(fullInfo());
        window.setup(nullptr);
        QCOMPARE(fields(window), QStringLiteral("ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES|YES|YES|YES|NO"));
    }

    void sheet()
    {
        QWidget mainWindow;
        mainWindow.resize(600, 320);
        mainWindow.show();
        QPointer<BurnerInfoWindow> window = BurnerInfoWindow::ShowInfo(&mainWindow, fullInfo());
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowModality(), Qt::WindowModal);
        QCOMPARE(window->size(), QSize(540, 306));
        QCOMPARE(window->GroupBox1->title(), QStringLiteral("Disk Burner Information:"));
        QCOMPARE(window->GroupBox1->geometry(), QRect(20, 14, 500, 234));
        QCOMPARE(window->FirwareText->geometry(), QRect(161, 193, 134, 20));
        QCOMPARE(window->WriteCDRWText->geometry(), QRect(434, 193, 60, 20));
        QCOMPARE(window->PushButton1->geometry(), QRect(451, 271, 69, 20));
        QCOMPARE(fields(*window), QStringLiteral("ACME|DiscWriter 52x|Internal|ATAPI|1.07|YES|YES|YES|YES|NO"));
        QCOMPARE(BurnerInfoWindow::current(), window.data());
        // No caption is cut off by its designed width (the font shrinks instead).
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width() || label->font().pixelSize() == 9,
                qPrintable(label->objectName()));
        }

        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(!BurnerInfoWindow::current());
        QTRY_VERIFY(!window);

        // The next showing starts empty: nothing of the previous burner stays.
        auto partial = CFMutableDictionary::create();
        partial->setString(QStringLiteral("DRDeviceVendorNameKey"), QStringLiteral("Other"));
        window = BurnerInfoWindow::ShowInfo(&mainWindow, partial);
        QCOMPARE(fields(*window), QStringLiteral("Other|||||||||"));
        window->PushButton1->click();
        QTRY_VERIFY(!window);
    }
};

QTEST_MAIN(TestBurnerInfoWindow)
#include "tst_burnerinfowindow.moc"
