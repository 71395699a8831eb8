#pragma once
// The statements are written in the dialect of the original database engine; these are the few
// places where ours differs.
#include <QString>

namespace ld {

// "select top N ..." becomes "select ... limit N"; everything else is sent as written
// (rnd() is a registered function, [ID] and case-insensitive names are the engine's own).
QString translateStatement(const QString& statement);

}  // namespace ld
