#pragma once
// The draw's sounds: a drum roll that loops while the tiles roll, a sting when the draw stops, a fanfare
// with the fireworks. Made with the program and played through the system's audio output; with no output
// (a machine without sound, a test run) everything goes on silently.
#include <QObject>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

class QSoundEffect;

namespace ld {

enum class Cue { Rolling, Stop, Fanfare };

// "qrc:/artwork/rolling.wav" and so on.
QString cueSource(Cue cue);

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

 private:
  void play(Cue cue);
  QSoundEffect* effect(Cue cue);
  std::array<std::unique_ptr<QSoundEffect>, 3> effects_;
  std::optional<bool> haveOutput_;
  bool muted_ = false;
  bool rolling_ = false;
  QStringList played_;
};

}  // namespace ld
