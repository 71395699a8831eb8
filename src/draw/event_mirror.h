#pragma once
// A second copy of the event, kept up to date after every stop on another disk (a USB stick), so that a spare
// machine can go on with the next draw if this one fails: a consistent copy of the database and the photos it
// lacks. The copying runs on a thread of its own and never keeps the draw waiting.
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "data/online_backup.h"

namespace ld {

class Connection;

class EventMirror : public QObject {
  Q_OBJECT
 public:
  // Copies the event of `eventFolder` into `mirrorFolder`, which is made when its parent exists; the event's
  // own folder is refused. Throws Error. Nothing is copied before copyNow().
  EventMirror(const QString& eventFolder, const QString& mirrorFolder, QObject* parent = nullptr);
  // Ends a copy under way; what it left half-written keeps a scratch name.
  ~EventMirror() override;

  // A copy in the background: the database by online backup to a scratch file, then renamed over db/db.mdb
  // and synced; then the files of zp/, zpgq/ and zt/ that the mirror lacks or holds with another size or
  // time. Asked during a copy, one more runs after it; copies never overlap.
  void copyNow();

  const QString& folder() const { return mirror_; }
  int copiesMade() const { return made_; }
  int copiesTried() const { return tried_; }
  bool idle() const;
  // Called on the copying thread after each of the database's steps, with its progress.
  void setStepObserver(BackupProgress observer);

 signals:
  // A copy failed after the mirror had been working (or at the first copy): why, for the operator.
  // Not repeated while it keeps failing.
  void failed(const QString& why);
  // A copy succeeded after a failure.
  void working();

 private:
  void run();
  void copyOnce();
  // The files of the event's folder `sub` that the mirror lacks or holds with another size or time.
  void copyFiles(const QString& sub);
  void finished(bool ok, const QString& why);

  const QString event_;
  QString mirror_;
  std::unique_ptr<Connection> source_;  // the copying thread's own
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread worker_;
  bool wanted_ = false;
  bool busy_ = false;
  bool stopping_ = false;
  BackupProgress observer_;
  std::atomic<int> made_{0};
  std::atomic<int> tried_{0};
  bool failing_ = false;  // GUI thread only
};

}  // namespace ld
