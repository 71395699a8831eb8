#pragma once
// Writing GIF data: the convenience API for pictures made by our tools, and the save path of TGIFImage.
#include <QByteArray>
#include <QImage>
#include <optional>

class TGIFImage;

namespace ld {

struct GifWriteOptions {
  std::optional<QRgb> transparentKey;  // pixels of exactly this RGB become the transparent index
  bool dither = false;
};

// One-frame GIF89a file from a true-colour or indexed image. Few enough colours are kept exactly; otherwise
// the picture is reduced to 256 colours (see gif_quantize.h: pure black and white survive exactly). With a
// transparentKey the key has its own palette entry of exactly that colour, which is the graphic-control
// transparent index, and no other entry has that colour.
QByteArray encodeGif(const QImage& image, const GifWriteOptions& options = {});

// 4-byte little-endian length + GIF file, as pictures are stored in form descriptions.
QByteArray toFormData(const QByteArray& gifFile);

// The GIF file of an image (TGIFImage::saveToStream). Frames that still have their encoded data are written
// back byte for byte; the others are encoded from their bitmaps first (which fills in their items, and the
// header's global table when it has none). Delays are written in hundredths of a second, rounded.
QByteArray writeGifFile(TGIFImage& image);

}  // namespace ld
