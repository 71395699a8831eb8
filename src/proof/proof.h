#pragma once
// The proof of a sealed draw: the sealed text, the secret, the seal, the public entropy and every journal
// row after the seal, as one JSON file; and its replay, which computes every stop's winner again from the
// proof alone and sets it beside the one the journal recorded.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace ld {

class Query;

struct ProofStep {
  qint64 seq = 0;
  QString event;
  std::optional<int> order, level, id;
  QString reason, prize;
};

struct Proof {
  QByteArray serialization;  // the sealed text, exactly
  QString secret;            // hex
  QString seal;              // hex
  QString entropy;
  std::vector<ProofStep> steps;
};

// The proof of the sealed event the query reads. Throws Error before the entropy is given, or when the event
// was never sealed.
Proof proofOf(Query& query);

QByteArray proofJson(const Proof& proof);
// Throws Error naming what is missing or of the wrong kind.
Proof readProof(const QByteArray& json);

// One attempt of the generator: its counter and the first 8 bytes of its HMAC.
struct ReplayedAttempt {
  quint64 counter = 0, value = 0;
};

struct ReplayedStop {
  qint64 seq = 0;
  QString event;  // "drawn" or "nobody"
  int order = 0, level = 0;
  int planned = 0;              // the level the sealed order of prizes gives this step
  std::optional<int> expected;  // the replay's winner; none for an empty pool
  std::optional<int> recorded;  // the journal's; none for "nobody"
  int pool = 0;                 // the pool it drew from
  std::optional<int> index;     // the index into it
  std::vector<ReplayedAttempt> attempts;
  bool same() const { return planned == level && expected == recorded; }
};

struct Replay {
  bool sealHolds = false;        // the seal is the SHA-256 of the sealed text
  bool commitmentHolds = false;  // the text's commitment is the SHA-256 of the secret
  bool entropyHolds = false;     // the journal took this entropy once, after the seal and before any stop
  QString seed;                  // hex
  std::vector<ReplayedStop> stops;
  // The first step that does not replay (by journal row), with why; none when all do.
  std::optional<qint64> firstDiffering;
  QString problem;

  bool holds() const { return sealHolds && commitmentHolds && entropyHolds && !firstDiffering; }
};

// Throws Error only for a sealed text that cannot be read.
Replay replay(const Proof& proof);

}  // namespace ld
