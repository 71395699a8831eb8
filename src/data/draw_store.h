#pragma once
// What the draw reads and writes: who is eligible, the pick, the draw order, the record of a winner or of an
// absence, the winners of a prize, and the journal row of each. The eligibility condition (undrawn, with a
// photo) is written once, here. Every function throws DbError when a statement fails.
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace ld {

class Connection;
class Query;
struct JournalEntry;
struct PrizeRule;

// A participant the pick chose.
struct Candidate {
  int id = 0;
  QString department;
  QString name;
  QString photo;  // stored path, "zp\…"
};

// A winner as the roster holds them after the record.
struct RecordedWinner : Candidate {
  int level = 0;
  int order = 0;
};

class DrawStore {
 public:
  explicit DrawStore(Query& query) : q_(query) {}
  Connection& connection() const;
  Query& query() const { return q_; }

  // The eligible participants' ids, sorted; under a prize's rule, those the rule admits.
  std::vector<int> eligibleIds();
  std::vector<int> eligibleIds(const PrizeRule& rule);
  int eligibleCount(const PrizeRule& rule);
  // Those of `ids` still eligible, as the roster holds them, in the order given. A damaged name or photo
  // path is left empty (with a warning): the id is what counts.
  std::vector<Candidate> eligibleCandidates(const std::vector<int>& ids);
  // Stored photo paths of those of `ids` still eligible, by id.
  QHash<int, QString> eligiblePhotos(const std::vector<int>& ids);
  int eligibleCount();

  // One more than the highest draw order recorded; 1 when nobody has won. Throws Error when the highest is
  // no whole number or leaves no room for another.
  int nextDrawOrder();
  // How many have won, outside-plan winners included, absent ones not: as the prize and the board count
  // them, and as the fireworks count them after a stop (each with its own words).
  int winnerCount();
  int winnerCountForFireworks();
  // Names of the winners of prize `level` in draw order.
  QStringList winnersOf(int level);
  // How many winners each prize level has.
  QHash<int, int> winnersByLevel();
  // Draw orders whose winner was marked absent since the results were last cleared and that no winner holds
  // yet, each with its prize level, in order: the replacements the next stop owes. Empty without a journal.
  std::vector<std::pair<int, int>> awaitingReplacement();

  // Records an undrawn participant as the winner of `level` at draw order `order`; false when the
  // participant is no longer undrawn (nothing changed).
  bool recordWinner(int id, int level, int order);
  // Records the winner of `level` at `order` absent (out of the pool and of the winners); false when the
  // participant is no longer recorded so (nothing changed).
  bool recordAbsent(int id, int level, int order);
  // Takes back the win of `level` at `order` (kVoided, keeping the order); false when the participant is no
  // longer recorded so.
  bool recordVoided(int id, int level, int order);

  // Everybody the roster holds as a winner at draw order `order` (outside-plan winners included), by id;
  // at any of `orders`, by order and id.
  std::vector<RecordedWinner> winnersAt(int order);
  std::vector<RecordedWinner> winnersAt(const std::vector<int>& orders);
  // Every winner of the event, outside-plan ones included, in draw order.
  std::vector<RecordedWinner> winners();

  void journal(const JournalEntry& entry);

 private:
  std::vector<RecordedWinner> readWinners();
  Query& q_;
};

}  // namespace ld
