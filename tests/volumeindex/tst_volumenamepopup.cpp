// The volume name popup on real widgets: its items for a name, the reset
// flow, the delayed rebuild while typing, the remembered choice and the
// volume name a burn gets.

#include "settings/date.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"
#include "volumeindex/databasemodule.h"
#include "volumeindex/volumenamepopup.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString ResetText = QStringLiteral("Reset volume count for this name.");

QStringList itemTexts(const QComboBox& popup)
{
    QStringList texts;
    for (int i = 0; i < popup.count(); ++i)
        texts << popup.itemText(i);
    return texts;
}

bool isSeparator(const QComboBox& popup, int index)
{
    return popup.itemData(index, Qt::AccessibleDescriptionRole).toString() == QStringLiteral("separator");
}

} // namespace

class TestVolumeNamePopup : public QObject {
    Q_OBJECT

    // The window's three controls and the popup object, made anew per test.
    std::unique_ptr<QLineEdit> field;
    std::unique_ptr<QComboBox> popup;
    std::unique_ptr<QTimer> timer;
    std::unique_ptr<VolumeNamePopup> volumePopup;
    QStringList messages;

    void burn(const QString& name, int times)
    {
        for (int i = 0; i < times; ++i)
            QVERIFY(DatabaseModule::IncrementVolumeIndex(name));
    }

    // A rebuild empties the (non-empty) popup: one removal of all its rows.
    [[nodiscard]] std::unique_ptr<QSignalSpy> rebuildSpy() const
    {
        return std::make_unique<QSignalSpy>(popup->model(), &QAbstractItemModel::rowsRemoved);
    }

    [[nodiscard]] bool hasStoredChoice() const { return XMLModule::XMLRoot()->Values.contains(QStringLiteral("VolumePopup")); }
    [[nodiscard]] int storedChoice() const { return XMLModule::XMLRoot()->GetIntegerValue(QStringLiteral("VolumePopup"), -99); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UserMessage::setHandler([this](const QString& text) { messages << text; });
    }

    void init()
    {
        QFile::remove(DatabaseModule::DatabasePath());
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        messages.clear();
        field = std::make_unique<QLineEdit>(QStringLiteral("Untitled Volume"));
        popup = std::make_unique<QComboBox>();
        timer = std::make_unique<QTimer>();
        volumePopup = std::make_unique<VolumeNamePopup>(field.get(), popup.get(), timer.get());
    }

    void cleanup()
    {
        volumePopup.reset();
        QCOMPARE(messages, QStringList());
    }

