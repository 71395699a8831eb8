// Sound: the generated WAV files in the program, the drum roll while the tiles roll, the sting on the stop,
// the fanfare with the fireworks, and M muting it all, remembered in the event.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QSoundEffect>
#include <QTest>
#include <QtEndian>
#include <cmath>

#include "draw/cue_mixer.h"
#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/sound.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "widgets/gif_animator.h"

using namespace ld::test;

namespace {

struct Wav {
  quint16 format = 0, channels = 0, bits = 0;
  quint32 rate = 0;
  std::vector<qint16> samples;
};

// The header fields a player reads, checked against the bytes that follow.
Wav readWav(const QString& resource) {
  QFile file(resource);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << resource.toStdString();
  const QByteArray b = file.readAll();
  Wav wav;
  if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " || b.mid(36, 4) != "data") {
    ADD_FAILURE() << "not a plain PCM WAV file: " << resource.toStdString();
    return wav;
  }
  const auto* p = reinterpret_cast<const uchar*>(b.constData());
  EXPECT_EQ(qFromLittleEndian<quint32>(p + 4), quint32(b.size() - 8));
  wav.format = qFromLittleEndian<quint16>(p + 20);
  wav.channels = qFromLittleEndian<quint16>(p + 22);
  wav.rate = qFromLittleEndian<quint32>(p + 24);
  wav.bits = qFromLittleEndian<quint16>(p + 34);
  const quint32 size = qFromLittleEndian<quint32>(p + 40);
  EXPECT_EQ(size, quint32(b.size() - 44));
  for (quint32 i = 0; i + 1 < size; i += 2) wav.samples.push_back(qFromLittleEndian<qint16>(p + 44 + i));
  return wav;
}

TEST(SoundFiles, ThreeShortPcmSoundsWithoutClippingBuiltIntoTheProgram) {
  struct Expect {
    ld::Cue cue;
    double minSeconds, maxSeconds;
  };
  for (const Expect& e : {Expect{ld::Cue::Rolling, 0.5, 2}, Expect{ld::Cue::Stop, 0.3, 1.5},
                          Expect{ld::Cue::Fanfare, 1.5, 4}}) {
    const QString resource = ld::cueSource(e.cue).mid(3);  // "qrc:/…" as a file name ":/…"
    SCOPED_TRACE(resource.toStdString());
    const Wav wav = readWav(resource);
    EXPECT_EQ(wav.format, 1) << "PCM";
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_EQ(wav.rate, 22050u);
    const double seconds = double(wav.samples.size()) / wav.rate;
    EXPECT_GE(seconds, e.minSeconds);
    EXPECT_LE(seconds, e.maxSeconds);
    int peak = 0;
    double energy = 0;
    for (qint16 s : wav.samples) {
      peak = std::max(peak, std::abs(int(s)));
      energy += double(s) * s;
    }
    EXPECT_LT(peak, 32767) << "clipped";
    EXPECT_GT(std::sqrt(energy / std::max<size_t>(1, wav.samples.size())), 1000) << "far too quiet to hear";
  }
}

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override {
    writeGif(f.app.path("system/0.gif"), {40, 30}, Qt::green, Qt::black, 10);
    f.app.setPlan(1, 1, 1, 1, 2);
    for (int i = 0; i < 4; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), "部门");
  }
  ld::Sound& sound() { return f.program().sound(); }
  void draw() {
    click(f.window().GIFAnimatorlogo);
    click(f.window().GIFAnimatorlogo);
    if (fireworksShown()) fireworks()->Timer1Timer();
  }
  DrawFixture f;
};

