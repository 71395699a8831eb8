#pragma once
// What the audience screen shows, as the draw announces it, and in which colours. Plain values: the stage
// paints them and keeps no connection to the event.
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <optional>

namespace ld::stage {

// A winner as the hall sees them.
struct Winner {
  int order = 0;  // draw order
  int id = 0;
  QString name;
  QString department;
  QString photo;  // stored path, "zp\…"; the stage looks for the sharper copy itself
  int level = 0;  // 1 … 4, an extra prize from 100 up, or 99 outside the plan
  QString prize;  // the prize's name as shown (an extra prize's own name); empty outside the plan
  bool absent = false;
};

// The prize being drawn: its name, how far it has got, and who may win it.
struct PrizeProgress {
  int level = 0;
  QString name;
  int drawn = 0;
  int total = 0;  // 0: no limit (an unlimited plan)
  // Who may win it, written out; empty: everyone. Braced, so that lists giving only the first four stay
  // free of warnings.
  QString rule{};
  int pool = -1;      // how many may win it now; -1: not known
  int eligible = -1;  // how many are still eligible for any prize; -1: not known
};

// One prize of the roll of honour, with its winners in draw order. The roll lists the prizes in the order
// given: the first prize first, winners outside the plan last.
struct HonourPrize {
  QString name;
  QList<Winner> winners;
};

// The event's own look. Null pictures and invalid colours mean the built-in festive default.
struct Theme {
  QImage background;  // fills the screen, cropped to it, never stretched
  QImage logo;        // top left; none when null
  QString title;      // the event's title ("2026 年会"); the company name is shown beside it
  QColor base;        // behind everything, and where the background picture is dark
  QColor accent;      // prize names, counts, frames
  QColor text;        // names and titles
};

}  // namespace ld::stage
