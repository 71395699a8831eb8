#pragma once
// The program's sounds, synthesised from code: a drum roll that loops while the tiles roll, a sting when the
// draw stops, a fanfare with the fireworks. 16-bit mono PCM WAV files.
#include <QByteArray>
#include <vector>

namespace ld::artwork {

inline constexpr int kSoundRate = 22050;

// Seamless when played over and over: a whole number of drum strokes, ending where it starts.
std::vector<float> drumRoll();
std::vector<float> stopSting();
std::vector<float> fanfare();

// Samples in -1 … 1 (clipped beyond) as a WAV file.
QByteArray wavFile(const std::vector<float>& samples, int rate = kSoundRate);

}  // namespace ld::artwork
