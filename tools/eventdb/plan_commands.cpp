#include "plan_commands.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

#include "data/connection.h"
#include "data/draw_store.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "event_commands.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/text.h"

namespace ld::eventdb {

const char* const kPlanUsage =
    "       eventdb plan EVENT_DIR [LEVEL QUANTITY [--per-draw N] [RULE]]\n"
    "       eventdb prize add EVENT_DIR NAME QUANTITY [--per-draw N] [RULE] [--before LEVEL]\n"
    "       eventdb prize remove EVENT_DIR LEVEL\n";

const char* const kPlanHelp =
    "plan   prints the prize plan: first whether it is limited and applies, then one line per prize in\n"
    "       drawing order, fields separated by tabs: place, level, name, quantity (- while the plan is not\n"
    "       limited), winners per press, winners so far, who may win it (empty: everyone) and 可抽 x / y:\n"
    "       of the y participants who can still win, the x the prize's rule admits.\n"
    "       With LEVEL and QUANTITY it first sets that prize (1 一等奖, 2 二等奖, 3 三等奖, 4 幸运奖, 100 "
    "and\n"
    "       up a prize added with eventdb prize add) and switches the plan's limit on, then prints the "
    "plan.\n"
    "       --per-draw N: winners one press draws (default 1). RULE is any of --departments A,B\n"
    "       --exclude-departments A,B --tags T,U --exclude-tags T,U --exclude-people FILE --checked-in,\n"
    "       lists split at ',' or '，'; FILE is UTF-8 text, one person per line: a 工号 alone, or\n"
    "       department and name separated by a comma or a tab; --checked-in admits only those who\n"
    "       checked in (仅限已签到).\n"
    "       The rule is replaced as a whole: a part not given is left empty.\n"
    "prize  add: a prize of its own NAME, drawn just before the prize of level --before LEVEL (default:\n"
    "       last), with the plan's limit switched on; prints its level. remove: takes out a prize added so,\n"
    "       as long as nobody has won it.\n";

namespace {

int wholeNumber(const QString& text, const char* what) {
  bool ok = false;
  const int n = text.toInt(&ok);
  if (!ok) throw UsageError{Tr::tr("%1 应为整数：%2").arg(QLatin1String(what), text)};
  return n;
}

QStringList listOf(const QString& text) {
  static const QRegularExpression separator(QStringLiteral("[,，]"));
  QStringList items;
  for (const QString& item : text.split(separator))
    if (const QString trimmed = item.trimmed(); !trimmed.isEmpty()) items << trimmed;
  return items;
}

QString utf8File(const QString& file) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) throw Error(Tr::tr("无法读取 %1：%2").arg(file, in.errorString()));
  const QByteArray bytes = in.readAll();
  QStringDecoder decode(QStringDecoder::Utf8);
  QString text = decode(bytes);
  if (decode.hasError()) throw Error(Tr::tr("%1 不是 UTF-8 文本").arg(file));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

struct PrizeOptions {
  int perDraw = 1;
  PrizeRule rule;
  std::optional<int> before;
};

PrizeOptions prizeOptions(const QStringList& args, qsizetype from, bool withBefore) {
  static const QStringList known{
      QStringLiteral("--per-draw"), QStringLiteral("--departments"),  QStringLiteral("--exclude-departments"),
      QStringLiteral("--tags"),     QStringLiteral("--exclude-tags"), QStringLiteral("--exclude-people"),
      QStringLiteral("--before")};
  PrizeOptions options;
  for (qsizetype i = from; i < args.size(); ++i) {
    const QString& option = args[i];
    if (option == QLatin1String("--checked-in")) {
      options.rule.checkedInOnly = true;
      continue;
    }
    if (!known.contains(option) || (option == QLatin1String("--before") && !withBefore))
      throw UsageError{Tr::tr("未知的参数：%1").arg(option)};
    if (i + 1 == args.size()) throw UsageError{Tr::tr("%1 后面缺少值").arg(option)};
    const QString& value = args[++i];
    if (option == QLatin1String("--per-draw"))
      options.perDraw = wholeNumber(value, "--per-draw");
    else if (option == QLatin1String("--departments"))
      options.rule.departments = listOf(value);
    else if (option == QLatin1String("--exclude-departments"))
      options.rule.excludeDepartments = listOf(value);
    else if (option == QLatin1String("--tags"))
      options.rule.tags = listOf(value);
    else if (option == QLatin1String("--exclude-tags"))
      options.rule.excludeTags = listOf(value);
    else if (option == QLatin1String("--exclude-people"))
      options.rule.excludePeople = parseExcludedPeople(utf8File(value));
    else
      options.before = wholeNumber(value, "--before");
  }
  return options;
}

// A tab or line break inside a name would make fields that are not there.
QString field(QString text) {
  static const QRegularExpression breaks(QStringLiteral("[\t\r\n]"));
  return text.replace(breaks, QStringLiteral(" "));
}

QStringList planLines(Query& q) {
  const PrizePlan plan = PlanStore(q).forDraw();
  DrawStore draw(q);
  const QHash<int, int> won = draw.winnersByLevel();
  const int eligible = draw.eligibleCount();
  QStringList lines;
  if (!plan.limited) {
    lines << Tr::tr("不限数量：不按奖项计划抽奖，抽出的中奖者记为计划外");
  } else if (plan.applies()) {
    lines << Tr::tr("限制数量：按奖项计划抽奖");
  } else {
    QStringList empty;
    for (const Prize& prize : plan.prizes)
      if (prize.quantity <= 0) empty << prize.name;
    lines << Tr::tr("限制数量，但%1的数量为 0：奖项计划不生效").arg(empty.join(Tr::tr("、")));
  }
  for (const Prize& prize : plan.prizes) {
    const int pool = prize.rule.isEmpty() ? eligible : draw.eligibleCount(prize.rule);
    lines << QStringList{QString::number(prize.drawOrder),
                         QString::number(prize.level),
                         field(prize.name),
                         plan.limited ? QString::number(prize.quantity) : QStringLiteral("-"),
                         QString::number(prize.perDraw),
                         QString::number(won.value(prize.level)),
                         field(prize.rule.text()),
                         Tr::tr("可抽 %1 / %2").arg(pool).arg(eligible)}
                 .join(QLatin1Char('\t'));
  }
  return lines;
}

// A plan changed here is meant to be drawn by: its limit goes on, with its own journal row.
void switchLimitOn(PlanStore& store) {
  if (!store.forDraw().limited) store.save(true, {});
}

const Prize& prizeOf(const PrizePlan& plan, int level) {
  const Prize* prize = plan.prize(level);
  if (!prize) throw Error(Tr::tr("计划中没有第 %1 级奖项").arg(level));
  return *prize;
}

// The lock before the database: opening it may bring an older file up to date.
EventLock openForWriting(Connection& c, const QString& folder) {
  const QString f = eventFolder(folder);
  if (!holdsEvent(f)) throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(f));
  EventLock lock(f);
  connectToEvent(c, f);
  return lock;
}

