#include "backdrop.h"

#include "artwork.h"

namespace ld::artwork {

const QImage& handsetBackdrop() {
  static const QImage handset = drawHandset();
  return handset;
}

}  // namespace ld::artwork
