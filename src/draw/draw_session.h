#pragma once
// The rules of the draw, apart from any window: the photos of a rolling tick, the stop that picks and
// records a winner, and the text of the winners board.
#include <QString>
#include <QStringList>
#include <optional>

#include "data/prize_levels.h"

namespace ld {

class Query;

// What one stop recorded, for the window to show.
struct DrawResult {
  bool drawn = false;  // somebody was picked and recorded; otherwise nobody was eligible
  int order = 0;       // the draw order given
  int id = 0;
  QString department;
  QString name;
  QString photo;  // stored path, "zp\…"
  int level = kOutsidePlan;
  bool planExhausted = false;   // a limited plan whose every prize had been drawn already
  bool completesLevel = false;  // the fireworks are due
  int pool = 0;                 // eligible participants before the pick
};

class DrawSession {
 public:
  explicit DrawSession(Query& query) : query_(query) {}

  // Stored photo paths for the eight tiles in order; with fewer eligible rows the last one repeats.
  // Empty when nobody is eligible.
  QStringList rollingPhotos();

  // Order, pick, prize level and record, all in one transaction that only records a participant who is
  // still undrawn. Throws when nothing could be recorded; the database is then as it was.
  DrawResult stop();

  // The event's database file is no longer the one this program opened: only a restart can record again.
  bool databaseMovedOrReplaced() const;

  // The winner of `result`, the latest stop's, is not in the room: the participant is recorded absent
  // (kAbsent) and leaves both the pool and the winners, with a journal row, in one transaction. The next
  // stop therefore gives the replacement the same prize level and the same draw order. Throws, changing
  // nothing, when the participant is no longer recorded as that stop left them or a later winner exists.
  void markAbsent(const DrawResult& result);

  // The winners board for the level in progress; nothing when no level applies (the board keeps its text).
  std::optional<QString> boardText();

 private:
  int nextDrawOrder();
  void pick(DrawResult& result);
  Query& query_;
};

}  // namespace ld
