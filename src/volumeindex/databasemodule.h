#pragma once

// The volume name database: for every volume name the last running number
// burned with it, kept in the SQLite file "Kestrow Database" in the user's
// preferences folder. Names are compared without regard to case (they are
// stored lower-cased), so Backup and BACKUP share one counter.
//
// No connection stays open between operations: each of the three operations
// opens the file, does its work, commits where it changed something and closes
// it again. A file written by a later layout (base_ver above 1) is never
// changed; every operation then shows a message through UserMessage::show and
// behaves as if indexing were unavailable. A file that SQLite does not accept
// as a database is moved aside to "Kestrow Database.damaged" and replaced by a
// new, empty database.
//
// Thread: main thread only (the module keeps one shared state, no locking).
// Needs a QCoreApplication (the QSQLITE driver is a plugin).

#include <QString>

namespace DatabaseModule {

// The file name inside the preferences folder, and the name a damaged file is
// moved to.
inline constexpr char16_t DatabaseFileName[] = u"Kestrow Database";
inline constexpr char16_t DamagedFileName[] = u"Kestrow Database.damaged";

// Full path of the database file (the preferences folder is
// QStandardPaths::GenericConfigLocation).
[[nodiscard]] QString DatabasePath();

// Opens the database for one operation, creating the file with both tables
// when it is missing. Afterwards IsDatabaseOpen() tells whether indexing is
// available. The three operations below call it themselves.
void TempOpenDatabase();

// Closes the database opened by TempOpenDatabase (if any) and drops its
// connection. Safe to call when nothing is open.
void TempCloseDatabase();

// Whether TempOpenDatabase left a usable database open.
[[nodiscard]] bool IsDatabaseOpen();

// The next running number for the name (as the user typed it), as decimal
// text: "1" for a name never burned and whenever indexing is unavailable.
[[nodiscard]] QString GetVolumeIndex(const QString& name);

// Advances the name's counter after a successful burn: 1 for a new name,
// otherwise one more. Never throws; answers false (and logs why) when the
// counter could not be stored. Callers after a burn may ignore the answer.
bool IncrementVolumeIndex(const QString& name);

// Forgets the name's counter, so its next number is 1 again. Failures are
// logged and otherwise ignored.
void ResetVolumeCounter(const QString& name);

} // namespace DatabaseModule
