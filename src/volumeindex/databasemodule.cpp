#include "volumeindex/databasemodule.h"

#include "settings/date.h"
#include "settings/usermessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace DatabaseModule {

namespace {

Q_LOGGING_CATEGORY(lcVolumeIndex, "kestrow.volumeindex")

// The layouts are fixed: other versions of the program read the same file.
const QString SysDataCreate = QStringLiteral("create table sys_data( base_ver  integer, inst_date double)");
const QString VolumeNameCreate = QStringLiteral("create table volume_name( v_name varchar(255) not null, v_count integer not null, primary key( v_name))");

const QString NewerVersionMessage = QStringLiteral(
    "Your volume name database has been updated by a more recent version of Kestrow. "
    "Volume name indexing is disabled now, you should use the most recent version.");

// SQLite's primary result codes for a file that is not a database at all and
// for a database whose pages are damaged (sqlite3.h: SQLITE_CORRUPT,
// SQLITE_NOTADB). The QSQLITE driver hands them over as nativeErrorCode().
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

// Module state: the file of the current operation and its connection. An
// invalid QSqlDatabase stands for "no database" (indexing unavailable).
QString MyDatabaseFolderitem;
QSqlDatabase MyDatabase;
int connectionSerial = 0;

QSqlDatabase newConnection(const QString& path)
{
    // A name of our own, so that no other part of the program (nor the default
    // connection) is ever touched or replaced by this module.
    const QString name = QStringLiteral("kestrow.volumeindex.%1").arg(++connectionSerial);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    return db;
}

void dropConnection()
{
    // The connection name is registered even when the driver failed to load,
    // so it is removed whether or not the handle is valid. Every QSqlQuery of
    // the connection is gone by now (they are all scoped inside operations).
    const QString name = MyDatabase.connectionName();
    MyDatabase.close();
    MyDatabase = QSqlDatabase();
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}

// The name as stored and compared: lower-cased, and never a null string, which
// Qt would bind as SQL NULL (the field's empty text is a name like any other).
QString storedName(const QString& name)
{
    const QString lower = name.toLower();
    return lower.isNull() ? QString::fromLatin1("") : lower;
}

bool isNotADatabase(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff; // extended codes keep the primary code in the low byte
    return ok && (code == SqliteNotADatabase || code == SqliteCorrupt);
}

// Makes both tables and the sys_data row in the open, empty database, all in
// one transaction so that a failure leaves an empty file rather than half a
// layout. Failures are logged; the database stays open as far as it got.
void createLayout()
{
    if (!MyDatabase.transaction()) {
        qCWarning(lcVolumeIndex) << "cannot start a transaction in" << MyDatabaseFolderitem << MyDatabase.lastError().text();
        return;
    }
    bool ok = false;
    {
        QSqlQuery query(MyDatabase);
        ok = query.exec(SysDataCreate);
        if (ok) {
            ok = query.prepare(QStringLiteral("insert into sys_data (base_ver, inst_date) values (?, ?)"));
            query.addBindValue(1);
            // The moment of creation in the date type's total seconds; never read.
            query.addBindValue(Date::now().TotalSeconds());
            ok = ok && query.exec();
        }
        ok = ok && query.exec(VolumeNameCreate);
        if (!ok)
            qCWarning(lcVolumeIndex) << "cannot create the volume name database" << MyDatabaseFolderitem << query.lastError().text();
    }
    if (ok && MyDatabase.commit())
        return;
    if (ok)
        qCWarning(lcVolumeIndex) << "cannot commit the new volume name database" << MyDatabase.lastError().text();
    MyDatabase.rollback();
}

void createDatabase()
{
    QDir().mkpath(QFileInfo(MyDatabaseFolderitem).absolutePath());
    MyDatabase = newConnection(MyDatabaseFolderitem);
    if (!MyDatabase.open()) {
        qCWarning(lcVolumeIndex) << "cannot create" << MyDatabaseFolderitem << MyDatabase.lastError().text();
        dropConnection();
        return;
    }
    createLayout();
}

// Keeps the counters of a file SQLite rejects, instead of deleting them: the
// file (and any journal beside it) is renamed to "Kestrow Database.damaged",
// replacing an older one of that name.
bool moveDamagedFileAside()
{
    const QString damaged = QFileInfo(MyDatabaseFolderitem).absolutePath() + u'/' + QString::fromUtf16(DamagedFileName);
    for (const QString& suffix : { QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm") }) {
        const QString from = MyDatabaseFolderitem + suffix;
        const QString to = damaged + suffix;
        if (QFileInfo::exists(to) && !QFile::remove(to)) {
            qCWarning(lcVolumeIndex) << "cannot remove the older" << to;
            if (suffix.isEmpty())
                return false;
        }
        if (QFileInfo::exists(from) && !QFile::rename(from, to)) {
            qCWarning(lcVolumeIndex) << "cannot move the damaged volume name database aside:" << from;
            if (suffix.isEmpty())
                return false;
        }
    }
    qCWarning(lcVolumeIndex) << "the volume name database was not readable and has been moved to" << damaged;
    return true;
}

void openExistingDatabase()
{
    MyDatabase = newConnection(MyDatabaseFolderitem);
    if (!MyDatabase.open()) {
        // A file we may not open (permissions, a folder of that name) is left
        // alone: only a file SQLite itself rejects is replaced below.
        qCWarning(lcVolumeIndex) << "cannot open" << MyDatabaseFolderitem << MyDatabase.lastError().text();
        dropConnection();
        return;
    }

    bool tooNew = false;
    bool damaged = false;
    bool empty = false;
    {
        QSqlQuery query(MyDatabase);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("select * from sys_data"))) {
            if (query.next())
                tooNew = query.value(QStringLiteral("base_ver")).toInt() > 1;
            else
                qCWarning(lcVolumeIndex) << "the volume name database has no sys_data row";
        } else if (isNotADatabase(query.lastError())) {
            damaged = true;
        } else {
            // SQLite takes a zero-length file for an empty database; that is a
            // file whose creation never finished, so it gets its layout now.
            empty = MyDatabase.tables(QSql::Tables).isEmpty();
            if (!empty)
                qCWarning(lcVolumeIndex) << "cannot read sys_data" << query.lastError().text();
        }
    }

