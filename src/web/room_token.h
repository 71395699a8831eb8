#pragma once
// The token in the stage's QR code: only someone in the hall, looking at the screen, can open the check-in
// form. A new one every period; the one before stays good for one more period, so a code scanned just
// before the change still works.
#include <QByteArray>

namespace ld::web {

class RoomTokens {
 public:
  explicit RoomTokens(qint64 periodMs) : periodMs_(periodMs) {}

  // Starts afresh at `nowMs`: a new token, none before it.
  void restart(qint64 nowMs);
  // Moves on to the period holding `nowMs`; true when that gave a new token.
  bool advance(qint64 nowMs);
  const QByteArray& current() const { return current_; }
  // Whether `token` is the current or the previous period's (after advancing to `nowMs`).
  bool accepts(const QByteArray& token, qint64 nowMs);
  // Milliseconds from `nowMs` to the next change.
  qint64 untilNext(qint64 nowMs) const;

 private:
  qint64 periodOf(qint64 nowMs) const { return (nowMs - startMs_) / periodMs_; }

  const qint64 periodMs_;
  qint64 startMs_ = 0;
  qint64 period_ = 0;
  QByteArray current_, previous_;
};

}  // namespace ld::web
