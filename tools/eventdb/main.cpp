// eventdb: makes an event database for the lucky draw, and fills it with a demo roster.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

#include "data/datamodule.h"
#include "data/db_error.h"
#include "data/schema.h"
#include "demo_roster.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/jpeg.h"
#include "transfer_commands.h"

namespace {

const char* const kUsage =
    "usage: eventdb init APPDIR\n"
    "       eventdb demo APPDIR N [--distinct-photos K]\n"
    "%s"
    "\n"
    "init   creates APPDIR/db/db.mdb (and APPDIR/zp/): an empty roster, empty event information,\n"
    "       a limited prize plan with 1 first, 2 second, 3 third and 5 lucky prizes.\n"
    "       Refuses when the database already exists.\n"
    "demo   adds N participants with Chinese names in a handful of departments, each with a\n"
    "       480 x 360 JPEG photo in APPDIR/zp/ named as the roster says. With --distinct-photos K\n"
    "       only K different photos are drawn and the others are hard links to them (for large\n"
    "       rosters in benchmarks).\n"
    "%s"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 on wrong usage.\n";

void printUsage(FILE* to) { std::fprintf(to, kUsage, ld::kTransferUsage, ld::kTransferHelp); }

int usage() {
  printUsage(stderr);
  return 2;
}

void fail(const QString& message) {
  std::fprintf(stderr, "eventdb: %s\n", message.toLocal8Bit().constData());
}

int demo(const QString& folder, int n, int distinctPhotos) {
  ld::setAppFolder(folder);
  ld::TDataModule1 dm;  // reports a connection failure itself; the statements below fail again
  ld::Query& q = dm.ADOQuerysetting;
  const auto people = ld::demoRoster(n);
  QStringList written;
  q.execSql(QStringLiteral("begin"));
  for (int i = 0; i < n; ++i) {
    const auto& p = people[static_cast<size_t>(i)];
    const QString zp =
        QStringLiteral("zp\\") + p.department + QLatin1Char('_') + p.name + QStringLiteral(".jpg");
    const QString file = ld::appPath(zp);
    QFile::remove(file);
    if (distinctPhotos > 0 && i >= distinctPhotos) {
      if (!QFile::link(written[i % distinctPhotos], file) && !QFile::copy(written[i % distinctPhotos], file))
        throw ld::Error(QStringLiteral("无法写入 %1").arg(file));
    } else {
      QFile out(file);
      if (!out.open(QIODevice::WriteOnly) || out.write(ld::encodeJpeg(ld::demoAvatar(p, i), 90)) < 0)
        throw ld::Error(QStringLiteral("无法写入 %1").arg(file));
      written << file;
    }
    q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '") + ld::sqlEscape(p.name) +
              QStringLiteral("', '") + ld::sqlEscape(p.department) + QStringLiteral("','") +
              ld::sqlEscape(zp) + QStringLiteral("' )"));
  }
  q.execSql(QStringLiteral("commit"));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The avatars are painted with text, which needs a GUI application, but never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("eventdb")));
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
    printUsage(args.isEmpty() ? stderr : stdout);
    return args.isEmpty() ? 2 : 0;
  }
  if (ld::isTransferCommand(args[0])) {
    const int status = ld::runTransferCommand(args);
    return status == 2 ? usage() : status;
  }
  try {
    if (args[0] == QLatin1String("init") && args.size() == 2) {
      ld::createEventDatabase(args[1]);
      return 0;
    }
    if (args[0] == QLatin1String("demo") && (args.size() == 3 || args.size() == 5)) {
      bool ok = false;
      const int n = args[2].toInt(&ok);
      if (!ok || n < 0) return usage();
      int distinct = 0;
      if (args.size() == 5) {
        distinct = args[4].toInt(&ok);
        if (args[3] != QLatin1String("--distinct-photos") || !ok || distinct < 1) return usage();
      }
      if (!QFileInfo::exists(QDir(args[1]).filePath(QStringLiteral("db/db.mdb")))) {
        fail(QStringLiteral("%1 没有活动数据库，请先运行 eventdb init").arg(args[1]));
        return 1;
      }
      return demo(QDir(args[1]).absolutePath(), n, distinct);
    }
  } catch (const std::exception& e) {
    fail(QString::fromUtf8(e.what()));
    return 1;
  }
  return usage();
}
