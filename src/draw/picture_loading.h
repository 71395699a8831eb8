#pragma once
// Picture loads of the draw and fireworks windows.
#include <QString>

#include "artwork/builtin.h"

class TGIFAnimator;

namespace ld {

class TImage;

// A built-in picture into a picture control. Throws ld::Error when it is missing.
void loadBuiltinPicture(TGIFAnimator& control, artwork::Builtin picture);

// A GIF file into a picture control; a file that cannot be read or holds no picture throws and leaves the
// control's picture as it was.
void loadGifFile(TGIFAnimator& control, const QString& path);

// The photo of a stored path ("zp\Sales_Tom.jpg") into a photo box, or the placeholder system\logo.jpg
// (the event's own or the installed one) when that file does not exist. A path that would leave the
// application folder counts as missing. Throws what the load throws.
void loadPhotoOrLogo(TImage& image, const QString& storedPath);
void loadLogo(TImage& image);

}  // namespace ld
