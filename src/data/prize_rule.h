#pragma once
// Who may win a prize: departments and tags let in or kept out, and people kept out by employee number or
// by department and name. It is stored with the prize as JSON, written out wherever the prize is shown, and
// carried by every journal row of a draw it governed: a restriction the hall can read, never a hidden one.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace ld {

// One person a rule keeps out: by employee number when it is given, else by department and name.
struct ExcludedPerson {
  QString employeeId;
  QString department;
  QString name;
  bool operator==(const ExcludedPerson&) const = default;
};

struct PrizeRule {
  QStringList departments;         // only these, when any are given
  QStringList excludeDepartments;  // never these
  QStringList tags;                // only people with at least one of these, when any are given
  QStringList excludeTags;         // never people with any of these
  std::vector<ExcludedPerson> excludePeople;
  // Only people who checked in (by phone or by hand) before the stop.
  bool checkedInOnly = false;
  // The stored rule could not be read: nobody is admitted until it is set again, and it is never saved.
  bool unreadable = false;

  bool isEmpty() const;
  bool operator==(const PrizeRule&) const = default;

  // Whether a participant falls inside the rule. Texts compare as the roster's columns do: letter case
  // ignored for ASCII letters only. `tags` as stored, separated by ','.
  bool admits(const QString& department, const QString& name, const QString& employeeId, const QString& tags,
              bool checkedIn = false) const;

  // The condition on the roster's columns, to be joined to others with "and"; its values appended to
  // `values` in order. Empty for a rule that admits everybody.
  QString sqlCondition(QVariantList& values) const;

  // The rule written out: as the journal stores it (Chinese, whatever the screen speaks) and as the
  // screen shows it. Empty for everyone.
  QString text() const;
  QString shownText() const;

  QByteArray toJson() const;
  // Empty text reads as the empty rule. Throws Error naming what is wrong.
  static PrizeRule fromJson(const QByteArray& json);
};

// Text as the roster's columns compare it ("collate nocase"): ASCII letters in lower case, all else as it is.
QString foldedLikeTheRoster(const QString& text);

// A list of people to keep out, one per line: an employee number alone, or department and name separated by
// a tab or a comma. Blank lines are skipped. Throws Error naming the first line that says neither.
std::vector<ExcludedPerson> parseExcludedPeople(const QString& text);

}  // namespace ld
