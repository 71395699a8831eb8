#pragma once
// One prize of the plan, changed or added: its quantity, winners per press, an extra prize's name and place
// in the drawing order, and who may win it, with the pool the rule leaves shown as it is edited. Saving
// writes at once; a value refused leaves the window open with everything typed.
#include <QDialog>
#include <functional>
#include <optional>

#include "data/draw_store.h"
#include "data/plan_store.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ld {

class PrizeRuleEditor;

class PrizeEditor : public QDialog {
  Q_OBJECT
 public:
  // Changes `prize` of `plan`, or adds a prize to it when none is given. Departments and tags fill the
  // rule's lists.
  PrizeEditor(Query& query, const PrizePlan& plan, std::optional<Prize> prize, const QStringList& departments,
              const QStringList& tags, QWidget* parent = nullptr);

  // Checks and stores what is shown; on success emits saved() and closes. Otherwise says why and stays.
  void save();
  // Asked just before the store is changed; false calls the change off (the window stays).
  std::function<bool()> beforeChange;

  QLineEdit* nameEdit() const { return name_; }
  QSpinBox* quantityBox() const { return quantity_; }
  QSpinBox* perDrawBox() const { return perDraw_; }
  QComboBox* placeBox() const { return place_; }
  PrizeRuleEditor* ruleEditor() const { return rule_; }
  QLabel* ruleText() const { return ruleText_; }
  QLabel* poolText() const { return pool_; }

 signals:
  // The prize's level once stored.
  void saved(int level);

 private:
  void refresh();
  // What is wrong with the quantities as typed; empty when they may be stored.
  QString quantityProblem() const;

  PlanStore plans_;
  DrawStore draws_;
  PrizePlan plan_;
  std::optional<Prize> prize_;
  QLineEdit* name_ = nullptr;
  QSpinBox* quantity_;
  QSpinBox* perDraw_;
  QLabel* quantityHint_;
  QComboBox* place_ = nullptr;
  PrizeRuleEditor* rule_;
  QLabel* ruleText_;
  QLabel* pool_;
};

// "可抽 x / y": those the rule leaves of everybody who may still be drawn.
QString poolText(int underRule, int eligible);
// The rule written out for the screen, "所有人" when it keeps nobody out.
QString shownRule(const PrizeRule& rule);

}  // namespace ld