TEST_F(Sounds, TheRollLoopsUntilTheStopAndTheLevelsEndInAFanfare) {
  click(f.window().GIFAnimatorlogo);
  EXPECT_TRUE(sound().rolling());
  EXPECT_EQ(sound().played(), QStringList({"rolling"}));
  click(f.window().GIFAnimatorlogo);
  EXPECT_FALSE(sound().rolling());
  EXPECT_EQ(sound().played(), QStringList({"rolling", "stop"}));
  draw();  // the second lucky prize completes the level
  EXPECT_EQ(sound().played(), QStringList({"rolling", "stop", "rolling", "stop", "fanfare"}));
}

TEST_F(Sounds, MMutesEverythingAndTheEventRemembersIt) {
  EXPECT_FALSE(sound().muted());
  key(&f.window(), Qt::Key_Space);
  key(&f.window(), Qt::Key_M);
  EXPECT_TRUE(sound().muted());
  EXPECT_EQ(f.app.rows("select sz from sy where symc='JY'"), QStringList({"1"}));
  key(&f.window(), Qt::Key_Space);
  draw();
  EXPECT_EQ(sound().played(), QStringList({"rolling"})) << "nothing while muted, the fanfare neither";
  EXPECT_TRUE(fireworks() != nullptr) << "the level was completed all the same";

  // The next start of the program on this event is silent too.
  f.started.reset();
  EXPECT_TRUE(f.program().sound().muted());
  click(f.window().GIFAnimatorlogo);
  key(&f.window(), Qt::Key_M);
  EXPECT_FALSE(sound().muted());
  EXPECT_EQ(sound().played(), QStringList({"rolling"})) << "unmuted while rolling: the roll is heard again";
  EXPECT_EQ(f.app.rows("select sz from sy where symc='JY'"), QStringList({"0"}));
}

TEST_F(Sounds, AFailingTickStopsTheRollingSoundToo) {
  click(f.window().GIFAnimatorlogo);
  ASSERT_TRUE(sound().rolling());
  f.app.exec("drop table yglb");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !f.window().Timercj.isActive(); }, 5000));
  EXPECT_FALSE(sound().rolling());
}

}  // namespace

