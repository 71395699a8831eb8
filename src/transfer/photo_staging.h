#pragma once
// The photos of an import converted in the background while its preview is shown, so that the preview
// knows every damaged picture before anything is written and the import itself only renames.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <thread>

#include "transfer/import_photos.h"

namespace ld {

class PhotoStaging : public QObject {
  Q_OBJECT
 public:
  explicit PhotoStaging(QObject* parent = nullptr);
  ~PhotoStaging() override;  // stops and removes what was converted

  // Converts the photos of PLAN (a copy is kept), stopping and removing any earlier run first.
  void start(const ImportPlan& plan);
  // Stops and removes every converted file.
  void cancel();

  bool running() const { return thread_.joinable(); }
  // Finished without error; an import that adds nobody is ready with no files at all.
  bool ready() const { return staged_; }
  int done() const { return progress_.done; }
  int total() const { return progress_.total; }
  QString error() const { return error_; }
  const PreparedPhotos& photos() const { return photos_; }
  PreparedPhotos take() {
    staged_ = false;
    return std::move(photos_);
  }

 signals:
  void progressed(int done, int total);
  void finished();  // ready, or error() says why not

 private:
  void poll();
  ImportPlan plan_;
  ImportProgress progress_;
  PreparedPhotos photos_, result_;
  QString error_, resultError_;
  std::atomic<bool> over_{false};
  bool staged_ = false;
  std::thread thread_;
  QTimer timer_;
};

}  // namespace ld
