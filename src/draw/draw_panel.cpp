#include "draw/draw_panel.h"

#include "draw/seal_box.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "data/prize_levels.h"
#include "draw/absence_question.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

std::vector<int> prizeKeys(const std::vector<Prize>& prizes) {
  std::vector<int> keys;
  int nextExtra = 5;
  for (const Prize& prize : prizes) {
    if (!prize.extra())
      keys.push_back(prize.level);
    else
      keys.push_back(nextExtra <= 9 ? nextExtra++ : 0);
  }
  return keys;
}

bool planNeedsPanel(const PrizePlan& plan) {
  return std::any_of(plan.prizes.begin(), plan.prizes.end(), [](const Prize& prize) {
    return prize.perDraw > 1 || !prize.rule.isEmpty() || prize.extra();
  });
}

namespace {

enum Role { LevelRole = Qt::UserRole, IndexRole };

QString ofTotal(int part, int whole) { return Tr::tr("%1 / %2").arg(part).arg(whole); }

}  // namespace

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

DrawPanel::DrawPanel(DrawSession& session, Query& query, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), query_(query) {
  setObjectName(QStringLiteral("DrawPanel"));
  setWindowTitle(Tr::tr("抽奖控制台"));
  // Shown beside the handset, it leaves the keyboard where it was: the clicker keeps drawing.
  setAttribute(Qt::WA_ShowWithoutActivating);
  build();
  connect(&session_, &DrawSession::drawn, this, &DrawPanel::showLatest);
  connect(&session_, &DrawSession::winnerAbsent, this, [this](const DrawResult& winner) {
    markLatest(winner.id, winner.order, Tr::tr("缺席"));
    refresh();
  });
  connect(&session_, &DrawSession::winVoided, this, [this](const RecordedWinner& winner) {
    markLatest(winner.id, winner.order, Tr::tr("作废"));
    refresh();
  });
  connect(&session_, &DrawSession::prizeChosen, this, &DrawPanel::refresh);
  connect(&session_, &DrawSession::planChanged, this, &DrawPanel::refresh);
  connect(&session_, &DrawSession::resultsCleared, this, [this] {
    latest_.clear();
    fillLatest();
    refresh();
  });
  connect(&session_, &DrawSession::rolling, this, &DrawPanel::setRolling);
}

