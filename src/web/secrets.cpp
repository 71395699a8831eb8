#include "web/secrets.h"

#include <stdlib.h>

#include <QMessageAuthenticationCode>

namespace ld::web {

QByteArray randomBytes(int bytes) {
  QByteArray data(bytes, Qt::Uninitialized);
  arc4random_buf(data.data(), size_t(data.size()));
  return data;
}

bool sameSecret(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (qsizetype i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

QByteArray hmacHex(const QByteArray& key, const QByteArray& message) {
  return QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256).toHex();
}

}  // namespace ld::web
