#pragma once
// Colour reduction for saving GIF frames: a picture becomes at most 256 palette colours and one index per
// pixel. Pictures with few enough distinct colours keep them exactly; others go through median cut on a
// 5-bit-per-channel histogram (palette colours are the mean of the real colours of each box), mapped to the
// nearest palette colour, optionally with Floyd-Steinberg dithering.
//
// Guarantees: pure black (0,0,0) and pure white (255,255,255) pixels keep their exact colour whenever they
// occur; with a key colour, the key has a reserved entry of exactly that colour (the transparent index),
// exactly the pixels of that RGB value map to it, and no other entry equals the key (an entry that would is
// nudged by one level in one channel). Alpha is ignored: only the RGB value of a pixel counts.
#include <QImage>
#include <QList>
#include <cstdint>
#include <optional>
#include <vector>

namespace ld {

struct QuantizeOptions {
  std::optional<QRgb> key;  // the transparent colour (RGB)
  bool dither = false;
  bool grayscale = false;  // reduce to grey levels first
};

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;  // width * height, rows top to bottom
  QList<QRgb> palette;                // 1 to 256 colours (opaque QRgb)
  int transparentIndex = -1;          // the key's entry, or -1
  int bitsPerPixel() const;           // smallest b >= 1 with 2^b >= palette size
};

IndexedPicture quantizeForGif(const QImage& picture, const QuantizeOptions& options = {});

}  // namespace ld
