#pragma once
// JPEG decoding and encoding on libjpeg(-turbo).
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "framework/errors.h"

namespace ld {

class JpegError : public Error {
 public:
  using Error::Error;
};

// Decodes JPEG data (grey, YCbCr, RGB, CMYK or YCCK) to a QImage::Format_RGB32 image. With a non-empty
// minSize the DCT scaling picks the smallest scale M/8 whose result is still at least minSize in both
// directions (never upscales); a non-positive component puts no requirement on that direction.
// Throws JpegError for empty, foreign, damaged or truncated data (a photo is never shown half grey) and for
// pictures above 100 megapixels. decodeJpegFile names the file in its messages.
QImage decodeJpeg(const QByteArray& data, QSize minSize = {});
QImage decodeJpegFile(const QString& path, QSize minSize = {});

// Encodes with libjpeg's defaults at the given quality (clamped to 1..100), from 24-bit colour, baseline,
// not progressive. Throws JpegError for a null image.
QByteArray encodeJpeg(const QImage& image, int quality);

}  // namespace ld