void DrawPanel::build() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading(Tr::tr("奖项（点击或按数字键选择下一次抽取的奖项）"), this));
  prizeList_ = new QTreeWidget(this);
  prizeList_->setObjectName(QStringLiteral("prizeList"));
  prizeList_->setHeaderLabels({Tr::tr("键"), Tr::tr("奖项 / 规则"), Tr::tr("已抽"), Tr::tr("可抽")});
  prizeList_->setRootIsDecorated(false);
  prizeList_->setWordWrap(true);
  prizeList_->header()->setStretchLastSection(false);
  prizeList_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  prizeList_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  connect(prizeList_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { choose(item->data(0, LevelRole).toInt()); });
  layout->addWidget(prizeList_, 3);

  auto* orderRow = new QHBoxLayout;
  upcoming_ = new QLabel(this);
  upcoming_->setObjectName(QStringLiteral("upcomingPrize"));
  upcoming_->setWordWrap(true);
  usualOrder_ = new QPushButton(Tr::tr("按顺序（0）"), this);
  usualOrder_->setObjectName(QStringLiteral("usualOrder"));
  usualOrder_->setCheckable(true);
  // The button only asks; what is chosen shows when the session says so.
  connect(usualOrder_, &QPushButton::clicked, this, [this] {
    usualOrder_->setChecked(!session_.chosenPrize());
    choose(std::nullopt);
  });
  orderRow->addWidget(upcoming_, 1);
  orderRow->addWidget(usualOrder_);
  layout->addLayout(orderRow);

  layout->addWidget(heading(Tr::tr("最近一次抽出（点击姓名标记缺席）"), this));
  latestWinners_ = new QListWidget(this);
  latestWinners_->setObjectName(QStringLiteral("latestWinners"));
  connect(latestWinners_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { latestClicked(item->data(IndexRole).toInt()); });
  layout->addWidget(latestWinners_, 2);

  layout->addWidget(heading(Tr::tr("全部中奖者（最新在前）"), this));
  allWinners_ = new QTreeWidget(this);
  allWinners_->setObjectName(QStringLiteral("allWinners"));
  allWinners_->setHeaderLabels({Tr::tr("顺序"), Tr::tr("奖项"), Tr::tr("部门"), Tr::tr("姓名")});
  allWinners_->setRootIsDecorated(false);
  allWinners_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(allWinners_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { voidWin_->setEnabled(current && !rolling_); });
  layout->addWidget(allWinners_, 3);

  voidBox_ = new QWidget(this);
  voidBox_->setObjectName(QStringLiteral("voidBox"));
  auto* voidLayout = new QVBoxLayout(voidBox_);
  voidLayout->setContentsMargins(0, 0, 0, 0);
  voidWhat_ = new QLabel(voidBox_);
  voidWhat_->setWordWrap(true);
  voidReason_ = new QComboBox(voidBox_);
  voidReason_->setObjectName(QStringLiteral("voidReason"));
  voidReason_->setEditable(true);
  voidReason_->setInsertPolicy(QComboBox::NoInsert);
  voidReason_->addItems({Tr::tr("放弃领奖"), Tr::tr("不符合资格")});
  voidReason_->lineEdit()->setPlaceholderText(Tr::tr("选择或填写原因（必填）"));
  connect(voidReason_->lineEdit(), &QLineEdit::returnPressed, this, &DrawPanel::confirmVoid);
  auto* voidButtons = new QHBoxLayout;
  voidConfirm_ = new QPushButton(Tr::tr("确定作废"), voidBox_);
  voidConfirm_->setObjectName(QStringLiteral("voidConfirm"));
  auto* voidCancel = new QPushButton(Tr::tr("取消"), voidBox_);
  voidCancel->setObjectName(QStringLiteral("voidCancel"));
  connect(voidConfirm_, &QPushButton::clicked, this, &DrawPanel::confirmVoid);
  connect(voidCancel, &QPushButton::clicked, this, [this] {
    voiding_.reset();
    voidBox_->hide();
  });
  voidButtons->addStretch();
  voidButtons->addWidget(voidConfirm_);
  voidButtons->addWidget(voidCancel);
  voidLayout->addWidget(voidWhat_);
  voidLayout->addWidget(voidReason_);
  voidLayout->addLayout(voidButtons);
  voidBox_->hide();
  layout->addWidget(voidBox_);

  layout->addWidget(heading(Tr::tr("封存（可验证的抽奖）"), this));
  layout->addWidget(new SealBox(session_, this));

  auto* checkInRow = new QHBoxLayout;
  checkInCount_ = new QLabel(this);
  checkInCount_->setObjectName(QStringLiteral("checkInCount"));
  checkInCount_->hide();
  auto* checkIn = new QPushButton(Tr::tr("手机签到…"), this);
  checkIn->setObjectName(QStringLiteral("checkIn"));
  connect(checkIn, &QPushButton::clicked, this, &DrawPanel::checkInRequested);
  checkInRow->addWidget(checkInCount_);
  checkInRow->addStretch();
  checkInRow->addWidget(checkIn);
  layout->addLayout(checkInRow);

  auto* buttons = new QHBoxLayout;
  voidWin_ = new QPushButton(Tr::tr("作废…"), this);
  voidWin_->setObjectName(QStringLiteral("voidWin"));
  voidWin_->setEnabled(false);
  connect(voidWin_, &QPushButton::clicked, this, &DrawPanel::askVoid);
  addPrize_ = new QPushButton(Tr::tr("添加奖项…"), this);
  addPrize_->setObjectName(QStringLiteral("addPrize"));
  connect(addPrize_, &QPushButton::clicked, this, &DrawPanel::addPrizeRequested);
  buttons->addWidget(voidWin_);
  buttons->addStretch();
  buttons->addWidget(addPrize_);
  layout->addLayout(buttons);
  resize(460, 760);
}

void DrawPanel::setCheckInCount(std::optional<CheckInCounts> counts) {
  checkInCount_->setVisible(counts.has_value());
  if (counts) checkInCount_->setText(Tr::tr("已签到 %1 / %2").arg(counts->checkedIn).arg(counts->total));
}

void DrawPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refresh();
}

