#pragma once
// A consistent copy of an event database that is in use: SQLite's online backup, a few pages at a time, so
// the copy holds the file's read lock only for a moment per step and never keeps a stop waiting. A change
// made by another program between steps starts the copy again, so the copy is always one committed state.
#include <QString>
#include <functional>

namespace ld {

class Connection;

// Called after every step, the last one too, with the pages copied so far and the pages of the file; no
// lock is held meanwhile.
using BackupProgress = std::function<void(int copied, int total)>;

// Copies the database `source` opens (connected on demand) into the new file `target`, encrypted with the
// same password, and syncs it to disk. Refuses a `target` that exists. Throws DbError; a failure leaves no
// file at `target`.
void onlineBackup(Connection& source, const QString& target, const BackupProgress& progress = {});

}  // namespace ld
