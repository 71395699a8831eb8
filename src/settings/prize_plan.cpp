#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "data/query.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "settings/setting_form.h"

namespace ld {

void TsettingForm::ButtonhyjxszClick() {
  Query& q = query();
  q.openSql(QStringLiteral("select top 1 sz from sy where symc='jx'"));
  if (q.fieldByName(QStringLiteral("sz")).asInteger() == 0) {
    RadioButtonbx->setChecked(true);
    RadioButtonbxClick();
    return;  // the quantities stay as they are
  }
  RadioButtonxz->setChecked(true);
  RadioButtonxzClick();
  QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
  for (int level = 1; level <= 4; ++level) {
    q.openSql(QStringLiteral("select top 1 sl from JXSZ where jx=") + QString::number(level));
    if (q.recordCount() >= 1) boxes[level - 1]->setText(q.fieldByName(QStringLiteral("sl")).asString());
  }
}

void TsettingForm::Button6Click() {
  Query& q = query();
  try {
    if (RadioButtonxz->isChecked()) {
      q.execSql(QStringLiteral("update SY set sz=1 where symc='JX'"));
      const QLineEdit* const boxes[] = {Edit1dj, Edit2dj, Edit3dj, Edit4dj};
      for (int level = 1; level <= 4; ++level) {
        const QString quantity = boxes[level - 1]->text().trimmed();
        // Anything but a whole number leaves the level as stored, like a statement that fails.
        if (quantity.isEmpty() || !isWholeNumber(quantity)) continue;
        silently([&] {
          q.execSql(QStringLiteral("update JXSZ set sl=") + quantity + QStringLiteral(" where jx=") +
                    QString::number(level));
        });
      }
    } else if (RadioButtonbx->isChecked()) {
      q.execSql(QStringLiteral("update SY set sz=0 where symc='JX'"));
    }
  } catch (const std::exception&) {
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
