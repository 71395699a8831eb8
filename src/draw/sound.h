#pragma once
// The draw's sounds: a drum roll that loops while the tiles roll, a sting when the draw stops, a fanfare
// with the fireworks. Made with the program and played through the system's audio output; with no output
// (a machine without sound, a test run) everything goes on silently.
//
// Every cue is decoded when the sound is made, and one audio output is opened then, on a thread of its
// own, and kept open with a small buffer, fed by our own mixer: a cue is heard within a few hundredths of
// a second of its event, also the first time, whatever the window's thread is busy with.
#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace ld {

enum class Cue { Rolling, Stop, Fanfare };

// "qrc:/artwork/rolling.wav" and so on.
QString cueSource(Cue cue);

class CueMixer;

class Sound : public QObject {
  Q_OBJECT
 public:
  explicit Sound(QObject* parent = nullptr);
  ~Sound() override;

  bool muted() const { return muted_; }
  // Muting stops what plays; unmuting while the tiles roll starts the drum roll again.
  void setMuted(bool on);

  void setRolling(bool on);
  void playStop();
  void playFanfare();

  bool rolling() const { return rolling_; }
  // What was played since the start, in order ("rolling", "stop", "fanfare"), muted cues left out; and
  // whether it reached an audio output.
  const QStringList& played() const { return played_; }
  bool audible();

  // The cue's samples, mono, -1 to 1, at kCueRate frames a second, decoded when the sound was made (empty
  // when its file could not be read).
  static constexpr int kCueRate = 22050;
  const std::vector<float>& samples(Cue cue) const;
  CueMixer& mixer() { return *mixer_; }

  // Whether the output is open, after waiting up to `ms` for it to open or to be found missing.
  bool waitForOutput(int ms);
  // How many audio outputs were opened: one at most, for as long as the sound lives.
  int outputsOpened() const { return outputsOpened_; }

 private:
  enum class Output { Opening, Open, Missing };

  void play(Cue cue);
  void openOutput();

  std::unique_ptr<CueMixer> mixer_;
  QThread* thread_ = nullptr;
  std::atomic<Output> output_{Output::Opening};
  std::atomic<int> outputsOpened_{0};
  bool muted_ = false;
  bool rolling_ = false;
  QStringList played_;
};

}  // namespace ld
