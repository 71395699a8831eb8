#include "settings/prize_editor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/prize_rule_editor.h"

namespace ld {

namespace {

// As the settings window's quantity boxes allow.
constexpr int kMaxQuantity = 100000;

QSpinBox* spinBox(const char* name, int minimum, int value, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setRange(minimum, kMaxQuantity);
  box->setValue(value);
  return box;
}

void warnIn(QLabel* label, const QString& text) {
  label->setText(text);
  label->setStyleSheet(text.isEmpty() ? QString() : QStringLiteral("color: #b00020"));
}

}  // namespace

QString poolText(int underRule, int eligible) { return Tr::tr("可抽 %1 / %2").arg(underRule).arg(eligible); }

QString shownRule(const PrizeRule& rule) { return rule.isEmpty() ? Tr::tr("所有人") : rule.shownText(); }

PrizeEditor::PrizeEditor(Query& query, const PrizePlan& plan, std::optional<Prize> prize,
                         const QStringList& departments, const QStringList& tags, QWidget* parent)
    : QDialog(parent), plans_(query), draws_(query), plan_(plan), prize_(std::move(prize)) {
  setObjectName(QStringLiteral("prizeEditor"));
  setWindowTitle(prize_ ? Tr::tr("修改奖项：%1").arg(prize_->shownName()) : Tr::tr("添加奖项"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  if (!prize_ || prize_->extra()) {
    name_ = new QLineEdit(prize_ ? prize_->name : QString(), this);
    name_->setObjectName(QStringLiteral("prizeName"));
    name_->setPlaceholderText(Tr::tr("例如：特别奖"));
    form->addRow(Tr::tr("奖项名称："), name_);
  } else {
    form->addRow(Tr::tr("奖项名称："), new QLabel(prize_->shownName(), this));
  }
  // 0 stays possible for the four levels, as the settings window allows; an extra prize needs winners.
  quantity_ = spinBox("prizeQuantity", 0, prize_ ? prize_->quantity : 1, this);
  form->addRow(Tr::tr("数量："), quantity_);
  // 0 can be typed so that it is refused with its reason rather than changed silently.
  perDraw_ = spinBox("prizePerDraw", 0, prize_ ? prize_->perDraw : 1, this);
  form->addRow(Tr::tr("每次抽取人数："), perDraw_);
  quantityHint_ = new QLabel(this);
  quantityHint_->setObjectName(QStringLiteral("quantityHint"));
  quantityHint_->setWordWrap(true);
  form->addRow(quantityHint_);
  if (!prize_) {
    place_ = new QComboBox(this);
    place_->setObjectName(QStringLiteral("prizePlace"));
    for (const Prize& p : plan_.prizes) place_->addItem(Tr::tr("放在%1之前").arg(p.shownName()), p.level);
    place_->addItem(Tr::tr("放在最后"), QVariant());
    place_->setCurrentIndex(place_->count() - 1);
    form->addRow(Tr::tr("抽奖次序："), place_);
  }

  auto* ruleBox = new QGroupBox(Tr::tr("谁可以中这个奖"), this);
  rule_ = new PrizeRuleEditor(departments, tags, ruleBox);
  if (prize_) rule_->setRule(prize_->rule);
  (new QVBoxLayout(ruleBox))->addWidget(rule_);
  layout->addWidget(ruleBox, 1);
  ruleText_ = new QLabel(this);
  ruleText_->setObjectName(QStringLiteral("ruleText"));
  ruleText_->setWordWrap(true);
  layout->addWidget(ruleText_);
  pool_ = new QLabel(this);
  pool_->setObjectName(QStringLiteral("prizePool"));
  layout->addWidget(pool_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* saveButton = new QPushButton(Tr::tr("保存"), this);
  saveButton->setObjectName(QStringLiteral("savePrize"));
  saveButton->setDefault(true);
  auto* cancelButton = new QPushButton(Tr::tr("取消"), this);
  cancelButton->setObjectName(QStringLiteral("cancelPrize"));
  cancelButton->setAutoDefault(false);
  buttons->addWidget(saveButton);
  buttons->addWidget(cancelButton);
  layout->addLayout(buttons);
  connect(saveButton, &QPushButton::clicked, this, [this] { guarded([this] { save(); }); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(quantity_, &QSpinBox::valueChanged, this, &PrizeEditor::refresh);
  connect(perDraw_, &QSpinBox::valueChanged, this, &PrizeEditor::refresh);
  connect(rule_, &PrizeRuleEditor::changed, this, &PrizeEditor::refresh);
  resize(620, 640);
  refresh();
}

QString PrizeEditor::quantityProblem() const {
  const int quantity = quantity_->value(), perDraw = perDraw_->value();
  const bool extra = !prize_ || prize_->extra();
  if (extra && quantity < 1) return Tr::tr("奖项数量至少为 1");
  if (perDraw < 1) return Tr::tr("每次抽取人数至少为 1");
  if (quantity > 0 && perDraw > quantity)
    return Tr::tr("每次抽取人数 %1 大于数量 %2：这个奖项一共只有 %2 人，请改为 1 到 %2 之间的数")
        .arg(perDraw)
        .arg(quantity);
  return {};
}

void PrizeEditor::refresh() {
  warnIn(quantityHint_, quantityProblem());
  PrizeRule rule;
  try {
    rule = rule_->rule();
  } catch (const Error& e) {
    warnIn(ruleText_, Tr::tr("不参加的人：%1").arg(e.message()));
    pool_->clear();
    return;
  }
  warnIn(ruleText_, QString());
  ruleText_->setText(Tr::tr("规则：%1").arg(shownRule(rule)));
  // Counted on every change: a failing count must not put a message box in the way of typing.
  if (!silently("counting a prize's pool",
                [&] { pool_->setText(ld::poolText(draws_.eligibleCount(rule), draws_.eligibleCount())); }))
    pool_->setText(Tr::tr("可抽人数无法读取"));
}

void PrizeEditor::save() {
  if (const QString problem = quantityProblem(); !problem.isEmpty()) {
    dialogs().info(problem);
    (quantity_->value() < 1 && perDraw_->value() >= 1 ? quantity_ : perDraw_)->setFocus();
    return;
  }
  Prize prize = prize_.value_or(Prize{});
  try {
    prize.rule = rule_->rule();
  } catch (const Error& e) {
    dialogs().info(Tr::tr("不参加的人：%1").arg(e.message()));
    rule_->excludePeople()->setFocus();
    return;
  }
  prize.quantity = quantity_->value();
  prize.perDraw = perDraw_->value();
  if (name_) prize.name = name_->text().trimmed();
  if (prize_ && prize_->quantity > 0 && prize.quantity == 0 &&
      !dialogs().confirm(Tr::tr("%1的数量为 0。限制名额时，只要有一个奖项的数量为 0，之后抽出的每一位中奖者"
                                "都不属于任何奖项（计划外），也不会出现在中奖名单上。确定要这样保存吗？")
                             .arg(prize.shownName())))
    return;
  if (beforeChange && !beforeChange()) return;
  int level = prize.level;
  try {
    if (prize_) {
      plans_.savePrize(prize);
    } else {
      const QVariant before = place_->currentData();
      level = plans_.addPrize(prize, before.isValid() ? std::optional<int>(before.toInt()) : std::nullopt);
    }
  } catch (const std::exception& e) {
    dialogs().info(Tr::tr("奖项没有保存：%1").arg(QString::fromUtf8(e.what())));
    return;
  }
  emit saved(level);
  accept();
}

}  // namespace ld
