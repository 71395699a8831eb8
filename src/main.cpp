#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <optional>

#include "data/schema.h"
#include "draw/lucky_draw.h"
#include "draw/rehearsal_copy.h"
#include "draw/termination.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/display_platform.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/scratch_files.h"
#include "framework/text.h"

namespace {
constexpr int kTidyAfterStartMs = 500;

// The demo roster is eventdb's: the one installed beside the program, or the build tree's bin/.
QString eventdbProgram() {
  const QString folder = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {folder + QStringLiteral("/eventdb"), folder + QStringLiteral("/../bin/eventdb")})
    if (QFileInfo(candidate).isExecutable()) return QDir::cleanPath(candidate);
  return {};
}

void createEvent(const QString& folder, bool withDemo) {
  ld::createEventDatabase(folder);
  if (!withDemo) return;
  // The event exists from here on: a demo roster that cannot be added is reported, and the event opens empty.
  const QString eventdb = eventdbProgram();
  if (eventdb.isEmpty()) {
    ld::reportError(ld::Tr::tr("找不到 eventdb 程序，演示名单没有加入，活动的名单为空。"));
    return;
  }
  QProcess demo;
  demo.setProcessChannelMode(QProcess::MergedChannels);
  demo.start(eventdb, {QStringLiteral("demo"), folder, QStringLiteral("24")});
  if (!demo.waitForFinished(120000) || demo.exitStatus() != QProcess::NormalExit || demo.exitCode() != 0)
    ld::reportError(ld::Tr::tr("演示名单没有加入，活动的名单为空：%1")
                        .arg(QString::fromLocal8Bit(demo.readAll()).trimmed() + demo.errorString()));
}

// --help and --version are answered without a display, before the GUI application is made.
enum class TextRequest { None, Help, Version };

TextRequest textRequest(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) break;
    for (const char* help : {"--help", "-h", "--help-all"})
      if (std::strcmp(arg, help) == 0) return TextRequest::Help;
    if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-v") == 0) return TextRequest::Version;
  }
  return TextRequest::None;
}

// --lang is read before anything is said: the language decides every text, the help included.
bool speakChosenLanguage(QCoreApplication& app) {
  try {
    QStringList arguments = app.arguments();
    ld::setLanguage(app, ld::chooseLanguage(ld::takeLanguageOption(arguments), QLocale::system()));
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "luckydraw: %s\n", e.what());
    return false;
  }
}

void describeOptions(QCommandLineParser& options) {
  options.setApplicationDescription(ld::Tr::tr("幸运抽奖：公司活动现场抽奖"));
  options.addHelpOption();
  options.addVersionOption();
  options.addOption({QStringLiteral("lang"),
                     ld::Tr::tr("界面语言：zh（中文，默认）或 en（英文）。不写时按系统的语言设置。"),
                     QStringLiteral("zh|en")});
  options.addOption({QStringLiteral("screen"),
                     ld::Tr::tr("抽奖窗口显示在第 N 个屏幕上（1 为第一个），并记在活动数据中。"),
                     QStringLiteral("N")});
  options.addOption(
      {QStringLiteral("presentation"), ld::Tr::tr("以演示模式开始：抽奖窗口放大到整个屏幕（F11 切换）。")});
  options.addOption(
      {QStringLiteral("stage"),
       ld::Tr::tr("以舞台开始：观众的屏幕（--screen 所选，两个屏幕时不是操作员的屏幕）显示全屏的"
                  "抽奖画面，抽奖窗口留在操作员的屏幕上（F10 切换，记在活动数据中）。")});
  options.addOption(
      {QStringLiteral("min-roll"),
       ld::Tr::tr("每次滚动至少持续 MS 毫秒（0 到 60000，默认 1000），过早的停止等到此时才执行；"
                  "记在活动数据中。"),
       QStringLiteral("MS")});
  options.addOption({QStringLiteral("mirror"),
                     ld::Tr::tr("每次抽奖后在后台把活动（数据库和照片）复制到文件夹 DIR（例如 U 盘上），"
                                "备用电脑可用 luckydraw DIR 接着抽。只对这次运行有效。"),
                     QStringLiteral("DIR")});
  options.addOption(
      {QStringLiteral("web"),
       ld::Tr::tr(
           "开启手机签到和中奖名单的网页服务，监听端口 PORT；可写成 ADDRESS:PORT 只在一个网络接口上监听"
           "（默认所有接口）。舞台显示签到二维码。只对这次运行有效。"),
       QStringLiteral("[ADDRESS:]PORT")});
  options.addOption({QStringLiteral("rehearsal"),
                     ld::Tr::tr("彩排：在活动的副本上进行整场抽奖，活动本身不会改变；副本在结束时删除。"
                                "活动可以同时在另一个抽奖程序中打开。")});
  options.addPositionalArgument(
      QStringLiteral("EVENT_DIR"),
      ld::Tr::tr("活动文件夹（含 db/、zp/，可有 system/）。不写时：程序所在文件夹里有活动就用它，"
                 "否则用上次打开的活动，都没有时提议新建一个。"),
      QStringLiteral("[EVENT_DIR]"));
}

