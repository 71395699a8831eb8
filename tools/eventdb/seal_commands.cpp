#include "seal_commands.h"

#include <QFile>

#include "data/connection.h"
#include "data/query.h"
#include "data/seal_store.h"
#include "event_commands.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/event_lock.h"
#include "framework/file_safety.h"
#include "framework/text.h"
#include "proof/proof.h"
#include "proof/sealing.h"

namespace ld::eventdb {

const char* const kSealUsage =
    "       eventdb seal EVENT_DIR\n"
    "       eventdb entropy EVENT_DIR TEXT\n"
    "       eventdb proof EVENT_DIR FILE.json\n"
    "       eventdb verify FILE.json\n";

const char* const kSealHelp =
    "seal   seals the draw before it starts: the roster, who may win each prize and the digest of a\n"
    "       new secret are written as one text whose SHA-256 is the seal, printed on the last line.\n"
    "       Refused once anybody has a result, or while a seal holds. Publish the seal.\n"
    "entropy takes the public random text (for example a lottery result announced after the seal),\n"
    "       once, before the first stop; every sealed stop's winners follow from it.\n"
    "proof  writes the proof of the sealed draw to a new FILE.json: the sealed text, the secret, the\n"
    "       entropy and every journal row after the seal. Refused before the entropy.\n"
    "verify computes every stop of a proof again and prints each replayed winner next to the\n"
    "       recorded one; exit status 0 only when all agree and the seal, the commitment and the\n"
    "       entropy hold, else 1 naming the first step that differs. See docs/verifiable-draw.md.\n"
    "       While a seal holds, demo, import, plan, prize and theme (what the seal fixes) are refused\n"
    "       unless given --break-seal, which breaks the seal first (journaled) and goes on unsealed.\n";

bool isSealCommand(const QString& command) {
  return command == QLatin1String("seal") || command == QLatin1String("entropy") ||
         command == QLatin1String("proof") || command == QLatin1String("verify");
}

namespace {

QString yesNo(bool holds) { return holds ? Tr::tr("成立") : Tr::tr("不成立"); }
QString idOrNone(const std::optional<int>& id) { return id ? QString::number(*id) : Tr::tr("无人"); }

int verify(const QString& file, QStringList& out, QString& error) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) throw Error(Tr::tr("无法读取 %1：%2").arg(shown(file), f.errorString()));
  const Replay r = replay(readProof(f.readAll()));
  out << Tr::tr("种子 %1").arg(r.seed);
  for (const ReplayedStop& s : r.stops) {
    out << Tr::tr("步骤 %1\t第 %2 位\t奖项 %3\t重算 %4\t记录 %5\t%6")
               .arg(s.seq)
               .arg(s.order)
               .arg(s.level)
               .arg(idOrNone(s.expected), idOrNone(s.recorded), s.same() ? Tr::tr("一致") : Tr::tr("不一致"));
    // Every attempt, so that a third verifier can be checked number by number.
    QStringList attempts;
    for (const ReplayedAttempt& a : s.attempts)
      attempts << QStringLiteral("%1:%2").arg(a.counter).arg(a.value, 16, 16, QLatin1Char('0'));
    out << Tr::tr("  候选 %1 人，尝试 %2，下标 %3")
               .arg(s.pool)
               .arg(attempts.isEmpty() ? Tr::tr("无") : attempts.join(QLatin1Char(' ')),
                    s.index ? QString::number(*s.index) : Tr::tr("无"));
  }
  out << Tr::tr("封存值（文本的 SHA-256）：%1").arg(yesNo(r.sealHolds));
  out << Tr::tr("承诺（密钥的 SHA-256）：%1").arg(yesNo(r.commitmentHolds));
  out << Tr::tr("公开随机数（封存后、第一次抽奖前记录一次）：%1").arg(yesNo(r.entropyHolds));
  if (r.holds()) {
    out << Tr::tr("验证通过：%1 次抽奖全部按封存重算一致").arg(r.stops.size());
    return 0;
  }
  if (r.firstDiffering)
    error = Tr::tr("验证失败：第一个不一致的是步骤 %1（%2）").arg(*r.firstDiffering).arg(r.problem);
  else if (!r.problem.isEmpty())
    error = Tr::tr("验证失败：%1").arg(r.problem);
  else
    error = Tr::tr("验证失败：封存值、承诺或公开随机数不成立");
  return 1;
}

}  // namespace

int runSealCommand(const QStringList& args, QStringList& out, QString& error) {
  const QString& command = args[0];
  const bool shapeOk = (command == QLatin1String("seal") && args.size() == 2) ||
                       (command == QLatin1String("entropy") && args.size() == 3) ||
                       (command == QLatin1String("proof") && args.size() == 3) ||
                       (command == QLatin1String("verify") && args.size() == 2);
  if (!shapeOk) return 2;
  try {
    if (command == QLatin1String("verify")) return verify(args[1], out, error);
    const QString f = eventFolder(args[1]);
    if (!holdsEvent(f)) throw Error(Tr::tr("%1 没有活动数据库，请先运行 eventdb init").arg(f));
    const EventLock lock(f);
    Connection c;
    connectToEvent(c, f);
    Query q(c);
    if (command == QLatin1String("seal")) {
      const QString seal = sealEvent(q);
      out << Tr::tr("抽奖已封存。请公布下面的封存值，然后在抽奖开始前输入公开随机数（eventdb entropy）。");
      out << seal;
    } else if (command == QLatin1String("entropy")) {
      giveEntropy(q, args[2]);
      out << Tr::tr("公开随机数已记录，此后每次抽奖都按封存抽出");
    } else {
      const QString why = writeNewFile(args[2], proofJson(proofOf(q)), Durability::Synced);
      if (!why.isEmpty()) throw Error(Tr::tr("无法写入 %1：%2").arg(shown(args[2]), why));
      out << Tr::tr("证明已写入 %1").arg(shown(args[2]));
    }
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    return 1;
  }
  return 0;
}

int guardSealedChange(QStringList& args, const QString& writes, QString& error) {
  const bool breaking = args.removeAll(QStringLiteral("--break-seal")) > 0;
  try {
    const QString f = eventFolder(writes);
    if (!holdsEvent(f)) return 0;  // the command says what is missing
    const EventLock lock(f);
    Connection c;
    connectToEvent(c, f);
    Query q(c);
    const SealState state = SealStore(q).state();
    if (!state.holds()) return 0;
    if (!breaking) {
      error = Tr::tr(
                  "活动已封存（封存值 %1…）：这项更改会破坏封存，此后的抽奖不能再用封存验证。"
                  "确实要更改时加上 --break-seal（记入抽奖记录）。")
                  .arg(state.seal.left(8));
      return 1;
    }
    // Stored untranslated, as the draw's own journal rows are.
    breakSeal(q, QStringLiteral("封存后用 eventdb %1 更改了活动").arg(args.value(0)));
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    return 1;
  }
  return 0;
}

}  // namespace ld::eventdb
