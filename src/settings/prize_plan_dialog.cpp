#include "settings/prize_plan_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/prize_editor.h"
#include "settings/prize_rule_editor.h"

namespace ld {

namespace {

enum Column { Order, Name, Quantity, PerDraw, Rule, Pool, Won, kColumns };

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(alignment);
  item->setToolTip(text);
  return item;
}

QTableWidgetItem* number(int value) {
  return cell(QString::number(value), Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

PrizePlanDialog::PrizePlanDialog(Query& query, QWidget* parent)
    : QDialog(parent), query_(query), plans_(query), draws_(query), roster_(query) {
  setObjectName(QStringLiteral("prizePlanDialog"));
  setWindowTitle(Tr::tr("奖项规则"));
  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName(QStringLiteral("prizeTable"));
  table_->setHorizontalHeaderLabels({Tr::tr("次序"), Tr::tr("奖项"), Tr::tr("数量"), Tr::tr("每次抽取人数"),
                                     Tr::tr("规则"), Tr::tr("奖池"), Tr::tr("已中奖")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(Rule, QHeaderView::Stretch);
  layout->addWidget(table_, 1);
  notice_ = new QLabel(this);
  notice_->setObjectName(QStringLiteral("planNotice"));
  notice_->setWordWrap(true);
  notice_->setStyleSheet(QStringLiteral("color: #b00020"));
  layout->addWidget(notice_);

  auto* buttons = new QHBoxLayout;
  edit_ = button("editPrize", Tr::tr("修改…"), this);
  add_ = button("addPrize", Tr::tr("添加奖项…"), this);
  remove_ = button("removePrize", Tr::tr("删除"), this);
  auto* close = button("closePlan", Tr::tr("关闭"), this);
  buttons->addWidget(edit_);
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);

  connect(edit_, &QPushButton::clicked, this, [this] { guarded([this] { editSelected(); }); });
  connect(add_, &QPushButton::clicked, this, [this] { guarded([this] { addPrize(); }); });
  connect(remove_, &QPushButton::clicked, this, [this] { guarded([this] { removeSelected(); }); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this] {
    if (edit_->isEnabled()) guarded([this] { editSelected(); });
  });
  connect(table_, &QTableWidget::itemSelectionChanged, this, &PrizePlanDialog::updateButtons);
  resize(780, 400);
  updateButtons();
}

void PrizePlanDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  guarded([this] { reload(); });
}

std::optional<int> PrizePlanDialog::selectedLevel() const {
  const QList<QTableWidgetItem*> selected = table_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return table_->item(selected.first()->row(), Order)->data(Qt::UserRole).toInt();
}

void PrizePlanDialog::reload() {
  const std::optional<int> selected = selectedLevel();
  plan_ = plans_.forDraw();
  won_ = draws_.winnersByLevel();
  const int eligible = draws_.eligibleCount();
  const QSignalBlocker quiet(table_);
  table_->clearContents();
  table_->setRowCount(int(plan_.prizes.size()));
  QStringList empty;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const Prize& prize = plan_.prizes[size_t(row)];
    QTableWidgetItem* order = number(prize.drawOrder);
    order->setData(Qt::UserRole, prize.level);
    table_->setItem(row, Order, order);
    table_->setItem(row, Name, cell(prize.shownName()));
    // Quantities mean nothing while the plan is unlimited, and are not even read.
    table_->setItem(row, Quantity, plan_.limited ? number(prize.quantity) : cell(Tr::tr("不限")));
    table_->setItem(row, PerDraw, number(prize.perDraw));
    table_->setItem(row, Rule, cell(shownRule(prize.rule)));
    table_->setItem(row, Pool, cell(poolText(draws_.eligibleCount(prize.rule), eligible)));
    table_->setItem(row, Won, number(won_.value(prize.level)));
    if (plan_.limited && prize.quantity == 0) empty << prize.shownName();
  }
  for (int row = 0; row < table_->rowCount() && selected; ++row)
    if (table_->item(row, Order)->data(Qt::UserRole).toInt() == *selected) table_->selectRow(row);
  if (!plan_.limited)
    notice_->setText(
        Tr::tr("奖项数量现在不限，抽奖不按奖项进行。要修改或添加奖项，请先在设置窗口的“奖项设置”"
               "中选择“限制”并点“更新”。"));
  else if (!empty.isEmpty())
    notice_->setText(Tr::tr("%1的数量为 0：只要有一个奖项的数量为 0，抽出的中奖者都记为计划外。")
                         .arg(empty.join(Tr::tr("、"))));
  else
    notice_->clear();
  notice_->setVisible(!notice_->text().isEmpty());
  updateButtons();
}

void PrizePlanDialog::updateButtons() {
  const std::optional<int> level = selectedLevel();
  const Prize* prize = level ? plan_.prize(*level) : nullptr;
  // Without the limit the quantities are not read, so a change would store a quantity nobody saw.
  edit_->setEnabled(prize && plan_.limited);
  add_->setEnabled(plan_.limited);
  remove_->setEnabled(prize && prize->extra());
}

PrizeEditor* PrizePlanDialog::openEditor(std::optional<Prize> prize) {
  QStringList tags;
  for (const RosterEntry& entry : roster_.entriesInOrder()) tags << entry.tags;
  auto* editor =
      new PrizeEditor(query_, plan_, std::move(prize), roster_.departments(), distinctTags(tags), this);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  editor->beforeChange = [this] { return !beforeChange || beforeChange(); };
  connect(editor, &PrizeEditor::saved, this, [this](int level) {
    table_->clearSelection();
    guarded([this] { reload(); });
    for (int row = 0; row < table_->rowCount(); ++row)
      if (table_->item(row, Order)->data(Qt::UserRole).toInt() == level) table_->selectRow(row);
    emit planChanged();
  });
  editor->open();
  return editor;
}

PrizeEditor* PrizePlanDialog::editSelected() {
  const std::optional<int> level = selectedLevel();
  if (!level) return nullptr;
  // What is edited is what is stored now, not what the table showed when it was last read.
  reload();
  const Prize* prize = plan_.prize(*level);
  if (!prize) {
    dialogs().info(Tr::tr("这个奖项已经不在计划中"));
    return nullptr;
  }
  return openEditor(*prize);
}

PrizeEditor* PrizePlanDialog::addPrize() {
  reload();
  return openEditor(std::nullopt);
}

void PrizePlanDialog::removeSelected() {
  const std::optional<int> level = selectedLevel();
  const Prize* prize = level ? plan_.prize(*level) : nullptr;
  if (!prize || !prize->extra()) return;
  const QString name = prize->shownName();
  if (const int won = won_.value(*level); won > 0) {
    dialogs().info(Tr::tr("“%1”已经有 %2 人中奖，不能删除").arg(name).arg(won));
    return;
  }
  if (!dialogs().confirm(Tr::tr("删除奖项“%1”吗？").arg(name))) return;
  if (beforeChange && !beforeChange()) return;
  try {
    plans_.removePrize(*level);
  } catch (const std::exception& e) {
    dialogs().info(Tr::tr("奖项没有删除：%1").arg(QString::fromUtf8(e.what())));
    guarded([this] { reload(); });
    return;
  }
  emit planChanged();
  reload();
}

}  // namespace ld