// "8080" or "192.168.8.10:8080"; nothing for anything else.
std::optional<std::pair<QHostAddress, quint16>> webListen(const QString& option) {
  const qsizetype colon = option.lastIndexOf(QLatin1Char(':'));
  QHostAddress address(QHostAddress::AnyIPv4);
  if (colon >= 0 && !address.setAddress(option.left(colon))) return std::nullopt;
  bool ok = false;
  const uint port = option.mid(colon + 1).toUInt(&ok);
  if (!ok || port == 0 || port > 65535) return std::nullopt;
  return std::pair{address, quint16(port)};
}

// The event a rehearsal copies: the one given, else the one the program would open; never a new one.
QString rehearsedEventFolder(const QString& argument) {
  QString folder = argument;
  if (folder.isEmpty()) {
    const QString own = QCoreApplication::applicationDirPath();
    folder = ld::holdsEvent(own) ? own : ld::lastEventFolder();
  }
  if (folder.isEmpty()) throw ld::Error(ld::Tr::tr("没有可以彩排的活动：请在命令后写上活动文件夹。"));
  if (!ld::holdsEvent(folder))
    throw ld::Error(ld::Tr::tr("文件夹 %1 里没有活动（db/db.mdb），无法彩排").arg(folder));
  return folder;
}

