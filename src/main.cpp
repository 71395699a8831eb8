#include <QCommandLineParser>
#include <QObject>
#include <QTimer>

#include "draw/lucky_draw.h"
#include "draw/termination.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "settings/photo_file.h"

namespace {
constexpr int kTidyAfterStartMs = 500;
}  // namespace

int main(int argc, char* argv[]) {
  ld::Application app(argc, argv);
  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral("抽奖程序。活动数据在程序所在文件夹的 db\\db.mdb 中。"));
  options.addHelpOption();
  const QCommandLineOption screen(
      QStringLiteral("screen"),
      QStringLiteral("抽奖窗口显示在第 N 个屏幕上（1 为第一个），并记在活动数据中。"), QStringLiteral("N"));
  const QCommandLineOption presentation(
      QStringLiteral("presentation"), QStringLiteral("以演示模式开始：抽奖窗口放大到整个屏幕（F11 切换）。"));
  options.addOption(screen);
  options.addOption(presentation);
  options.process(app);
  // A second program on the same event would draw from the same pool: it is refused before it opens anything.
  ld::EventLock lock;
  try {
    lock = ld::EventLock(ld::appFolder());
  } catch (const std::exception& e) {
    ld::reportException(e);
    return 1;
  }
  // A connection failure is reported as the data module is made; the program starts all the same.
  ld::LuckyDraw program;
  TVELTRAXForm& form = program.drawWindow();
  // The draw window is the main window: closing it ends the program, whatever else is still open.
  QObject::connect(&form, &TVELTRAXForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // A termination signal is an order, not a request: the program ends without asking, as after "确定".
  ld::endOnTerminationSignals([&form] { form.switchOff(); });
  program.show({options.value(screen), options.isSet(presentation)});
  // Only the holder of the lock may tidy the photo folder: a write cut short left these behind. Once the
  // window is up, as reading a folder of many thousand photos takes a while.
  QTimer::singleShot(kTidyAfterStartMs, &form, [] {
    ld::silently("removing leftover photo files", [] { ld::removeLeftoverPhotoTemps(); });
  });
  return app.exec();
}
