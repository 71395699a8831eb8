// eventdb: makes an event database for the lucky draw, and fills it with a demo roster.
#include <QGuiApplication>
#include <QLocale>
#include <cstdio>

#include "codes_command.h"
#include "event_commands.h"
#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/text.h"
#include "plan_commands.h"
#include "purge_command.h"
#include "seal_commands.h"
#include "theme_command.h"
#include "transfer_commands.h"

namespace {

const char* const kUsage =
    "usage: eventdb init EVENT_DIR\n"
    "       eventdb demo EVENT_DIR N [--distinct-photos K] [--append]\n"
    "       eventdb journal EVENT_DIR\n"
    "%s"
    "       eventdb theme EVENT_DIR [--reset] [--title T] [--background FILE|--clear-background]\n"
    "                     [--logo FILE|--clear-logo] [--colours BASE,ACCENT,TEXT]\n"
    "%s"
    "%s"
    "%s"
    "%s"
    "       eventdb --help | --version\n"
    "\n"
    "init   creates EVENT_DIR/db/db.mdb (and EVENT_DIR/zp/): an empty roster, empty event information,\n"
    "       a limited prize plan with 1 first, 2 second, 3 third and 5 lucky prizes.\n"
    "       Refuses when the database already exists.\n"
    "demo   adds N participants with Chinese names in a handful of departments, each with a\n"
    "       480 x 360 JPEG photo in EVENT_DIR/zp/ named as the roster says. With --distinct-photos K\n"
    "       only K different photos are drawn and the others are hard links to them (for large\n"
    "       rosters in benchmarks). Refuses a roster that has participants unless --append is\n"
    "       given; never adds a department and name that exist and never overwrites a photo.\n"
    "journal prints the draw journal, one line per row, fields separated by tabs: number, local\n"
    "       time, what happened (drawn, nobody, results cleared, roster cleared, plan changed,\n"
    "       absent, roll cancelled, voided), draw order, prize level, participant id, name,\n"
    "       department, eligible count, 工号, the prize's name, its rule written out (empty: everyone)\n"
    "       and why a win was voided. Empty fields did not apply.\n"
    "%s"
    "theme  shows the look of the audience screen, after changing it as told: --reset first goes back\n"
    "       to the built-in look; --title sets the event's title; --background and --logo take a JPEG\n"
    "       or PNG (at most 40 megapixels), stored in EVENT_DIR/zt/ as a JPEG of at most 3840 x 2160 and\n"
    "       a PNG of at most 1024 x 1024; --colours takes three colours as #rrggbb, - for the default.\n"
    "%s"
    "%s"
    "%s"
    "%s"
    "\n"
    "EVENT_DIR is any folder: the event keeps db/ and zp/ there, and pictures put in its system/\n"
    "folder (logo.jpg, logo.gif, 0.gif ... 14.gif) replace the built-in ones. Commands that write\n"
    "refuse while the lucky draw or another eventdb runs on EVENT_DIR, and inside /usr.\n"
    "\n"
    "--lang zh|en, anywhere on the line, chooses the language of the messages: Chinese or English.\n"
    "Without it the system's locale decides, as for the lucky draw: English for an English locale,\n"
    "Chinese for any other. What is stored and exported does not change with it (see --english).\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 on wrong usage.\n";

void printUsage(FILE* to) {
  std::fprintf(to, kUsage, ld::eventdb::kPlanUsage, ld::kTransferUsage, ld::eventdb::kCodesUsage,
               ld::eventdb::kPurgeUsage, ld::eventdb::kSealUsage, ld::eventdb::kPlanHelp, ld::kTransferHelp,
               ld::eventdb::kCodesHelp, ld::eventdb::kPurgeHelp, ld::eventdb::kSealHelp);
}

int usage() {
  printUsage(stderr);
  return 2;
}

void fail(const QString& message) {
  std::fprintf(stderr, "eventdb: %s\n", message.toLocal8Bit().constData());
}

// The event folder a command writes: made, changed or laid out. Empty for a command that only reads.
QString writtenEventFolder(const QStringList& args) {
  const QString& command = args[0];
  if (command == QLatin1String("init") || command == QLatin1String("demo") ||
      command == QLatin1String("import") || command == QLatin1String("codes") ||
      command == QLatin1String("purge") || command == QLatin1String("seal") ||
      command == QLatin1String("entropy"))
    return args.value(1);
  if (command == QLatin1String("unpack")) return args.value(2);
  if ((command == QLatin1String("theme") || command == QLatin1String("plan")) && args.size() > 2)
    return args.value(1);
  if (command == QLatin1String("prize")) return args.value(2);
  return {};
}

// Whether the command changes the roster, the plan, its rules or the stage's title: what a seal fixes.
bool sealedContentChange(const QStringList& args) {
  const QString& command = args[0];
  if (args.contains(QLatin1String("--dry-run"))) return false;
  return command == QLatin1String("demo") || command == QLatin1String("import") ||
         command == QLatin1String("prize") || (command == QLatin1String("plan") && args.size() > 2) ||
         (command == QLatin1String("theme") && args.size() > 2);
}

}  // namespace

