// libFuzzer harness for the GIF image: loader, decoder, drawing, writer and quantiser.
// Built and run by tests/fuzz/run_gif_fuzz.sh.
//
// Input: one mode byte, then the data. Mode bit 0: "load corrupted" off; bit 1: read as form data
// (4-byte length + GIF file); bit 2: also re-encode frame 0 through encodeGif.
//
// Beyond "no crash, no hang, no leak", it checks two properties and aborts when they fail:
// - a loaded image, saved and loaded again, has the same frames, pixels, timing and transparency;
// - encodeGif output loads back with the same size and an exact transparent key.
#include <cstddef>
#include <cstdint>

#include "fuzz/gif_fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return gif_fuzz::runOne(data, size);
}
