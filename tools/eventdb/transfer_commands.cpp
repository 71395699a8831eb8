#include "transfer_commands.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "data/datamodule.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/text.h"
#include "transfer/event_pack.h"
#include "transfer/results_export.h"
#include "transfer/roster_import.h"

namespace ld {

const char* const kTransferUsage =
    "       eventdb import EVENT_DIR FILE [--photos DIR] [--sheet S] [--columns LIST] [--update]\n"
    "                      [--remove-missing] [--include-hidden] [--no-cards] [--dry-run] [--yes]\n"
    "       eventdb export EVENT_DIR FILE [--roster] [--english]\n"
    "       eventdb pack EVENT_DIR FILE.zip\n"
    "       eventdb unpack FILE.zip EVENT_DIR\n";

const char* const kTransferHelp =
    "import adds the participants of FILE (.xlsx, the sheet it opens on or --sheet S, or .csv in UTF-8\n"
    "       or GBK/GB18030) to the roster. The header row may sit below title rows and names the columns:\n"
    "       姓名/name, 部门/所属部门/department/dept (一级部门 and 二级部门 are joined with '-'),\n"
    "       工号/employee id, 照片/photo, 标签/tags; other columns are ignored. A file whose header is not\n"
    "       recognised is imported only with --columns, each column's meaning in order, e.g.\n"
    "       --columns 部门,姓名,-,工号 (an empty entry or - ignores a column). Hidden rows "
    "(--include-hidden\n"
    "       takes them), total rows (合计, 小计, total ...) and notes after blank rows are skipped and "
    "listed.\n"
    "       --update updates the roster from FILE by 工号 (by department and name without one): people who\n"
    "       moved or were renamed change in place with their photo, winners keep their win, new people are\n"
    "       added; people missing from FILE are listed, and removed with --remove-missing (never a winner).\n"
    "       Without --update a 工号 already in the roster is refused. Photos come from DIR (default: the\n"
    "       folder of FILE) by the photo column, else 工号, else department_name, else name, as .jpg .jpeg\n"
    "       .png or .bmp in any letter case; a path in the photo column never leads out of DIR. A new\n"
    "       participant without a usable photo (none, damaged) gets a card with their name (--no-cards: no\n"
    "       photo, so not drawn until one is added in the settings window). Converts the photos first\n"
    "       (Ctrl+C cancels), prints what would be added, updated, removed, skipped and refused and which\n"
    "       photos were not used and why, then asks (--yes: does not ask; --dry-run: stops there). All or\n"
    "       nothing.\n"
    "export writes the winners in draw order (prize, department, name, time of the draw) to FILE,\n"
    "       .xlsx or .csv by its extension; with --roster the whole roster (imports again as it is).\n"
    "       The headings and prize names are Chinese, as the event stores them, whatever --lang says;\n"
    "       --english writes them in English (First prize ... Lucky prize, Outside the plan).\n"
    "       Departments and names are written as stored either way.\n"
    "pack   writes the event database, every photo the roster names, their sharper copies (zpgq/) and the\n"
    "       stage pictures (zt/) into one zip archive.\n"
    "unpack lays out such an archive as the event of EVENT_DIR, after checking it; never overwrites.\n";

namespace {

ImportProgress* g_progress = nullptr;

void onInterrupt(int) {
  if (g_progress) g_progress->cancel = true;
}

// Ctrl-C and SIGTERM cancel the import while it runs, and end the program again afterwards. While the
// question waits for an answer they interrupt the read instead (a "no"), so the photos converted for the
// import are removed rather than left in zp/.
class InterruptCancels {
 public:
  explicit InterruptCancels(ImportProgress& progress, bool interruptReads = false) {
    g_progress = &progress;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = interruptReads ? 0 : SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  ~InterruptCancels() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_progress = nullptr;
  }
  InterruptCancels(const InterruptCancels&) = delete;
  InterruptCancels& operator=(const InterruptCancels&) = delete;
};

void say(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }
void fail(const QString& message) {
  std::fprintf(stderr, "eventdb: %s\n", message.toLocal8Bit().constData());
}

bool haveEvent(const QString& folder) {
  if (holdsEvent(folder)) return true;
  fail(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(folder));
  return false;
}

bool askToGoOn() {
  std::fputs(Tr::tr("确认导入吗？[y/N] ").toLocal8Bit().constData(), stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

int import(const QStringList& args) {
  QString photos;
  bool dryRun = false, yes = false, cards = true;
  ImportOptions options;
  for (int i = 3; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--dry-run"))
      dryRun = true;
    else if (args[i] == QLatin1String("--yes"))
      yes = true;
    else if (args[i] == QLatin1String("--no-cards"))
      cards = false;
    else if (args[i] == QLatin1String("--update"))
      options.mode = ImportMode::Update;
    else if (args[i] == QLatin1String("--remove-missing"))
      options.removeMissing = true;
    else if (args[i] == QLatin1String("--include-hidden"))
      options.includeHidden = true;
    else if (args[i] == QLatin1String("--photos") && i + 1 < args.size())
      photos = args[++i];
    else if (args[i] == QLatin1String("--sheet") && i + 1 < args.size())
      options.sheet = args[++i];
    else if (args[i] == QLatin1String("--columns") && i + 1 < args.size())
      options.columns = parseColumnList(args[++i]);
    else
      return 2;
  }
  if (options.removeMissing && options.mode != ImportMode::Update) {
    fail(Tr::tr("--remove-missing 只能与 --update 一起使用"));
    return 2;
  }
  const QString folder = QDir(args[1]).absolutePath();
  if (!haveEvent(folder)) return 1;
  // The roster changes under nobody's feet: not while the lucky draw or another eventdb has the event.
  const EventLock lock(folder);
  setAppFolder(folder);
  TDataModule1 dm;
  Query& q = dm.ADOQuerysetting;
  QElapsedTimer clock;
  clock.start();
  ImportPlan plan = planRosterImport(args[2], photos, q, options);
  plan.cards = cards;
  // A guess is never confirmed by --yes: the wrong column as names would fill the roster with departments.
  if (!plan.columnsConfirmed) {
    std::printf("%s\n", plan.summary().toLocal8Bit().constData());
    fail(
        Tr::tr("没有认出表头，不知道哪一列是姓名、哪一列是部门，什么也没有改变。请用 --columns 说明每一列的"
               "含义，例如 --columns 部门,姓名（- 表示忽略该列）"));
    return 1;
  }
  if (plan.changes() == 0) {
    std::printf("%s\n", plan.summary().toLocal8Bit().constData());
    fail(plan.options.mode == ImportMode::Update ? Tr::tr("名单不需要更新，什么也没有改变")
                                                 : Tr::tr("没有可以添加的员工，什么也没有改变"));
    return 1;
  }

  ImportProgress progress;
  const bool tty = ::isatty(STDERR_FILENO);
  int shown = -1;
  const auto report = [&] {
    const int done = progress.done, total = progress.total;
    if (tty && done != shown) {
      std::fprintf(stderr, "\r%s", Tr::tr("照片 %1/%2").arg(done).arg(total).toLocal8Bit().constData());
      shown = done;
    }
  };
  // The count stays on its line until the conversion ends, however it ends.
  const auto endCount = [&] {
    if (shown >= 0) std::fputc('\n', stderr);
    shown = -1;
  };
  int added = 0;
  try {
    // Converted before the summary, so that it already names every damaged picture.
    PreparedPhotos prepared;
    {
      const InterruptCancels interrupts(progress);
      prepared = preparePhotos(plan, progress, report);
    }
    endCount();
    takePhotoFailures(plan, prepared);
    std::printf("%s\n", plan.summary().toLocal8Bit().constData());
    std::fflush(stdout);
    if (dryRun) return 0;
    bool goOn = yes;
    if (!goOn) {
      const InterruptCancels interrupts(progress, true);
      goOn = askToGoOn();
    }
    if (!goOn || progress.cancel) {
      if (progress.cancel) std::fputc('\n', stderr);
      say(Tr::tr("没有导入，什么也没有改变"));
      return 1;
    }
    const InterruptCancels interrupts(progress);
    added = writeRosterImport(plan, prepared, q, progress);
  } catch (const ImportCancelled&) {
    endCount();
    say(Tr::tr("导入已取消，什么也没有改变"));
    return 1;
  } catch (...) {
    endCount();
    throw;
  }
  if (plan.options.mode == ImportMode::Update)
    say(Tr::tr("已更新名单：添加 %1 人，更新 %2 人，移除 %3 人，用时 %4 秒")
            .arg(added)
            .arg(plan.toUpdate)
            .arg(plan.toRemove)
            .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
  else
    say(Tr::tr("已导入 %1 位员工（%2 张照片，%3 张生成的头像卡片），用时 %4 秒")
            .arg(added)
            .arg(plan.photosMatched)
            .arg(plan.cards ? plan.portraits : 0)
            .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
  return 0;
}

int exportTable(const QStringList& args) {
  bool roster = false;
  TableLanguage language = TableLanguage::Chinese;
  QStringList positional;
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--roster"))
      roster = true;
    else if (args[i] == QLatin1String("--english"))
      language = TableLanguage::English;
    else if (args[i].startsWith(QLatin1String("--")))
      return 2;
    else
      positional << args[i];
  }
  if (positional.size() != 2) return 2;
  const QString folder = QDir(positional[0]).absolutePath();
  if (!haveEvent(folder)) return 1;
  setAppFolder(folder);
  TDataModule1 dm;
  Query& q = dm.ADOQuerysetting;
  if (roster) {
    const int n = exportRoster(positional[1], q, language);
    say(Tr::tr("已导出 %1 位员工到 %2").arg(n).arg(QDir::toNativeSeparators(positional[1])));
  } else {
    const int n = exportResults(positional[1], q, language);
    say(Tr::tr("已导出 %1 位中奖者到 %2").arg(n).arg(QDir::toNativeSeparators(positional[1])));
  }
  return 0;
}

}  // namespace

bool isTransferCommand(const QString& command) {
  return command == QLatin1String("import") || command == QLatin1String("export") ||
         command == QLatin1String("pack") || command == QLatin1String("unpack");
}

int runTransferCommand(const QStringList& args) {
  const QString& command = args.value(0);
  try {
    if (command == QLatin1String("import") && args.size() >= 3) return import(args);
    if (command == QLatin1String("export")) return exportTable(args);
    if (command == QLatin1String("pack") && args.size() == 3) {
      const PackSummary s = packEvent(args[1], args[2]);
      say(Tr::tr("已打包 %1 位员工、%2 张照片到 %3").arg(s.participants).arg(s.photos).arg(args[2]));
      if (!s.damaged.isEmpty())
        say(Tr::tr("舞台外观的图片无法读取，没有打包（解包后显示默认外观）：%1")
                .arg(s.damaged.join(Tr::tr("、"))));
      return 0;
    }
    if (command == QLatin1String("unpack") && args.size() == 3) {
      const PackSummary s = unpackEvent(args[1], args[2]);
      say(Tr::tr("已解包 %1 位员工、%2 张照片到 %3").arg(s.participants).arg(s.photos).arg(args[2]));
      if (!s.skipped.isEmpty())
        say(Tr::tr("名单中没有用到的 %1 张照片没有解包：%2")
                .arg(s.skipped.size())
                .arg(s.skipped.mid(0, 20).join(Tr::tr("、")) +
                     (s.skipped.size() > 20 ? Tr::tr("……") : QString())));
      return 0;
    }
  } catch (const std::exception& e) {
    fail(QString::fromUtf8(e.what()));
    return 1;
  }
  return 2;
}

}  // namespace ld
