#pragma once
// The GIF image object: a GIF file held in memory with its logical screen, colour tables,
// frames (kept encoded, decoded lazily into QImages), timing, disposal, transparency and comments.
//
// The classes keep the names the form descriptions know them by (TGIFImage, TGIFData, TGIFItem, TGIFFrame,
// TExtension); helpers live in namespace ld. Colours are QRgb values (always with alpha 0xFF when taken from
// a colour table) or kColorNone. Errors are EInvalidGraphicOperation with the messages of gif_types.h.
//
// Decisions where the format and the framework leave room (each one is tested):
// - Data that ends before the end code and before the last pixel: the rest of the frame is index 0 and
//   the frame is corrupted (with "load corrupted" off: "Stream read error"). The decoder never reads past
//   the data.
// - A first code that is not a clear code is taken as if a clear code preceded it (a literal, no table
//   entry); an end code right after a clear code ends the frame; a clear code after a clear code clears
//   again.
// - An extension sub-block cut short by the end of the data keeps the bytes that are there (none: no entry).
// - Delays above 6553 hundredths of a second are capped at 65535 ms.
// - Drawing keys every bitmap on the transparent colour's value, monochrome ones too (see gif_draw.h).
// - A frame above ld::gifMaxDecodePixels() raises std::bad_alloc instead of exhausting memory.
// - A logical screen or a frame above ld::kGifMaxCanvasPixels is refused (ld::GifCanvasTooLarge) when read
//   or assigned, and the image stays as it was: a 35-byte file must not make a control allocate gigabytes.
// - Writing: delays in hundredths, rounded; one graphic control per frame, made from the frame's fields (the
//   original transparent index is kept when it still has the colour); empty comment lines are left out; a
//   frame without encoded data or bitmap is left out; data cut short by a truncated file gets its terminator.
//
// Clipboard: the "GIF Image" format is carried under the MIME type ld::kGifClipboardMime
// ("application/x-qt-windows-mime;value=\"GIF Image\"", the name Qt gives a Windows clipboard format of that
// name), holding a 4-byte little-endian length followed by the GIF file; the bitmap goes on the clipboard as
// an ordinary image.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/gif_types.h"

class QIODevice;
class QPainter;

namespace ld {

// MIME type of the "GIF Image" clipboard format.
extern const char* const kGifClipboardMime;

// The loader's module-wide "load corrupted" setting: true in this program (damaged data marks a frame
// corrupted instead of failing). Only tests switch it off, to see the failing messages.
bool gifLoadCorrupted();
void setGifLoadCorrupted(bool on);

// Largest frame (width x height) the decoder allocates; a larger frame raises std::bad_alloc instead of
// exhausting memory. 2^30 by default; the fuzz harness lowers it.
long long gifMaxDecodePixels();
void setGifMaxDecodePixels(long long pixels);

// Largest logical screen or frame, in pixels, an image accepts: 2^25, room for an 8K screen (7680 x 4320)
// and many times the 1280 x 1024 pictures the program ships. The picture control's canvas is the logical
// screen at 4 bytes a pixel, so this caps it at 128 MB.
constexpr long long kGifMaxCanvasPixels = 1LL << 25;

// A picture refused for its size, before anything of that size is allocated.
class GifCanvasTooLarge : public EInvalidGraphicOperation {
 public:
  // fileName, when given, is named in the message.
  GifCanvasTooLarge(int width, int height, const QString& fileName = QString());
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
};

// Raises GifCanvasTooLarge when width x height is above kGifMaxCanvasPixels.
void checkGifCanvas(int width, int height);

}  // namespace ld

// Colour table record: count entries in use (0 when absent), 256 RGB triples in file order.
struct TGIFColorTable {
  std::int32_t count = 0;
  std::array<std::array<std::uint8_t, 3>, 256> entries{};

  QRgb color(int index) const { return qRgb(entries[index][0], entries[index][1], entries[index][2]); }
  void clear() { *this = TGIFColorTable(); }
  bool operator==(const TGIFColorTable& o) const {
    if (count != o.count) return false;
    for (int i = 0; i < count && i < 256; ++i)
      if (entries[i] != o.entries[i]) return false;
    return true;
  }
};

// The image header, shared between images after an assignment.
class TGIFData {
 public:
  QList<QByteArray> comment;  // the image's comment lines (trailing comment extensions), raw bytes
  std::uint8_t aspectRatio = 0;
  int bitsPerPixel = 0;     // 1 to 8 after a load
  int colorResolution = 0;  // 1 to 8 after a load
  TGIFColorTable colorTable;
};

