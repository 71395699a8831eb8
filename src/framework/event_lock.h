#pragma once
// One program per event folder: the draw program and every tool that writes an event hold this lock on
// the event's application folder while they run. The kernel lets go of it when the holder ends in any way,
// killed included, so a lock can never be left behind.
#include <QString>

#include "framework/file_safety.h"

namespace ld {

class EventLock {
 public:
  EventLock() = default;
  // Takes the lock on `folder`. Throws ld::Error with a message naming the folder when another program
  // (or another EventLock in this one) holds it, or when the folder cannot be locked at all.
  explicit EventLock(const QString& folder);

  bool held() const { return fd_.valid(); }
  const QString& folder() const { return folder_; }
  void release();

 private:
  // Closing the only descriptor of the open folder drops the lock.
  UniqueFd fd_;
  QString folder_;
};

}  // namespace ld
