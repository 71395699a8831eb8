#include "draw/sound.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

namespace ld {

namespace {

QString cueName(Cue cue) {
  switch (cue) {
    case Cue::Rolling:
      return QStringLiteral("rolling");
    case Cue::Stop:
      return QStringLiteral("stop");
    case Cue::Fanfare:
      return QStringLiteral("fanfare");
  }
  return {};
}

}  // namespace

QString cueSource(Cue cue) { return QStringLiteral("qrc:/artwork/%1.wav").arg(cueName(cue)); }

Sound::Sound(QObject* parent) : QObject(parent) {}

Sound::~Sound() = default;

bool Sound::audible() {
  // Asked once, at the first sound rather than at start: the audio system may take its time to answer.
  if (!haveOutput_) haveOutput_ = !QMediaDevices::audioOutputs().isEmpty();
  return *haveOutput_ && !muted_;
}

QSoundEffect* Sound::effect(Cue cue) {
  auto& slot = effects_[static_cast<size_t>(cue)];
  if (!slot) {
    slot = std::make_unique<QSoundEffect>();
    slot->setSource(QUrl(cueSource(cue)));
    slot->setVolume(cue == Cue::Rolling ? 0.6f : 0.9f);
    if (cue == Cue::Rolling) slot->setLoopCount(QSoundEffect::Infinite);
  }
  return slot.get();
}

void Sound::play(Cue cue) {
  if (muted_) return;
  played_ << cueName(cue);
  if (audible()) effect(cue)->play();
}

void Sound::setMuted(bool on) {
  if (on == muted_) return;
  muted_ = on;
  if (muted_) {
    for (auto& e : effects_)
      if (e) e->stop();
  } else if (rolling_) {
    play(Cue::Rolling);
  }
}

void Sound::setRolling(bool on) {
  if (on == rolling_) return;
  rolling_ = on;
  if (on) {
    play(Cue::Rolling);
  } else if (auto& loop = effects_[static_cast<size_t>(Cue::Rolling)]) {
    loop->stop();
  }
}

void Sound::playStop() { play(Cue::Stop); }

void Sound::playFanfare() { play(Cue::Fanfare); }

}  // namespace ld
