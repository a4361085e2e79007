// Reading another application's preferences: the conversion table, the
// one-level dictionary conversion, replacement by each read, and the
// failures that must reach the caller.

#include "photobackup/prefsmod.h"
#include "settings/propertylist.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

class TestPrefsMod : public QObject {
    Q_OBJECT

private:
    static void writePrefs(const QString& appID, const QByteArray& bytes)
    {
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        QFile file(PrefsMod::PreferencesFile(appID));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The same preferences as the binary fixture, as an XML property list.
    static QByteArray xmlPrefs()
    {
        auto window = CFMutableDictionary::create();
        window->setString(QStringLiteral("Title"), QStringLiteral("Main"));
        window->setBoolean(QStringLiteral("Visible"), false);
        window->setNumber(QStringLiteral("Left"), 40);
        auto nested = CFMutableDictionary::create();
        nested->setNumber(QStringLiteral("x"), 1);
        window->setValue(QStringLiteral("Nested"), nested);
        window->setValue(QStringLiteral("List"), CFArray::create({ CFNumber::create(qint64(1)) }));
        auto prefs = CFMutableDictionary::create();
        prefs->setString(QStringLiteral("RootDirectory"), QStringLiteral("/Users/someone/Pictures/iPhoto Library"));
        prefs->setBoolean(QStringLiteral("ShowTitles"), true);
        prefs->setNumber(QStringLiteral("ThumbSize"), 128);
        prefs->setReal(QStringLiteral("Ratio"), 1.5);
        prefs->setValue(QStringLiteral("Recent"), CFArray::create({ CFString::create(QStringLiteral("a")), CFString::create(QStringLiteral("b")) }));
        prefs->setValue(QStringLiteral("Window"), window);
        prefs->setValue(QStringLiteral("Stamp"), CFDate::create(QDateTime(QDate(2005, 1, 2), QTime(3, 4, 5), Qt::UTC)));
        prefs->setValue(QStringLiteral("Blob"), CFData::create(QByteArray("\x00\x01", 2)));
        return PropertyList::toXmlData(prefs);
    }

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void noPreferencesGiveTheDefault()
    {
        QVERIFY(PrefsMod::InitPreferences(QStringLiteral("org.example.never-run")));
        QCOMPARE(PrefsMod::AppID(), QStringLiteral("org.example.never-run"));
        QVERIFY(PrefsMod::PrefItems().isEmpty());
        QCOMPARE(PrefsMod::GetPrefString(QStringLiteral("RootDirectory"), QStringLiteral("Not Found")), QStringLiteral("Not Found"));
    }

    void conversionTable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QFile binary(QStringLiteral(KESTROW_TEST_SOURCE_DIR "/data/binary-prefs.plist"));
        QVERIFY(binary.open(QIODevice::ReadOnly));
        QTest::newRow("binary") << binary.readAll();
        QTest::newRow("xml") << xmlPrefs();
    }
    void conversionTable()
    {
        QFETCH(QByteArray, bytes);
        const QString appID = QStringLiteral("com.example.kinds");
        writePrefs(appID, bytes);
        QVERIFY(PrefsMod::InitPreferences(appID));
        const QVariantHash& items = PrefsMod::PrefItems();

        QCOMPARE(PrefsMod::GetPrefString(QStringLiteral("RootDirectory"), QStringLiteral("Not Found")), QStringLiteral("/Users/someone/Pictures/iPhoto Library"));
        QCOMPARE(items.value(QStringLiteral("ShowTitles")).typeId(), QMetaType::Bool);
        QCOMPARE(items.value(QStringLiteral("ShowTitles")).toBool(), true);
        QCOMPARE(items.value(QStringLiteral("ThumbSize")).typeId(), QMetaType::Int);
        QCOMPARE(PrefsMod::GetPrefString(QStringLiteral("ThumbSize"), QString()), QStringLiteral("128"));
        QCOMPARE(items.value(QStringLiteral("Ratio")).toInt(), 1);
        // Arrays, dates and data are left out with their keys.
        for (const char* absent : { "Recent", "Stamp", "Blob" }) {
            QVERIFY2(!items.contains(QLatin1String(absent)), absent);
            QCOMPARE(PrefsMod::GetPrefString(QLatin1String(absent), QStringLiteral("default")), QStringLiteral("default"));
        }
        // A dictionary keeps its plain values, one level deep.
        const QVariantHash window = items.value(QStringLiteral("Window")).toHash();
        QCOMPARE(window.size(), 3);
        QCOMPARE(window.value(QStringLiteral("Title")).toString(), QStringLiteral("Main"));
        QCOMPARE(window.value(QStringLiteral("Visible")).typeId(), QMetaType::Bool);
        QCOMPARE(window.value(QStringLiteral("Left")).toInt(), 40);
        QCOMPARE(items.size(), 5);
    }

    void eachReadReplacesTheLast()
    {
        writePrefs(QStringLiteral("com.example.first"), xmlPrefs());
        QVERIFY(PrefsMod::InitPreferences(QStringLiteral("com.example.first")));
        QVERIFY(!PrefsMod::PrefItems().isEmpty());
        QVERIFY(PrefsMod::InitPreferences(QStringLiteral("com.example.second")));
        QCOMPARE(PrefsMod::AppID(), QStringLiteral("com.example.second"));
        QVERIFY(PrefsMod::PrefItems().isEmpty());
        QCOMPARE(PrefsMod::GetPrefString(QStringLiteral("RootDirectory"), QStringLiteral("Not Found")), QStringLiteral("Not Found"));
    }

    void unreadablePreferencesFail_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a property list") << QByteArray("this is no property list");
        QTest::newRow("truncated xml") << xmlPrefs().left(200);
        QTest::newRow("truncated binary") << QByteArray("bplist00\xd1\x01\x02", 11);
        QTest::newRow("root is an array") << PropertyList::toXmlData(CFArray::create({ CFString::create(QStringLiteral("RootDirectory")) }));
        QTest::newRow("empty file") << QByteArray();
    }
    void unreadablePreferencesFail()
    {
        QFETCH(QByteArray, bytes);
        // Left over from a good read, so a failed read must empty it.
        writePrefs(QStringLiteral("com.example.good"), xmlPrefs());
        QVERIFY(PrefsMod::InitPreferences(QStringLiteral("com.example.good")));

        writePrefs(QStringLiteral("com.example.broken"), bytes);
        QString error;
        QVERIFY(!PrefsMod::InitPreferences(QStringLiteral("com.example.broken"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(PrefsMod::PrefItems().isEmpty());
        QCOMPARE(PrefsMod::GetPrefString(QStringLiteral("RootDirectory"), QStringLiteral("Not Found")), QStringLiteral("Not Found"));
    }

    void aFolderInPlaceOfTheFileFails()
    {
        QVERIFY(QDir().mkpath(PrefsMod::PreferencesFile(QStringLiteral("com.example.folder"))));
        QVERIFY(!PrefsMod::InitPreferences(QStringLiteral("com.example.folder")));
    }
};

QTEST_GUILESS_MAIN(TestPrefsMod)
#include "tst_prefsmod.moc"
