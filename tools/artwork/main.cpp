// Draws the program's pictures, makes its sounds, and writes them where the build wants them:
//   artwork --system <dir> --builtin <dir> [--icons <dir>] [--png <dir>]
// system/: logo.jpg and the fireworks 0.gif ... 14.gif; builtin/: the pictures stored in the
// program, in the form-description format, their large versions (PNG) and the sounds (WAV); icons/: the
// program icon as the hicolor theme lays it out (<n>x<n>/apps/luckydraw.png). --png also writes every picture
// as PNG for looking at, plus preview.png and preview-result.png (the handset assembled as on screen, rolling
// and showing a winner) and fireworks-sheet.png.
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "artwork.h"
#include "artwork/builtin.h"
#include "backdrop.h"
#include "framework/jpeg.h"
#include "keying.h"
#include "preview.h"
#include "sounds.h"
#include "widgets/gif_writer.h"

namespace {

using namespace ld::artwork;

struct Target {
  QString systemDir;
  QString builtinDir;
  QString iconDir;
  QString pngDir;
};

// One picture to draw, encode and write.
struct Job {
  QString path;     // the file to write
  QString pngName;  // for --png
  std::function<QImage()> draw;
  std::function<QByteArray(const QImage&)> encode;
};

void writeFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw std::runtime_error("cannot write " + path.toStdString());
}

QString iconPath(const QString& iconDir, int n) {
  return QStringLiteral("%1/%2x%2/apps/luckydraw.png").arg(iconDir).arg(n);
}

void savePng(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG")) throw std::runtime_error("cannot write " + path.toStdString());
}

QImage drawBuiltin(Builtin picture, qreal scale = 1) {
  switch (picture) {
    case Builtin::Handset:
      return scale == 1 ? handsetBackdrop() : drawHandset(scale);
    case Builtin::PowerKey:
      return drawPowerKey(scale);
    case Builtin::DrawIcon:
      return drawDrawIcon(scale);
    case Builtin::MessagesIcon:
      return drawMessagesIcon(scale);
    case Builtin::ClockIcon:
      return drawClockIcon(scale);
    case Builtin::TelephoneIcon:
      return drawTelephoneIcon(scale);
    case Builtin::MusicIcon:
      return drawMusicIcon(scale);
    case Builtin::Fireworks:
      return drawBuiltinFireworks();
  }
  throw std::logic_error("unknown built-in picture");
}

QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
    throw std::runtime_error("cannot encode a PNG");
  return bytes;
}

// Fireworks are keyed on black and stay undithered, so that no speckle appears in the see-through
// black; the handset's gradients are dithered.
ld::GifWriteOptions gifOptions(Builtin picture) {
  if (picture == Builtin::Fireworks) return {kBlackKey, false};
  return {kWhiteKey, picture == Builtin::Handset};
}

std::vector<Job> jobs(const Target& target) {
  std::vector<Job> list;
  for (const Builtin picture : kAllBuiltins)
    list.push_back({target.builtinDir + '/' + builtinFileName(picture),
                    QFileInfo(builtinFileName(picture)).completeBaseName(),
                    [picture] { return drawBuiltin(picture); },
                    [picture](const QImage& image) {
                      return ld::toFormData(ld::encodeGif(image, gifOptions(picture)));
                    }});
  for (const Builtin picture : kAllBuiltins) {
    if (!hasSharpVersion(picture)) continue;
    list.push_back({target.builtinDir + '/' + sharpFileName(picture),
                    QFileInfo(sharpFileName(picture)).completeBaseName(),
                    [picture] { return drawBuiltin(picture, kSharpScale); }, pngBytes});
  }
  for (int n = 0; n < kFireworksFileCount; ++n)
    list.push_back({target.systemDir + '/' + QString::number(n) + ".gif", QString::number(n),
                    [n] { return drawFireworks(n); },
                    [](const QImage& image) {
                      return ld::encodeGif(image, {kBlackKey, false});
                    }});
  // The sounds go with the built-in pictures into the program.
  using Make = std::vector<float> (*)();
  const std::pair<const char*, Make> sounds[] = {
      {"rolling.wav", drumRoll}, {"stop.wav", stopSting}, {"fanfare.wav", fanfare}};
  for (const auto& [name, make] : sounds)
    list.push_back({target.builtinDir + '/' + QLatin1String(name), QString(), [] { return QImage(); },
                    [make = make](const QImage&) { return wavFile(make()); }});
  list.push_back({target.builtinDir + '/' + kStageBackgroundFile, "stage", drawStageBackground,
                  [](const QImage& image) { return ld::encodeJpeg(image, 92); }});
  list.push_back({target.systemDir + "/logo.jpg", "logo", drawPlaceholderPhoto,
                  [](const QImage& image) { return ld::encodeJpeg(image, 90); }});
  if (!target.iconDir.isEmpty())
    for (const int n : kProgramIconSizes)
      list.push_back({iconPath(target.iconDir, n), QStringLiteral("icon-%1").arg(n),
                      [n] { return drawProgramIcon(n); }, pngBytes});
  return list;
}

