#pragma once
// A dress rehearsal runs the whole show on a scratch copy of the event, so that nothing it draws, clears or
// imports reaches the event itself. The database is copied consistently (the event may be open in another
// program meanwhile); the photo and picture folders are linked file by file where the file system allows,
// which is safe because every writer of this program writes a new file and renames it over the old name:
// a linked photo is never changed in place, only replaced in the copy's own folder.
#include <QString>

#include "framework/event_lock.h"

namespace ld {

// The folder that holds rehearsals' copies: one in the user's cache, on the home file system where events
// usually are, so that photos can be linked there rather than copied.
QString rehearsalFolder();

// A copy's name in that folder: ".~rehearsal-" and 16 hex digits. Nothing else there is ever removed.
bool isRehearsalCopyName(const QString& name);

// Removes the copies in `folder` that no running rehearsal holds (left by one that was killed); returns how
// many went.
int removeRehearsalLeftovers(const QString& folder);

class RehearsalCopy {
 public:
  // Copies the event of `eventFolder` into a new folder inside `folder` and locks the copy. The event is
  // only read, and neither takes nor needs its lock. Throws Error; a failure leaves no copy.
  explicit RehearsalCopy(const QString& eventFolder, const QString& folder = rehearsalFolder());
  // Removes the copy. Whoever used it must have closed its database by now.
  ~RehearsalCopy();
  RehearsalCopy(const RehearsalCopy&) = delete;
  RehearsalCopy& operator=(const RehearsalCopy&) = delete;

  // The copy, an event folder ending in '/'.
  const QString& folder() const { return folder_; }
  // Files linked to the event's, and files copied (another file system, or a link the event holds).
  int linkedFiles() const { return linked_; }
  int copiedFiles() const { return copied_; }

 private:
  void copyFolder(const QString& from, const QString& to);
  void remove();

  QString folder_;
  EventLock lock_;
  int linked_ = 0;
  int copied_ = 0;
};

}  // namespace ld
