#include "data/dialect.h"

#include <QRegularExpression>

namespace ld {

QString translateStatement(const QString& statement) {
  static const QRegularExpression top(
      QStringLiteral("^\\s*select\\s+top\\s+(\\d+)\\s+(.*)$"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const auto m = top.match(statement);
  if (!m.hasMatch()) return statement;
  return QStringLiteral("select ") + m.captured(2) + QStringLiteral(" limit ") + m.captured(1);
}

}  // namespace ld
