#pragma once
// The rules of the draw, apart from any window: the photos of a rolling tick, the stop that picks and
// records a winner, and the text of the winners board. It announces every result and every change by
// signals; the draw window, the sound and the fireworks listen.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "data/draw_store.h"
#include "data/prize_levels.h"
#include "framework/errors.h"

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

// A stop that recorded nothing: what went wrong and what the operator can do about it.
class StopNotSaved : public Error {
 public:
  StopNotSaved(const QString& message, QString advice) : Error(message), advice_(std::move(advice)) {}
  const QString& advice() const { return advice_; }

 private:
  QString advice_;
};

class DrawSession : public QObject {
  Q_OBJECT
 public:
  // Starts the background preparation of photos too large to decode within a tick.
  explicit DrawSession(Query& query, QObject* parent = nullptr);

  // A new roll: its first tick reads the eligible participants again, so changes made between rolls show;
  // large photos copied in meanwhile are prepared.
  void beginRoll();
  // The roll ended with no stop and nothing to journal (a tick that failed).
  void abandonRoll();

  // Stored photo paths for the eight tiles: a fresh uniform random sample of the eligible participants in
  // random order; with fewer eligible the last one repeats. Empty when nobody is eligible.
  // The eligible are read once per roll; each tick only checks its eight by key, so somebody drawn,
  // deleted or renamed meanwhile never shows as they were.
  QStringList rollingPhotos();

  // Order, prize, pool, pick and record, all in one transaction that only records a participant who is
  // still undrawn. The winner is then read back as the roster holds them, and the journal row written from
  // that; what is returned and announced is what the database holds. Throws StopNotSaved, naming the cause,
  // when nothing could be recorded or the roster does not hold the win as written; the database is then as
  // it was and nothing is announced.
  DrawResult stop();

  // A roll called off before its stop: nobody is drawn, the journal tells of it (with the pool it rolled
  // through), and the next roll reads the pool again.
  void cancelRoll();

  // Under a limited plan whose every prize is drawn: the next stop's winner is outside the plan.
  bool nextIsOutsidePlan();

  // The event's database file is no longer the one this program opened: only a restart can record again.
  bool databaseMovedOrReplaced() const;

  // The winner of `result`, the latest stop's, is not in the room: the participant is recorded absent
  // (kAbsent) and leaves both the pool and the winners, with a journal row, in one transaction. The next
  // stop therefore gives the replacement the same prize level and the same draw order. Throws, changing
  // nothing, when the participant is no longer recorded as that stop left them or a later winner exists.
  void markAbsent(const DrawResult& result);

  // The winners board for the level in progress; nothing when no level applies (the board keeps its text).
  std::optional<QString> boardText();

 signals:
  // The tiles started or stopped rolling, for whatever reason.
  void rolling(bool on);
  // A tick's photos, as the handset shows them: the audience screen rolls through the same people.
  void rolled(const QStringList& photos);
  // A stop was saved: its winners in draw order (one today), none when nobody was eligible.
  void drawn(const QList<ld::DrawResult>& winners);
  // A stop completed the block of this prize level: the fireworks are due.
  void levelCompleted(int level);
  // A roll was called off; nobody was drawn.
  void rollCancelled();
  // The winner was recorded absent: the prize is drawn again.
  void winnerAbsent(const ld::DrawResult& winner);
  // Changed elsewhere (the settings window): every result cleared, or the prize plan saved.
  void resultsCleared();
  void planChanged();

 private:
  void readPool();
  DrawResult record();
  DrawStore store_;
  // Ids of the participants eligible when the roll's pool was read; shuffled in place by the sampling.
  std::vector<int> pool_;
  bool poolRead_ = false;
};

}  // namespace ld
