#include "draw/sound.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include "draw/cue_mixer.h"

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

constexpr Cue kCues[] = {Cue::Rolling, Cue::Stop, Cue::Fanfare};

// What the output holds ahead of what is heard: the time a cue can wait behind silence already sent. Less
// risks gaps when the machine is busy.
constexpr int kBufferMs = 30;
// How often the output is topped up.
constexpr int kFeedMs = 5;

// The samples of a 16-bit PCM WAV file at kCueRate, channels averaged; empty, with a warning, for
// anything else.
std::vector<float> decodeCue(Cue cue) {
  const QString file = cueSource(cue).mid(3);  // "qrc:/…" as a file name ":/…"
  QFile f(file);
  const QByteArray wav = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  const auto* p = reinterpret_cast<const uchar*>(wav.constData());
  int channels = 0, bits = 0, rate = 0, format = 0;
  for (qsizetype at = 12; wav.startsWith("RIFF") && at + 8 <= wav.size();) {
    const QByteArray id = wav.mid(at, 4);
    const qsizetype size = qFromLittleEndian<quint32>(p + at + 4);
    if (id == "fmt " && size >= 16 && at + 8 + 16 <= wav.size()) {
      format = qFromLittleEndian<quint16>(p + at + 8);
      channels = qFromLittleEndian<quint16>(p + at + 10);
      rate = int(qFromLittleEndian<quint32>(p + at + 12));
      bits = qFromLittleEndian<quint16>(p + at + 22);
    } else if (id == "data" && format == 1 && bits == 16 && channels > 0 && rate == Sound::kCueRate) {
      const qsizetype frames = std::min(size, wav.size() - at - 8) / (2 * channels);
      std::vector<float> out(static_cast<size_t>(frames));
      for (qsizetype i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c)
          sum += qFromLittleEndian<qint16>(p + at + 8 + 2 * (i * channels + c));
        out[static_cast<size_t>(i)] = float(sum) / (32768.0f * float(channels));
      }
      return out;
    }
    at += 8 + size + (size & 1);
  }
  qWarning("Sound: %s is not a 16-bit PCM WAV file at %d Hz; it stays silent", qPrintable(file),
           Sound::kCueRate);
  return {};
}

}  // namespace

QString cueSource(Cue cue) { return QStringLiteral("qrc:/artwork/%1.wav").arg(cueName(cue)); }

Sound::Sound(QObject* parent) : QObject(parent) {
  std::array<std::vector<float>, 3> cues;
  for (Cue cue : kCues) cues[static_cast<size_t>(cue)] = decodeCue(cue);
  mixer_ = std::make_unique<CueMixer>(std::move(cues), kCueRate);
  mixer_->open(QIODevice::ReadOnly);

  // Asking for the audio system and opening a stream can take a good part of a second: done on the
  // output's own thread, the window shows meanwhile.
  thread_ = new QThread(this);
  thread_->setObjectName(QStringLiteral("sound"));
  mixer_->moveToThread(thread_);
  thread_->start();
  QMetaObject::invokeMethod(
      mixer_.get(), [this] { openOutput(); }, Qt::QueuedConnection);
}

Sound::~Sound() {
  // The output goes on its own thread; the mixer comes back to be deleted here.
  QMetaObject::invokeMethod(
      mixer_.get(),
      [this] {
        for (QAudioSink* sink : mixer_->findChildren<QAudioSink*>()) {
          sink->stop();
          delete sink;
        }
        mixer_->moveToThread(QCoreApplication::instance() ? QCoreApplication::instance()->thread() : nullptr);
      },
      Qt::BlockingQueuedConnection);
  thread_->quit();
  thread_->wait();
}

void Sound::openOutput() {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) {
    output_ = Output::Missing;
    return;
  }
  QAudioFormat format = mixer_->format();
  if (!device.isFormatSupported(format) || !mixer_->setFormat(format)) {
    format = device.preferredFormat();
    if (format.sampleFormat() != QAudioFormat::Float) format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format) || !mixer_->setFormat(format)) {
      qWarning("Sound: the audio output %s takes no format the sounds can be played in; they stay silent",
               qPrintable(device.description()));
      output_ = Output::Missing;
      return;
    }
  }
  // Fed by our own timer rather than pulled by the output's: it asks in steps of 20 ms and, with a buffer
  // this small, can stall before the stream has started.
  auto* sink = new QAudioSink(device, format, mixer_.get());
  sink->setBufferSize(format.bytesForDuration(kBufferMs * 1000));
  QIODevice* stream = sink->start();
  ++outputsOpened_;
  if (!stream || sink->error() != QAudio::NoError) {
    qWarning("Sound: the audio output %s could not be opened (error %d); the sounds stay silent",
             qPrintable(device.description()), int(sink->error()));
    delete sink;
    output_ = Output::Missing;
    return;
  }
  auto* feed = new QTimer(sink);
  feed->setTimerType(Qt::PreciseTimer);
  feed->setInterval(kFeedMs);
  connect(feed, &QTimer::timeout, sink, [this, sink, stream, block = QByteArray()]() mutable {
    const int frame = mixer_->format().bytesPerFrame();
    const qint64 free = sink->bytesFree() / frame * frame;
    if (free <= 0) return;
    block.resize(free);
    mixer_->read(block.data(), free);
    stream->write(block.constData(), free);
  });
  feed->start();
  output_ = Output::Open;
}

bool Sound::waitForOutput(int ms) {
  const QDeadlineTimer deadline(ms);
  while (output_ == Output::Opening && !deadline.hasExpired()) QThread::msleep(2);
  return output_ == Output::Open;
}

bool Sound::audible() { return output_ == Output::Open && !muted_; }

const std::vector<float>& Sound::samples(Cue cue) const { return mixer_->cue(cue); }

void Sound::play(Cue cue) {
  if (muted_) return;
  played_ << cueName(cue);
  // Asked for also while the output is still opening: it starts with whatever plays then.
  mixer_->play(cue, cue == Cue::Rolling ? 0.6f : 0.9f, cue == Cue::Rolling);
}

void Sound::setMuted(bool on) {
  if (on == muted_) return;
  muted_ = on;
  if (muted_) {
    mixer_->stopAll();
  } else if (rolling_) {
    play(Cue::Rolling);
  }
}

void Sound::setRolling(bool on) {
  if (on == rolling_) return;
  rolling_ = on;
  if (on)
    play(Cue::Rolling);
  else
    mixer_->stop(Cue::Rolling);
}

void Sound::playStop() { play(Cue::Stop); }

void Sound::playFanfare() { play(Cue::Fanfare); }

}  // namespace ld
