#pragma once
// eventdb theme: the audience screen's look of an event, shown and changed from scripts.
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace ld::eventdb {

struct ThemeOptions {
  bool reset = false;  // first back to the built-in look: no title, default colours, no pictures
  std::optional<QString> title;
  std::optional<QString> background, logo;       // a picture file to take; an empty text removes the picture
  std::optional<std::array<QColor, 3>> colours;  // base, accent, text; an invalid one is the default
};

// Parses "--colours base,accent,text": each "#rrggbb" or "-" for the default. Nullopt when malformed.
std::optional<std::array<QColor, 3>> parseThemeColours(const QString& text);

// Applies the options (when any) to the event in `folder`, a picture checked and brought to its stored form
// first, and returns the look as kept, one line per value. Throws ld::Error; a refused picture changes
// nothing.
QStringList theme(const QString& folder, const ThemeOptions& options);

}  // namespace ld::eventdb
