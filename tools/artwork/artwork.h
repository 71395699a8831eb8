#pragma once
// The program's pictures, drawn from code. Pictures keyed on white never hold pure white inside;
// fireworks are keyed on black and hold no near-black haze.
#include <QImage>
#include <QPoint>
#include <QSize>

namespace ld::artwork {

// Where the pieces sit on the handset, in window coordinates.
inline constexpr QSize kHandsetSize{1016, 488};
inline constexpr QPoint kPowerKeyAt{904, 196};
inline constexpr QSize kPowerKeySize{89, 89};
inline constexpr int kIconColumnX = 809;
inline constexpr int kClockIconY = 61;
inline constexpr int kMusicIconY = 135;
inline constexpr int kDrawIconY = 209;
inline constexpr int kMessagesIconY = 283;
inline constexpr int kTelephoneIconY = 357;
inline constexpr QSize kIconSize{59, 60};
inline constexpr QSize kMusicIconSize{60, 60};
inline constexpr QSize kPhotoSize{480, 360};
inline constexpr QSize kBuiltinFireworksSize{1280, 1024};
inline constexpr QSize kFireworksFileSize{1024, 768};
inline constexpr int kFireworksFileCount = 15;

// At scale 1 the pictures as stored in GIF form: keyed on white. At any other scale the same drawing with
// every length multiplied, left on a transparent canvas, for showing the handset larger than life.
QImage drawHandset(qreal scale = 1);
QImage drawPowerKey(qreal scale = 1);
QImage drawDrawIcon(qreal scale = 1);
QImage drawMessagesIcon(qreal scale = 1);
QImage drawClockIcon(qreal scale = 1);
QImage drawTelephoneIcon(qreal scale = 1);
QImage drawMusicIcon(qreal scale = 1);
// The program's icon for the desktop menu: the draw icon's tile, square, on transparency.
QImage drawProgramIcon(int pixels);
inline constexpr int kProgramIconSizes[] = {16, 32, 48, 64, 128, 256};
QImage drawPlaceholderPhoto();
// The picture the fireworks window holds before its first load.
QImage drawBuiltinFireworks();
// The audience screen's background when an event has chosen none: 16:9, calm in the middle.
inline constexpr QSize kStageBackgroundSize{2560, 1440};
QImage drawStageBackground();
// system/<number>.gif, number 0 to 14; each has its own burst pattern and colours.
QImage drawFireworks(int number);

}  // namespace ld::artwork
