#pragma once
// The data module: the one connection and the two shared queries every window uses.
#include <QObject>

#include "data/connection.h"
#include "data/query.h"

namespace ld {

// "kzm_30918265": the event database's password.
extern const char* const kDatabasePassword;

}  // namespace ld

class TDataModule1 : public QObject {
  Q_OBJECT
 public:
  // Creation runs DataModuleCreate; a connection failure goes to the default error handler.
  explicit TDataModule1(QObject* parent = nullptr);

  void DataModuleCreate();
  // The classic connection string (the Data Source quoted when the folder needs it), and the file it names.
  static QString connectionStringFor(const QString& appFolder);
  static QString databaseFileFor(const QString& appFolder);

  ld::Connection ADOConnection;
  ld::Query ADOQuerymain{ADOConnection};
  ld::Query ADOQuerysetting{ADOConnection};
};
