#pragma once
// eventdb plan / prize: the prize plan shown and changed from scripts, each prize with its rule.
#include <QString>
#include <QStringList>

namespace ld::eventdb {

extern const char* const kPlanUsage;
extern const char* const kPlanHelp;

bool isPlanCommand(const QString& command);
// Runs "plan" or "prize" on the arguments after the program name. The lines for stdout go to `out`, a
// message for stderr to `error`. Exit status 0 on success; 1 on failure, with nothing stored; 2 on wrong
// usage, `error` then saying what was wrong when it can.
int runPlanCommand(const QStringList& args, QStringList& out, QString& error);

}  // namespace ld::eventdb
