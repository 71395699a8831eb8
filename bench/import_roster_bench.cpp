// Roster import at event size, from the spreadsheet to the committed roster:
//   1. 10,000 rows with 10,000 phone-sized photos (4032 x 3024 JPEGs of about 2 MB; a few distinct pictures
//      behind hard links, so the disk holds megabytes, not gigabytes);
//   2. 100,000 rows without photos: without cards (file, checks, one transaction), and then with a
//      generated portrait card for every participant.
// Baseline: the same photo conversions one after another on one core (timed on a sample), so the ratio
// shows what running on all cores gains.
// Usage: import_roster_bench [--photos N] [--rows N] [--skip-cards]
#include <sys/resource.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "eventdb/demo_roster.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/jpeg.h"
#include "settings/photo_import.h"
#include "transfer/roster_import.h"

namespace {

using namespace ld::bench;

QString csvFor(const std::vector<ld::DemoPerson>& people) {
  QString csv = QStringLiteral("部门,姓名\n");
  for (const auto& p : people) csv += p.department + QLatin1Char(',') + p.name + QLatin1Char('\n');
  return csv;
}

double seconds(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e9; }

// A fresh event in its own folder, with the data module open on it.
struct Event {
  QTemporaryDir dir;
  std::unique_ptr<TDataModule1> dm;
  Event() {
    ld::createEventDatabase(dir.path());
    ld::setAppFolder(dir.path());
    dm = std::make_unique<TDataModule1>();
  }
  ~Event() {
    dm.reset();
    ld::setAppFolder(QString());
  }
  ld::Query& q() { return dm->ADOQuerysetting; }
};

struct Timing {
  double plan = 0, photos = 0, write = 0, cpu = 0;
  double total() const { return plan + photos + write; }
};

QByteArray loadAverage() {
  QFile f(QStringLiteral("/proc/loadavg"));
  if (!f.open(QIODevice::ReadOnly)) return "?";
  return f.readAll().split(' ').mid(0, 3).join(' ');
}

Timing runImport(const QString& csv, const QString& photos, int expected, bool cards = true) {
  Event event;
  Timing t;
  const double cpuBefore = processCpuMs() / 1e3;
  QElapsedTimer clock;
  clock.start();
  ld::ImportPlan plan = ld::planRosterImport(csv, photos, event.q());
  plan.cards = cards;
  t.plan = seconds(clock);
  if (plan.toAdd != expected) {
    std::fprintf(stderr, "expected %d rows to add, the plan has %d:\n%s\n", expected, plan.toAdd,
                 plan.summary(5).toLocal8Bit().constData());
    std::exit(1);
  }
  ld::ImportProgress progress;
  clock.restart();
  ld::PreparedPhotos prepared = ld::preparePhotos(plan, progress);
  t.photos = seconds(clock);
  clock.restart();
  ld::writeRosterImport(plan, prepared, event.q(), progress);
  t.write = seconds(clock);
  t.cpu = processCpuMs() / 1e3 - cpuBefore;
  event.q().openSql(QStringLiteral("select count(*) as n from yglb"));
  if (event.q().fieldByName(QStringLiteral("n")).asInteger() != expected) std::exit(1);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("import_roster_bench"), true));
  int photoRows = 10000, bareRows = 100000;
  bool cards = true;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--photos") && i + 1 < args.size()) photoRows = args[++i].toInt();
    if (args[i] == QLatin1String("--rows") && i + 1 < args.size()) bareRows = args[++i].toInt();
    if (args[i] == QLatin1String("--skip-cards")) cards = false;
  }
  std::printf("cores: %d; load average %s\n", QThread::idealThreadCount(), loadAverage().constData());

  QTemporaryDir work;
  const QString photoDir = work.path() + QStringLiteral("/photos");
  QDir().mkpath(photoDir);
  constexpr int kDistinct = 12;
  QStringList sources;
  qint64 sourceBytes = 0;
  for (int k = 0; k < kDistinct; ++k) {
    // A phone picture: 12 megapixels, about 2 MB.
    const QByteArray jpeg = cameraSizedJpeg(4032, 3024, 4, k + 1, 85);
    sourceBytes += jpeg.size();
    sources << work.path() + QStringLiteral("/source-%1.jpg").arg(k);
    writeBytes(sources.back(), jpeg);
  }
  std::printf("photos: 4032 x 3024 JPEG, %.2f MB on average (%d distinct pictures behind the names)\n",
              double(sourceBytes) / kDistinct / 1e6, kDistinct);

  // 1. Rows with photos, matched by department_name.
  const auto people = ld::demoRoster(photoRows, 3);
  for (int i = 0; i < photoRows; ++i) {
    const auto& p = people[size_t(i)];
    const QString name =
        photoDir + QLatin1Char('/') + p.department + QLatin1Char('_') + p.name + QStringLiteral(".jpg");
    if (!QFile::link(sources[i % kDistinct], name) && !QFile::copy(sources[i % kDistinct], name)) return 1;
  }
  const QString withPhotos = work.path() + QStringLiteral("/with-photos.csv");
  writeBytes(withPhotos, csvFor(people).toUtf8());
  const Timing a = runImport(withPhotos, photoDir, photoRows);
  std::printf(
      "%d rows with photos: %.1f s (plan %.2f s, photos %.1f s, rows and files %.2f s); CPU time %.1f s\n",
      photoRows, a.total(), a.plan, a.photos, a.write, a.cpu);

  // Baseline: one conversion after another, on a sample.
  const int sample = std::min(60, photoRows);
  QElapsedTimer clock;
  clock.start();
  const double cpuBefore = processCpuMs() / 1e3;
  for (int i = 0; i < sample; ++i) ld::convertPhoto(sources[i % kDistinct], 100, QSize(480, 360));
  const double perPhoto = seconds(clock) / sample;
  const double perPhotoCpu = (processCpuMs() / 1e3 - cpuBefore) / sample;
  std::printf(
      "baseline, one core: %.1f ms per photo (CPU %.1f ms), %.1f s for %d; ratio of the import to it %.2f\n",
      perPhoto * 1000, perPhotoCpu * 1000, perPhoto * photoRows, photoRows,
      a.total() / (perPhoto * photoRows));
  // The floor: libjpeg-turbo alone, decoding each file at the smallest DCT scale that still covers 480 x 360
  // (every coefficient is entropy-decoded even then). What the import spends above it is ours.
  std::vector<QByteArray> bytes;
  for (const QString& s : sources) {
    QFile f(s);
    if (!f.open(QIODevice::ReadOnly)) return 1;
    bytes.push_back(f.readAll());
  }
  const double floorBefore = processCpuMs() / 1e3;
  for (int i = 0; i < sample; ++i) ld::decodeJpeg(bytes[size_t(i % kDistinct)], QSize(480, 360));
  const double floorCpu = (processCpuMs() / 1e3 - floorBefore) / sample;
  std::printf(
      "the decoder alone, one core: CPU %.1f ms per photo (%.0f MB/s of JPEG); the import's CPU per photo is "
      "%.2f of it\n",
      floorCpu * 1000, double(sourceBytes) / kDistinct / 1e6 / floorCpu, a.cpu / photoRows / floorCpu);
  // On a shared machine the wall time says more about the neighbours than about the import.
  std::printf("%d rows with photos on %d otherwise idle cores, from the CPU time: about %.0f s\n", photoRows,
              QThread::idealThreadCount(), a.cpu / QThread::idealThreadCount());

  // 2. Rows without photos.
  const auto many = ld::demoRoster(bareRows, 5);
  const QString bare = work.path() + QStringLiteral("/bare/roster.csv");
  QDir().mkpath(work.path() + QStringLiteral("/bare"));
  writeBytes(bare, csvFor(many).toUtf8());
  const Timing rows = runImport(bare, QString(), bareRows, false);
  std::printf("%d rows without photos, no cards: %.2f s (plan %.2f s, rows %.2f s); CPU time %.1f s\n",
              bareRows, rows.total(), rows.plan, rows.write, rows.cpu);
  if (cards) {
    const Timing b = runImport(bare, QString(), bareRows);
    std::printf(
        "%d rows without photos, with generated cards: %.1f s (plan %.2f s, cards %.1f s, rows and files "
        "%.2f s); "
        "CPU time %.1f s\n",
        bareRows, b.total(), b.plan, b.photos, b.write, b.cpu);
  }
  std::printf("load average after the run %s\n", loadAverage().constData());
  return 0;
}
