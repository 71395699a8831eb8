#include "event_commands.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/import_store.h"
#include "data/journal.h"
#include "data/schema.h"
#include "data/transaction.h"
#include "demo_roster.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/jpeg.h"
#include "framework/text.h"
#include "settings/photo_file.h"

namespace ld::eventdb {

QString eventFolder(const QString& folder) {
  const QString absolute = QDir(folder).absolutePath();
  return absolute.endsWith(QLatin1Char('/')) ? absolute : absolute + QLatin1Char('/');
}

// The event's database, opened directly: a failure is thrown once, not reported and thrown again.
void connectToEvent(Connection& c, const QString& folder) {
  if (!QFileInfo::exists(TDataModule1::databaseFileFor(folder)))
    throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(folder));
  c.setConnectionString(TDataModule1::connectionStringFor(folder), TDataModule1::databaseFileFor(folder));
  c.setConnected(true);
}

void init(const QString& folder) {
  const QString f = eventFolder(folder);
  if (!QDir().mkpath(f)) throw Error(Tr::tr("无法创建文件夹 %1").arg(f));
  EventLock lock(f);
  createEventDatabase(f);
}

namespace {

void writeDemoPhoto(const QString& file, const QImage& picture, QStringList& made) {
  QFile out(file);
  // NewOnly: a file that appeared meanwhile is an error, never overwritten.
  if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
    throw Error(Tr::tr("无法写入 %1：%2").arg(file, out.errorString()));
  made << file;
  if (out.write(encodeJpeg(picture, 90)) < 0 || !out.flush())
    throw Error(Tr::tr("无法写入 %1：%2").arg(file, out.errorString()));
}

void linkDemoPhoto(const QString& source, const QString& file, QStringList& made) {
  if (::link(QFile::encodeName(source).constData(), QFile::encodeName(file).constData()) != 0 &&
      !QFile::copy(source, file))
    throw Error(Tr::tr("无法写入 %1").arg(file));
  made << file;
}

}  // namespace

int demo(const QString& folder, const DemoOptions& options) {
  const QString f = eventFolder(folder);
  EventLock lock(f);
  Connection c;
  connectToEvent(c, f);
  Query q(c);
  ImportStore store(q);
  const std::vector<RosterEntry> roster = store.roster();
  if (!roster.empty() && !options.append)
    throw Error(Tr::tr("%1 的名单里已有 %2 位参与者，演示名单不会加进去。要在现有名单后面添加演示参与者，"
                       "请加 --append")
                    .arg(f)
                    .arg(roster.size()));
  // What is taken, compared without regard to letter case as the database compares it.
  QSet<QString> taken;
  auto pair = [](const QString& department, const QString& name) {
    return (department + QChar(0x1F) + name).toCaseFolded();
  };
  for (const RosterEntry& e : roster) {
    taken.insert(pair(e.department, e.name));
    taken.insert(e.photoPath.trimmed().toCaseFolded());
  }

  // Photos this run made; removed again when it fails, so a failure leaves the event as it found it.
  QStringList made;
  bool madeSharpFolder = false;
  try {
    Transaction transaction(c);
    std::vector<DemoPerson> people = demoRoster(options.count + 64);
    int added = 0;
    QStringList sources, sharpSources;
    madeSharpFolder = !QFileInfo::exists(f + kSharpPhotoFolder);
    if (!QDir().mkpath(f + kSharpPhotoFolder))
      throw Error(Tr::tr("无法创建文件夹 %1").arg(f + kSharpPhotoFolder));
    for (size_t next = 0; added < options.count; ++next) {
      if (next == people.size())
        people = demoRoster(int(people.size()) * 2);  // a longer roster starts the same
      const DemoPerson& p = people[next];
      const QString zp = photoPathFor(p.department, p.name);
      const QString file = f + QString(zp).replace(QLatin1Char('\\'), QLatin1Char('/'));
      // The sharper copy for the big screen, painted at three times the size.
      const QString sharp = f + kSharpPhotoFolder + QLatin1Char('/') + QFileInfo(file).fileName();
      const QFileInfo existing(file), existingSharp(sharp);
      if (taken.contains(pair(p.department, p.name)) || taken.contains(zp.toCaseFolded()) ||
          existing.exists() || existing.isSymLink() || existingSharp.exists() || existingSharp.isSymLink())
        continue;
      const int distinct = options.distinctPhotos;
      if (distinct > 0 && added >= distinct) {
        const int source = added % distinct;
        linkDemoPhoto(sources[source], file, made);
        linkDemoPhoto(sharpSources[source], sharp, made);
      } else {
        writeDemoPhoto(file, demoAvatar(p, int(next)), made);
        writeDemoPhoto(sharp, demoAvatar(p, int(next), 3), made);
        sources << file;
        sharpSources << sharp;
      }
      store.add(p.name, p.department, zp);
      taken.insert(pair(p.department, p.name));
      taken.insert(zp.toCaseFolded());
      ++added;
    }
    transaction.commit();
    return added;
  } catch (...) {
    for (const QString& file : made) QFile::remove(file);
    if (madeSharpFolder) QDir().rmdir(f + kSharpPhotoFolder);
    throw;
  }
}

QStringList journal(const QString& folder) {
  const QString f = eventFolder(folder);
  Connection c;
  connectToEvent(c, f);
  QStringList lines;
  for (const JournalRow& row : readJournal(c)) lines << journalLine(row);
  return lines;
}

}  // namespace ld::eventdb
