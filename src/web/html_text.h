#pragma once
// Text put into the pages the phones are served: names and prizes come from the roster and the check-in
// form, so every one of them is escaped, attribute values included.
#include <QString>
#include <QStringView>

namespace ld::web {

// Escapes & < > " and ' so the text can stand in an element or a quoted attribute.
QString htmlEscape(QStringView text);

}  // namespace ld::web
