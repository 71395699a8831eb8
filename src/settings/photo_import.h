#pragma once
// Conversion of an imported picture to the one photo form: a JPEG of a fixed size and quality.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace ld {

// The largest bitmap accepted for import; larger ones would need gigabytes.
constexpr qint64 kMaxImportPixels = 100'000'000;

// Reads fileName (a Windows bitmap when its upper-cased name holds ".BMP" anywhere, otherwise PNG or
// JPEG by content), stands a JPEG up as its EXIF orientation says, stretches the whole picture to
// exactly size and encodes it at quality. Only a regular file is read: a pipe or device is refused
// unopened. Throws ld::Error. The one conversion every photo import goes through.
QByteArray convertPhoto(const QString& fileName, int quality, QSize size);
// The largest sharper copy of a photo (kept in zpgq/, framework/app_folder.h): a projector's full height.
inline constexpr QSize kSharpPhotoSize(1440, 1080);

// The size of a picture's sharper copy: the photo's aspect at up to `limit`, with no more pixels than the
// source has in either direction; an empty size when that would not be larger than `photo` itself.
QSize sharpSizeFor(QSize source, QSize photo, QSize limit);

// A photo and its sharper copy, both from one reading of the source.
struct PhotoPair {
  QByteArray photo;
  QByteArray sharp;  // empty when the source is no larger than the photo
};
// Converts as convertPhoto does (the same bytes), and the same picture up to kSharpPhotoSize (sharpSizeFor).
// Throws ld::Error.
PhotoPair convertPhotoPair(const QString& fileName, int quality, QSize size);
// Both sizes from a picture already read (and cropped) as the photo is to show it.
PhotoPair encodePhotoPair(const QImage& picture, int quality, QSize size, QSize sharpLimit);

// The reading half of convertPhoto: the picture standing as taken, at no fewer pixels than size and the
// sharper copy need.
QImage readPhoto(const QString& fileName, int quality, QSize size);

// A picture file's bytes, read whole; only a regular file of at most 256 MB is read (a pipe or device is
// refused unopened). Throws ld::Error naming the file.
QByteArray readPictureFile(const QString& fileName);

// The EXIF orientation of JPEG data, 1 to 8; 1 when it notes none or cannot be read.
int exifOrientation(const QByteArray& jpeg);
// The picture turned or mirrored to stand as it was taken, as the camera noted it (1 to 8, 1 being as
// stored).
QImage oriented(const QImage& image, int orientation);

}  // namespace ld