void DrawPanel::refresh() {
  if (!isVisible()) return;
  try {
    fillPrizes();
    fillWinners();
  } catch (const std::exception& e) {
    // The draw reports its own failures; here the operator only learns the list is not current.
    upcoming_->setText(Tr::tr("无法读取活动：%1").arg(QString::fromUtf8(e.what())));
  }
}

void DrawPanel::fillPrizes() {
  prizes_ = session_.prizeStatus();
  const std::optional<int> next = session_.upcomingLevel();
  const std::optional<int> chosen = session_.chosenPrize();
  std::vector<Prize> plan;
  for (const PrizeStatus& status : prizes_) plan.push_back(status.prize);
  const std::vector<int> keys = prizeKeys(plan);

  prizeList_->clear();
  for (size_t i = 0; i < prizes_.size(); ++i) {
    const PrizeStatus& status = prizes_[i];
    const Prize& prize = status.prize;
    const QString rule = prize.rule.isEmpty() ? Tr::tr("所有人") : prize.rule.shownText();
    const bool upcoming = next == prize.level;
    auto* item = new QTreeWidgetItem(prizeList_);
    item->setData(0, LevelRole, prize.level);
    item->setText(0, (upcoming ? QStringLiteral("▶ ") : QString()) +
                         (keys[i] > 0 ? QString::number(keys[i]) : QString()));
    item->setText(1, prize.shownName() + QLatin1Char('\n') + rule);
    item->setText(2, ofTotal(status.drawn, prize.quantity) + QLatin1Char('\n') +
                         Tr::tr("每次 %1 人").arg(prize.perDraw));
    item->setText(3, ofTotal(status.pool, status.eligible));
    item->setToolTip(1, rule);
    for (int column = 0; column < 4; ++column) {
      if (upcoming) {
        QFont font = item->font(column);
        font.setBold(true);
        item->setFont(column, font);
        item->setBackground(column, QColor(255, 236, 179));
      } else if (status.left == 0) {
        item->setForeground(column, QColor(128, 128, 128));
      }
    }
  }

  if (prizes_.empty()) {
    upcoming_->setText(Tr::tr("奖项计划没有生效（数量不限，或有奖项数量为 0）：每次抽出的都是计划外。"));
  } else if (!next) {
    upcoming_->setText(Tr::tr("奖项已全部抽完：下一次抽出的是计划外。"));
  } else {
    const auto found = std::find_if(prizes_.begin(), prizes_.end(),
                                    [&](const PrizeStatus& s) { return s.prize.level == *next; });
    const QString name = found != prizes_.end() ? found->prize.shownName() : QString();
    upcoming_->setText(chosen == next ? Tr::tr("下一次抽取：%1（已选）").arg(name)
                                      : Tr::tr("下一次抽取：%1").arg(name));
  }
  usualOrder_->setChecked(!chosen);
}

void DrawPanel::fillWinners() {
  const PrizePlan plan = PlanStore(query_).forDraw();
  winners_ = DrawStore(query_).winners();
  std::reverse(winners_.begin(), winners_.end());
  const auto prizeOf = [&](int level) {
    const Prize* prize = plan.prize(level);
    return prize || level == kOutsidePlan ? shownPrize(level, prize ? prize->name : QString())
                                          : QString::number(level);
  };
  // The same winner stays selected across a refresh.
  const QTreeWidgetItem* current = allWinners_->currentItem();
  const int selectedOrder = current ? current->text(0).toInt() : 0;
  const int selectedId = current ? current->data(0, LevelRole).toInt() : 0;
  allWinners_->clear();
  for (size_t i = 0; i < winners_.size(); ++i) {
    const RecordedWinner& w = winners_[i];
    auto* item =
        new QTreeWidgetItem(allWinners_, {QString::number(w.order), prizeOf(w.level), w.department, w.name});
    item->setData(0, LevelRole, w.id);
    item->setData(0, IndexRole, int(i));
    if (w.order == selectedOrder && w.id == selectedId) allWinners_->setCurrentItem(item);
  }
  voidWin_->setEnabled(allWinners_->currentItem() && !rolling_);
}

