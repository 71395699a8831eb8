// Sound: the generated WAV files in the program, the drum roll while the tiles roll, the sting on the stop,
// the fanfare with the fireworks, and M muting it all, remembered in the event.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QtEndian>
#include <cmath>

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