QStringList setPrize(const QString& folder, int level, int quantity, const PrizeOptions& options) {
  Connection c;
  const EventLock lock = openForWriting(c, folder);
  Query q(c);
  PlanStore store(q);
  Prize prize = prizeOf(store.forDraw(), level);
  // A quantity of 0 would leave the whole plan unapplied.
  if (quantity < 1) throw Error(Tr::tr("奖项数量至少为 1"));
  prize.quantity = quantity;
  prize.perDraw = options.perDraw;
  prize.rule = options.rule;
  store.savePrize(prize);
  switchLimitOn(store);
  return planLines(q);
}

int addPrize(const QString& folder, const QString& name, int quantity, const PrizeOptions& options) {
  Connection c;
  const EventLock lock = openForWriting(c, folder);
  Query q(c);
  PlanStore store(q);
  Prize prize;
  prize.name = name;
  prize.quantity = quantity;
  prize.perDraw = options.perDraw;
  prize.rule = options.rule;
  const int level = store.addPrize(prize, options.before);
  switchLimitOn(store);
  return level;
}

void removePrize(const QString& folder, int level) {
  Connection c;
  const EventLock lock = openForWriting(c, folder);
  Query q(c);
  PlanStore store(q);
  // Removing what is not there would pass for done.
  prizeOf(store.forDraw(), level);
  store.removePrize(level);
}

}  // namespace

bool isPlanCommand(const QString& command) {
  return command == QLatin1String("plan") || command == QLatin1String("prize");
}

int runPlanCommand(const QStringList& args, QStringList& out, QString& error) {
  const QString& command = args.value(0);
  const QString& action = args.value(1);
  return commandStatus(error, [&] {
    if (command == QLatin1String("plan") && args.size() == 2) {
      const QString f = eventFolder(args[1]);
      Connection c;
      connectToEvent(c, f);
      Query q(c);
      out = planLines(q);
      return 0;
    }
    if (command == QLatin1String("plan") && args.size() >= 4) {
      const int level = wholeNumber(args[2], "LEVEL");
      const int quantity = wholeNumber(args[3], "QUANTITY");
      out = setPrize(args[1], level, quantity, prizeOptions(args, 4, false));
      return 0;
    }
    if (command == QLatin1String("prize") && action == QLatin1String("add") && args.size() >= 5) {
      const int quantity = wholeNumber(args[4], "QUANTITY");
      out << QString::number(addPrize(args[2], args[3], quantity, prizeOptions(args, 5, true)));
      return 0;
    }
    if (command == QLatin1String("prize") && action == QLatin1String("remove") && args.size() == 4) {
      removePrize(args[2], wholeNumber(args[3], "LEVEL"));
      return 0;
    }
    return 2;
  });
}

}  // namespace ld::eventdb
