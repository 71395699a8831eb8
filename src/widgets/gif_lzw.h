#pragma once
// The GIF variable-length-code LZW decoder and the encoder used for saving.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "widgets/gif_types.h"

namespace ld {

// Bytes the decoder may write past pixelCount (it writes whole strings and clips afterwards).
constexpr std::size_t kLzwOutputSlack = 4096 + 64;

struct LzwDecodeResult {
  bool corrupted = false;   // damage found (clamped code size, over-long chain) or data ended early
  std::size_t decoded = 0;  // pixels decoded before the end (at most pixelCount)
};

// Decodes a frame's encoded data (code size byte, sub-blocks, terminator) into pixelCount indices in GIF
// order (rows in file order; the caller places interlaced rows). out must hold pixelCount + kLzwOutputSlack
// bytes. Codes below the clear code are literals and codes from clear + 2 up are table entries, whatever the
// colour table's size; every index is masked to the table with 2^bitsPerPixel - 1 (bitsPerPixel 1 to 8).
// Pixels not decoded are 0 on return. Never reads past size.
//
// With loadCorrupted a bad code size is clamped to 2..9, an over-long string chain counts as damage (the
// decoder stops at the next code that is not a clear code) and data that ends before the end code and before
// the last pixel ends the frame; each marks the result corrupted. Without it these raise "GIF code size not
// in range 2 to 9", "GIF encoded data is corrupt" and "Stream read error".
//
// progress, when given, is called with Starting 0 %, Running with the share of the data consumed whenever
// that share changes, and Ending 100 % (or Ending 0 % with the message when decoding fails).
LzwDecodeResult lzwDecode(const std::uint8_t* data, std::size_t size, int bitsPerPixel, std::uint8_t* out,
                          std::size_t pixelCount, bool loadCorrupted, const GifProgress* progress = nullptr);

// Encodes indices (each below 2^codeSize) with minimum code size codeSize (2 to 8): the code size byte,
// sub-blocks of at most 255 bytes and the zero terminator. Starts with a clear code and clears whenever the
// table is full.
QByteArray lzwEncode(const std::uint8_t* indices, std::size_t count, int codeSize);

}  // namespace ld
