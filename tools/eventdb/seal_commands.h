#pragma once
// eventdb seal, entropy, proof and verify: a draw sealed before it starts, and its proof checked after.
#include <QString>
#include <QStringList>

namespace ld::eventdb {

extern const char* const kSealUsage;
extern const char* const kSealHelp;

bool isSealCommand(const QString& command);

// Runs one of them on the arguments after the program name: lines for stdout to `out`, a message for
// stderr to `error`. Exit status 0 on success (for verify: every stop replays and the hashes hold), 1 on
// failure, 2 on wrong usage.
int runSealCommand(const QStringList& args, QStringList& out, QString& error);

// Before a command that changes what a seal fixes (`writes` names its event folder): while the event's seal
// holds, refuses (1, with why in `error`) unless `--break-seal` is among the arguments, in which case the
// seal is broken first, journaled with the command's name. The option is taken out of `args`. 0 to go on.
int guardSealedChange(QStringList& args, const QString& writes, QString& error);

}  // namespace ld::eventdb
