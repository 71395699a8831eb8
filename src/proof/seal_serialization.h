#pragma once
// What a seal fixes before the draw: the event's roster, who may win each prize, and the digest of the
// secret, written as one canonical text whose SHA-256 is the seal. Anyone can read the text back and check
// the draw against it; nothing in it depends on the language on screen.
#include <QByteArray>
#include <QString>
#include <vector>

namespace ld {

class Query;

struct SealedParticipant {
  int id = 0;
  QString department, name, tags;
  bool checkedIn = false;
  bool hasPhoto = false;
};

struct SealedPrize {
  int position = 0;  // 1 for the prize drawn first
  int level = 0;
  QString name;      // as stored, whatever the screen speaks
  int quantity = 0;  // 0 where no limited plan applies
  int perDraw = 1;
  std::vector<int> admitted;  // ascending
};

struct SealedEvent {
  QString company, title;
  std::vector<SealedParticipant> participants;  // ascending id
  std::vector<SealedPrize> prizes;              // drawing order
  QString commitment;                           // hex SHA-256 of the secret

  // The prize of `level`; none for a level the plan did not hold (which admits everybody).
  const SealedPrize* prize(int level) const;
};

// The event as its database holds it now, with the given commitment.
SealedEvent readSealedEvent(Query& query, const QString& commitment);

// The canonical text (UTF-8, "\n" after every line) and back. Reading throws Error naming the first line
// that is not as written.
QByteArray serializedEvent(const SealedEvent& event);
SealedEvent parseSerializedEvent(const QByteArray& text);

// Lower-case hex SHA-256.
QString sha256Hex(const QByteArray& bytes);

}  // namespace ld
