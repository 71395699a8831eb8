#include "draw/cue_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ld {

namespace {

// Linear interpolation is enough for these band-limited synthesised cues.
std::vector<float> resampled(const std::vector<float>& in, int from, int to) {
  if (from == to || in.empty()) return in;
  const auto frames = static_cast<size_t>(std::llround(double(in.size()) * to / from));
  std::vector<float> out(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double at = double(i) * from / to;
    const auto k = static_cast<size_t>(at);
    const double f = at - double(k);
    const float a = in[std::min(k, in.size() - 1)], b = in[std::min(k + 1, in.size() - 1)];
    out[i] = static_cast<float>(a + (b - a) * f);
  }
  return out;
}

constexpr int kFadeMs = 8;

}  // namespace

CueMixer::CueMixer(std::array<std::vector<float>, 3> cues, int rate, QObject* parent)
    : QIODevice(parent), cues_(std::move(cues)), rate_(rate), converted_(cues_) {
  QAudioFormat format;
  format.setSampleRate(rate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  setFormat(format);
}

bool CueMixer::setFormat(const QAudioFormat& format) {
  if (format.sampleFormat() != QAudioFormat::Int16 && format.sampleFormat() != QAudioFormat::Float)
    return false;
  if (format.sampleRate() <= 0 || format.channelCount() <= 0) return false;
  std::array<std::vector<float>, 3> converted;
  for (size_t k = 0; k < cues_.size(); ++k) converted[k] = resampled(cues_[k], rate_, format.sampleRate());
  const std::lock_guard lock(mutex_);
  converted_ = std::move(converted);
  format_ = format;
  fadeFrames_ = std::max(1, format.sampleRate() * kFadeMs / 1000);
  voices_.clear();
  return true;
}

QAudioFormat CueMixer::format() const {
  const std::lock_guard lock(mutex_);
  return format_;
}

void CueMixer::play(Cue cue, float volume, bool loop) {
  const std::lock_guard lock(mutex_);
  std::erase_if(voices_, [cue](const Voice& v) { return v.cue == cue; });
  if (!samplesOf(cue).empty()) voices_.push_back({cue, 0, volume, loop, -1});
}

void CueMixer::stop(Cue cue) {
  const std::lock_guard lock(mutex_);
  for (Voice& v : voices_)
    if (v.cue == cue && v.fadeLeft < 0) v.fadeLeft = fadeFrames_;
}

void CueMixer::stopAll() {
  const std::lock_guard lock(mutex_);
  for (Voice& v : voices_)
    if (v.fadeLeft < 0) v.fadeLeft = fadeFrames_;
}

bool CueMixer::playing(Cue cue) const {
  const std::lock_guard lock(mutex_);
  return std::any_of(voices_.begin(), voices_.end(),
                     [cue](const Voice& v) { return v.cue == cue && v.fadeLeft < 0; });
}

qint64 CueMixer::bytesAvailable() const {
  const std::lock_guard lock(mutex_);
  return format_.bytesForDuration(1000000) + QIODevice::bytesAvailable();
}

qint64 CueMixer::readData(char* data, qint64 maxSize) {
  const std::lock_guard lock(mutex_);
  const int frameBytes = format_.bytesPerFrame();
  const auto frames = static_cast<size_t>(maxSize / frameBytes);
  mix_.assign(frames, 0.0f);
  for (Voice& v : voices_) {
    const std::vector<float>& samples = samplesOf(v.cue);
    for (size_t i = 0; i < frames && v.fadeLeft != 0; ++i) {
      if (v.position >= samples.size()) {
        if (!v.loop) break;
        v.position = 0;
      }
      float gain = v.volume;
      if (v.fadeLeft > 0) gain *= float(v.fadeLeft--) / float(fadeFrames_ + 1);
      mix_[i] += samples[v.position++] * gain;
    }
  }
  std::erase_if(voices_, [&](const Voice& v) {
    return v.fadeLeft == 0 || (!v.loop && v.position >= samplesOf(v.cue).size());
  });

  const int channels = format_.channelCount();
  if (format_.sampleFormat() == QAudioFormat::Float) {
    auto* out = reinterpret_cast<float*>(data);
    for (size_t i = 0; i < frames; ++i)
      std::fill_n(out + i * channels, channels, std::clamp(mix_[i], -1.0f, 1.0f));
  } else {
    auto* out = reinterpret_cast<qint16*>(data);
    for (size_t i = 0; i < frames; ++i) {
      const auto s = static_cast<qint16>(std::lround(std::clamp(mix_[i], -1.0f, 1.0f) * 32767.0f));
      std::fill_n(out + i * channels, channels, s);
    }
  }
  return qint64(frames) * frameBytes;
}

qint64 CueMixer::writeData(const char* /*data*/, qint64 /*maxSize*/) { return -1; }

}  // namespace ld
