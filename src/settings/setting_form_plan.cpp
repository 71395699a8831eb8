// The prize plan part of the settings window ("奖项设置").
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "data/query.h"
#include "framework/dialogs.h"
#include "settings/setting_form.h"

namespace ld {

void TsettingForm::ButtonhyjxszClick() {
  const StoredPrizePlan plan = store_.prizePlan();
  if (!plan.limited) {
    RadioButtonbx->setChecked(true);
    RadioButtonbxClick();
    return;  // the quantities stay as they are
  }
  RadioButtonxz->setChecked(true);
  RadioButtonxzClick();
  QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
  for (int level = 1; level <= 4; ++level)
    if (const auto& quantity = plan.quantities[level - 1]) boxes[level - 1]->setText(*quantity);
}

void TsettingForm::Button6Click() {
  const bool limited = RadioButtonxz->isChecked();
  std::array<std::optional<int>, 4> quantities;
  if (limited) {
    const QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
    for (int level = 1; level <= 4; ++level) {
      const QString quantity = boxes[level - 1]->text().trimmed();
      // Anything but a whole number leaves the level as stored.
      if (!quantity.isEmpty() && isWholeNumber(quantity)) quantities[level - 1] = quantity.toInt();
    }
  }
  try {
    store_.savePrizePlan(limited, quantities);
  } catch (const std::exception& e) {
    qWarning("prize plan not saved: %s", e.what());
    dialogs().info(QStringLiteral("奖项设置有误，请重新设置"));
    return;
  }
  dialogs().info(QStringLiteral("奖项设置成功"));
}

void TsettingForm::RadioButtonxzClick() { showQuantities(true); }

void TsettingForm::RadioButtonbxClick() { showQuantities(false); }

void TsettingForm::showQuantities(bool visible) {
  const std::array<QWidget*, 8> controls{Label1dj, Edit1dj, Label2dj, Edit2dj,
                                         Label3dj, Edit3dj, Label4dj, Edit4dj};
  for (QWidget* w : controls) w->setVisible(visible);
}

}  // namespace ld