// Preloaded and mixed: what the output reads.
namespace {

TEST(SoundCues, EveryCueIsDecodedWhenTheSoundIsMade) {
  ld::Sound sound;
  for (ld::Cue cue : {ld::Cue::Rolling, ld::Cue::Stop, ld::Cue::Fanfare}) {
    const Wav wav = readWav(ld::cueSource(cue).mid(3));
    const std::vector<float>& samples = sound.samples(cue);
    ASSERT_EQ(samples.size(), wav.samples.size());
    for (size_t i = 0; i < samples.size(); i += 997) EXPECT_FLOAT_EQ(samples[i], wav.samples[i] / 32768.0f);
  }
}

// Reads `frames` frames of 16-bit mono.
std::vector<qint16> readFrames(ld::CueMixer& mixer, int frames) {
  std::vector<qint16> out(size_t(frames), 0);
  EXPECT_EQ(mixer.read(reinterpret_cast<char*>(out.data()), frames * 2), frames * 2);
  return out;
}

std::unique_ptr<ld::CueMixer> testMixer() {
  std::array<std::vector<float>, 3> cues;
  cues[0] = {0.1f, 0.2f, 0.3f};              // rolling: a short loop
  cues[1] = std::vector<float>(100, 0.5f);   // stop
  cues[2] = std::vector<float>(100, 0.75f);  // fanfare
  auto mixer = std::make_unique<ld::CueMixer>(std::move(cues), 1000);
  mixer->open(QIODevice::ReadOnly);
  return mixer;
}

TEST(CueMixer, ACueAskedForIsInTheVeryNextBlockTheOutputReads) {
  const auto owned = testMixer();
  ld::CueMixer& mixer = *owned;
  EXPECT_EQ(readFrames(mixer, 50), std::vector<qint16>(50, 0)) << "silence while nothing plays, never an end";
  mixer.play(ld::Cue::Stop, 1.0f, false);
  const std::vector<qint16> block = readFrames(mixer, 150);
  EXPECT_EQ(block[0], 16384) << "from the first frame of the next block";
  EXPECT_EQ(block[99], 16384);
  EXPECT_EQ(block[100], 0) << "played once";
  EXPECT_FALSE(mixer.playing(ld::Cue::Stop));

  mixer.play(ld::Cue::Rolling, 1.0f, true);
  const std::vector<qint16> loop = readFrames(mixer, 7);
  EXPECT_EQ(loop, std::vector<qint16>({3277, 6553, 9830, 3277, 6553, 9830, 3277})) << "over and over";
  mixer.play(ld::Cue::Stop, 1.0f, false);
  mixer.play(ld::Cue::Fanfare, 1.0f, false);
  EXPECT_EQ(readFrames(mixer, 1)[0], 32767) << "mixed: 0.2 + 0.5 + 0.75, held at full scale";
}

TEST(CueMixer, AStoppedCueFadesOutWithinMillisecondsAndStaysSilent) {
  const auto owned = testMixer();
  ld::CueMixer& mixer = *owned;
  mixer.play(ld::Cue::Rolling, 1.0f, true);
  readFrames(mixer, 5);
  mixer.stop(ld::Cue::Rolling);
  EXPECT_FALSE(mixer.playing(ld::Cue::Rolling));
  const std::vector<qint16> fade = readFrames(mixer, 20);
  EXPECT_GT(std::abs(fade[0]), 0) << "faded, not cut: no click";
  EXPECT_EQ(fade[10], 0) << "gone after 8 ms";
  EXPECT_EQ(readFrames(mixer, 100), std::vector<qint16>(100, 0));
}

TEST(CueMixer, ConvertsToTheOutputsRateChannelsAndSampleFormat) {
  const auto owned = testMixer();
  ld::CueMixer& mixer = *owned;
  QAudioFormat format;
  format.setSampleRate(2000);
  format.setChannelCount(2);
  format.setSampleFormat(QAudioFormat::Float);
  ASSERT_TRUE(mixer.setFormat(format));
  mixer.play(ld::Cue::Stop, 1.0f, false);
  std::vector<float> out(2 * 250);
  ASSERT_EQ(mixer.read(reinterpret_cast<char*>(out.data()), qint64(out.size() * sizeof(float))),
            qint64(out.size() * sizeof(float)));
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  EXPECT_FLOAT_EQ(out[1], 0.5f) << "the same on both channels";
  EXPECT_FLOAT_EQ(out[2 * 199], 0.5f) << "twice as many frames at twice the rate";
  EXPECT_FLOAT_EQ(out[2 * 200], 0.0f);
  format.setSampleFormat(QAudioFormat::UInt8);
  EXPECT_FALSE(mixer.setFormat(format)) << "a format it cannot write is refused, not garbled";
}

TEST_F(Sounds, TheDrawTellsTheOneMixerAndPlayingNeverOpensAnotherOutput) {
  sound().waitForOutput(5000);
  const int opened = sound().outputsOpened();
  EXPECT_LE(opened, 1);
  ld::CueMixer& mixer = sound().mixer();
  click(f.window().GIFAnimatorlogo);
  EXPECT_TRUE(mixer.playing(ld::Cue::Rolling));
  click(f.window().GIFAnimatorlogo);
  EXPECT_FALSE(mixer.playing(ld::Cue::Rolling)) << "the roll ends with the stop";
  EXPECT_TRUE(mixer.playing(ld::Cue::Stop));
  draw();
  EXPECT_TRUE(mixer.playing(ld::Cue::Fanfare));
  key(&f.window(), Qt::Key_M);
  for (ld::Cue cue : {ld::Cue::Rolling, ld::Cue::Stop, ld::Cue::Fanfare}) EXPECT_FALSE(mixer.playing(cue));
  EXPECT_EQ(sound().outputsOpened(), opened);
  EXPECT_TRUE(sound().findChildren<QSoundEffect*>().isEmpty());
}

}  // namespace
