#include "transfer/photo_staging.h"

#include <utility>

namespace ld {

PhotoStaging::PhotoStaging(QObject* parent) : QObject(parent) {
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, &PhotoStaging::poll);
}

PhotoStaging::~PhotoStaging() { cancel(); }

void PhotoStaging::cancel() {
  timer_.stop();
  staged_ = false;
  progress_.cancel = true;
  if (thread_.joinable()) thread_.join();
  result_.discard();
  photos_.discard();
  error_.clear();
}

void PhotoStaging::start(const ImportPlan& plan) {
  cancel();
  plan_ = plan;
  progress_.cancel = false;
  progress_.done = 0;
  progress_.total = plan_.toAdd;
  over_ = false;
  thread_ = std::thread([this] {
    try {
      result_ = preparePhotos(plan_, progress_);
    } catch (const ImportCancelled&) {
      resultError_.clear();
    } catch (const std::exception& e) {
      resultError_ = QString::fromUtf8(e.what());
    }
    over_ = true;
  });
  timer_.start();
  emit progressed(0, progress_.total);
}

void PhotoStaging::poll() {
  emit progressed(progress_.done, progress_.total);
  if (!over_) return;
  timer_.stop();
  thread_.join();
  photos_ = std::move(result_);
  error_ = std::exchange(resultError_, QString());
  staged_ = error_.isEmpty();
  emit finished();
}

}  // namespace ld