// The encoded frame, shared between frames after an assignment.
class TGIFItem {
 public:
  // LZW minimum code size byte, the data sub-blocks and the zero terminator, byte for byte as read.
  QByteArray data;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint8_t packedFields = 0;  // of the image descriptor, as read
  int bitsPerPixel = 0;           // 1 to 8 (0 when the file gave no colour table at all)
  TGIFColorTable colorTable;      // the local table, or a copy of the global table
};

// One extension block.
class TExtension {
 public:
  enum Kind { GraphicControl = 0, PlainText = 1, Application = 2, Comment = 3 };
  static std::uint8_t labelOf(Kind k);

  Kind kind = Comment;
  QList<QByteArray> data;  // one entry per data sub-block (none for graphic control)
  QByteArray fixedPart;  // the bytes after the label: 6 (graphic control), 13 (plain text), 12 (application)
};

class TGIFImage;

class TGIFFrame {
 public:
  explicit TGIFFrame(TGIFImage* owner);
  TGIFFrame(const TGIFFrame&) = delete;
  TGIFFrame& operator=(const TGIFFrame&) = delete;

  TGIFImage* owner() const { return owner_; }

  // The decoded picture, decoding on first demand; an empty image when there is no encoded
  // data. 1-bit frames are QImage::Format_Mono, all others Format_Indexed8 (16 or 256 colours).
  const QImage& bitmap();
  bool hasBitmap() const { return hasBitmap_; }
  // Width and height of the bitmap (of the encoded frame while not decoded); 0 with neither.
  int width() const;
  int height() const;

  const std::shared_ptr<TGIFItem>& item() const { return item_; }
  std::shared_ptr<TGIFItem>& item() { return item_; }
  const std::vector<TExtension>& extensions() const { return extensions_; }
  std::vector<TExtension>& extensions() { return extensions_; }

  // The lines of the frame's comment extension, created on demand.
  QList<QByteArray>& comment();

  QPoint origin() const { return origin_; }
  void setOrigin(QPoint p) { origin_ = p; }
  bool interlaced() const { return interlaced_; }
  bool corrupted() const { return corrupted_; }
  bool grayscale() const { return grayscale_; }
  void setGrayscale(bool on) { grayscale_ = on; }
  QRgb transparentColor() const { return transparentColor_; }
  void setTransparentColor(QRgb c) { transparentColor_ = c; }
  std::uint16_t delay() const { return delay_; }  // milliseconds
  void setDelay(std::uint16_t ms) { delay_ = ms; }
  std::uint8_t disposal() const { return disposal_; }
  void setDisposal(std::uint8_t d) { disposal_ = d; }
  bool localTable() const { return localTable_; }
  int bitsPerPixel() const { return item_->bitsPerPixel; }

  // draws the bitmap stretched into rect; key-coloured pixels are left out when transparent
  // is on and the frame has a transparent colour.
  void draw(QPainter& painter, const QRect& rect, bool transparent);

  // Assign from nothing (new empty item), another frame, an image (its current frame) or a picture.
  void assign(std::nullptr_t);
  void assign(const TGIFFrame& source);
  void assign(const TGIFImage& source);
  // An empty picture assigns nothing. transparentColor is the source bitmap's transparent colour, if any.
  void assign(const QImage& picture, QRgb transparentColor = ld::kColorNone);

  // Assign to a picture: the frame's bitmap.
  void assignTo(QImage& target);
  void assignTo(TGIFFrame& target) { target.assign(*this); }
  void assignTo(TGIFImage& target);

 private:
  friend class TGIFImage;
  friend struct GifReader;
  friend struct GifWriterAccess;
  void decode();
  // Raises GifCanvasTooLarge when the frame, or the owner's screen recomputed with the frame at rect, would
  // not fit.
  void checkOwnerScreenWith(const QRect& rect) const;
  void recomputeOwnerScreen();

  TGIFImage* owner_;
  QImage bitmap_;
  bool hasBitmap_ = false;
  std::shared_ptr<TGIFItem> item_;
  std::vector<TExtension> extensions_;
  QPoint origin_;
  bool interlaced_ = false;
  bool corrupted_ = false;
  bool grayscale_ = false;
  QRgb transparentColor_ = ld::kColorNone;
  std::uint16_t delay_ = 0;
  std::uint8_t disposal_ = 0;
  bool localTable_ = false;
};

class TGIFImage {
 public:
  enum Version { gvUnknown = 0, gv87a = 1, gv89a = 2 };