int answerText(int argc, char** argv, TextRequest request) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("luckydraw"));
  QCoreApplication::setApplicationVersion(QStringLiteral(LUCKYDRAW_VERSION));
  if (request == TextRequest::Version) {
    std::printf("luckydraw %s\n", LUCKYDRAW_VERSION);
    return 0;
  }
  if (!speakChosenLanguage(app)) return 2;
  QCommandLineParser options;
  describeOptions(options);
  std::fputs(qUtf8Printable(options.helpText()), stdout);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const TextRequest request = textRequest(argc, argv); request != TextRequest::None)
    return answerText(argc, argv, request);

  QStringList rawArguments;
  for (int i = 0; i < argc; ++i) rawArguments << QString::fromLocal8Bit(argv[i]);
  const QByteArray platform = ld::platformForSession(QProcessEnvironment::systemEnvironment(), rawArguments);
  if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
  ld::Application app(argc, argv);
  // Only this program needs XWayland; what it starts chooses for itself.
  if (!platform.isEmpty()) {
    qunsetenv("QT_QPA_PLATFORM");
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      qWarning("no XWayland to run on: under Wayland the handset cannot be shaped or placed");
  }
  QCoreApplication::setApplicationVersion(QStringLiteral(LUCKYDRAW_VERSION));
  // The user's settings and data folders (the last event, new events) are named after these.
  QCoreApplication::setOrganizationName(QStringLiteral("luckydraw"));
  if (!speakChosenLanguage(app)) return 2;

  QCommandLineParser options;
  describeOptions(options);
  options.process(app);
  if (options.positionalArguments().size() > 1) {
    std::fputs(qUtf8Printable(options.helpText()), stderr);
    return 2;
  }

  std::optional<std::pair<QHostAddress, quint16>> web;
  if (options.isSet(QStringLiteral("web"))) {
    web = webListen(options.value(QStringLiteral("web")));
    if (!web) {
      std::fprintf(stderr, "luckydraw: %s\n",
                   qUtf8Printable(ld::Tr::tr("--web 要写端口（1 到 65535），或“地址:端口”：%1")
                                      .arg(options.value(QStringLiteral("web")))));
      return 2;
    }
  }

  const bool rehearsal = options.isSet(QStringLiteral("rehearsal"));
  // A mirror of a scratch copy would pass for a copy of the event.
  if (rehearsal && options.isSet(QStringLiteral("mirror"))) {
    std::fprintf(
        stderr, "luckydraw: %s\n",
        qUtf8Printable(ld::Tr::tr("彩排不能同时使用 --mirror：镜像的只是彩排的副本，不是活动本身。")));
    return 2;
  }

  QString folder;
  // A rehearsal works on a copy that it locks and removes at the end; the event's own lock stays free.
  std::optional<ld::RehearsalCopy> copy;
  try {
    if (rehearsal) {
      const QString event = rehearsedEventFolder(options.positionalArguments().value(0));
      // What a killed rehearsal left.
      ld::removeRehearsalLeftovers(ld::rehearsalFolder());
      copy.emplace(event);
      folder = copy->folder();
    } else {
      folder = ld::resolveEventFolder(
          {options.positionalArguments().value(0), QCoreApplication::applicationDirPath(),
           ld::lastEventFolder(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)},
          createEvent);
    }
  } catch (const std::exception& e) {
    ld::reportException(e);
    return 1;
  }
  if (folder.isEmpty()) return 0;  // the operator chose not to make an event
  ld::setAppFolder(folder);

  // A second program on the same event would draw from the same pool: it is refused before it opens anything.
  ld::EventLock lock;
  if (!rehearsal) {
    try {
      lock = ld::EventLock(ld::appFolder());
    } catch (const std::exception& e) {
      ld::reportException(e);
      return 1;
    }
    ld::silently("remembering the event folder", [&] { ld::rememberEventFolder(folder); });
  }
  // A connection failure is reported as the data module is made; the program starts all the same.
  ld::LuckyDraw program;
  TVELTRAXForm& form = program.drawWindow();
  if (rehearsal) program.markRehearsal();
  // The draw window is the main window: closing it ends the program, whatever else is still open.
  // Not quit(): in Qt a quit asks every window to close and is called off by any that refuses.
  QObject::connect(
      &form, &TVELTRAXForm::closed, &app, [] { ld::endProgram(0); }, Qt::QueuedConnection);
  // A termination signal is an order, not a request: the program ends without asking, as after "确定".
  ld::endOnTerminationSignals([&form] {
    form.switchOff();
    ld::endProgram(0);
  });
  if (options.isSet(QStringLiteral("mirror")))
    ld::guarded([&] { program.setMirror(options.value(QStringLiteral("mirror"))); });
  program.show({options.value(QStringLiteral("screen")), options.isSet(QStringLiteral("presentation")),
                options.value(QStringLiteral("min-roll")), options.isSet(QStringLiteral("stage"))});
  // A server that cannot start is reported; the draw goes on without the phones.
  if (web) {
    if (const QString failure = program.startWeb(web->first, web->second); !failure.isEmpty())
      ld::reportError(failure);
  }
  // Only the holder of the lock may tidy the event folder: a write cut short left these behind. Once the
  // window is up, as reading a folder of many thousand photos takes a while.
  QTimer::singleShot(kTidyAfterStartMs, &form, [rehearsal] {
    ld::silently("tidying up after interrupted writes", [] { ld::tidyEventFolder(ld::appFolder()); });
    if (!rehearsal)
      ld::silently("removing what killed rehearsals left",
                   [] { ld::removeRehearsalLeftovers(ld::rehearsalFolder()); });
  });
  return app.exec();
}