// Runs the jobs on as many threads as there are cores; the first failure is rethrown.
void runAll(const std::vector<Job>& list, const QString& pngDir) {
  std::atomic<std::size_t> next = 0;
  std::exception_ptr failure;
  std::mutex failureLock;
  auto worker = [&] {
    for (std::size_t i = next++; i < list.size(); i = next++) {
      try {
        const Job& job = list[i];
        const QImage image = job.draw();
        writeFile(job.path, job.encode(image));
        if (!pngDir.isEmpty() && !job.pngName.isEmpty()) savePng(image, pngDir + '/' + job.pngName + ".png");
      } catch (...) {
        const std::lock_guard lock(failureLock);
        if (!failure) failure = std::current_exception();
        next = list.size();
      }
    }
  };
  const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  std::vector<std::thread> threads;
  for (unsigned k = 1; k < count; ++k) threads.emplace_back(worker);
  worker();
  for (std::thread& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
}

void writeAll(const Target& target) {
  QStringList dirs{target.systemDir, target.builtinDir, target.pngDir};
  if (!target.iconDir.isEmpty())
    for (const int n : kProgramIconSizes) dirs << QFileInfo(iconPath(target.iconDir, n)).path();
  for (const QString& dir : dirs)
    if (!dir.isEmpty() && !QDir().mkpath(dir)) throw std::runtime_error("cannot create " + dir.toStdString());
  runAll(jobs(target), target.pngDir);
  if (!target.pngDir.isEmpty()) {
    savePng(composePreview(DrawState::Rolling), target.pngDir + "/preview.png");
    savePng(composePreview(DrawState::Result), target.pngDir + "/preview-result.png");
    savePng(fireworksSheet(), target.pngDir + "/fireworks-sheet.png");
    for (const QSize screen : {QSize(1280, 720), QSize(1920, 1200), QSize(3840, 2160)})
      savePng(
          stagePreview(screen),
          QStringLiteral("%1/stage-%2x%3.png").arg(target.pngDir).arg(screen.width()).arg(screen.height()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addOption({"system", "Folder for logo.jpg and the fireworks GIFs.", "dir"});
  parser.addOption({"builtin", "Folder for the built-in pictures (.dat).", "dir"});
  parser.addOption({"icons", "Folder for the program icon in the hicolor theme's sizes.", "dir"});
  parser.addOption({"png", "Also write PNGs of every picture, a preview and a fireworks sheet here.", "dir"});
  parser.process(app);
  if (!parser.isSet("system") || !parser.isSet("builtin")) {
    std::fprintf(stderr, "usage: artwork --system <dir> --builtin <dir> [--icons <dir>] [--png <dir>]\n");
    return 2;
  }
  try {
    QElapsedTimer clock;
    clock.start();
    writeAll({parser.value("system"), parser.value("builtin"), parser.value("icons"), parser.value("png")});
    std::printf("artwork: drawn and written in %lld ms\n", static_cast<long long>(clock.elapsed()));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artwork: %s\n", e.what());
    return 1;
  }
}