  TGIFImage();
  ~TGIFImage();
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  // The change notification (after each load and assign) and the progress notification of a decode.
  std::function<void()> OnChange;
  ld::GifProgress OnProgress;

  void clear();

  // Loading. Each raises the change notification on success.
  void loadFromStream(QIODevice& stream);        // from the position to the end, one GIF file
  void loadFromData(const QByteArray& gifFile);  // the same, from bytes
  void loadFromFile(const QString& fileName);    // ld::Error when the file cannot be opened
  void readFormData(QIODevice& stream);          // 4-byte little-endian length, then the GIF file
  void readFormData(const QByteArray& formData);

  // Writing: the GIF file (save) or the form-data form (length + file).
  void saveToStream(QIODevice& stream);
  QByteArray saveToData();
  void saveToFile(const QString& fileName);
  void writeFormData(QIODevice& stream);
  QByteArray formData();

  // Draws the current frame into rect, with transparency when transparent(); nothing when the
  // current index is negative.
  void draw(QPainter& painter, const QRect& rect);

  int width() const;
  int height() const;
  void setWidth(int);   // always raises "Cannot change the Size of a GIF image"
  void setHeight(int);  // likewise
  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }
  bool empty() const;
  bool transparent() const;
  bool transparentFlag() const { return transparentFlag_; }
  void setTransparentFlag(bool on) { transparentFlag_ = on; }
  bool paletteModified() const { return paletteModified_; }
  void setPaletteModified(bool on) { paletteModified_ = on; }
  // The colour table of the current frame's bitmap (the first frame's when the index is out of range);
  // empty when there are no frames.
  QList<QRgb> palette();
  bool equals(const TGIFImage& other) const { return header_ == other.header_; }

  int frameCount() const { return static_cast<int>(frames_.size()); }
  TGIFFrame& frame(int index) { return *frames_.at(static_cast<size_t>(index)); }
  const TGIFFrame& frame(int index) const { return *frames_.at(static_cast<size_t>(index)); }
  int currentIndex() const { return currentIndex_; }
  void setCurrentIndex(int index) { currentIndex_ = index; }
  // Appends a frame assigned from the picture; it becomes current. Returns its index.
  int addFrame(const QImage& picture, QRgb transparentColor = ld::kColorNone);

  const std::shared_ptr<TGIFData>& header() const { return header_; }
  std::shared_ptr<TGIFData>& header() { return header_; }
  int version() const { return version_; }
  void setVersion(int v) { version_ = v; }
  QRgb backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(QRgb c) { backgroundColor_ = c; }
  bool looping() const { return looping_; }
  void setLooping(bool on) { looping_ = on; }
  std::uint16_t repeatCount() const { return repeatCount_; }
  void setRepeatCount(std::uint16_t n) { repeatCount_ = n; }
  const QList<QByteArray>& comment() const { return header_->comment; }
  QList<QByteArray>& comment() { return header_->comment; }

  // Assign from nothing (clear), another image, a frame or a picture; each ends with the change notification.
  void assign(std::nullptr_t);
  void assign(const TGIFImage& source);
  void assign(const TGIFFrame& source);
  void assign(const QImage& picture, QRgb transparentColor = ld::kColorNone);
  // Assign to another image, or to a picture (the current frame's bitmap, or the first frame's when the
  // index is negative; nothing for an empty image).
  void assignTo(TGIFImage& target) { target.assign(*this); }
  void assignTo(QImage& target);

  // Clipboard exchange through QGuiApplication::clipboard().
  void loadFromClipboard();
  void saveToClipboard();

 private:
  friend class TGIFFrame;
  friend struct GifReader;
  friend struct GifWriterAccess;
  void readGif(const QByteArray& bytes, bool decodeNow);
  // Clears the image and runs `load`; when the picture is refused for its size, the image is put back as
  // it was before.
  template <class Load>
  void replaceContents(Load&& load);
  // Raises GifCanvasTooLarge unless the image's screen and every frame fit.
  void checkCanvas() const;
  void changed();

  std::shared_ptr<TGIFData> header_;
  int version_ = gvUnknown;
  std::vector<std::unique_ptr<TGIFFrame>> frames_;
  int currentIndex_ = -1;
  std::uint16_t screenWidth_ = 0;
  std::uint16_t screenHeight_ = 0;
  QRgb backgroundColor_ = ld::kColorNone;
  bool looping_ = false;
  std::uint16_t repeatCount_ = 1;
  bool transparentFlag_ = true;
  bool paletteModified_ = false;
};
