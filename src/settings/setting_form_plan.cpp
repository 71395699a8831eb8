// The prize plan part of the settings window ("奖项设置").
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <optional>

#include "data/prize_levels.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/prize_plan_dialog.h"
#include "settings/setting_form.h"

using namespace ld;

void TsettingForm::ButtonhyjxszClick() {
  const StoredPrizePlan plan = plans_.stored();
  if (!plan.limited) {
    RadioButtonbx->setChecked(true);
    RadioButtonbxClick();
    return;  // the quantities stay as they are
  }
  RadioButtonxz->setChecked(true);
  RadioButtonxzClick();
  QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
  for (int level = 1; level <= 4; ++level)
    if (const auto& quantity = plan.quantities[size_t(level - 1)]) boxes[level - 1]->setText(*quantity);
}

namespace {

// More prizes of one level than this is a slip of the keyboard, not a plan.
constexpr int kMaxQuantity = 100000;

// A typed quantity: decimal digits (full-width ones too, as a Chinese input method types them) after
// an optional '+', 0 to kMaxQuantity. nullopt for anything else.
std::optional<int> parseQuantity(QString text) {
  if (text.startsWith(QLatin1Char('+'))) text.remove(0, 1);
  if (text.isEmpty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (QChar c : text) {
    if (c.category() != QChar::Number_DecimalDigit) return std::nullopt;
    value = value * 10 + c.digitValue();
  }
  if (value > kMaxQuantity) return std::nullopt;
  return value;
}

}  // namespace

void TsettingForm::Button6Click() {
  const bool limited = RadioButtonxz->isChecked();
  std::array<std::optional<int>, 4> quantities;
  if (limited) {
    QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
    QStringList zero;
    for (int level = 1; level <= 4; ++level) {
      const QString typed = boxes[level - 1]->text().trimmed();
      if (typed.isEmpty()) continue;  // an empty box leaves the level as stored
      quantities[level - 1] = parseQuantity(typed);
      if (!quantities[level - 1]) {
        dialogs().info(ld::Tr::tr("%1的数量“%2”不是 0 到 %3 之间的整数，请重新输入。奖项设置没有保存。")
                           .arg(shownPrizeName(level), typed)
                           .arg(kMaxQuantity));
        boxes[level - 1]->setFocus();
        boxes[level - 1]->selectAll();
        return;
      }
      if (*quantities[level - 1] == 0) zero << shownPrizeName(level);
    }
    if (!zero.isEmpty() &&
        !dialogs().confirm(
            ld::Tr::tr("%1的数量为 0。限制名额时，只要有一个奖项的数量为 0，之后抽出的每一位中奖者"
                       "都不属于任何奖项（计划外），也不会出现在中奖名单上。确定要这样保存吗？")
                .arg(zero.join(ld::Tr::tr("、")))))
      return;
  }
  try {
    plans_.save(limited, quantities);
  } catch (const std::exception& e) {
    qWarning("prize plan not saved: %s", e.what());
    dialogs().info(ld::Tr::tr("奖项设置有误，请重新设置"));
    return;
  }
  emit planChanged();
  dialogs().info(ld::Tr::tr("奖项设置成功"));
}

void TsettingForm::RadioButtonxzClick() { showQuantities(true); }

void TsettingForm::RadioButtonbxClick() { showQuantities(false); }

void TsettingForm::showQuantities(bool visible) {
  const std::array<QWidget*, 8> controls{Label1dj, Edit1dj, Label2dj, Edit2dj,
                                         Label3dj, Edit3dj, Label4dj, Edit4dj};
  for (QWidget* w : controls) w->setVisible(visible);
}

void TsettingForm::ButtonjxgzClick() {
  if (!Formjxgz) {
    Formjxgz = new PrizePlanDialog(query_, this);
    Formjxgz->beforeChange = [this] { return !beforeChange || beforeChange(); };
    connect(Formjxgz, &PrizePlanDialog::planChanged, this, [this] {
      guarded([this] { ButtonhyjxszClick(); });
      emit planChanged();
    });
    // Quantities saved here show there at once.
    connect(this, &TsettingForm::planChanged, Formjxgz, [this] {
      if (Formjxgz->isVisible()) guarded([this] { Formjxgz->reload(); });
    });
  }
  Formjxgz->show();
  Formjxgz->raise();
  Formjxgz->activateWindow();
}
