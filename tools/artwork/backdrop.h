#pragma once
// The handset as drawn once, for pictures that lie on it and blend their edges into it.
#include <QImage>

namespace ld::artwork {

const QImage& handsetBackdrop();

}  // namespace ld::artwork
