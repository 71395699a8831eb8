#include "web/html_text.h"

namespace ld::web {

QString htmlEscape(QStringView text) {
  QString out;
  out.reserve(text.size() + text.size() / 8);
  for (QChar c : text) {
    switch (c.unicode()) {
      case '&':
        out += QLatin1String("&amp;");
        break;
      case '<':
        out += QLatin1String("&lt;");
        break;
      case '>':
        out += QLatin1String("&gt;");
        break;
      case '"':
        out += QLatin1String("&quot;");
        break;
      case '\'':
        out += QLatin1String("&#39;");
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace ld::web
