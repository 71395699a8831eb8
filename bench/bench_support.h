#pragma once
// What the benchmark programs share: events made with eventdb, camera-sized photos, medians, memory
// figures, and the moment a window's first paint is complete.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "framework/jpeg.h"

namespace ld::bench {

[[noreturn]] inline void failed(const char* what, const QByteArray& detail = {}) {
  std::fprintf(stderr, "benchmark failed: %s\n%s\n", what, detail.constData());
  std::exit(1);
}

inline void runEventdb(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"), args);
  if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    failed(("eventdb " + args.join(' ').toLocal8Bit()).constData(), p.readAllStandardError());
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) failed("cannot write", path.toUtf8());
}

// An event of n demo participants with 480 x 360 photos, `distinct` different ones linked under every
// name (0: each participant's own), and the build's own system pictures.
inline void makeEvent(const QString& folder, int n, int distinct) {
  runEventdb({QStringLiteral("init"), folder});
  QStringList demo{QStringLiteral("demo"), folder, QString::number(n)};
  if (distinct > 0) demo << QStringLiteral("--distinct-photos") << QString::number(distinct);
  runEventdb(demo);
  const QDir system(QStringLiteral(LUCKYDRAW_BIN_DIR "/../app/system"));
  QDir(folder).mkpath(QStringLiteral("system"));
  const QStringList files = system.entryList(QDir::Files);
  if (!files.contains(QStringLiteral("logo.jpg")))
    failed("no system pictures in the build", system.path().toUtf8());
  for (const QString& name : files)
    QFile::copy(system.filePath(name), folder + QStringLiteral("/system/") + name);
}

// Overwrites every photo file of an event with bytes, as if copied in by hand: each file once, whether
// the names share it as symbolic or as hard links. Returns how many files were written.
inline int replacePhotoFiles(const QString& folder, const QByteArray& bytes) {
  QDirIterator it(folder + QStringLiteral("/zp"), QDir::Files | QDir::NoSymLinks);
  std::set<ino_t> written;
  while (it.hasNext()) {
    const QString file = it.next();
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) failed("cannot read", file.toUtf8());
    if (written.insert(st.st_ino).second) writeBytes(file, bytes);
  }
  return int(written.size());
}

// Smooth shapes with fine grain, so the file has the size and entropy of a real photo: about 6 MB at
// 6000 x 4000 with the default grain of 4 bits, about 16 MB (a camera's full-quality file) with 7. Each
// variant is a different picture of the same kind.
inline QByteArray cameraSizedJpeg(int width, int height, int grainBits = 4, int variant = 0,
                                  int quality = 92) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, variant == 0 ? QColor(90, 140, 210) : QColor::fromHsv((variant * 47) % 360, 120, 210));
  sky.setColorAt(1, QColor(230, 200, 150));
  p.fillRect(image.rect(), sky);
  for (int i = 0; i < 40; ++i) {
    const QPointF centre((i * 977 + variant * 131) % width, (i * 613 + variant * 71) % height);
    QRadialGradient blob(centre, width / 8.0);
    blob.setColorAt(0, QColor::fromHsv((i * 37 + variant * 11) % 360, 160, 220));
    blob.setColorAt(1, Qt::transparent);
    p.fillRect(image.rect(), blob);
  }
  p.end();
  quint32 seed = 12345u + quint32(variant);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int n = int(seed >> (32 - grainBits)) - (1 << (grainBits - 1));
      const QRgb c = line[x];
      line[x] =
          qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
    }
  }
  return ld::encodeJpeg(image, quality);
}

inline double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t mid = samples.size() / 2;
  return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

// Runs the event loop for ms milliseconds, timers and painting included.
inline void runEventLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Resident memory now, and the peak so far (ru_maxrss), in MB.
inline double residentMb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}
inline double peakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// CPU time of the whole process (user and system, every thread), in ms.
inline double processCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Notes when the first paint of a widget is complete: the event loop is back after the event that
// painted it. Then quits the loop it runs in, when asked to.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(const QElapsedTimer& clock, bool quit = true) : clock_(clock), quit_(quit) {}
  double ms = -1;
  bool done() const { return ms >= 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, this, [this] {
        ms = double(clock_.nsecsElapsed()) / 1e6;
        // exit, not quit: quitting asks every window to close, and the draw window may ask first.
        if (quit_) QCoreApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const QElapsedTimer& clock_;
  bool quit_;
  bool seen_ = false;
};

}  // namespace ld::bench
