#include "data/seal_store.h"

#include <QHash>

#include "data/journal.h"
#include "data/query.h"
#include "data/schema.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

// The keys of table fcxx.
const QString kSecretKey = QStringLiteral("MY");
const QString kSealKey = QStringLiteral("FC");
const QString kTextKey = QStringLiteral("WB");
const QString kSealRowKey = QStringLiteral("FCXH");
const QString kEntropyKey = QStringLiteral("SJ");
const QString kCounterKey = QStringLiteral("JS");
const QString kStateKey = QStringLiteral("ZT");

const QString kBrokenPrefix = QStringLiteral("broken at ");

}  // namespace

QString SealState::stateText() const {
  if (seal.isEmpty()) return {};
  if (brokenAt) return kBrokenPrefix + QString::number(*brokenAt);
  return QStringLiteral("sealed");
}

SealState SealStore::state() {
  SealState s;
  q_.openSql(QString::fromLatin1(kSealQuery));
  if (q_.recordCount() == 0) return s;
  q_.openSql(QStringLiteral("select xm, sz from fcxx"));
  QHash<QString, QString> values;
  q_.first();
  for (int row = 0; row < q_.recordCount(); ++row, q_.next())
    values.insert(q_.fieldByName(QStringLiteral("xm")).asString().toUpper(),
                  q_.fieldByName(QStringLiteral("sz")).asString());
  q_.close();
  const QString state = values.value(kStateKey);
  if (state.isEmpty()) return s;
  s.secret = QByteArray::fromHex(values.value(kSecretKey).toLatin1());
  s.seal = values.value(kSealKey);
  s.text = values.value(kTextKey).toUtf8();
  if (values.contains(kEntropyKey)) s.entropy = values.value(kEntropyKey);
  s.counter = values.value(kCounterKey).toULongLong();
  s.sealedAt = values.value(kSealRowKey).toLongLong();
  if (state.startsWith(kBrokenPrefix)) s.brokenAt = state.mid(kBrokenPrefix.size()).toLongLong();
  // A state this program never writes leaves no seal to draw under, rather than one it cannot trust.
  if (s.secret.size() != 32 || s.seal.size() != 64 || (!s.brokenAt && state != QLatin1String("sealed")))
    throw Error(Tr::tr("活动数据库中的封存记录不完整或已损坏，不能按封存抽奖"));
  return s;
}

bool SealStore::anyResult() {
  q_.openSql(QStringLiteral("select count(*) as n from yglb where zj<>0"));
  q_.first();
  return q_.fieldByName(QStringLiteral("n")).asInteger() > 0;
}

void SealStore::put(const QString& key, const QString& value) {
  q_.execSql(QStringLiteral("insert or replace into fcxx (xm, sz) values (?, ?)"), {key, value});
}

void SealStore::writeSeal(const QByteArray& secret, const QByteArray& text, const QString& seal) {
  if (state().holds()) throw Error(Tr::tr("抽奖已经封存，不能再封存一次"));
  if (anyResult()) throw Error(Tr::tr("已有中奖、缺席或作废的记录，不能再封存；请先清除抽奖结果"));
  q_.execSql(QString::fromLatin1(kSealSchema));
  q_.execSql(QStringLiteral("delete from fcxx"));
  appendJournal(q_, {JournalEvent::Sealed, {}, {}, {}, {}, {}, {}, {}, {}, seal});
  const std::optional<JournalRow> row = latestJournalRow(q_);
  if (!row || row->event != QLatin1String("sealed")) throw Error(Tr::tr("封存没有写进抽奖记录"));
  put(kSecretKey, QString::fromLatin1(secret.toHex()));
  put(kSealKey, seal);
  put(kTextKey, QString::fromUtf8(text));
  put(kSealRowKey, QString::number(row->seq));
  put(kCounterKey, QStringLiteral("0"));
  put(kStateKey, QStringLiteral("sealed"));
}

void SealStore::writeEntropy(const QString& text) {
  const SealState s = state();
  if (!s.holds()) throw Error(Tr::tr("抽奖没有封存，不需要公开随机数"));
  if (s.entropy) throw Error(Tr::tr("公开随机数已经输入过（%1），不能更改").arg(*s.entropy));
  if (text.isEmpty()) throw Error(Tr::tr("公开随机数不能为空"));
  q_.openSql(QStringLiteral("select count(*) as n from cjrz where xh>? and lx in ('drawn','nobody')"),
             {s.sealedAt});
  q_.first();
  if (q_.fieldByName(QStringLiteral("n")).asInteger() > 0)
    throw Error(Tr::tr("封存后已经抽过奖，不能再输入公开随机数"));
  appendJournal(q_, {JournalEvent::Entropy, {}, {}, {}, {}, {}, {}, {}, {}, text});
  put(kEntropyKey, text);
}

void SealStore::writeCounter(quint64 counter) { put(kCounterKey, QString::number(counter)); }

void SealStore::writeBroken(const QString& why) {
  if (!state().holds()) throw Error(Tr::tr("抽奖没有封存，无从解除"));
  if (why.trimmed().isEmpty()) throw Error(Tr::tr("请写明解除封存的原因"));
  appendJournal(q_, {JournalEvent::SealBroken, {}, {}, {}, {}, {}, {}, {}, {}, why.trimmed()});
  const std::optional<JournalRow> row = latestJournalRow(q_);
  if (!row) throw Error(Tr::tr("解除封存没有写进抽奖记录"));
  put(kStateKey, kBrokenPrefix + QString::number(row->seq));
}

}  // namespace ld
