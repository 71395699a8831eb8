#include "draw/seal_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/seal_store.h"
#include "draw/draw_session.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {
// Stored untranslated in the journal, as the draw's own rows are.
const QString kBrokenByOperator = QStringLiteral("操作员在抽奖控制台破坏了封存");
}  // namespace

QString groupedSeal(const QString& seal) {
  QStringList groups;
  for (qsizetype i = 0; i < seal.size(); i += 8) groups << seal.mid(i, 8);
  return groups.join(QLatin1Char(' '));
}

SealBox::SealBox(DrawSession& session, QWidget* parent) : QWidget(parent), session_(session) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("sealState"));
  state_->setWordWrap(true);
  state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(state_);
  auto* row = new QHBoxLayout;
  entropy_ = new QLineEdit(this);
  entropy_->setObjectName(QStringLiteral("sealEntropy"));
  entropy_->setPlaceholderText(Tr::tr("现场随机数：喊出的数字、骰子点数、公开开奖号码……"));
  giveEntropy_ = new QPushButton(Tr::tr("确认随机数"), this);
  giveEntropy_->setObjectName(QStringLiteral("sealGiveEntropy"));
  seal_ = new QPushButton(Tr::tr("封存…"), this);
  seal_->setObjectName(QStringLiteral("sealNow"));
  break_ = new QPushButton(Tr::tr("破坏封存…"), this);
  break_->setObjectName(QStringLiteral("sealBreak"));
  row->addWidget(entropy_, 1);
  row->addWidget(giveEntropy_);
  row->addStretch();
  row->addWidget(seal_);
  row->addWidget(break_);
  layout->addLayout(row);
  connect(seal_, &QPushButton::clicked, this, [this] { guarded([this] { sealNow(); }); });
  connect(giveEntropy_, &QPushButton::clicked, this, [this] { guarded([this] { giveEntropy(); }); });
  connect(entropy_, &QLineEdit::returnPressed, this, [this] { guarded([this] { giveEntropy(); }); });
  connect(break_, &QPushButton::clicked, this, [this] { guarded([this] { breakNow(); }); });
  connect(&session_, &DrawSession::sealChanged, this, &SealBox::refresh);
  refresh();
}

void SealBox::refresh() {
  SealState state;
  if (!silently("reading the seal", [&] { state = session_.sealState(); })) return;
  const bool sealed = state.holds();
  const bool waiting = sealed && !state.entropy;
  seal_->setVisible(!sealed);
  break_->setVisible(sealed);
  entropy_->setVisible(waiting);
  giveEntropy_->setVisible(waiting);
  if (state.seal.isEmpty()) {
    state_->setText(Tr::tr("未封存。封存后，谁都可以在抽奖结束后验证每一位中奖者。"));
  } else if (state.brokenAt) {
    state_->setText(Tr::tr("封存已破坏（日志第 %1 行），此后的抽奖不能再用封存验证。").arg(*state.brokenAt));
  } else if (waiting) {
    state_->setText(Tr::tr("已封存：%1\n请让现场产生随机数并输入（只能输入一次），之后才能抽奖。")
                        .arg(groupedSeal(state.seal)));
  } else {
    state_->setText(Tr::tr("已封存：%1\n现场随机数：%2").arg(groupedSeal(state.seal), *state.entropy));
  }
}

void SealBox::sealNow() {
  if (!dialogs().confirm(Tr::tr("封存前请先结束签到。封存后名单、奖项、规则和签到都不能再改，否则封存作废；"
                                "也不能再选择下一个奖项。现在封存？")))
    return;
  session_.seal();
}

void SealBox::giveEntropy() {
  const QString text = entropy_->text().trimmed();
  if (text.isEmpty()) return;
  if (!dialogs().confirm(Tr::tr("现场随机数“%1”输入后不能更改，确定？").arg(text))) return;
  session_.setEntropy(text);
  entropy_->clear();
}

void SealBox::breakNow() {
  if (!dialogs().confirm(Tr::tr("破坏封存后，此后的抽奖不能再用封存验证，舞台和证明中都会写明。确定？")))
    return;
  session_.breakSeal(kBrokenByOperator);
}

}  // namespace ld
