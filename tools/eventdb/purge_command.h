#pragma once
// eventdb purge: takes what an event holds about people out of its folder once the event is over.
#include <QString>
#include <QStringList>

namespace ld::eventdb {

extern const char* const kPurgeUsage;
extern const char* const kPurgeHelp;

// Runs "purge" on the arguments after the program name. What was removed goes to `out`, a message for
// stderr to `error`. Exit status 0 on success, 1 on failure (what was removed before it is still listed),
// 2 on wrong usage.
int runPurgeCommand(const QStringList& args, QStringList& out, QString& error);

}  // namespace ld::eventdb
