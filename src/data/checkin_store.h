#pragma once
// Check-in: each participant's personal code, the time they checked in (qd) and the phone that did it (a
// digest in qdsb). A check-in, by phone or by hand, is saved with its journal row or not at all. Every
// function throws DbError when a statement fails.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace ld {

class Query;

// Codes use letters and digits that cannot be mistaken for one another (no 0/O, 1/I/L).
inline constexpr char kCodeAlphabet[] = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
// With an employee number the code only has to be unguessable within the rate limit; without one the code
// alone names the person, so it is long enough to be unguessable outright (about 50 bits).
inline constexpr int kCodeLength = 6;
inline constexpr int kCodeAloneLength = 10;

enum class CheckInOutcome {
  CheckedIn,         // checked in now
  AlreadyCheckedIn,  // earlier, from this phone or by hand (the phone is then theirs)
  OtherPhone,        // earlier, from another phone: refused, journaled for the operator
  WrongCode,         // no participant has this employee number and code
};

struct CheckInResult {
  CheckInOutcome outcome = CheckInOutcome::WrongCode;
  int id = 0;
  QString department, name;
  QString time = {};  // when they checked in (yyyy-MM-ddTHH:mm:ss)
};

// One participant's code as HR sends it.
struct PersonalCode {
  int id = 0;
  QString employeeId, department, name, code;
};

// A participant as the operator finds them to check in by hand.
struct CheckInPerson {
  int id = 0;
  QString employeeId, department, name;
  QString checkedInAt;  // empty while not checked in
};

// What a phone that checked in may see about its own person.
struct CheckedInPerson {
  int id = 0;
  QString department, name;
  int level = 0;  // zj: 0 undrawn, -1 absent, -2 voided, above 0 won
  int order = 0;  // zjsx
};

// A check-in refused because the person had checked in from another phone.
struct RefusedCheckIn {
  QString time, employeeId, department, name;
};

struct CheckInCounts {
  int checkedIn = 0;
  int total = 0;
};

// A fresh code from the system's secure generator: kCodeLength characters, kCodeAloneLength without an
// employee number.
QString newCheckInCode(bool withEmployeeId);
// A code as typed (blanks, dashes, lower case) in the form it is stored.
QString normalizedCheckInCode(const QString& typed);
// The digest stored for a phone's token: the token itself never reaches the file.
QString phoneDigest(const QByteArray& token);

class CheckInStore {
 public:
  explicit CheckInStore(Query& query) : q_(query) {}

  // Gives every participant without a code a new one, in one transaction; how many were given.
  int issueCodes();
  // Every participant's code in id order, after issuing the missing ones.
  std::vector<PersonalCode> codes();

  // A check-in from a phone: `employeeId` empty for a roster without them (the code alone then names the
  // person). `phoneToken` is the phone's own random token.
  CheckInResult checkIn(const QString& employeeId, const QString& code, const QByteArray& phoneToken);
  // The operator checks a participant in; AlreadyCheckedIn when they were, WrongCode when no row has `id`.
  CheckInResult checkInByHand(int id);

  CheckInCounts counts();
  // Whether any participant has an employee number: without one, a phone checks in by the code alone.
  bool employeeIdsGiven();
  // Participants whose employee number is `text` or whose name contains it, at most `limit`, in id order.
  std::vector<CheckInPerson> find(const QString& text, int limit = 50);
  // The person a phone checked in, by the phone's token.
  std::optional<CheckedInPerson> byPhone(const QByteArray& phoneToken);
  // Refused check-ins, the latest first, at most `limit`.
  std::vector<RefusedCheckIn> refused(int limit = 100);

 private:
  Query& q_;
};

}  // namespace ld