int main(int argc, char* argv[]) {
  // The avatars are painted with text, which needs a GUI application, but never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("eventdb")));
  QStringList args = app.arguments().mid(1);
  // The language first: it decides every message. Chinese needs nothing loaded, its texts are the source.
  try {
    if (ld::chooseLanguage(ld::takeLanguageOption(args), QLocale::system()) == ld::Language::English)
      ld::setLanguage(app, ld::Language::English);
  } catch (const std::exception& e) {
    fail(QString::fromUtf8(e.what()));
    return 2;
  }
  if (args.value(0) == QLatin1String("--version") || args.value(0) == QLatin1String("-v")) {
    std::printf("eventdb %s\n", LUCKYDRAW_VERSION);
    return 0;
  }
  if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
    printUsage(args.isEmpty() ? stderr : stdout);
    return args.isEmpty() ? 2 : 0;
  }
  // Only the package manager writes inside /usr.
  const QString written = writtenEventFolder(args);
  if (!written.isEmpty() && ld::insideSystemTree(written)) {
    fail(ld::Tr::tr("%1 在系统目录 /usr 里，活动文件夹不能放在那里").arg(written));
    return 1;
  }
  // A change to what a sealed draw fixed breaks the seal, and only when asked to.
  if (sealedContentChange(args)) {
    QString error;
    if (ld::eventdb::guardSealedChange(args, written, error) != 0) {
      fail(error);
      return 1;
    }
  }
  using Command = int (*)(const QStringList&, QStringList&, QString&);
  Command command = nullptr;
  if (ld::eventdb::isPlanCommand(args[0]))
    command = ld::eventdb::runPlanCommand;
  else if (args[0] == QLatin1String("codes"))
    command = ld::eventdb::runCodesCommand;
  else if (args[0] == QLatin1String("purge"))
    command = ld::eventdb::runPurgeCommand;
  else if (ld::eventdb::isSealCommand(args[0]))
    command = ld::eventdb::runSealCommand;
  if (command) {
    QStringList out;
    QString error;
    const int status = command(args, out, error);
    for (const QString& line : out) std::puts(line.toUtf8().constData());
    if (!error.isEmpty()) fail(error);
    return status == 2 ? usage() : status;
  }
  if (ld::isTransferCommand(args[0])) {
    const int status = ld::runTransferCommand(args);
    return status == 2 ? usage() : status;
  }
  try {
    if (args[0] == QLatin1String("init") && args.size() == 2) {
      ld::eventdb::init(args[1]);
      return 0;
    }
    if (args[0] == QLatin1String("journal") && args.size() == 2) {
      for (const QString& line : ld::eventdb::journal(args[1])) std::puts(line.toUtf8().constData());
      return 0;
    }
    if (args[0] == QLatin1String("theme") && args.size() >= 2) {
      ld::eventdb::ThemeOptions options;
      for (int i = 2; i < args.size(); ++i) {
        const QString& option = args[i];
        const bool valued = i + 1 < args.size();
        if (option == QLatin1String("--reset")) {
          options.reset = true;
        } else if (option == QLatin1String("--clear-background")) {
          options.background = QString();
        } else if (option == QLatin1String("--clear-logo")) {
          options.logo = QString();
        } else if (option == QLatin1String("--title") && valued) {
          options.title = args[++i];
        } else if (option == QLatin1String("--background") && valued && !args[i + 1].isEmpty()) {
          options.background = args[++i];
        } else if (option == QLatin1String("--logo") && valued && !args[i + 1].isEmpty()) {
          options.logo = args[++i];
        } else if (option == QLatin1String("--colours") && valued) {
          options.colours = ld::eventdb::parseThemeColours(args[++i]);
          if (!options.colours) return usage();
        } else {
          return usage();
        }
      }
      for (const QString& line : ld::eventdb::theme(args[1], options)) std::puts(line.toUtf8().constData());
      return 0;
    }
    if (args[0] == QLatin1String("demo") && args.size() >= 3) {
      ld::eventdb::DemoOptions options;
      bool ok = false;
      options.count = args[2].toInt(&ok);
      if (!ok || options.count < 0) return usage();
      for (int i = 3; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--append")) {
          options.append = true;
        } else if (args[i] == QLatin1String("--distinct-photos") && i + 1 < args.size()) {
          options.distinctPhotos = args[++i].toInt(&ok);
          if (!ok || options.distinctPhotos < 1) return usage();
        } else {
          return usage();
        }
      }
      ld::eventdb::demo(args[1], options);
      return 0;
    }
  } catch (const std::exception& e) {
    fail(QString::fromUtf8(e.what()));
    return 1;
  }
  return usage();
}
