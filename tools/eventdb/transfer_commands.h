#pragma once
// eventdb import / export / pack / unpack.
#include <QStringList>

namespace ld {

extern const char* const kTransferUsage;
extern const char* const kTransferHelp;

bool isTransferCommand(const QString& command);
// Runs one of the commands on the arguments after the program name. Exit status 0 on success, 1 on
// failure (or nothing imported), 2 on wrong usage.
int runTransferCommand(const QStringList& args);

}  // namespace ld
