#include "web/room_token.h"

#include <algorithm>

#include "web/secrets.h"

namespace ld::web {

namespace {

// 96 bits, written in URL-safe base64 (16 characters): short enough for a small QR code.
QByteArray newToken() {
  return randomBytes(12).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

}  // namespace

void RoomTokens::restart(qint64 nowMs) {
  startMs_ = nowMs;
  period_ = 0;
  current_ = newToken();
  previous_.clear();
}

bool RoomTokens::advance(qint64 nowMs) {
  const qint64 period = periodOf(nowMs);
  // A clock set back keeps the token it has.
  if (period <= period_) return false;
  previous_ = period == period_ + 1 ? current_ : QByteArray();
  current_ = newToken();
  period_ = period;
  return true;
}

bool RoomTokens::accepts(const QByteArray& token, qint64 nowMs) {
  advance(nowMs);
  if (token.isEmpty()) return false;
  return sameSecret(token, current_) || (!previous_.isEmpty() && sameSecret(token, previous_));
}

qint64 RoomTokens::untilNext(qint64 nowMs) const {
  return std::max<qint64>(0, startMs_ + (period_ + 1) * periodMs_ - nowMs);
}

}  // namespace ld::web
