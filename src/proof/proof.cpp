#include "proof/proof.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <map>

#include "data/journal.h"
#include "data/prize_levels.h"
#include "data/query.h"
#include "data/seal_store.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "proof/seal_serialization.h"
#include "proof/sealed_generator.h"

namespace ld {

namespace {

const QString kFormat = QStringLiteral("luckydraw-proof 1");

QJsonValue orNull(const std::optional<int>& v) { return v ? QJsonValue(*v) : QJsonValue(); }
QJsonValue orNull(const QString& s) { return s.isNull() ? QJsonValue() : QJsonValue(s); }

bool isHex(const QString& text, qsizetype length) {
  if (text.size() != length) return false;
  for (const QChar c : text)
    if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
          (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
      return false;
  return true;
}

// Which prize the program draws next under a seal, followed step by step: replacements owed for absent
// winners first, then the first prize of the plan with a place left, then the draw outside the plan.
class SealedOrder {
 public:
  explicit SealedOrder(const SealedEvent& event) : event_(event) {
    for (const SealedPrize& p : event.prizes) limited_ = limited_ || p.quantity > 0;
  }

  void drawn(int order, int level) {
    ++holders_[level];
    owed_.erase(order);
  }
  void absent(int order, int level) {
    --holders_[level];
    owed_[order] = level;
  }
  void voided(int order, int level) {
    --holders_[level];
    owed_.erase(order);
  }

  // `anyoneFor` tells whether a level's pool holds anybody: a replacement nobody may take waits.
  template <class AnyoneFor>
  int next(AnyoneFor anyoneFor) const {
    for (const auto& [order, level] : owed_)
      if (anyoneFor(level)) return level;
    if (!limited_) return kOutsidePlan;
    // Winners beyond a prize's quantity, or outside the plan, fill the earliest places still open.
    long long spare = 0;
    for (const auto& [level, count] : holders_) {
      const SealedPrize* own = event_.prize(level);
      spare += std::max(0, own ? count - own->quantity : count);
    }
    for (const SealedPrize& p : event_.prizes) {
      const auto held = holders_.find(p.level);
      const long long need = std::max(0, p.quantity - (held == holders_.end() ? 0 : held->second));
      if (need > spare) return p.level;
      spare -= need;
    }
    return kOutsidePlan;
  }

 private:
  const SealedEvent& event_;
  bool limited_ = false;
  std::map<int, int> holders_;  // level → current winners
  std::map<int, int> owed_;     // order → level of an absent winner not yet replaced
};

}  // namespace

Proof proofOf(Query& q) {
  const SealState state = SealStore(q).state();
  if (state.seal.isEmpty()) throw Error(Tr::tr("这个活动的抽奖没有封存"));
  if (!state.entropy) throw Error(Tr::tr("还没有输入公开随机数：在那之前公开密钥，就能预先算出中奖者"));
  Proof proof{state.text, QString::fromLatin1(state.secret.toHex()), state.seal, *state.entropy, {}};
  for (const JournalRow& row : readJournal(q.connection())) {
    if (row.seq <= state.sealedAt) continue;
    proof.steps.push_back({row.seq, row.event, row.order, row.level, row.id, row.reason, row.prize});
  }
  return proof;
}

QByteArray proofJson(const Proof& proof) {
  QJsonArray steps;
  for (const ProofStep& s : proof.steps)
    steps.append(QJsonObject{{QStringLiteral("seq"), QJsonValue(double(s.seq))},
                             {QStringLiteral("event"), s.event},
                             {QStringLiteral("order"), orNull(s.order)},
                             {QStringLiteral("level"), orNull(s.level)},
                             {QStringLiteral("id"), orNull(s.id)},
                             {QStringLiteral("reason"), orNull(s.reason)},
                             {QStringLiteral("prize"), orNull(s.prize)}});
  const QJsonObject root{{QStringLiteral("format"), kFormat},
                         {QStringLiteral("serialization"), QString::fromUtf8(proof.serialization)},
                         {QStringLiteral("secret"), proof.secret},
                         {QStringLiteral("seal"), proof.seal},
                         {QStringLiteral("entropy"), proof.entropy},
                         {QStringLiteral("steps"), steps}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Proof readProof(const QByteArray& json) {
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &parsed);
  if (parsed.error != QJsonParseError::NoError)
    throw Error(
        Tr::tr("证明文件不是有效的 JSON：%1（第 %2 个字符）").arg(parsed.errorString()).arg(parsed.offset));
  const QJsonObject root = document.object();
  if (root.value(QStringLiteral("format")).toString() != kFormat)
    throw Error(Tr::tr("证明文件的格式不是 %1").arg(kFormat));
  const auto text = [](const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString()) throw Error(Tr::tr("证明文件缺少文本项 %1").arg(QLatin1String(key)));
    return v.toString();
  };
  Proof proof{text(root, "serialization").toUtf8(),
              text(root, "secret"),
              text(root, "seal"),
              text(root, "entropy"),
              {}};
  const QJsonValue steps = root.value(QStringLiteral("steps"));
  if (!steps.isArray()) throw Error(Tr::tr("证明文件缺少步骤列表 steps"));
  for (const QJsonValue& v : steps.toArray()) {
    const QJsonObject o = v.toObject();
    const auto whole = [&](const char* key) -> std::optional<int> {
      const QJsonValue f = o.value(QLatin1String(key));
      if (f.isNull() || f.isUndefined()) return std::nullopt;
      if (!f.isDouble() || f.toDouble() != double(f.toInt()))
        throw Error(Tr::tr("证明文件中步骤的 %1 不是整数").arg(QLatin1String(key)));
      return f.toInt();
    };
    const auto optionalText = [&](const char* key) {
      const QJsonValue f = o.value(QLatin1String(key));
      return f.isString() ? f.toString() : QString();
    };
    const QJsonValue seq = o.value(QStringLiteral("seq"));
    if (!seq.isDouble()) throw Error(Tr::tr("证明文件中有步骤缺少序号 seq"));
    proof.steps.push_back({qint64(seq.toDouble()), text(o, "event"), whole("order"), whole("level"),
                           whole("id"), optionalText("reason"), optionalText("prize")});
  }
  return proof;
}

Replay replay(const Proof& proof) {
  Replay r;
  r.sealHolds = isHex(proof.seal, 64) && sha256Hex(proof.serialization) == proof.seal;
  SealedEvent event;
  try {
    event = parseSerializedEvent(proof.serialization);
  } catch (const Error& e) {
    r.problem = e.message();
    return r;
  }
  const QByteArray secret = QByteArray::fromHex(proof.secret.toLatin1());
  r.commitmentHolds = isHex(proof.secret, 64) && sha256Hex(secret) == event.commitment;

  // The entropy the journal took: once, before the first stop.
  int entropyRows = 0;
  bool stopBefore = false;
  for (const ProofStep& s : proof.steps) {
    if (s.event == QLatin1String("entropy")) {
      ++entropyRows;
      r.entropyHolds = entropyRows == 1 && !stopBefore && s.reason == proof.entropy;
    }
    if (s.event == QLatin1String("drawn") || s.event == QLatin1String("nobody")) stopBefore = true;
  }

  const QByteArray seed = sealedSeed(secret, QByteArray::fromHex(proof.seal.toLatin1()), proof.entropy);
  r.seed = QString::fromLatin1(seed.toHex());
  std::vector<ReplayedAttempt>* attempts = nullptr;
  SealedGenerator generator(
      [&](uint64_t counter) {
        const uint64_t value = sealedAttempt(seed, counter);
        if (attempts) attempts->push_back({counter, value});
        return value;
      },
      0);
  QSet<int> out;  // drawn, absent or voided by an earlier step
  SealedOrder order(event);
  // Whom the level's prize admits, as the seal says; a level outside the sealed plan admits everybody.
  const auto poolOf = [&](int level) {
    const SealedPrize* prize = event.prize(level);
    QSet<int> admitted;
    if (prize) admitted = QSet<int>(prize->admitted.begin(), prize->admitted.end());
    std::vector<int> pool;
    for (const SealedParticipant& p : event.participants)
      if (p.hasPhoto && !out.contains(p.id) && (!prize || admitted.contains(p.id))) pool.push_back(p.id);
    return pool;
  };
  const auto differs = [&](qint64 seq, const QString& why) {
    if (r.firstDiffering) return;
    r.firstDiffering = seq;
    r.problem = why;
  };
  for (const ProofStep& s : proof.steps) {
    if (s.event == QLatin1String("absent") || s.event == QLatin1String("voided")) {
      if (s.id) out.insert(*s.id);
      if (s.event == QLatin1String("absent"))
        order.absent(s.order.value_or(0), s.level.value_or(kOutsidePlan));
      else
        order.voided(s.order.value_or(0), s.level.value_or(kOutsidePlan));
      continue;
    }
    if (s.event == QLatin1String("seal broken")) {
      differs(s.seq, Tr::tr("封存在这一步被解除：%1").arg(s.reason));
      break;
    }
    if (s.event == QLatin1String("results cleared") || s.event == QLatin1String("roster cleared") ||
        s.event == QLatin1String("plan changed")) {
      differs(s.seq, Tr::tr("封存后有改动（%1），封存的内容已不是抽奖所用的").arg(s.event));
      continue;
    }
    if (s.event != QLatin1String("drawn") && s.event != QLatin1String("nobody")) continue;

    ReplayedStop stop{s.seq, s.event, s.order.value_or(0), s.level.value_or(kOutsidePlan), 0, {}, s.id, 0,
                      {},    {}};
    // A stop that found nobody names its prize but gives no level.
    if (s.event == QLatin1String("nobody")) {
      stop.recorded.reset();
      for (const SealedPrize& p : event.prizes)
        if (!s.level && !s.prize.isEmpty() && p.name == s.prize) stop.level = p.level;
    }
    stop.planned = order.next([&](int level) { return !poolOf(level).empty(); });
    const std::vector<int> pool = poolOf(stop.level);
    stop.pool = int(pool.size());
    attempts = &stop.attempts;
    if (!pool.empty()) {
      stop.index = int(generator.index(pool.size()));
      stop.expected = pool[size_t(*stop.index)];
    }
    attempts = nullptr;
    if (stop.recorded) {
      out.insert(*stop.recorded);
      order.drawn(stop.order, stop.level);
    }
    if (stop.planned != stop.level)
      differs(s.seq, Tr::tr("第 %1 步抽的是奖项 %2，按封存的奖项顺序这时应抽奖项 %3")
                         .arg(s.seq)
                         .arg(stop.level)
                         .arg(stop.planned));
    else if (!stop.same())
      differs(s.seq, Tr::tr("第 %1 步重算出的中奖者与记录的不同").arg(s.seq));
    r.stops.push_back(stop);
  }
  return r;
}

}  // namespace ld
