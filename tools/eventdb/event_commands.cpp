#include "event_commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/journal.h"
#include "data/schema.h"
#include "demo_roster.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/jpeg.h"

namespace ld::eventdb {

namespace {

QString withSeparator(const QString& folder) {
  const QString absolute = QDir(folder).absolutePath();
  return absolute.endsWith(QLatin1Char('/')) ? absolute : absolute + QLatin1Char('/');
}

// The event's database, opened directly: a failure is thrown once, not reported and thrown again.
void connect(Connection& c, const QString& folder) {
  if (!QFileInfo::exists(TDataModule1::databaseFileFor(folder)))
    throw Error(QStringLiteral("%1 没有活动数据库，请先运行 eventdb init").arg(folder));
  c.setConnectionString(TDataModule1::connectionStringFor(folder), TDataModule1::databaseFileFor(folder));
  c.setConnected(true);
}

}  // namespace

void init(const QString& folder) {
  const QString f = withSeparator(folder);
  if (!QDir().mkpath(f)) throw Error(QStringLiteral("无法创建文件夹 %1").arg(f));
  EventLock lock(f);
  createEventDatabase(f);
}

void demo(const QString& folder, const DemoOptions& options) {
  const QString f = withSeparator(folder);
  EventLock lock(f);
  Connection c;
  connect(c, f);
  Query q(c);
  const auto people = demoRoster(options.count);
  QStringList written;
  q.execSql(QStringLiteral("begin"));
  for (int i = 0; i < options.count; ++i) {
    const auto& p = people[static_cast<size_t>(i)];
    const QString zp =
        QStringLiteral("zp\\") + p.department + QLatin1Char('_') + p.name + QStringLiteral(".jpg");
    const QString file =
        f + QStringLiteral("zp/") + p.department + QLatin1Char('_') + p.name + QStringLiteral(".jpg");
    QFile::remove(file);
    const int distinct = options.distinctPhotos;
    if (distinct > 0 && i >= distinct) {
      if (!QFile::link(written[i % distinct], file) && !QFile::copy(written[i % distinct], file))
        throw Error(QStringLiteral("无法写入 %1").arg(file));
    } else {
      QFile out(file);
      if (!out.open(QIODevice::WriteOnly) || out.write(encodeJpeg(demoAvatar(p, i), 90)) < 0)
        throw Error(QStringLiteral("无法写入 %1").arg(file));
      written << file;
    }
    q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( ?, ?, ? )"),
              {p.name, p.department, zp});
  }
  q.execSql(QStringLiteral("commit"));
}

QStringList journal(const QString& folder) {
  const QString f = withSeparator(folder);
  Connection c;
  connect(c, f);
  QStringList lines;
  for (const JournalRow& row : readJournal(c)) lines << journalLine(row);
  return lines;
}

}  // namespace ld::eventdb
