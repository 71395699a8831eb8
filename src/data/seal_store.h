#pragma once
// A sealed draw's state, kept with the event in table fcxx: the secret whose digest the seal commits to, the
// sealed text and its seal, the public entropy given after it, the generator's counter and whether the seal
// still holds. Each change writes its journal row in the caller's transaction. Every function throws DbError
// when a statement fails.
#include <QByteArray>
#include <QString>
#include <optional>

namespace ld {

class Query;

struct SealState {
  QByteArray secret;               // 32 bytes; empty when never sealed
  QString seal;                    // 64 lower-case hex digits
  QByteArray text;                 // the sealed text, whose SHA-256 the seal is
  std::optional<QString> entropy;  // given once, after the seal
  quint64 counter = 0;             // the generator's next attempt
  qint64 sealedAt = 0;             // the journal row of the seal
  std::optional<qint64> brokenAt;  // the journal row that broke it

  // Sealed and not broken: every stop is the sealed pick.
  bool holds() const { return !seal.isEmpty() && !brokenAt; }
  // "sealed", "broken at <seq>", or empty.
  QString stateText() const;
};

class SealStore {
 public:
  explicit SealStore(Query& query) : q_(query) {}

  // What the event holds; a file without the table was never sealed.
  SealState state();

  // Whether any participant has a result (winner, absent or voided).
  bool anyResult();

  // The changes below run inside the caller's transaction and refuse (Error) what the state does not allow.
  // A new seal: the table is made when missing; refused while a seal holds or anybody has a result.
  void writeSeal(const QByteArray& secret, const QByteArray& text, const QString& seal);
  // Accepted once, while the seal holds and before any stop after it.
  void writeEntropy(const QString& text);
  void writeCounter(quint64 counter);
  // Refused without a seal that holds or without a reason.
  void writeBroken(const QString& why);

 private:
  void put(const QString& key, const QString& value);
  Query& q_;
};

}  // namespace ld
