#pragma once
// The two pictures of an event's look: a background filling the audience screen and a logo beside the title.
// What the operator chooses is checked and brought to one stored form on the way in; what is stored (or
// arrives in an archive) is checked again on the way out.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace ld {

enum class ThemePictureKind { Background, Logo };

// A chosen picture may hold no more pixels than this; a camera's largest is well below it.
constexpr qint64 kMaxThemeSourcePixels = 40'000'000;
// The stored forms: the background a JPEG no larger than a 4K screen, the logo a PNG (it keeps its
// transparency) no larger than this square.
constexpr QSize kMaxBackgroundSize{3840, 2160};
constexpr QSize kMaxLogoSize{1024, 1024};
// A stored picture file is never larger than this.
constexpr qint64 kMaxThemeFileBytes = 32LL * 1024 * 1024;

// "zt/bg.jpg", "zt/logo.png": where an event keeps each, relative to its folder.
QString themePictureEntry(ThemePictureKind kind);

struct ThemePicture {
  QImage image;      // as shown
  QByteArray bytes;  // as stored
};

// Reads a JPEG or PNG the operator chose (a JPEG stood up as its EXIF orientation says), refuses one larger
// than kMaxThemeSourcePixels, and scales it down to fit its stored form when larger, never stretched.
// Throws ld::Error naming the file; nothing is written.
ThemePicture themePictureFromFile(ThemePictureKind kind, const QString& fileName);

// Decodes stored bytes of `kind` (JPEG for the background, PNG for the logo, within the stored size).
// Throws ld::Error naming `what` when they are anything else, damaged or cut short.
QImage storedThemePicture(ThemePictureKind kind, const QByteArray& bytes, const QString& what);

}  // namespace ld
