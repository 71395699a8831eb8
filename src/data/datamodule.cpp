#include "data/datamodule.h"

#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/text.h"

using namespace ld;

const char* const ld::kDatabasePassword = "kzm_30918265";

TDataModule1::TDataModule1(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("DataModule1"));
  guarded([this] { DataModuleCreate(); });
}

QString TDataModule1::connectionStringFor(const QString& folder) {
  return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
         connectionStringQuoted(folder + QStringLiteral("db\\db.mdb")) +
         QStringLiteral(";Persist Security Info=True;Jet OLEDB:Database Password=") +
         QString::fromLatin1(kDatabasePassword);
}

QString TDataModule1::databaseFileFor(const QString& folder) { return folder + QStringLiteral("db/db.mdb"); }

void TDataModule1::DataModuleCreate() {
  const QString folder = appFolder();
  ADOConnection.setConnectionString(connectionStringFor(folder), databaseFileFor(folder));
  ADOConnection.setConnected(true);
  // Reported now, not at the first draw in front of the audience; reading still works.
  const QString problem = ADOConnection.writeProblem();
  if (!problem.isEmpty())
    reportError(
        Tr::tr("活动数据库 %1 无法写入，抽奖结果将无法保存：%2").arg(ADOConnection.databaseFile(), problem));
}
