#pragma once
// Slows down guessing of check-in codes, in memory. Wrong codes for one employee number pause every attempt
// for it, right or wrong, so a code cannot be guessed by trying; nobody else is slowed. Wrong codes from one
// address are counted too, so that a guesser trying many employee numbers (or codes alone) is slowed, while
// the right codes of a hall behind one address always pass.
#include <QHash>
#include <QString>

namespace ld::web {

class AttemptLimiter {
 public:
  static constexpr int kWrongBeforePause = 5;
  static constexpr qint64 kPauseMs = 60 * 1000;
  static constexpr int kWrongPerAddress = 300;
  static constexpr qint64 kAddressWindowMs = 10 * 60 * 1000;
  // Beyond these the entries least worth keeping are forgotten.
  static constexpr int kMaxEmployees = 20000;
  static constexpr int kMaxAddresses = 4096;

  // Seconds until attempts for `employeeId` are taken again; 0 when they are now. Empty ids are never
  // paused.
  int pausedFor(const QString& employeeId, qint64 nowMs) const;
  // A wrong code: counts against the employee number (when given) and the address. Returns the seconds the
  // address has to wait before its wrong codes are answered again, 0 while it is under its limit.
  int wrong(const QString& employeeId, const QString& address, qint64 nowMs);
  // A right code clears the count of its employee number.
  void right(const QString& employeeId);

 private:
  struct Employee {
    int wrong = 0;
    qint64 pausedUntil = 0;
    qint64 lastSeen = 0;
  };
  struct Address {
    int wrong = 0;
    qint64 windowStart = 0;
  };
  static QString keyOf(const QString& employeeId);
  void makeRoomForEmployee(qint64 nowMs);
  void makeRoomForAddress(qint64 nowMs);

  QHash<QString, Employee> employees_;
  QHash<QString, Address> addresses_;
};

}  // namespace ld::web
