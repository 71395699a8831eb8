#pragma once
// The event's own look for the audience screen, kept with the event: the title and the three colours as
// rows of table ztsz ("#rrggbb"), the background and the logo as files in zt/ beside zp/.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

#include "stage/stage_content.h"

namespace ld {

class Query;

// The look of an event that has chosen nothing: the built-in background, deep crimson, gold and white.
QColor defaultThemeBase();
QColor defaultThemeAccent();
QColor defaultThemeText();
// `theme` with every null picture (but the logo, which may be absent) and invalid colour taken from the
// default look.
stage::Theme withThemeDefaults(stage::Theme theme);

// A change to the look, every value as it is to be kept. An invalid colour is kept as none (the default).
// A picture: nullopt keeps the stored one, empty bytes remove it, other bytes (the stored form, as
// themePictureFromFile gives it) replace it.
struct ThemeChange {
  QString title;
  QColor base, accent, text;
  std::optional<QByteArray> background, logo;
};

class ThemeStore {
 public:
  // `eventFolder`: the folder holding db/ and zt/.
  ThemeStore(Query& query, QString eventFolder);

  // What the event keeps: null pictures and invalid colours where it keeps none. A value or a picture that
  // cannot be read is left out, and why is added to `problems` (and logged); nothing throws.
  stage::Theme stored(QStringList* problems = nullptr);
  // What the stage shows: what is kept, the default where nothing (or nothing readable) is.
  stage::Theme load(QStringList* problems = nullptr) { return withThemeDefaults(stored(problems)); }

  // The rows in one transaction, the pictures written under scratch names first and put in place once the
  // rows are saved. Throws ld::Error (DbError for the rows); a failure before the rows are saved leaves
  // everything as it was.
  void save(const ThemeChange& change);

 private:
  Query& q_;
  QString folder_;
};

}  // namespace ld
