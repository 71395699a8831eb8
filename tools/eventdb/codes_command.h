#pragma once
// eventdb codes: every participant's personal check-in code as a table for HR to send, and optionally the
// invitation cards to print.
#include <QString>
#include <QStringList>

namespace ld::eventdb {

extern const char* const kCodesUsage;
extern const char* const kCodesHelp;

// Runs "codes" on the arguments after the program name. The lines for stdout go to `out`, a message for
// stderr to `error`. Exit status 0 on success, 1 on failure, 2 on wrong usage (`error` saying what was
// wrong when it can).
int runCodesCommand(const QStringList& args, QStringList& out, QString& error);

}  // namespace ld::eventdb
