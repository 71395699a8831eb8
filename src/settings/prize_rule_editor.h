#pragma once
// Who may win one prize, as the operator edits it: departments and tags ticked in lists filled from the
// roster, a text box of people kept out (one per line, typed or read from a file), and whether only those
// who checked in may win.
#include <QStringList>
#include <QWidget>

#include "data/prize_rule.h"

class QCheckBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace ld {

// Each tag once, in order of first appearance, from the roster's stored tag texts (',' between tags).
QStringList distinctTags(const QStringList& storedTags);

// The lines a list file holds, ready for parseExcludedPeople: a .csv's quotes taken off its fields, and a
// first line naming the columns (工号, 部门, 姓名) blanked, so that every line keeps its number.
QString excludedPeopleLines(const QString& fileText, bool csv);

class PrizeRuleEditor : public QWidget {
  Q_OBJECT
 public:
  PrizeRuleEditor(const QStringList& departments, const QStringList& tags, QWidget* parent = nullptr);

  // A department or tag the roster no longer holds is kept, ticked, with a note.
  void setRule(const PrizeRule& rule);
  // Throws Error naming the first line of the people kept out that reads as nobody.
  PrizeRule rule() const;

  // Appends the lines of a .txt or .csv file chosen by the operator; a file with a bad line is refused
  // whole, with the line named.
  void readExcludedPeople();

  QListWidget* includeDepartments() const { return lists_[0]; }
  QListWidget* excludeDepartments() const { return lists_[1]; }
  QListWidget* includeTags() const { return lists_[2]; }
  QListWidget* excludeTags() const { return lists_[3]; }
  QPlainTextEdit* excludePeople() const { return people_; }
  QCheckBox* checkedInOnly() const { return checkedIn_; }

 signals:
  void changed();

 private:
  QListWidget* lists_[4];
  QPlainTextEdit* people_;
  QCheckBox* checkedIn_;
  QPushButton* readFile_;
};

}  // namespace ld
