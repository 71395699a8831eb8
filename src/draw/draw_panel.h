#pragma once
// The operator's panel, a plain window beside the handset: the prizes with their rules and live pools and
// the one the next stop draws, the latest press's winners to mark absent, and every winner of the event with
// a way to void a win. It follows what the session announces and never takes the keyboard by itself.
#include <QList>
#include <QWidget>
#include <optional>
#include <vector>

#include "data/checkin_store.h"
#include "draw/draw_session.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ld {

class Query;

// The number key of each prize, in drawing order: the four levels their own level (一等奖 is 1), extra
// prizes 5, 6, … as they are drawn; 0 for an extra prize beyond 9.
std::vector<int> prizeKeys(const std::vector<Prize>& prizes);

// A bold line over a part of an operator's window (the draw console, the check-in window).
QLabel* heading(const QString& text, QWidget* parent);

// Whether the plan uses anything the handset cannot show: several winners a press, a rule, an extra prize.
bool planNeedsPanel(const PrizePlan& plan);

class DrawPanel : public QWidget {
  Q_OBJECT
 public:
  DrawPanel(DrawSession& session, Query& query, QWidget* parent = nullptr);

  // The prizes and the winners read again; only while shown (showing reads them).
  void refresh();

  // The prize with key `number` for the next stop, 0 for the usual order. Nothing changes while the tiles
  // roll, for a number no prize has, or for a prize with nothing left: `refused` says why.
  void chooseByKey(int number);

  // "已签到 412 / 600" while the phones' check-in is open or anyone has checked in; nothing for none.
  void setCheckInCount(std::optional<CheckInCounts> counts);

 signals:
  // The operator wants another prize in the plan.
  void addPrizeRequested();
  // The operator wants the check-in window (the phones' server, check-in by hand).
  void checkInRequested();
  // A choice that changed nothing, and why: for a brief notice.
  void refused(const QString& why);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void build();
  void fillPrizes();
  void fillWinners();
  void choose(std::optional<int> level);
  void showLatest(const QList<DrawResult>& winners);
  void markLatest(int id, int order, const QString& mark);
  void fillLatest();
  void latestClicked(int row);
  void askVoid();
  void confirmVoid();
  void setRolling(bool on);

  DrawSession& session_;
  Query& query_;
  bool rolling_ = false;
  std::vector<PrizeStatus> prizes_;
  std::vector<RecordedWinner> winners_;  // newest first, as listed
  struct Latest {
    DrawResult result;
    QString mark;  // empty, or what became of the win
  };
  std::vector<Latest> latest_;
  std::optional<RecordedWinner> voiding_;

  QTreeWidget* prizeList_ = nullptr;
  QLabel* upcoming_ = nullptr;
  QPushButton* usualOrder_ = nullptr;
  QListWidget* latestWinners_ = nullptr;
  QTreeWidget* allWinners_ = nullptr;
  QPushButton* voidWin_ = nullptr;
  QPushButton* addPrize_ = nullptr;
  QLabel* checkInCount_ = nullptr;
  QWidget* voidBox_ = nullptr;
  QLabel* voidWhat_ = nullptr;
  QComboBox* voidReason_ = nullptr;
  QPushButton* voidConfirm_ = nullptr;
};

}  // namespace ld
