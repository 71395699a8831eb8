#pragma once
// Conversion of an imported picture to the one photo form: a JPEG of a fixed size and quality.
#include <QByteArray>
#include <QSize>
#include <QString>

namespace ld {

// The largest bitmap accepted for import; larger ones would need gigabytes.
constexpr qint64 kMaxImportPixels = 100'000'000;

// Reads fileName (a Windows bitmap when its upper-cased name holds ".BMP" anywhere, JPEG otherwise),
// stretches the whole picture to exactly size and encodes it at quality. Throws ld::Error.
QByteArray convertPhoto(const QString& fileName, int quality, QSize size);

}  // namespace ld