    void newNameOffersThreeItems()
    {
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), 300);

        volumePopup->UpdateDatabasePopup(QStringLiteral("Holiday"));
        QCOMPARE(itemTexts(*popup), (QStringList { QStringLiteral("none"), Date::now().ShortDate(), QStringLiteral("#1") }));
        QCOMPARE(popup->currentIndex(), 0);
        // The rebuild's own selection is no choice: nothing stored, no rebuild queued.
        QVERIFY(!hasStoredChoice());
        QVERIFY(!timer->isActive());
        QVERIFY(!volumePopup->BuildingDatabasePopup());
    }

    void resetAfterThreeBurns()
    {
        burn(QStringLiteral("Holiday"), 3);
        field->setText(QStringLiteral("Holiday"));
        volumePopup->UpdateDatabasePopup(field->text());
        QCOMPARE(popup->count(), 5);
        QCOMPARE(popup->itemText(2), QStringLiteral("#4"));
        QVERIFY(isSeparator(*popup, 3));
        QCOMPARE(popup->itemText(4), ResetText);

        const auto rebuilt = rebuildSpy();
        popup->setCurrentIndex(4);
        // At once: the count is gone and the number item is the stored choice.
        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("holiday")), QStringLiteral("1"));
        QCOMPARE(popup->currentIndex(), 2);
        QCOMPARE(storedChoice(), 2);
        QVERIFY(timer->isActive());

        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 1, 2000);
        QCOMPARE(itemTexts(*popup), (QStringList { QStringLiteral("none"), Date::now().ShortDate(), QStringLiteral("#1") }));
        QCOMPARE(popup->currentIndex(), 2);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Holiday #1"));
        // The rebuild after the reset does not queue yet another one.
        QTest::qWait(500);
        QCOMPARE(rebuilt->count(), 1);
    }

    // The field's text changes 12 times, 50 ms apart: one rebuild, about
    // 300 ms after the last key, for the whole typed name; and none after it.
    void typingRebuildsOnceAfterThePause()
    {
        burn(QStringLiteral("Holiday 2024"), 1);
        volumePopup->UpdateDatabasePopup(QString());
        field->clear();
        timer->stop();
        const auto rebuilt = rebuildSpy();

        QTest::keyClicks(field.get(), QStringLiteral("Holiday 2024"), Qt::NoModifier, 50);
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QCOMPARE(field->text(), QStringLiteral("Holiday 2024"));
        QCOMPARE(rebuilt->count(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 1, 3000);
        const qint64 pause = sinceLastKey.elapsed();
        QVERIFY2(pause >= 250 && pause < 1500, qPrintable(QString::number(pause)));
        QCOMPARE(popup->itemText(2), QStringLiteral("#2"));

        QTest::qWait(700);
        QCOMPARE(rebuilt->count(), 1);
        QVERIFY(!hasStoredChoice());
    }

    // A name set by the program counts as typing.
    void programSetNameRebuilds()
    {
        volumePopup->UpdateDatabasePopup(QString());
        const auto rebuilt = rebuildSpy();
        burn(QStringLiteral("photos"), 2);
        field->setText(QStringLiteral("Photos"));
        QVERIFY(timer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 1, 2000);
        QCOMPARE(popup->itemText(2), QStringLiteral("#3"));
    }

    void choiceSurvivesRebuild()
    {
        volumePopup->UpdateDatabasePopup(field->text());
        popup->setCurrentIndex(1);
        QCOMPARE(storedChoice(), 1);

        const auto rebuilt = rebuildSpy();
        field->setText(QStringLiteral("Trip"));
        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 1, 2000);
        QCOMPARE(popup->currentIndex(), 1);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Trip ") + Date::now().ShortDate());

        // After a burn under the name the number advances, the choice stays.
        popup->setCurrentIndex(2);
        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 2, 2000);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Trip #1"));
        burn(field->text(), 1);
        timer->start();
        QTRY_COMPARE_WITH_TIMEOUT(rebuilt->count(), 3, 2000);
        QCOMPARE(popup->currentIndex(), 2);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Trip #2"));
    }

    // A new window's popup has no selection: the stored choice is taken.
    void storedChoiceAtOpen_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::newRow("absent") << QString() << 0;
        QTest::newRow("none") << QStringLiteral("0") << 0;
        QTest::newRow("date") << QStringLiteral("1") << 1;
        QTest::newRow("number") << QStringLiteral("2") << 2;
        QTest::newRow("reset item") << QStringLiteral("4") << 0;
        QTest::newRow("negative") << QStringLiteral("-3") << 0;
        QTest::newRow("not a number") << QStringLiteral("date") << 0;
    }

    void storedChoiceAtOpen()
    {
        QFETCH(QString, stored);
        QFETCH(int, selected);
        burn(QStringLiteral("Backup"), 5);
        if (!stored.isNull())
            XMLModule::XMLRoot()->SetStringValue(QStringLiteral("VolumePopup"), stored);

        volumePopup->UpdateDatabasePopup(QStringLiteral("Backup"));
        QCOMPARE(popup->count(), 5);
        QCOMPARE(popup->currentIndex(), selected);
        QVERIFY(!timer->isActive());
    }

    void composedName_data()
    {
        QTest::addColumn<QString>("fieldText");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QStringLiteral("Holiday") << 0 << QStringLiteral("none") << QStringLiteral("Holiday");
        QTest::newRow("no selection") << QStringLiteral("Holiday") << -1 << QString() << QStringLiteral("Holiday");
        QTest::newRow("date") << QStringLiteral("Holiday") << 1 << QStringLiteral("7/4/05") << QStringLiteral("Holiday 7/4/05");
        QTest::newRow("number") << QStringLiteral("Holiday") << 2 << QStringLiteral("#5") << QStringLiteral("Holiday #5");
        QTest::newRow("separator") << QStringLiteral("Holiday") << 3 << QString() << QStringLiteral("Holiday");
        QTest::newRow("reset item") << QStringLiteral("Holiday") << 4 << ResetText << QStringLiteral("Holiday");
        QTest::newRow("empty field, number") << QString() << 2 << QStringLiteral("#1") << QStringLiteral(" #1");
        QTest::newRow("blank kept as typed") << QStringLiteral("Holiday ") << 0 << QStringLiteral("none") << QStringLiteral("Holiday ");
    }

    void composedName()
    {
        QFETCH(QString, fieldText);
        QFETCH(int, index);
        QFETCH(QString, itemText);
        QFETCH(QString, expected);
        QCOMPARE(VolumeNamePopup::ComposeVolumeName(fieldText, index, itemText), expected);
    }

    // A database of a later version: the popup offers #1 and no reset, with
    // the database's message at each rebuild, and the file is not written.
    void newerDatabaseOffersNumberOne()
    {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
            { DatabaseModule::DatabasePath(),
                QStringLiteral("create table sys_data( base_ver  integer, inst_date double); insert into sys_data values (2, 0);"
                               "create table volume_name( v_name varchar(255) not null, v_count integer not null, primary key( v_name));"
                               "insert into volume_name values ('holiday', 4);") });
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);
        QFile file(DatabaseModule::DatabasePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        field->setText(QStringLiteral("Holiday"));
        timer->stop();
        volumePopup->UpdateDatabasePopup(field->text());
        QCOMPARE(itemTexts(*popup), (QStringList { QStringLiteral("none"), Date::now().ShortDate(), QStringLiteral("#1") }));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QStringLiteral("Your volume name database has been updated by a more recent version")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        messages.clear();
    }

    // The example of a field reading Holiday with a stored count of 4.
    void composedNameFromControls()
    {
        burn(QStringLiteral("Holiday"), 4);
        field->setText(QStringLiteral("Holiday"));
        volumePopup->UpdateDatabasePopup(field->text());
        QCOMPARE(popup->currentIndex(), 0);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Holiday"));
        popup->setCurrentIndex(2);
        QCOMPARE(volumePopup->ComposedVolumeName(), QStringLiteral("Holiday #5"));
    }
};

QTEST_MAIN(TestVolumeNamePopup)
#include "tst_volumenamepopup.moc"
