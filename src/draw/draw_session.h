#pragma once
// The rules of the draw, apart from any window: the photos of a rolling tick, the stop that picks and
// records a winner, and the text of the winners board. It announces every result and every change by
// signals; the draw window, the sound and the fireworks listen.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "data/draw_store.h"
#include "data/plan_store.h"
#include "data/prize_levels.h"
#include "data/seal_store.h"
#include "draw/batch_pick.h"
#include "framework/errors.h"

namespace ld {

class Query;

// One winner of a stop, for the windows to show.
struct DrawResult {
  bool drawn = false;  // somebody was picked and recorded; otherwise nobody was eligible
  int order = 0;       // the draw order given
  int id = 0;
  QString department;
  QString name;
  QString photo;  // stored path, "zp\…"
  int level = kOutsidePlan;
  QString prize;                // the prize's name as stored; empty outside the plan
  QString rule;                 // the prize's rule written out as stored; empty for everyone
  bool planExhausted = false;   // a limited plan whose every prize had been drawn already
  bool completesLevel = false;  // the fireworks are due (the same for every winner of the stop)
  bool replacement = false;     // drawn in place of a winner marked absent
  int pool = 0;                 // participants the prize's rule left to pick from, before the pick
  int eligible = 0;             // eligible participants, whatever the rule
};

// A prize of the plan as the operator's screen and the stage show it.
struct PrizeStatus {
  Prize prize;
  int drawn = 0;     // winners it has
  int left = 0;      // winners it still gives
  int pool = 0;      // eligible participants its rule admits now
  int eligible = 0;  // eligible participants, whatever the rule
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

  // Orders, prize, pool, pick and record, all in one transaction that only records participants who are
  // still undrawn. The prize is the one owed replacements for winners marked absent, else the one the
  // operator chose while it has winners left, else the next in drawing order; it gives as many winners as
  // it draws per press and has left, under its rule. The winners are then read back as the roster holds
  // them, and a journal row written for each; what is returned and announced is what the database holds.
  // Returns the winners in draw order, or one result with `drawn` false when nobody was eligible. Throws
  // StopNotSaved, naming the cause, when nothing could be recorded or the roster does not hold the wins as
  // written; the database is then as it was and nothing is announced.
  QList<DrawResult> stop();

  // A roll called off before its stop: nobody is drawn, the journal tells of it (with the pool it rolled
  // through), and the next roll reads the pool again.
  void cancelRoll();

  // Under a limited plan whose every prize is drawn: the next stop's winner is outside the plan.
  bool nextIsOutsidePlan();

  // The prize the operator wants drawn next, by level; none for the drawing order. A prize whose winners
  // are all drawn is passed over. Throws Error for a level the plan does not hold.
  void choosePrize(std::optional<int> level);
  std::optional<int> chosenPrize() const { return chosen_; }
  // The level the next stop draws: the replacements owed, the chosen prize, the next in order; none when no
  // plan applies or every prize is drawn.
  std::optional<int> upcomingLevel();
  // Every prize of the plan (or only the one of `onlyLevel`, whose pool alone is counted) with its winners
  // and its live pool, in drawing order; empty when no plan applies.
  std::vector<PrizeStatus> prizeStatus(std::optional<int> onlyLevel = std::nullopt);

  // The event's database file is no longer the one this program opened: only a restart can record again.
  bool databaseMovedOrReplaced() const;

  // A winner of the latest stop is not in the room: the participant is recorded absent (kAbsent) and leaves
  // both the pool and the winners, with a journal row, in one transaction. The next stop draws the
  // replacements of the stop's absent winners at their prize level and draw orders. Throws, changing
  // nothing, when the participant is no longer recorded as that stop left them or a later stop exists.
  void markAbsent(const DrawResult& result);

  // An earlier win is taken back (declined, or not eligible after all) for `reason`: the participant is
  // recorded voided and leaves the pool and the winners, with a journal row, in one transaction; the prize
  // has one more winner to draw, at its next stop. Throws, changing nothing, for an empty reason or when
  // the roster no longer holds the win.
  void voidWin(const RecordedWinner& winner, const QString& reason);

  // The random source of the picks; the secure generator unless a test gives another.
  void setUniformSource(UniformSource uniform) { uniform_ = std::move(uniform); }

  // A sealed draw. Sealing fixes the roster, the plan and a secret's digest and returns the seal (64 hex
  // digits); the public entropy is given once after it; from then on every stop is the sealed pick, which
  // anyone can compute again from the proof. Until the entropy is given a stop refuses, and while the seal
  // holds no prize can be chosen out of turn. Breaking the seal (with a reason, journaled) returns to the
  // usual pick. Each throws Error, changing nothing, where the state does not allow it.
  QString seal();
  void setEntropy(const QString& text);
  void breakSeal(const QString& why);
  SealState sealState();

  // The winners board for the level in progress; nothing when no level applies (the board keeps its text).
  std::optional<QString> boardText();

 signals:
  // The tiles started or stopped rolling, for whatever reason.
  void rolling(bool on);
  // A tick's photos, as the handset shows them: the audience screen rolls through the same people.
  void rolled(const QStringList& photos);
  // A stop was saved: its winners in draw order, none when nobody was eligible.
  void drawn(const QList<ld::DrawResult>& winners);
  // A stop completed the block of this prize level: the fireworks are due.
  void levelCompleted(int level);
  // A roll was called off; nobody was drawn.
  void rollCancelled();
  // The winner was recorded absent: the prize is drawn again.
  void winnerAbsent(const ld::DrawResult& winner);
  // An earlier win was taken back.
  void winVoided(const ld::RecordedWinner& winner, const QString& reason);
  // The prize chosen for the next stop changed.
  void prizeChosen(std::optional<int> level);
  // The event was sealed, given its entropy, or its seal broken.
  void sealChanged();
  // Changed elsewhere (the settings window): every result cleared, or the prize plan saved.
  void resultsCleared();
  void planChanged();

 private:
  // What the next stop draws: its prize (none outside the plan), level, and draw orders to fill.
  struct Upcoming {
    std::optional<Prize> prize;
    int level = kOutsidePlan;
    std::vector<int> orders;
    bool planExhausted = false;
    bool replacement = false;
  };
  Upcoming upcoming(const PrizePlan& plan, bool withOrders);
  void readPool();
  QList<DrawResult> record();
  DrawStore store_;
  UniformSource uniform_ = secureUniform();
  std::optional<int> chosen_;
  // Draw orders of the latest stop's winners: only they can still be marked absent.
  std::vector<int> latestStop_;
  int latestLevel_ = 0;
  // Ids of the participants eligible when the roll's pool was read; shuffled in place by the sampling.
  std::vector<int> pool_;
  bool poolRead_ = false;
};

}  // namespace ld
