#pragma once
// The prize plan as a whole: every prize in drawing order with its quantity, winners per press, rule, the
// pool the rule leaves and how many have won it; from here a prize is changed, added or (an extra one
// nobody has won) removed. It reads the event afresh whenever it is shown, so it serves before the event as
// well as on the operator's screen during it.
#include <QDialog>
#include <functional>
#include <optional>

#include "data/draw_store.h"
#include "data/plan_store.h"
#include "data/roster_store.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ld {

class PrizeEditor;

class PrizePlanDialog : public QDialog {
  Q_OBJECT
 public:
  // Reads nothing until shown or reloaded.
  PrizePlanDialog(Query& query, QWidget* parent = nullptr);

  // Reads the plan, the pools and the winners again; the selected prize stays selected.
  void reload();
  // Opens the window for the selected prize, or for a new one; both stay on top of this one until closed.
  PrizeEditor* editSelected();
  PrizeEditor* addPrize();
  // After a question; a prize somebody has won is refused with the reason.
  void removeSelected();

  QTableWidget* table() const { return table_; }
  // Asked just before a prize is saved, added or removed; false calls the change off.
  std::function<bool()> beforeChange;

 signals:
  void planChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The level of the selected row; none without a selection.
  std::optional<int> selectedLevel() const;
  void updateButtons();
  PrizeEditor* openEditor(std::optional<Prize> prize);

  Query& query_;
  PlanStore plans_;
  DrawStore draws_;
  RosterStore roster_;
  PrizePlan plan_;
  QHash<int, int> won_;
  QTableWidget* table_;
  QLabel* notice_;
  QPushButton* edit_;
  QPushButton* add_;
  QPushButton* remove_;
};

}  // namespace ld
