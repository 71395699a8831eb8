#pragma once
// The draw's cues mixed into one endless stream for an audio output that stays open the whole event:
// silence while nothing plays, so a cue asked for is in the very next block the output reads. Read on the
// audio thread, told what to play from the window's thread.
#include <QAudioFormat>
#include <QIODevice>
#include <array>
#include <mutex>
#include <vector>

#include "draw/sound.h"

namespace ld {

class CueMixer : public QIODevice {
  Q_OBJECT
 public:
  // Each cue's samples, mono, -1 to 1, at `rate` frames a second.
  CueMixer(std::array<std::vector<float>, 3> cues, int rate, QObject* parent = nullptr);

  // The format blocks are read in: any rate and channel count, 16-bit or float samples. False for another
  // sample format. Cues are converted to the rate once, here.
  bool setFormat(const QAudioFormat& format);
  QAudioFormat format() const;
  // The cue's samples as given.
  const std::vector<float>& cue(Cue cue) const { return cues_[static_cast<size_t>(cue)]; }

  // Starts the cue from its beginning (again, if it plays), at `volume`, once or over and over.
  void play(Cue cue, float volume, bool loop);
  // Ends the cue with a fade short enough not to be heard as one, long enough not to click.
  void stop(Cue cue);
  void stopAll();
  bool playing(Cue cue) const;

  // Always unbuffered: a block read ahead would hold back a cue asked for meanwhile.
  bool open(OpenMode mode) override { return QIODevice::open(mode | QIODevice::Unbuffered); }
  bool isSequential() const override { return true; }
  // An endless stream: always a second's worth ready.
  qint64 bytesAvailable() const override;

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 maxSize) override;

 private:
  struct Voice {
    Cue cue;
    size_t position = 0;
    float volume = 1;
    bool loop = false;
    int fadeLeft = -1;  // frames left of the fade-out; -1 while not fading
  };

  const std::vector<float>& samplesOf(Cue cue) const { return converted_[static_cast<size_t>(cue)]; }

  const std::array<std::vector<float>, 3> cues_;
  const int rate_;
  mutable std::mutex mutex_;
  std::array<std::vector<float>, 3> converted_;
  QAudioFormat format_;
  int fadeFrames_ = 0;
  std::vector<Voice> voices_;
  std::vector<float> mix_;
};

}  // namespace ld