    if (tooNew) {
        // Closed before the message: the message waits in an event loop in
        // which a timer may start another operation on the module state.
        dropConnection();
        UserMessage::show(NewerVersionMessage);
    } else if (damaged) {
        dropConnection();
        if (moveDamagedFileAside())
            createDatabase();
    } else if (empty) {
        createLayout();
    }
}

} // namespace

QString DatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + QString::fromUtf16(DatabaseFileName);
}

void TempOpenDatabase()
{
    // A connection left by an earlier operation is replaced, never leaked.
    dropConnection();
    MyDatabaseFolderitem = DatabasePath();
    if (QFileInfo::exists(MyDatabaseFolderitem))
        openExistingDatabase();
    else
        createDatabase();
}

void TempCloseDatabase()
{
    dropConnection();
}

bool IsDatabaseOpen()
{
    return MyDatabase.isOpen();
}

QString GetVolumeIndex(const QString& name)
{
    TempOpenDatabase();
    if (!IsDatabaseOpen())
        return QStringLiteral("1");

    QString result = QStringLiteral("1");
    {
        QSqlQuery query(MyDatabase);
        query.setForwardOnly(true);
        bool ok = query.prepare(QStringLiteral("select * from volume_name where v_name = ?"));
        query.addBindValue(storedName(name));
        ok = ok && query.exec();
        if (!ok)
            qCWarning(lcVolumeIndex) << "cannot read the running number" << query.lastError().text();
        else if (query.next())
            result = QString::number(query.value(QStringLiteral("v_count")).toLongLong() + 1);
    }
    TempCloseDatabase();
    return result;
}

bool IncrementVolumeIndex(const QString& name)
{
    TempOpenDatabase();
    if (!IsDatabaseOpen())
        return false;

    const QString lowerName = storedName(name);
    bool ok = MyDatabase.transaction();
    if (ok) {
        QSqlQuery query(MyDatabase);
        query.setForwardOnly(true);
        ok = query.prepare(QStringLiteral("select * from volume_name where v_name = ?"));
        query.addBindValue(lowerName);
        ok = ok && query.exec();
        if (ok && query.next()) {
            const qlonglong count = query.value(QStringLiteral("v_count")).toLongLong();
            query.finish();
            // The new count goes in as decimal text, as older versions wrote
            // it; the column's integer affinity stores it as a number.
            ok = query.prepare(QStringLiteral("update volume_name SET v_count = ? where v_name = ?"));
            query.addBindValue(QString::number(count + 1));
            query.addBindValue(lowerName);
            ok = ok && query.exec();
        } else if (ok) {
            query.finish();
            ok = query.prepare(QStringLiteral("insert into volume_name (v_name, v_count) values (?, ?)"));
            query.addBindValue(lowerName);
            query.addBindValue(1);
            ok = ok && query.exec();
        }
        if (!ok)
            qCWarning(lcVolumeIndex) << "cannot advance the running number" << query.lastError().text();
    } else {
        qCWarning(lcVolumeIndex) << "cannot start a transaction" << MyDatabase.lastError().text();
    }

    if (ok && !MyDatabase.commit()) {
        qCWarning(lcVolumeIndex) << "cannot commit the running number" << MyDatabase.lastError().text();
        ok = false;
    }
    if (!ok)
        MyDatabase.rollback();
    TempCloseDatabase();
    return ok;
}

void ResetVolumeCounter(const QString& name)
{
    TempOpenDatabase();
    if (!IsDatabaseOpen())
        return;
    {
        QSqlQuery query(MyDatabase);
        bool ok = query.prepare(QStringLiteral("delete from volume_name where v_name = ?"));
        query.addBindValue(storedName(name));
        ok = ok && query.exec();
        if (!ok)
            qCWarning(lcVolumeIndex) << "cannot reset the running number" << query.lastError().text();
    }
    TempCloseDatabase();
}

} // namespace DatabaseModule
