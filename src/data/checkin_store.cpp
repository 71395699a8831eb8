#include "data/checkin_store.h"

#include <stdlib.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QSet>

#include "data/journal.h"
#include "data/query.h"
#include "data/transaction.h"

namespace ld {

namespace {

// How a check-in came, as the journal's yy column tells it.
const QString kByPhone = QStringLiteral("手机");
const QString kByHand = QStringLiteral("手工");
const QString kOtherPhone = QStringLiteral("已从另一部手机签到");

QString now() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")); }

struct Row {
  int id = 0;
  QString department, name, checkedIn, phone;
  bool found = false;
};

// The first row of an open query, selected as "id, bm, xm, qd, qdsb".
Row firstRow(Query& q) {
  Row row;
  if (q.recordCount() == 0) return row;
  q.first();
  row.found = true;
  row.id = q.fieldByName(QStringLiteral("id")).asInteger();
  row.department = q.fieldByName(QStringLiteral("bm")).asString();
  row.name = q.fieldByName(QStringLiteral("xm")).asString();
  const Field qd = q.fieldByName(QStringLiteral("qd"));
  row.checkedIn = qd.asString();
  row.phone = q.fieldByName(QStringLiteral("qdsb")).asString();
  return row;
}

const QString kRowColumns = QStringLiteral("select id, bm, xm, qd, qdsb from yglb ");

}  // namespace

QString newCheckInCode(bool withEmployeeId) {
  const int length = withEmployeeId ? kCodeLength : kCodeAloneLength;
  constexpr uint32_t kAlphabetSize = sizeof(kCodeAlphabet) - 1;
  QString code;
  code.reserve(length);
  for (int i = 0; i < length; ++i) code += QLatin1Char(kCodeAlphabet[arc4random_uniform(kAlphabetSize)]);
  return code;
}

QString normalizedCheckInCode(const QString& typed) {
  QString code;
  for (const QChar c : typed) {
    if (c.isSpace() || c == QLatin1Char('-')) continue;
    code += c.toUpper();
  }
  return code;
}

QString phoneDigest(const QByteArray& token) {
  return QString::fromLatin1(QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex());
}

int CheckInStore::issueCodes() {
  Transaction transaction(q_.connection());
  q_.openSql(QStringLiteral("select id, gh from yglb where qdm='' order by id"));
  std::vector<std::pair<int, bool>> missing;
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    missing.emplace_back(q_.fieldByName(QStringLiteral("id")).asInteger(),
                         !q_.fieldByName(QStringLiteral("gh")).asString().trimmed().isEmpty());
  if (missing.empty()) return 0;
  // A code alone must name one person; a clash is astronomically rare, but cheap to rule out.
  QSet<QString> taken;
  q_.openSql(QStringLiteral("select qdm from yglb where gh='' and qdm<>''"));
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    taken.insert(q_.fieldByName(QStringLiteral("qdm")).asString());
  for (const auto& [id, withEmployeeId] : missing) {
    QString code = newCheckInCode(withEmployeeId);
    while (!withEmployeeId && taken.contains(code)) code = newCheckInCode(false);
    if (!withEmployeeId) taken.insert(code);
    q_.execSql(QStringLiteral("update yglb set qdm=? where id=?"), {code, id});
  }
  transaction.commit();
  return int(missing.size());
}

std::vector<PersonalCode> CheckInStore::codes() {
  issueCodes();
  q_.openSql(QStringLiteral("select id, gh, bm, xm, qdm from yglb order by id"));
  std::vector<PersonalCode> list;
  list.reserve(size_t(q_.recordCount()));
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    list.push_back(
        {q_.fieldByName(QStringLiteral("id")).asInteger(), q_.fieldByName(QStringLiteral("gh")).asString(),
         q_.fieldByName(QStringLiteral("bm")).asString(), q_.fieldByName(QStringLiteral("xm")).asString(),
         q_.fieldByName(QStringLiteral("qdm")).asString()});
  q_.close();
  return list;
}

CheckInResult CheckInStore::checkIn(const QString& employeeId, const QString& typedCode,
                                    const QByteArray& phoneToken) {
  const QString code = normalizedCheckInCode(typedCode);
  const QString gh = employeeId.trimmed();
  CheckInResult result;
  // An empty code never matches: participants not yet given one cannot be checked in from a phone.
  if (code.isEmpty() || phoneToken.isEmpty()) return result;
  Transaction transaction(q_.connection());
  if (gh.isEmpty()) {
    q_.openSql(kRowColumns + QStringLiteral("where gh='' and qdm=? and length(qdm)=? order by id limit 1"),
               {code, kCodeAloneLength});
  } else {
    q_.openSql(kRowColumns + QStringLiteral("where gh=? and qdm=? order by id limit 1"), {gh, code});
  }
  const Row row = firstRow(q_);
  q_.close();
  if (!row.found) return result;
  result.id = row.id;
  result.department = row.department;
  result.name = row.name;
  const QString phone = phoneDigest(phoneToken);
  if (!row.checkedIn.isEmpty()) {
    result.time = row.checkedIn;
    if (row.phone.isEmpty()) {
      // Checked in by hand: the first phone with the code is theirs, and sees their own page from now on.
      q_.execSql(QStringLiteral("update yglb set qdsb=? where id=? and qdsb=''"), {phone, row.id});
      transaction.commit();
    }
    if (row.phone.isEmpty() || row.phone == phone) {
      result.outcome = CheckInOutcome::AlreadyCheckedIn;
      return result;
    }
    result.outcome = CheckInOutcome::OtherPhone;
    appendJournal(
        q_,
        {JournalEvent::CheckInRefused, {}, {}, row.id, row.name, row.department, {}, {}, {}, kOtherPhone});
    transaction.commit();
    return result;
  }
  result.time = now();
  q_.execSql(QStringLiteral("update yglb set qd=?, qdsb=? where id=? and qd=''"),
             {result.time, phone, row.id});
  appendJournal(q_,
                {JournalEvent::CheckedIn, {}, {}, row.id, row.name, row.department, {}, {}, {}, kByPhone});
  transaction.commit();
  result.outcome = CheckInOutcome::CheckedIn;
  return result;
}

CheckInResult CheckInStore::checkInByHand(int id) {
  Transaction transaction(q_.connection());
  q_.openSql(kRowColumns + QStringLiteral("where id=?"), {id});
  const Row row = firstRow(q_);
  q_.close();
  CheckInResult result;
  if (!row.found) return result;
  result.id = row.id;
  result.department = row.department;
  result.name = row.name;
  if (!row.checkedIn.isEmpty()) {
    result.outcome = CheckInOutcome::AlreadyCheckedIn;
    result.time = row.checkedIn;
    return result;
  }
  result.time = now();
  q_.execSql(QStringLiteral("update yglb set qd=? where id=? and qd=''"), {result.time, id});
  appendJournal(q_, {JournalEvent::CheckedIn, {}, {}, row.id, row.name, row.department, {}, {}, {}, kByHand});
  transaction.commit();
  result.outcome = CheckInOutcome::CheckedIn;
  return result;
}

CheckInCounts CheckInStore::counts() {
  q_.openSql(QStringLiteral("select count(*) as n, count(nullif(qd,'')) as here from yglb"));
  q_.first();
  const CheckInCounts counts{q_.fieldByName(QStringLiteral("here")).asInteger(),
                             q_.fieldByName(QStringLiteral("n")).asInteger()};
  q_.close();
  return counts;
}

bool CheckInStore::employeeIdsGiven() {
  q_.openSql(QStringLiteral("select count(*) as n from (select 1 from yglb where gh<>'' limit 1)"));
  q_.first();
  const bool given = q_.fieldByName(QStringLiteral("n")).asInteger() > 0;
  q_.close();
  return given;
}

std::vector<CheckInPerson> CheckInStore::find(const QString& text, int limit) {
  const QString wanted = text.trimmed();
  std::vector<CheckInPerson> people;
  if (wanted.isEmpty()) return people;
  // instr, not like: a name may hold % or _.
  q_.openSql(
      QStringLiteral("select id, gh, bm, xm, qd from yglb where gh=? or instr(xm, ?)>0 order by id limit ?"),
      {wanted, wanted, limit});
  q_.first();
  for (int r = 0; r < q_.recordCount(); ++r, q_.next()) {
    const Field qd = q_.fieldByName(QStringLiteral("qd"));
    people.push_back({q_.fieldByName(QStringLiteral("id")).asInteger(),
                      q_.fieldByName(QStringLiteral("gh")).asString(),
                      q_.fieldByName(QStringLiteral("bm")).asString(),
                      q_.fieldByName(QStringLiteral("xm")).asString(), qd.asString()});
  }
  q_.close();
  return people;
}

std::optional<CheckedInPerson> CheckInStore::byPhone(const QByteArray& phoneToken) {
  if (phoneToken.isEmpty()) return std::nullopt;
  q_.openSql(QStringLiteral("select id, bm, xm, zj, zjsx from yglb where qdsb=? and qd<>'' limit 1"),
             {phoneDigest(phoneToken)});
  std::optional<CheckedInPerson> person;
  if (q_.recordCount() > 0) {
    q_.first();
    person = CheckedInPerson{
        q_.fieldByName(QStringLiteral("id")).asInteger(), q_.fieldByName(QStringLiteral("bm")).asString(),
        q_.fieldByName(QStringLiteral("xm")).asString(), q_.fieldByName(QStringLiteral("zj")).asInteger(),
        q_.fieldByName(QStringLiteral("zjsx")).asInteger()};
  }
  q_.close();
  return person;
}

std::vector<RefusedCheckIn> CheckInStore::refused(int limit) {
  q_.openSql(
      QStringLiteral("select sj, gh, bm, xm from cjrz where lx='check-in refused' order by xh desc limit ?"),
      {limit});
  std::vector<RefusedCheckIn> list;
  q_.first();
  const auto text = [&](const char* name) {
    const Field f = q_.fieldByName(QString::fromLatin1(name));
    return f.isNull() ? QString() : f.asString();
  };
  for (int r = 0; r < q_.recordCount(); ++r, q_.next())
    list.push_back({text("sj"), text("gh"), text("bm"), text("xm")});
  q_.close();
  return list;
}

}  // namespace ld
