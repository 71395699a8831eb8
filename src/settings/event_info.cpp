#include <QLineEdit>

#include "data/query.h"
#include "framework/dialogs.h"
#include "settings/setting_form.h"

namespace ld {

void TsettingForm::ButtonhyjcszClick() {
  Query& q = query();
  const std::pair<QString, QLineEdit*> keys[] = {
      {QStringLiteral("select top 1 * from JCSZ where xm='GSMC'"), Editgsmc},
      {QStringLiteral("select top 1 * from JCSZ where xm='LXRY'"), Editlxry},
      {QStringLiteral("select top 1 * from JCSZ where xm='LXDH'"), Editlxdh},
  };
  for (const auto& [statement, box] : keys) {
    q.openSql(statement);
    // A missing row leaves the box as it is.
    if (q.recordCount() >= 1) box->setText(q.fieldByName(QStringLiteral("sz")).asString());
  }
}

void TsettingForm::Button2Click() {
  Query& q = query();
  const auto value = [](const QLineEdit* box) { return sqlEscape(box->text().trimmed()); };
  q.execSql(QStringLiteral("update JCSZ set sz='") + value(Editgsmc) + QStringLiteral("' where xm='GSMC'"));
  q.execSql(QStringLiteral("update JCSZ set sz='") + value(Editlxry) + QStringLiteral("' where xm='lxry'"));
  q.execSql(QStringLiteral("update JCSZ set sz='") + value(Editlxdh) + QStringLiteral("' where xm='lxdh'"));
  dialogs().info(QStringLiteral("更新完成"));
}

}  // namespace ld
