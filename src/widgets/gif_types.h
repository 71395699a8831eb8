#pragma once
// The small vocabulary every layer of the GIF code shares: the error type and its messages, the progress
// notification of a decode, the colour sentinels and the block labels. It includes nothing of the GIF code
// itself, so the decoder and the drawing helpers stand below the image object.
#include <QRgb>
#include <QString>
#include <cstdint>
#include <functional>

#include "framework/errors.h"

// The framework's invalid-graphic-operation error: every failure of the GIF image.
class EInvalidGraphicOperation : public ld::Error {
 public:
  using ld::Error::Error;
};

namespace ld {

// The framework's no-colour value.
constexpr QRgb kColorNone = 0x1FFFFFFF;
// The framework's "default" colour: selects the colour of a bitmap's bottom-left pixel as the key.
constexpr QRgb kColorDefault = 0x20000000;

// The messages of the GIF image, as the framework reports them.
namespace gifmsg {
inline const char* const kUnknownVersion = "Unknown GIF version";
inline const char* const kWrongColors = "Wrong number of colors; must be a power of 2";
inline const char* const kBadCodeSize = "GIF code size not in range 2 to 9";
inline const char* const kDecodeError = "GIF encoded data is corrupt";
inline const char* const kReadError = "Stream read error";
inline const char* const kChangeSize = "Cannot change the Size of a GIF image";
inline QString unrecognizedExtension(int label) {
  return QString::asprintf("Unrecognized extension block: %.2x", label & 0xFF);
}
}  // namespace gifmsg

// Block introducers and extension labels of the GIF format.
namespace giflabel {
constexpr std::uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr std::uint8_t kImageSeparator = 0x2C;       // ','
constexpr std::uint8_t kTrailer = 0x3B;              // ';'
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kComment = 0xFE;
constexpr std::uint8_t kPlainText = 0x01;
constexpr std::uint8_t kApplication = 0xFF;
}  // namespace giflabel

// Progress of a frame decode: the framework's progress stages.
enum class ProgressStage { Starting, Running, Ending };
using GifProgress = std::function<void(ProgressStage stage, int percent, const QString& message)>;

}  // namespace ld
