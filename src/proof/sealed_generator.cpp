#include "proof/sealed_generator.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QtEndian>
#include <utility>

namespace ld {

QByteArray sealedSeed(const QByteArray& secret, const QByteArray& seal, const QString& entropy) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(secret);
  hash.addData(seal);
  hash.addData(entropy.toUtf8());
  return hash.result();
}

uint64_t sealedAttempt(const QByteArray& seed, uint64_t counter) {
  QByteArray message(8, '\0');
  qToBigEndian(quint64(counter), message.data());
  const QByteArray mac = QMessageAuthenticationCode::hash(message, seed, QCryptographicHash::Sha256);
  return qFromBigEndian<quint64>(mac.constData());
}

SealedGenerator::SealedGenerator(QByteArray seed, uint64_t counter)
    : attempt_([seed = std::move(seed)](uint64_t c) { return sealedAttempt(seed, c); }), counter_(counter) {}

uint64_t SealedGenerator::index(uint64_t n) {
  // 2^64 mod n, computed in 64 bits; the values from 2^64 - remainder up would favour the low indices.
  const uint64_t remainder = (0 - n) % n;
  for (;;) {
    const uint64_t x = attempt_(counter_++);
    if (remainder == 0 || x < 0 - remainder) return x % n;
  }
}

std::vector<int> sealedPress(std::vector<int> pool, size_t count, SealedGenerator& generator) {
  std::vector<int> winners;
  while (winners.size() < count && !pool.empty()) {
    const auto at = pool.begin() + std::ptrdiff_t(generator.index(pool.size()));
    winners.push_back(*at);
    pool.erase(at);
  }
  return winners;
}

}  // namespace ld
