#pragma once
// Readable failure messages for Chinese text: GoogleTest prints a QString (alone or in a QStringList) as
// its characters instead of its bytes. Found by argument-dependent lookup, so it stays in the global
// namespace.
#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
