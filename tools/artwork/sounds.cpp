#include "sounds.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace ld::artwork {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A small fixed generator, so every build makes the same files.
class Noise {
 public:
  float next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ % 20001) / 10000.0f - 1.0f;
  }

 private:
  std::uint32_t state_ = 0x2026u;
};

int samplesFor(double seconds) { return static_cast<int>(seconds * kSoundRate); }

// A tone with a few harmonics of falling strength, under an attack and an exponential decay.
void addTone(std::vector<float>& out, double start, double length, double frequency, double volume,
             double decay, int harmonics, double attack = 0.01) {
  const int from = samplesFor(start);
  const int count = samplesFor(length);
  if (from + count > static_cast<int>(out.size())) out.resize(static_cast<size_t>(from + count), 0.0f);
  for (int i = 0; i < count; ++i) {
    const double t = double(i) / kSoundRate;
    const double envelope = std::min(1.0, t / attack) * std::exp(-t * decay) *
                            std::min(1.0, (length - t) / 0.02);  // no click at the end
    double sample = 0;
    for (int h = 1; h <= harmonics; ++h) sample += std::sin(kTwoPi * frequency * h * t) / (h * h);
    out[static_cast<size_t>(from + i)] += static_cast<float>(volume * envelope * sample);
  }
}

double note(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

}  // namespace

std::vector<float> drumRoll() {
  // Sixteen strokes a second, louder on the beat; each a burst of noise through a simple low-pass, with a
  // low thump under it. Eight beats of two strokes make one loop.
  constexpr int kStrokes = 16;
  const int strokeLength = kSoundRate / kStrokes;
  std::vector<float> out(static_cast<size_t>(strokeLength * kStrokes), 0.0f);
  Noise noise;
  float low = 0;
  for (int s = 0; s < kStrokes; ++s) {
    const double accent = s % 2 == 0 ? 1.0 : 0.6;
    for (int i = 0; i < strokeLength; ++i) {
      const double t = double(i) / kSoundRate;
      low += 0.35f * (noise.next() - low);
      const double snare = low * std::exp(-t * 45);
      const double thump = std::sin(kTwoPi * 90 * t) * std::exp(-t * 30);
      out[static_cast<size_t>(s * strokeLength + i)] =
          static_cast<float>(accent * (0.45 * snare + 0.25 * thump));
    }
  }
  return out;
}

std::vector<float> stopSting() {
  // A bright chord struck once (C6, E6, G6) over a short crash.
  std::vector<float> out(static_cast<size_t>(samplesFor(0.9)), 0.0f);
  for (int semitones : {3, 7, 10}) addTone(out, 0, 0.9, note(semitones + 12), 0.18, 4.5, 4, 0.004);
  Noise noise;
  for (int i = 0; i < samplesFor(0.35); ++i) {
    const double t = double(i) / kSoundRate;
    out[static_cast<size_t>(i)] += static_cast<float>(0.22 * noise.next() * std::exp(-t * 14));
  }
  return out;
}

std::vector<float> fanfare() {
  // A brass call: three quick notes, a held note, then the full chord.
  std::vector<float> out;
  const struct {
    double start, length;
    int semitones;
  } calls[] = {{0.00, 0.16, 3},  {0.16, 0.16, 3}, {0.32, 0.16, 3},
               {0.48, 0.55, 10}, {1.05, 0.16, 7}, {1.21, 0.16, 10}};
  for (const auto& c : calls) addTone(out, c.start, c.length, note(c.semitones), 0.32, 2.0, 6, 0.015);
  for (int semitones : {3, 7, 10, 15}) addTone(out, 1.37, 1.5, note(semitones), 0.14, 1.6, 6, 0.03);
  return out;
}

QByteArray wavFile(const std::vector<float>& samples, int rate) {
  QByteArray data;
  data.reserve(static_cast<qsizetype>(samples.size() * 2));
  for (float s : samples) {
    const auto value = static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f));
    char bytes[2];
    qToLittleEndian(value, bytes);
    data.append(bytes, 2);
  }
  auto u32 = [](std::uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
  };
  auto u16 = [](std::uint16_t v) {
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
  };
  const auto dataSize = static_cast<std::uint32_t>(data.size());
  return QByteArray("RIFF") + u32(36 + dataSize) + "WAVE" + "fmt " + u32(16) + u16(1) /* PCM */ + u16(1) +
         u32(static_cast<std::uint32_t>(rate)) + u32(static_cast<std::uint32_t>(rate) * 2) + u16(2) +
         u16(16) + "data" + u32(dataSize) + data;
}

}  // namespace ld::artwork
