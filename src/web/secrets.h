#pragma once
// The random tokens and keyed digests of the phones' pages.
#include <QByteArray>

namespace ld::web {

// `bytes` random bytes from the system's secure generator.
QByteArray randomBytes(int bytes);
// Whether two secrets are equal, in a time that does not tell how much of them matched.
bool sameSecret(const QByteArray& a, const QByteArray& b);
// HMAC-SHA256 of `message` under `key`, in lower-case hex.
QByteArray hmacHex(const QByteArray& key, const QByteArray& message);

}  // namespace ld::web
