#pragma once
// The handset as the audience sees it: every piece in its place over the navy window colour,
// with sample photos and text, for judging the artwork by eye.
#include <QImage>

namespace ld::artwork {

enum class DrawState { Rolling, Result };

QImage composePreview(DrawState state);
// The stage background cropped to fill `screen` (never stretched), with a title, a name in white and a
// prize in gold where the stage puts them.
QImage stagePreview(QSize screen);
// All fireworks pictures side by side, scaled down, the built-in one last.
QImage fireworksSheet();

}  // namespace ld::artwork