void DrawPanel::chooseByKey(int number) {
  if (number == 0) {
    choose(std::nullopt);
    return;
  }
  // Hidden, the panel has not followed the plan: read it now.
  std::vector<PrizeStatus> prizes;
  try {
    prizes = session_.prizeStatus();
  } catch (const std::exception& e) {
    emit refused(QString::fromUtf8(e.what()));
    return;
  }
  if (prizes.empty()) {
    emit refused(Tr::tr("奖项数量不限，没有可以选择的奖项"));
    return;
  }
  std::vector<Prize> plan;
  for (const PrizeStatus& status : prizes) plan.push_back(status.prize);
  const std::vector<int> keys = prizeKeys(plan);
  const auto found = std::find(keys.begin(), keys.end(), number);
  if (found == keys.end()) {
    emit refused(Tr::tr("没有编号为 %1 的奖项").arg(number));
    return;
  }
  prizes_ = std::move(prizes);
  choose(plan[size_t(found - keys.begin())].level);
}

void DrawPanel::choose(std::optional<int> level) {
  if (rolling_) {
    emit refused(Tr::tr("滚动中不能更换奖项：先停止或取消本次抽奖"));
    return;
  }
  if (level) {
    const auto found = std::find_if(prizes_.begin(), prizes_.end(),
                                    [&](const PrizeStatus& s) { return s.prize.level == *level; });
    if (found != prizes_.end() && found->left == 0) {
      emit refused(Tr::tr("%1 已全部抽完").arg(found->prize.shownName()));
      return;
    }
  }
  guarded([&] { session_.choosePrize(level); });
}

void DrawPanel::showLatest(const QList<DrawResult>& winners) {
  latest_.clear();
  for (const DrawResult& result : winners) latest_.push_back({result, {}});
  fillLatest();
  refresh();
}

void DrawPanel::markLatest(int id, int order, const QString& mark) {
  for (Latest& latest : latest_)
    if (latest.result.id == id && latest.result.order == order) latest.mark = mark;
  fillLatest();
}

void DrawPanel::fillLatest() {
  latestWinners_->clear();
  for (size_t i = 0; i < latest_.size(); ++i) {
    const DrawResult& r = latest_[i].result;
    QString text = Tr::tr("第 %1 位  %2  %3").arg(r.order).arg(r.department, r.name);
    if (r.replacement) text += Tr::tr("（补抽）");
    if (!latest_[i].mark.isEmpty()) text += QStringLiteral("  ") + latest_[i].mark;
    auto* item = new QListWidgetItem(text, latestWinners_);
    item->setData(IndexRole, int(i));
    if (!latest_[i].mark.isEmpty()) item->setForeground(QColor(160, 0, 0));
  }
}

void DrawPanel::latestClicked(int row) {
  if (row < 0 || size_t(row) >= latest_.size() || !latest_[size_t(row)].mark.isEmpty()) return;
  if (rolling_) {
    emit refused(Tr::tr("滚动中不能标记缺席"));
    return;
  }
  // A copy: the absence announced rewrites the list.
  const DrawResult winner = latest_[size_t(row)].result;
  askAbsent(session_, winner);
}

void DrawPanel::askVoid() {
  const QTreeWidgetItem* item = allWinners_->currentItem();
  if (!item) return;
  const int index = item->data(0, IndexRole).toInt();
  if (index < 0 || size_t(index) >= winners_.size()) return;
  voiding_ = winners_[size_t(index)];
  voidWhat_->setText(Tr::tr("作废 %1  %2 的中奖（%3，第 %4 位）：这个奖项将再抽一人。原因：")
                         .arg(voiding_->department, voiding_->name, item->text(1))
                         .arg(voiding_->order));
  voidReason_->setCurrentIndex(-1);
  voidReason_->clearEditText();
  voidBox_->show();
  voidReason_->setFocus(Qt::OtherFocusReason);
}

void DrawPanel::confirmVoid() {
  if (!voiding_ || rolling_) return;
  const RecordedWinner winner = *voiding_;
  bool done = false;
  // An empty reason is refused by the session with its own message; the box stays for another try.
  guarded([&] {
    session_.voidWin(winner, voidReason_->currentText());
    done = true;
  });
  if (!done) return;
  voiding_.reset();
  voidBox_->hide();
}

void DrawPanel::setRolling(bool on) {
  rolling_ = on;
  for (QWidget* control : {static_cast<QWidget*>(prizeList_), static_cast<QWidget*>(usualOrder_),
                           static_cast<QWidget*>(latestWinners_), static_cast<QWidget*>(voidConfirm_)})
    control->setEnabled(!on);
  voidWin_->setEnabled(!on && allWinners_->currentItem());
}

}  // namespace ld
