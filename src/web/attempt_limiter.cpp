#include "web/attempt_limiter.h"

#include <QCryptographicHash>

namespace ld::web {

namespace {

int secondsUntil(qint64 untilMs, qint64 nowMs) {
  return untilMs > nowMs ? int((untilMs - nowMs + 999) / 1000) : 0;
}

}  // namespace

QString AttemptLimiter::keyOf(const QString& employeeId) {
  const QString key = employeeId.trimmed().toCaseFolded();
  // A long made-up number is kept as its digest: memory stays bounded by the count of entries.
  if (key.size() <= 64) return key;
  return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex());
}

int AttemptLimiter::pausedFor(const QString& employeeId, qint64 nowMs) const {
  const QString key = keyOf(employeeId);
  if (key.isEmpty()) return 0;
  const auto found = employees_.constFind(key);
  return found == employees_.cend() ? 0 : secondsUntil(found->pausedUntil, nowMs);
}

int AttemptLimiter::wrong(const QString& employeeId, const QString& address, qint64 nowMs) {
  if (const QString key = keyOf(employeeId); !key.isEmpty()) {
    if (!employees_.contains(key)) makeRoomForEmployee(nowMs);
    Employee& employee = employees_[key];
    employee.lastSeen = nowMs;
    // Past the limit every wrong code starts the pause again.
    if (++employee.wrong >= kWrongBeforePause) employee.pausedUntil = nowMs + kPauseMs;
  }
  if (!addresses_.contains(address)) makeRoomForAddress(nowMs);
  Address& from = addresses_[address];
  if (from.wrong == 0 || nowMs - from.windowStart >= kAddressWindowMs) from = {0, nowMs};
  ++from.wrong;
  return from.wrong > kWrongPerAddress ? secondsUntil(from.windowStart + kAddressWindowMs, nowMs) : 0;
}

void AttemptLimiter::right(const QString& employeeId) { employees_.remove(keyOf(employeeId)); }

void AttemptLimiter::makeRoomForEmployee(qint64 nowMs) {
  if (employees_.size() < kMaxEmployees) return;
  // Entries without a pause running and quiet for a while say nothing any more.
  employees_.removeIf([&](const auto& entry) {
    return entry.value().pausedUntil <= nowMs && nowMs - entry.value().lastSeen >= kAddressWindowMs;
  });
  if (employees_.size() < kMaxEmployees) return;
  // Still full: forget the one seen longest ago, a running pause only when nothing else is left.
  auto oldest = employees_.end();
  for (auto it = employees_.begin(); it != employees_.end(); ++it) {
    const bool paused = it->pausedUntil > nowMs;
    if (oldest == employees_.end() || (!paused && oldest->pausedUntil > nowMs) ||
        (paused == (oldest->pausedUntil > nowMs) && it->lastSeen < oldest->lastSeen))
      oldest = it;
  }
  employees_.erase(oldest);
}

void AttemptLimiter::makeRoomForAddress(qint64 nowMs) {
  if (addresses_.size() < kMaxAddresses) return;
  addresses_.removeIf(
      [&](const auto& entry) { return nowMs - entry.value().windowStart >= kAddressWindowMs; });
  if (addresses_.size() < kMaxAddresses) return;
  auto oldest = addresses_.begin();
  for (auto it = addresses_.begin(); it != addresses_.end(); ++it)
    if (it->windowStart < oldest->windowStart) oldest = it;
  addresses_.erase(oldest);
}

}  // namespace ld::web
