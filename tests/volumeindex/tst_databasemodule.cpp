// The volume name database: running numbers per name, the file it lives in,
// and how a foreign, newer or broken file is treated.

#include "settings/usermessage.h"
#include "volumeindex/databasemodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString NewerVersionMessage = QStringLiteral(
    "Your volume name database has been updated by a more recent version of Kestrow. "
    "Volume name indexing is disabled now, you should use the most recent version.");

// Runs the sqlite3 shell on the file: an independent reader and writer of the
// database, so the checks do not go through the code under test.
QString sqliteShell(const QString& path, const QString& sql)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), { QStringLiteral("-batch"), path, sql });
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0) {
        qWarning() << "sqlite3 failed:" << shell.readAllStandardError();
        return QStringLiteral("<sqlite3 failed>");
    }
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class TestDatabaseModule : public QObject {
    Q_OBJECT

    QStringList messages;
    QString dbPath;
    QString damagedPath;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        UserMessage::setHandler([this](const QString& text) { messages << text; });
        dbPath = DatabaseModule::DatabasePath();
        damagedPath = QFileInfo(dbPath).absolutePath() + QStringLiteral("/Kestrow Database.damaged");
        QCOMPARE(QFileInfo(dbPath).fileName(), QStringLiteral("Kestrow Database"));
        QCOMPARE(QFileInfo(dbPath).absolutePath(), QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    void init()
    {
        QFile::remove(dbPath);
        QFile::remove(damagedPath);
        QDir().mkpath(QFileInfo(dbPath).absolutePath());
        messages.clear();
    }

    void cleanup()
    {
        // Every operation closes and drops its own connection.
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    }

    // Operations "+name" (a successful burn) and "-name" (reset) in order,
    // then the next number for the asked name.
    void runningNumbers_data()
    {
        QTest::addColumn<QStringList>("operations");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("expected");

        QTest::newRow("never burned") << QStringList() << QStringLiteral("Holiday") << QStringLiteral("1");
        QTest::newRow("one burn") << QStringList { QStringLiteral("+Holiday") } << QStringLiteral("Holiday") << QStringLiteral("2");
        QTest::newRow("two burns") << QStringList { QStringLiteral("+Holiday"), QStringLiteral("+Holiday") } << QStringLiteral("Holiday")
                                   << QStringLiteral("3");
        QTest::newRow("reset") << QStringList { QStringLiteral("+Holiday"), QStringLiteral("+Holiday"), QStringLiteral("-Holiday") }
                               << QStringLiteral("Holiday") << QStringLiteral("1");
        QTest::newRow("burn after reset") << QStringList { QStringLiteral("+Holiday"), QStringLiteral("-Holiday"), QStringLiteral("+Holiday") }
                                          << QStringLiteral("Holiday") << QStringLiteral("2");
        QTest::newRow("Trip and TRIP share") << QStringList { QStringLiteral("+Trip"), QStringLiteral("+TRIP") } << QStringLiteral("trip")
                                             << QStringLiteral("3");
        QTest::newRow("reset by other case") << QStringList { QStringLiteral("+Trip"), QStringLiteral("-tRIP") } << QStringLiteral("Trip")
                                             << QStringLiteral("1");
        QTest::newRow("single quote") << QStringList { QStringLiteral("+Bob's Disc"), QStringLiteral("+Bob's Disc") } << QStringLiteral("BOB'S DISC")
                                      << QStringLiteral("3");
        QTest::newRow("quote is not Bobs") << QStringList { QStringLiteral("+Bob's Disc") } << QStringLiteral("Bobs Disc") << QStringLiteral("1");
        QTest::newRow("empty name") << QStringList { QStringLiteral("+") } << QString() << QStringLiteral("2");
        QTest::newRow("empty name is its own") << QStringList { QStringLiteral("+Holiday") } << QString() << QStringLiteral("1");
        QTest::newRow("names are not SQL") << QStringList { QStringLiteral("+Backup"), QStringLiteral("-x' or '1'='1") } << QStringLiteral("Backup")
                                           << QStringLiteral("2");
        QTest::newRow("other names untouched") << QStringList { QStringLiteral("+Backup"), QStringLiteral("+Holiday"), QStringLiteral("-Holiday") }
                                               << QStringLiteral("Backup") << QStringLiteral("2");
    }

    void runningNumbers()
    {
        QFETCH(QStringList, operations);
        QFETCH(QString, asked);
        QFETCH(QString, expected);

        for (const QString& op : operations) {
            const QString name = op.mid(1);
            if (op.startsWith(u'+'))
                QVERIFY(DatabaseModule::IncrementVolumeIndex(name));
            else
                DatabaseModule::ResetVolumeCounter(name);
        }
        QCOMPARE(DatabaseModule::GetVolumeIndex(asked), expected);
        QCOMPARE(messages, QStringList());
    }

    void newFileHasLayoutAndVersion()
    {
        QVERIFY(!QFileInfo::exists(dbPath));
        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Trip")), QStringLiteral("1"));
        QVERIFY(QFileInfo::exists(dbPath));

        // SQLite keeps each create statement as written, except that it
        // upper-cases the leading "create table".
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select sql from sqlite_master where type = 'table' order by name")),
            QStringLiteral("CREATE TABLE sys_data( base_ver  integer, inst_date double)\n"
                           "CREATE TABLE volume_name( v_name varchar(255) not null, v_count integer not null, primary key( v_name))"));
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select count(*), base_ver, typeof(inst_date) from sys_data")), QStringLiteral("1|1|real"));
        // inst_date: seconds since 1904 in local time, so well past 3.7e9 today.
        QVERIFY(sqliteShell(dbPath, QStringLiteral("select inst_date > 3.7e9 from sys_data")) == QStringLiteral("1"));

        QVERIFY(DatabaseModule::IncrementVolumeIndex(QStringLiteral("Trip")));
        QVERIFY(DatabaseModule::IncrementVolumeIndex(QStringLiteral("TRIP")));
        QVERIFY(DatabaseModule::IncrementVolumeIndex(QStringLiteral("Bob's Disc")));
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select v_name, v_count, typeof(v_count) from volume_name order by v_name")),
            QStringLiteral("bob's disc|1|integer\ntrip|2|integer"));
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select count(*) from sys_data")), QStringLiteral("1"));
    }

    // A file written by a later layout is read, refused with the message, and
    // never written: all three operations, each with its own message.
    void newerVersionIsLeftAlone()
    {
        QCOMPARE(sqliteShell(dbPath,
                     QStringLiteral("create table sys_data( base_ver  integer, inst_date double);"
                                    "insert into sys_data values (2, 0);"
                                    "create table volume_name( v_name varchar(255) not null, v_count integer not null, primary key( v_name));"
                                    "insert into volume_name values ('holiday', 4);")),
            QString());
        const QByteArray before = readAll(dbPath);
        QVERIFY(!before.isEmpty());

        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Holiday")), QStringLiteral("1"));
        QCOMPARE(messages, QStringList { NewerVersionMessage });
        QVERIFY(!DatabaseModule::IncrementVolumeIndex(QStringLiteral("Holiday")));
        DatabaseModule::ResetVolumeCounter(QStringLiteral("Holiday"));
        QCOMPARE(messages, QStringList(3, NewerVersionMessage));

        QCOMPARE(readAll(dbPath), before);
        QVERIFY(!QFileInfo::exists(damagedPath));
        QVERIFY(!QFileInfo::exists(dbPath + QStringLiteral("-journal")));
    }

    void unreadableFileIsMovedAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("short garbage") << QByteArray("garbage");
        QTest::newRow("long garbage") << QByteArray("this is not a database\n").repeated(400);
        QByteArray badPages("SQLite format 3");
        badPages.append('\0');
        badPages.append(QByteArray(4080, '\xff'));
        QTest::newRow("damaged header") << badPages;
    }

    void unreadableFileIsMovedAside()
    {
        QFETCH(QByteArray, content);
        writeAll(dbPath, content);
        writeAll(damagedPath, "an older damaged file");

        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Trip")), QStringLiteral("1"));
        QCOMPARE(messages, QStringList());
        QCOMPARE(readAll(damagedPath), content);
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select base_ver from sys_data")), QStringLiteral("1"));

        QVERIFY(DatabaseModule::IncrementVolumeIndex(QStringLiteral("Trip")));
        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Trip")), QStringLiteral("2"));
        QCOMPARE(readAll(damagedPath), content);
    }

    // An empty file (creation cut short) becomes a database in place; there
    // is nothing in it worth moving aside.
    void emptyFileGetsLayout()
    {
        writeAll(dbPath, QByteArray());
        QVERIFY(DatabaseModule::IncrementVolumeIndex(QStringLiteral("Trip")));
        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Trip")), QStringLiteral("2"));
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select base_ver from sys_data")), QStringLiteral("1"));
        QVERIFY(!QFileInfo::exists(damagedPath));
        QCOMPARE(messages, QStringList());
    }

    // A database SQLite reads but that lacks the counter table: advancing
    // fails, says so, and neither throws nor leaves the file open or moved.
    void failingIncrementReportsFalse()
    {
        QCOMPARE(sqliteShell(dbPath,
                     QStringLiteral("create table sys_data( base_ver  integer, inst_date double);"
                                    "insert into sys_data values (1, 0);")),
            QString());
        QVERIFY(!DatabaseModule::IncrementVolumeIndex(QStringLiteral("Trip")));
        QCOMPARE(DatabaseModule::GetVolumeIndex(QStringLiteral("Trip")), QStringLiteral("1"));
        DatabaseModule::ResetVolumeCounter(QStringLiteral("Trip"));
        QVERIFY(!QFileInfo::exists(damagedPath));
        QCOMPARE(sqliteShell(dbPath, QStringLiteral("select count(*) from sqlite_master")), QStringLiteral("1"));
        QCOMPARE(messages, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDatabaseModule)
#include "tst_databasemodule.moc"
