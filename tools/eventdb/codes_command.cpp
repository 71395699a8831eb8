#include "codes_command.h"

#include <QFileInfo>

#include "data/checkin_store.h"
#include "data/connection.h"
#include "data/event_info_store.h"
#include "data/query.h"
#include "event_commands.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "settings/theme_store.h"
#include "transfer/invitation_cards.h"
#include "transfer/table_file.h"

namespace ld::eventdb {

const char* const kCodesUsage = "       eventdb codes EVENT_DIR FILE [--cards CARDS.pdf --url BASE_URL]\n";

const char* const kCodesHelp =
    "codes  gives every participant without a personal check-in code a new one (codes given earlier stay\n"
    "       as they are) and writes the list for HR to send to FILE, .xlsx or .csv by its extension:\n"
    "       工号, 部门, 姓名, 签到码. --cards also writes a PDF of invitation cards to print (A4, 8 a "
    "page),\n"
    "       each with the person, their code and a QR code of BASE_URL/checkin?gh=工号&code=CODE, the\n"
    "       address of the check-in page the phones open; --cards needs --url.\n";

namespace {

struct CodesOptions {
  QString folder, file, cards, url;
};

CodesOptions codesOptions(const QStringList& args) {
  if (args.size() < 3 || args[1].startsWith(QLatin1String("--")) || args[2].startsWith(QLatin1String("--")))
    throw UsageError{};
  CodesOptions options;
  options.folder = args[1];
  options.file = args[2];
  for (qsizetype i = 3; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg != QLatin1String("--cards") && arg != QLatin1String("--url"))
      throw UsageError{Tr::tr("未知的参数：%1").arg(arg)};
    if (i + 1 == args.size() || args[i + 1].isEmpty()) throw UsageError{Tr::tr("%1 后面缺少值").arg(arg)};
    (arg == QLatin1String("--cards") ? options.cards : options.url) = args[++i];
  }
  const QString suffix = QFileInfo(options.file).suffix().toLower();
  if (suffix != QLatin1String("csv") && suffix != QLatin1String("xlsx"))
    throw UsageError{Tr::tr("签到码只能写成 .xlsx 或 .csv 文件：%1").arg(options.file)};
  if (!options.cards.isEmpty() && options.url.isEmpty())
    throw UsageError{Tr::tr("--cards 需要 --url 给出签到页面的网址，例如 --url http://192.168.1.10:8080")};
  if (options.cards.isEmpty() && !options.url.isEmpty())
    throw UsageError{Tr::tr("--url 只用于 --cards 的邀请卡")};
  if (!options.url.isEmpty())
    if (const QString problem = checkInBaseProblem(options.url); !problem.isEmpty())
      throw UsageError{problem};
  return options;
}

// The company's name and the event's title, where the event has them.
QStringList cardHeading(Query& q, const QString& folder) {
  QStringList heading;
  if (const QString company = EventInfoStore(q).eventInfo().companyName.value_or(QString()).trimmed();
      !company.isEmpty())
    heading << company;
  if (const QString title = ThemeStore(q, folder).stored().title.trimmed(); !title.isEmpty())
    heading << title;
  return heading;
}

QStringList writeCodes(const CodesOptions& options) {
  const QString f = eventFolder(options.folder);
  if (!holdsEvent(f)) throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(f));
  // Issuing codes writes: not while the lucky draw or another eventdb has the event.
  const EventLock lock(f);
  Connection c;
  connectToEvent(c, f);
  Query q(c);
  CheckInStore store(q);
  const int issued = store.issueCodes();
  const std::vector<PersonalCode> people = store.codes();
  std::vector<QStringList> rows{
      {QStringLiteral("工号"), QStringLiteral("部门"), QStringLiteral("姓名"), QStringLiteral("签到码")}};
  rows.reserve(people.size() + 1);
  for (const PersonalCode& p : people) rows.push_back({p.employeeId, p.department, p.name, p.code});
  QStringList out;
  // The cards first: a roster they cannot be made for leaves no list behind that looks complete.
  if (!options.cards.isEmpty()) {
    const int pages = writeInvitationCards(options.cards, people, cardHeading(q, f), options.url);
    out << Tr::tr("已写出 %1 张邀请卡（%2 页）到 %3").arg(people.size()).arg(pages).arg(shown(options.cards));
  }
  // Every value as text: a 工号 "00123" keeps its zeros.
  writeTable(options.file, rows, QStringLiteral("签到码"), std::vector<ColumnKind>(4, ColumnKind::Text));
  out.prepend(Tr::tr("已写出 %1 人的签到码到 %2（新发 %3 个）")
                  .arg(people.size())
                  .arg(shown(options.file))
                  .arg(issued));
  return out;
}

}  // namespace

int runCodesCommand(const QStringList& args, QStringList& out, QString& error) {
  return commandStatus(error, [&] {
    out = writeCodes(codesOptions(args));
    return 0;
  });
}

}  // namespace ld::eventdb
