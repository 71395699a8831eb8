#include "proof/sealing.h"

#include <stdlib.h>

#include "data/query.h"
#include "data/seal_store.h"
#include "data/transaction.h"
#include "framework/text.h"
#include "proof/seal_serialization.h"
#include "proof/sealed_generator.h"

namespace ld {

QString sealEvent(Query& q) {
  Transaction transaction(q.connection());
  QByteArray secret(32, Qt::Uninitialized);
  arc4random_buf(secret.data(), size_t(secret.size()));
  const QByteArray text = serializedEvent(readSealedEvent(q, sha256Hex(secret)));
  const QString seal = sha256Hex(text);
  SealStore(q).writeSeal(secret, text, seal);
  transaction.commit();
  return seal;
}

void giveEntropy(Query& q, const QString& text) {
  Transaction transaction(q.connection());
  SealStore(q).writeEntropy(text);
  transaction.commit();
}

void breakSeal(Query& q, const QString& why) {
  Transaction transaction(q.connection());
  SealStore(q).writeBroken(why);
  transaction.commit();
}

std::vector<int> sealedPick(Query& q, const SealState& state, const std::vector<int>& pool, size_t count) {
  // Any change to what was sealed would make the pick differ from what a verifier computes.
  if (serializedEvent(readSealedEvent(q, sha256Hex(state.secret))) != state.text)
    throw SealNoLongerHolds(Tr::tr("封存后名单、签到或奖项计划有了改动，已不是封存时的样子"));
  // A plan saved back as it was reads the same, yet the proof ends at the row that says it changed.
  q.openSql(QStringLiteral("select lx from cjrz where xh>? and lx in ('results cleared', 'roster cleared', "
                           "'plan changed') order by xh limit 1"),
            {state.sealedAt});
  if (q.recordCount() > 0) {
    q.first();
    throw SealNoLongerHolds(q.fieldByName(QStringLiteral("lx")).asString() == QLatin1String("plan changed")
                                ? Tr::tr("封存后奖项计划被保存过")
                                : Tr::tr("封存后抽奖结果被清除过"));
  }
  SealedGenerator generator(
      sealedSeed(state.secret, QByteArray::fromHex(state.seal.toLatin1()), *state.entropy), state.counter);
  std::vector<int> winners = sealedPress(pool, count, generator);
  SealStore(q).writeCounter(generator.counter());
  return winners;
}

}  // namespace ld
