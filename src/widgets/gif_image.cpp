#include "widgets/gif_image.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <new>
#include <tuple>

#include "framework/text.h"
#include "widgets/gif_draw.h"
#include "widgets/gif_lzw.h"
#include "widgets/gif_writer.h"

namespace ld {

const char* const kGifClipboardMime = "application/x-qt-windows-mime;value=\"GIF Image\"";

namespace {
std::atomic<bool> gLoadCorrupted{true};
std::atomic<long long> gMaxDecodePixels{1LL << 30};
}  // namespace

bool gifLoadCorrupted() { return gLoadCorrupted.load(std::memory_order_relaxed); }
void setGifLoadCorrupted(bool on) { gLoadCorrupted.store(on, std::memory_order_relaxed); }
long long gifMaxDecodePixels() { return gMaxDecodePixels.load(std::memory_order_relaxed); }
void setGifMaxDecodePixels(long long pixels) { gMaxDecodePixels.store(pixels, std::memory_order_relaxed); }

namespace {
QString canvasMessage(int width, int height, const QString& fileName) {
  const QString size = QStringLiteral("%1 × %2").arg(width).arg(height);
  if (fileName.isEmpty())
    return Tr::tr("GIF 图片的画面 %1 像素过大（上限 %2 像素），已拒绝").arg(size).arg(kGifMaxCanvasPixels);
  return Tr::tr("GIF 图片 %1 的画面 %2 像素过大（上限 %3 像素），已拒绝")
      .arg(QDir::toNativeSeparators(fileName), size)
      .arg(kGifMaxCanvasPixels);
}
}  // namespace

GifCanvasTooLarge::GifCanvasTooLarge(int width, int height, const QString& fileName)
    : EInvalidGraphicOperation(canvasMessage(width, height, fileName)), width_(width), height_(height) {}

void checkGifCanvas(int width, int height) {
  if (static_cast<long long>(std::max(width, 0)) * std::max(height, 0) > kGifMaxCanvasPixels)
    throw GifCanvasTooLarge(width, height);
}

}  // namespace ld

using ld::kColorNone;

namespace {

[[noreturn]] void gifError(const char* message) {
  throw EInvalidGraphicOperation(QString::fromLatin1(message));
}

using ld::giflabel::kExtensionIntroducer;
using ld::giflabel::kImageSeparator;
using ld::giflabel::kTrailer;

// log2 of a colour count that must be a power of two from 2 to 256.
int colorsToBits(int count) {
  for (int b = 1; b <= 8; ++b)
    if (count == (1 << b)) return b;
  gifError(ld::gifmsg::kWrongColors);
}

}  // namespace

std::uint8_t TExtension::labelOf(Kind k) {
  switch (k) {
    case GraphicControl:
      return ld::giflabel::kGraphicControl;
    case PlainText:
      return ld::giflabel::kPlainText;
    case Application:
      return ld::giflabel::kApplication;
    case Comment:
      return ld::giflabel::kComment;
  }
  return ld::giflabel::kComment;
}

// ---------------------------------------------------------------------------------------------------------
// Reading

struct GifReader {
  TGIFImage& image;
  const std::uint8_t* p;
  std::size_t size;
  std::size_t pos = 0;

  bool atEnd() const { return pos >= size; }
  // One byte; 0 when the data has ended (a short read leaves zeros).
  std::uint8_t byte() { return pos < size ? p[pos++] : 0; }
  // n bytes into dst; what lies past the end of the data reads as zeros.
  void read(void* dst, std::size_t n) {
    std::size_t take = std::min(n, size - std::min(pos, size));
    if (take) std::memcpy(dst, p + pos, take);
    if (take < n) std::memset(static_cast<std::uint8_t*>(dst) + take, 0, n - take);
    pos += take;
  }
  QByteArray bytes(std::size_t n) {
    QByteArray b(static_cast<qsizetype>(n), '\0');
    read(b.data(), n);
    return b;
  }
  // Skips zero bytes: the first non-zero byte, or 0 when the data ends.
  std::uint8_t separator() {
    std::uint8_t r = 0;
    while (pos < size && r == 0) r = p[pos++];
    return r;
  }
  static int u16(const std::uint8_t* b) { return b[0] | (b[1] << 8); }

  void readDataBlocks(QList<QByteArray>& out) {
    while (!atEnd()) {
      std::size_t n = byte();
      if (n == 0) break;
      // A block cut short by the end of the data keeps what is there; one with nothing left adds no entry.
      std::size_t take = std::min(n, size - pos);
      if (take == 0) break;
      out.append(QByteArray(reinterpret_cast<const char*>(p + pos), static_cast<qsizetype>(take)));
      pos += take;
    }
  }

  TExtension readExtension() {
    TExtension ext;
    const std::uint8_t label = byte();
    switch (label) {
      case ld::giflabel::kGraphicControl:
        ext.kind = TExtension::GraphicControl;
        ext.fixedPart = bytes(6);
        break;
      case ld::giflabel::kComment:
        ext.kind = TExtension::Comment;
        readDataBlocks(ext.data);
        break;
      case ld::giflabel::kPlainText:
        ext.kind = TExtension::PlainText;
        ext.fixedPart = bytes(13);
        readDataBlocks(ext.data);
        break;
      case ld::giflabel::kApplication:
        ext.kind = TExtension::Application;
        ext.fixedPart = bytes(12);
        readDataBlocks(ext.data);
        break;
      default:
        throw EInvalidGraphicOperation(ld::gifmsg::unrecognizedExtension(label));
    }
    return ext;
  }

  // The loop extension sets the looping flag and the repeat count (capped at 30000).
  void applyLoopExtension(const TExtension& ext) {
    if (ext.data.isEmpty()) return;
    const auto* fixed = reinterpret_cast<const std::uint8_t*>(ext.fixedPart.constData());
    const int b = std::min<int>(fixed[0], 11);
    auto matches = [&](const char* id) { return std::memcmp(fixed + 1, id, static_cast<size_t>(b)) == 0; };
    if (!matches("NETSCAPE2.0") && !matches("ANIMEXTS1.0")) return;
    const QByteArray& d = ext.data.first();
    if (d.size() < 3 || static_cast<std::uint8_t>(d[0]) != 1) return;
    int count = static_cast<std::uint8_t>(d[1]) + 256 * static_cast<std::uint8_t>(d[2]);
    image.looping_ = true;
    image.repeatCount_ = static_cast<std::uint16_t>(std::min(count, 30000));
  }

  // the extensions before an image (or the trailer), leaving the next separator in sep.
  std::vector<TExtension> readExtensionGroup(std::uint8_t& sep) {
    std::vector<TExtension> list;
    while (sep == kExtensionIntroducer) {
      TExtension ext = readExtension();
      switch (ext.kind) {
        case TExtension::PlainText:
          list.clear();
          break;
        case TExtension::Application:
          applyLoopExtension(ext);
          break;
        default:
          list.push_back(std::move(ext));
          break;
      }
      sep = atEnd() ? kTrailer : separator();
    }
    return list;
  }

  // The frame's colour table: its own when the descriptor says so, else none yet (the global one is
  // copied in once the descriptor is read).
  void readLocalTable(TGIFFrame& frame, std::uint8_t packed) {
    TGIFItem& item = *frame.item_;
    frame.localTable_ = (packed & 0x80) != 0;
    if (!frame.localTable_) {
      item.colorTable.clear();
      return;
    }
    item.bitsPerPixel = (packed & 7) + 1;
    item.colorTable.count = 1 << item.bitsPerPixel;
    read(item.colorTable.entries.data(), static_cast<size_t>(item.colorTable.count) * 3);
  }

  // The encoded data into the item, byte for byte: the code size byte and the sub-blocks up to and with the
  // terminator. A sub-block reaching past the data marks the frame corrupted and ends the data there.
  void readEncodedData(TGIFFrame& frame) {
    QByteArray& data = frame.item_->data;
    const std::size_t begin = pos;
    bool corrupted = false;
    if (!atEnd()) {
      ++pos;  // code size byte
      while (!atEnd()) {
        std::size_t n = p[pos];
        if (pos + 1 + n > size) {
          corrupted = true;
          break;
        }
        pos += 1 + n;
        if (n == 0) break;
      }
    }
    data = QByteArray(reinterpret_cast<const char*>(p + begin), static_cast<qsizetype>(pos - begin));
    if (corrupted) pos = size;
    if (corrupted && !ld::gifLoadCorrupted()) {
      data.clear();
      gifError(ld::gifmsg::kReadError);
    }
    frame.corrupted_ = frame.corrupted_ || corrupted;
  }

  // Delay, disposal and transparent colour from the frame's graphic controls, in order: the largest delay,
  // the last disposal and the last transparency setting.
  static void applyGraphicControls(TGIFFrame& frame) {
    const TGIFColorTable& table = frame.item_->colorTable;
    int delay = 0;
    for (const TExtension& ext : frame.extensions_) {
      if (ext.kind != TExtension::GraphicControl) continue;
      const auto* g = reinterpret_cast<const std::uint8_t*>(ext.fixedPart.constData());
      const std::uint8_t gPacked = g[1];
      const int index = g[4];
      if (gPacked & 1) {
        if (index < table.count) frame.transparentColor_ = table.color(index);
      } else {
        frame.transparentColor_ = kColorNone;
      }
      delay = std::max(10 * u16(g + 2), delay);
      frame.disposal_ = static_cast<std::uint8_t>((gPacked >> 2) & 7);
    }
    frame.delay_ = static_cast<std::uint16_t>(std::min(delay, 65535));
  }

  // One frame, after its ','.
  void readFrame(TGIFFrame& frame) {
    std::uint8_t desc[9];
    read(desc, sizeof desc);
    TGIFItem& item = *frame.item_;
    const int width = u16(desc + 4), height = u16(desc + 6);
    item.width = width == 0 ? image.screenWidth_ : width;
    item.height = height == 0 ? image.screenHeight_ : height;
    ld::checkGifCanvas(item.width, item.height);
    frame.origin_ = QPoint(u16(desc), u16(desc + 2));
    const std::uint8_t packed = desc[8];
    item.packedFields = packed;
    frame.interlaced_ = (packed & 0x40) != 0;
    readLocalTable(frame, packed);
    readEncodedData(frame);
    if (!frame.localTable_) item.colorTable = image.header_->colorTable;
    applyGraphicControls(frame);
  }

  void readSignature() {
    std::uint8_t sig[6];
    read(sig, sizeof sig);
    auto ieq = [](const std::uint8_t* a, const char* b) {
      for (int i = 0; i < 3; ++i)
        if (std::tolower(a[i]) != b[i]) return false;
      return true;
    };
    if (!ieq(sig, "gif")) gifError(ld::gifmsg::kUnknownVersion);
    if (ieq(sig + 3, "87a"))
      image.version_ = TGIFImage::gv87a;
    else if (ieq(sig + 3, "89a"))
      image.version_ = TGIFImage::gv89a;
    else
      gifError(ld::gifmsg::kUnknownVersion);
  }

  // The logical screen descriptor and the global colour table.
  void readLogicalScreen() {
    std::uint8_t screen[7];
    read(screen, sizeof screen);
    image.screenWidth_ = static_cast<std::uint16_t>(u16(screen));
    image.screenHeight_ = static_cast<std::uint16_t>(u16(screen + 2));
    ld::checkGifCanvas(image.screenWidth_, image.screenHeight_);
    const std::uint8_t packed = screen[4];
    TGIFData& header = *image.header_;
    header.bitsPerPixel = (packed & 7) + 1;
    header.colorResolution = ((packed >> 4) & 7) + 1;
    header.aspectRatio = screen[6];
    if (packed & 0x80) {
      header.colorTable.count = 1 << header.bitsPerPixel;
      read(header.colorTable.entries.data(), static_cast<size_t>(header.colorTable.count) * 3);
      if (screen[5] < header.colorTable.count) image.backgroundColor_ = header.colorTable.color(screen[5]);
    }
  }

  // A frame with the extensions that preceded it, after its ','; leaves the next separator in sep (0 for a
  // stray byte, which ends the parse quietly).
  void appendFrame(std::vector<TExtension> extensions, std::uint8_t& sep) {
    const TGIFData& header = *image.header_;
    auto frame = std::make_unique<TGIFFrame>(&image);
    if (header.colorTable.count > 0) frame->item_->bitsPerPixel = colorsToBits(header.colorTable.count);
    frame->extensions_ = std::move(extensions);
    readFrame(*frame);
    image.frames_.push_back(std::move(frame));
    if (atEnd()) {
      sep = kTrailer;
      return;
    }
    sep = separator();
    if (sep != kExtensionIntroducer && sep != kImageSeparator && sep != kTrailer) sep = 0;
  }

  // Extensions that no image follows: their comments become the image comment, once.
  void takeTrailingComments(const std::vector<TExtension>& extensions) {
    QList<QByteArray>& comment = image.header_->comment;
    for (const TExtension& ext : extensions) {
      if (ext.kind != TExtension::Comment) continue;
      if (!comment.isEmpty()) comment.append(QByteArray("\r\n\r\n"));
      comment.append(ext.data);
    }
  }

  // Reading a whole file.
  void run() {
    readSignature();
    readLogicalScreen();
    std::uint8_t sep = separator();
    while (sep != 0 && sep != kTrailer && !atEnd()) {
      std::vector<TExtension> extensions = readExtensionGroup(sep);
      if (sep == kImageSeparator)
        appendFrame(std::move(extensions), sep);
      else if (image.header_->comment.isEmpty() && !extensions.empty())
        takeTrailingComments(extensions);
      else if (sep != 0 && sep != kTrailer)
        gifError(ld::gifmsg::kReadError);
    }
  }
};

// ---------------------------------------------------------------------------------------------------------
// TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* owner) : owner_(owner), item_(std::make_shared<TGIFItem>()) {}

const QImage& TGIFFrame::bitmap() {
  if (hasBitmap_ && !bitmap_.isNull()) return bitmap_;
  if (item_->data.isEmpty()) {
    bitmap_ = QImage();
    hasBitmap_ = true;
    return bitmap_;
  }
  decode();
  return bitmap_;
}

namespace {

// Bits per pixel of the decoded bitmap for a frame's bits per pixel: 1, 4 or 8; 0 when out of range.
int displayBits(int bitsPerPixel) {
  if (bitsPerPixel == 1) return 1;
  if (bitsPerPixel >= 2 && bitsPerPixel <= 4) return 4;
  if (bitsPerPixel >= 5 && bitsPerPixel <= 8) return 8;
  return 0;
}

// The frame's bitmap, not yet filled in. Palette: grey 128 everywhere, then the frame's table (all 256
// entries of the cleared table when the table is empty); the first 2^bits entries are the bitmap's.
QImage blankBitmap(const TGIFItem& item, int bits) {
  QImage img(item.width, item.height, bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
  if (img.isNull()) throw std::bad_alloc();
  QList<QRgb> table(1 << bits);
  const int count = item.colorTable.count;
  for (int i = 0; i < table.size(); ++i)
    table[i] = count == 0 || i < count ? item.colorTable.color(i) : qRgb(128, 128, 128);
  img.setColorTable(table);
  return img;
}

// One row of indices into a bitmap row: packed most significant bit first for 1-bit bitmaps.
void putRow(uchar* dst, const std::uint8_t* src, int width, bool mono) {
  if (!mono) {
    std::memcpy(dst, src, static_cast<std::size_t>(width));
    return;
  }
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const std::uint8_t* s = src + x;
    dst[x >> 3] = static_cast<uchar>((s[0] << 7) | (s[1] << 6) | (s[2] << 5) | (s[3] << 4) | (s[4] << 3) |
                                     (s[5] << 2) | (s[6] << 1) | s[7]);
  }
  if (x < width) {
    uchar v = 0;
    for (int k = 0; x + k < width; ++k) v = static_cast<uchar>(v | (src[x + k] << (7 - k)));
    dst[x >> 3] = v;
  }
}

// The decoded indices, rows in file order, into the bitmap: top to bottom, or in the four interlace passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
void placeRows(QImage& img, const std::uint8_t* indices, bool interlaced) {
  const int w = img.width(), h = img.height();
  const bool mono = img.format() == QImage::Format_Mono;
  const std::size_t stride = static_cast<std::size_t>(w);
  if (!interlaced) {
    for (int y = 0; y < h; ++y)
      putRow(img.scanLine(y), indices + static_cast<std::size_t>(y) * stride, w, mono);
    return;
  }
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  const std::uint8_t* src = indices;
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < h; y += kStep[pass]) {
      putRow(img.scanLine(y), src, w, mono);
      src += stride;
    }
}

// Decoded indices, reused between decodes.
std::vector<std::uint8_t>& decodeBuffer(std::size_t pixels) {
  static thread_local std::vector<std::uint8_t> buffer;
  if (buffer.size() < pixels + ld::kLzwOutputSlack) buffer.resize(pixels + ld::kLzwOutputSlack);
  return buffer;
}

// Does not keep a huge buffer around after a big frame.
void trimDecodeBuffer(std::vector<std::uint8_t>& buffer) {
  if (buffer.size() > (std::size_t{32} << 20)) {
    buffer.clear();
    buffer.shrink_to_fit();
  }
}

}  // namespace

void TGIFFrame::decode() {
  const TGIFItem& item = *item_;
  const ld::GifProgress* progress = owner_ && owner_->OnProgress ? &owner_->OnProgress : nullptr;
  const int bits = displayBits(item.bitsPerPixel);
  if (bits == 0) {
    if (progress) (*progress)(ld::ProgressStage::Ending, 0, QString::fromLatin1(ld::gifmsg::kWrongColors));
    gifError(ld::gifmsg::kWrongColors);
  }
  const int w = std::max(item.width, 0), h = std::max(item.height, 0);
  const std::size_t npix = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (static_cast<long long>(npix) > ld::gifMaxDecodePixels()) throw std::bad_alloc();
  QImage img;
  if (npix > 0) img = blankBitmap(item, bits);

  std::vector<std::uint8_t>& buf = decodeBuffer(npix);
  const auto* data = reinterpret_cast<const std::uint8_t*>(item.data.constData());
  const ld::LzwDecodeResult r =
      ld::lzwDecode(data, static_cast<std::size_t>(item.data.size()), item.bitsPerPixel, buf.data(), npix,
                    ld::gifLoadCorrupted(), progress);
  if (npix > 0) placeRows(img, buf.data(), (item.packedFields & 0x40) != 0);
  trimDecodeBuffer(buf);
  corrupted_ = corrupted_ || r.corrupted;
  bitmap_ = img;
  hasBitmap_ = true;
}

int TGIFFrame::width() const {
  if (hasBitmap_ && !bitmap_.isNull()) return bitmap_.width();
  if (!item_->data.isEmpty()) return item_->width;
  return 0;
}

int TGIFFrame::height() const {
  if (hasBitmap_ && !bitmap_.isNull()) return bitmap_.height();
  if (!item_->data.isEmpty()) return item_->height;
  return 0;
}

QList<QByteArray>& TGIFFrame::comment() {
  for (TExtension& ext : extensions_)
    if (ext.kind == TExtension::Comment) return ext.data;
  TExtension ext;
  ext.kind = TExtension::Comment;
  extensions_.push_back(std::move(ext));
  return extensions_.back().data;
}

void TGIFFrame::draw(QPainter& painter, const QRect& rect, bool transparent) {
  const QImage& bm = bitmap();
  if (transparent && transparentColor_ != kColorNone)
    ld::transparentStretch(painter, rect, bm, QRect(), transparentColor_);
  else
    ld::transparentStretch(painter, rect, bm, QRect(), kColorNone);
}

namespace {
// The far corner of a frame at origin with the given size, as the owner's screen would take it.
QSize screenExtent(QPoint origin, int width, int height) {
  return QSize(std::clamp(origin.x() + width, 0, 65535), std::clamp(origin.y() + height, 0, 65535));
}
}  // namespace

void TGIFFrame::checkOwnerScreenWith(const QRect& rect) const {
  ld::checkGifCanvas(rect.width(), rect.height());
  if (!owner_) return;
  QSize screen = screenExtent(rect.topLeft(), rect.width(), rect.height());
  for (const auto& f : owner_->frames_)
    if (f.get() != this) screen = screen.expandedTo(screenExtent(f->origin_, f->width(), f->height()));
  ld::checkGifCanvas(screen.width(), screen.height());
}

void TGIFFrame::recomputeOwnerScreen() {
  if (!owner_) return;
  int w = 0, h = 0;
  for (const auto& f : owner_->frames_) {
    w = std::max(w, f->origin_.x() + f->width());
    h = std::max(h, f->origin_.y() + f->height());
  }
  owner_->screenWidth_ = static_cast<std::uint16_t>(std::clamp(w, 0, 65535));
  owner_->screenHeight_ = static_cast<std::uint16_t>(std::clamp(h, 0, 65535));
}

void TGIFFrame::assign(std::nullptr_t) {
  item_ = std::make_shared<TGIFItem>();
  bitmap_ = QImage();
  hasBitmap_ = false;
  recomputeOwnerScreen();
}

void TGIFFrame::assign(const TGIFFrame& source) {
  if (&source == this) return;
  checkOwnerScreenWith(QRect(source.origin_, QSize(source.width(), source.height())));
  item_ = source.item_;
  localTable_ = owner_ == source.owner_ ? source.localTable_ : true;
  origin_ = source.origin_;
  interlaced_ = source.interlaced_;
  bitmap_ = source.bitmap_;
  hasBitmap_ = source.hasBitmap_;
  transparentColor_ = source.transparentColor_;
  delay_ = source.delay_;
  disposal_ = source.disposal_;
  grayscale_ = source.grayscale_;
  corrupted_ = source.corrupted_;
  QList<QByteArray> lines;
  for (const TExtension& ext : source.extensions_)
    if (ext.kind == TExtension::Comment) {
      lines = ext.data;
      break;
    }
  extensions_.clear();
  if (!lines.isEmpty()) comment() = lines;
  recomputeOwnerScreen();
}

void TGIFFrame::assign(const TGIFImage& source) {
  if (source.frames_.empty()) {
    assign(nullptr);
    return;
  }
  int index = source.currentIndex_;
  if (index < 0 || index >= source.frameCount()) index = 0;
  assign(*source.frames_[static_cast<size_t>(index)]);
}

void TGIFFrame::assign(const QImage& picture, QRgb transparentColor) {
  if (picture.isNull()) {
    assign(nullptr);
    return;
  }
  checkOwnerScreenWith(QRect(origin_, picture.size()));
  item_ = std::make_shared<TGIFItem>();
  bitmap_ = picture;
  hasBitmap_ = true;
  interlaced_ = false;
  if (transparentColor != kColorNone) transparentColor_ = transparentColor;
  recomputeOwnerScreen();
}

void TGIFFrame::assignTo(QImage& target) { target = bitmap(); }

void TGIFFrame::assignTo(TGIFImage& target) { target.assign(*this); }

// ---------------------------------------------------------------------------------------------------------
// TGIFImage

TGIFImage::TGIFImage() : header_(std::make_shared<TGIFData>()) {}

TGIFImage::~TGIFImage() {
  OnChange = nullptr;
  OnProgress = nullptr;
  frames_.clear();
}

void TGIFImage::clear() {
  header_ = std::make_shared<TGIFData>();
  frames_.clear();
  version_ = gvUnknown;
  currentIndex_ = -1;
  screenWidth_ = screenHeight_ = 0;
  backgroundColor_ = kColorNone;
  looping_ = false;
  repeatCount_ = 1;
}

void TGIFImage::changed() {
  if (OnChange) OnChange();
}

template <class Load>
void TGIFImage::replaceContents(Load&& load) {
  // Everything clear() resets, so that a refused picture leaves the image as it was.
  const auto contents = [this] {
    return std::tie(header_, version_, frames_, currentIndex_, screenWidth_, screenHeight_, backgroundColor_,
                    looping_, repeatCount_);
  };
  auto previous =
      std::apply([](auto&... member) { return std::make_tuple(std::move(member)...); }, contents());
  clear();
  try {
    load();
  } catch (const ld::GifCanvasTooLarge&) {
    contents() = std::move(previous);
    throw;
  }
}

void TGIFImage::checkCanvas() const {
  ld::checkGifCanvas(screenWidth_, screenHeight_);
  for (const auto& f : frames_) ld::checkGifCanvas(f->width(), f->height());
}

void TGIFImage::readGif(const QByteArray& bytes, bool decodeNow) {
  if (!bytes.isEmpty()) {
    GifReader reader{*this, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::size_t>(bytes.size())};
    reader.run();
  }
  if (!frames_.empty()) {
    currentIndex_ = 0;
    if (decodeNow) {
      try {
        frames_.front()->bitmap();
      } catch (...) {
        frames_.erase(frames_.begin());
        throw;
      }
    }
  }
}

void TGIFImage::loadFromData(const QByteArray& gifFile) {
  replaceContents([&] { readGif(gifFile, true); });
  paletteModified_ = true;
  changed();
}

void TGIFImage::loadFromStream(QIODevice& stream) { loadFromData(stream.readAll()); }

void TGIFImage::loadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw ld::Error(QStringLiteral("Cannot open file \"%1\". %2")
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
  try {
    loadFromStream(file);
  } catch (const ld::GifCanvasTooLarge& e) {
    throw ld::GifCanvasTooLarge(e.width(), e.height(), fileName);
  }
}

void TGIFImage::readFormData(QIODevice& stream) {
  const QByteArray sizeBytes = stream.read(4);
  if (sizeBytes.size() < 4) gifError(ld::gifmsg::kReadError);
  const auto* s = reinterpret_cast<const std::uint8_t*>(sizeBytes.constData());
  const std::int32_t n = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
      (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24));
  replaceContents([&] {
    if (n < 0) gifError(ld::gifmsg::kReadError);
    QByteArray data;
    if (n > 0) {
      data = stream.read(n);
      if (data.size() < n) gifError(ld::gifmsg::kReadError);
    }
    readGif(data, true);
  });
  paletteModified_ = true;
  changed();
}

void TGIFImage::readFormData(const QByteArray& formData) {
  QBuffer buffer;
  buffer.setData(formData);
  buffer.open(QIODevice::ReadOnly);
  readFormData(buffer);
}

QByteArray TGIFImage::saveToData() { return ld::writeGifFile(*this); }

void TGIFImage::saveToStream(QIODevice& stream) {
  const QByteArray data = saveToData();
  if (stream.write(data) != data.size()) throw ld::Error(QStringLiteral("Stream write error"));
}

void TGIFImage::saveToFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw ld::Error(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
  saveToStream(file);
}

QByteArray TGIFImage::formData() { return ld::toFormData(saveToData()); }

void TGIFImage::writeFormData(QIODevice& stream) {
  const QByteArray data = formData();
  if (stream.write(data) != data.size()) throw ld::Error(QStringLiteral("Stream write error"));
}

void TGIFImage::draw(QPainter& painter, const QRect& rect) {
  if (currentIndex_ < 0 || currentIndex_ >= frameCount()) return;
  frames_[static_cast<size_t>(currentIndex_)]->draw(painter, rect, transparent());
}

int TGIFImage::width() const {
  if (empty() || currentIndex_ < 0 || currentIndex_ >= frameCount()) return 0;
  return frames_[static_cast<size_t>(currentIndex_)]->width();
}

int TGIFImage::height() const {
  if (empty() || currentIndex_ < 0 || currentIndex_ >= frameCount()) return 0;
  return frames_[static_cast<size_t>(currentIndex_)]->height();
}

void TGIFImage::setWidth(int) { gifError(ld::gifmsg::kChangeSize); }
void TGIFImage::setHeight(int) { gifError(ld::gifmsg::kChangeSize); }

bool TGIFImage::empty() const {
  if (frames_.empty()) return true;
  const size_t index = static_cast<size_t>(std::min(std::max(currentIndex_, 0), frameCount() - 1));
  const TGIFFrame& f = *frames_[index];
  if (f.hasBitmap_) return false;
  return f.item_->data.isEmpty();
}

bool TGIFImage::transparent() const {
  if (!transparentFlag_) return false;
  return std::any_of(frames_.begin(), frames_.end(),
                     [](const auto& f) { return f->transparentColor_ != kColorNone; });
}

QList<QRgb> TGIFImage::palette() {
  if (frames_.empty()) return {};
  int index = currentIndex_;
  if (index < 0 || index >= frameCount()) index = 0;
  return frames_[static_cast<size_t>(index)]->bitmap().colorTable();
}

int TGIFImage::addFrame(const QImage& picture, QRgb transparentColor) {
  frames_.push_back(std::make_unique<TGIFFrame>(this));
  try {
    frames_.back()->assign(picture, transparentColor);
  } catch (...) {
    frames_.pop_back();
    throw;
  }
  currentIndex_ = frameCount() - 1;
  if (version_ == gvUnknown) version_ = gv87a;
  if (frameCount() > 1) version_ = gv89a;
  return currentIndex_;
}

void TGIFImage::assign(std::nullptr_t) {
  clear();
  changed();
}

void TGIFImage::assign(const TGIFImage& source) {
  if (&source == this) {
    changed();
    return;
  }
  source.checkCanvas();
  header_ = source.header_;
  version_ = source.version_;
  backgroundColor_ = source.backgroundColor_;
  repeatCount_ = source.repeatCount_;
  looping_ = source.looping_;
  frames_.clear();
  for (const auto& f : source.frames_) {
    frames_.push_back(std::make_unique<TGIFFrame>(this));
    TGIFFrame& copy = *frames_.back();
    copy.assign(*f);
    copy.localTable_ = f->localTable_;
  }
  screenWidth_ = source.screenWidth_;
  screenHeight_ = source.screenHeight_;
  currentIndex_ = source.currentIndex_;
  changed();
}

void TGIFImage::assign(const TGIFFrame& source) {
  if (source.owner_ == this) {
    // The frame would be freed by the clear: work from a copy of this image.
    TGIFImage copy;
    copy.assign(*this);
    size_t index = 0;
    for (size_t i = 0; i < frames_.size(); ++i)
      if (frames_[i].get() == &source) index = i;
    assign(*copy.frames_.at(index));
    return;
  }
  const QSize extent = screenExtent(source.origin_, source.width(), source.height());
  ld::checkGifCanvas(source.width(), source.height());
  ld::checkGifCanvas(extent.width(), extent.height());
  std::shared_ptr<TGIFData> ownerHeader =
      source.owner_ ? source.owner_->header_ : std::make_shared<TGIFData>();
  clear();
  header_->aspectRatio = ownerHeader->aspectRatio;
  header_->bitsPerPixel = ownerHeader->bitsPerPixel;
  header_->colorResolution = ownerHeader->colorResolution;
  header_->colorTable = ownerHeader->colorTable;
  frames_.push_back(std::make_unique<TGIFFrame>(this));
  frames_.back()->assign(source);
  currentIndex_ = 0;
  if (version_ == gvUnknown) version_ = gv87a;
  changed();
}

void TGIFImage::assign(const QImage& picture, QRgb transparentColor) {
  ld::checkGifCanvas(picture.width(), picture.height());
  clear();
  addFrame(picture, transparentColor);
  changed();
}

void TGIFImage::assignTo(QImage& target) {
  if (empty()) {
    target = QImage();
    return;
  }
  int index = currentIndex_;
  if (index < 0 || index >= frameCount()) index = 0;
  frames_[static_cast<size_t>(index)]->assignTo(target);
}

void TGIFImage::loadFromClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
  const QString format = QString::fromLatin1(ld::kGifClipboardMime);
  if (mime && mime->hasFormat(format)) {
    const QByteArray bytes = mime->data(format);
    QImage bitmap;
    if (mime->hasImage()) bitmap = qvariant_cast<QImage>(mime->imageData());
    if (bytes.size() < 4) gifError(ld::gifmsg::kReadError);
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint32_t n = s[0] | (s[1] << 8) | (s[2] << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
    replaceContents([&] {
      if (n > static_cast<std::uint32_t>(bytes.size() - 4)) gifError(ld::gifmsg::kReadError);
      readGif(bytes.mid(4, static_cast<qsizetype>(n)), false);
    });
    if (!frames_.empty() && !bitmap.isNull()) {
      frames_.front()->bitmap_ = bitmap;
      frames_.front()->hasBitmap_ = true;
    }
    paletteModified_ = true;
    changed();
    return;
  }
  QImage bitmap = clipboard ? clipboard->image() : QImage();
  assign(bitmap);
}

void TGIFImage::saveToClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard || frames_.empty()) return;
  auto* mime = new QMimeData;
  mime->setImageData(frames_.front()->bitmap());
  const bool allEncoded =
      std::all_of(frames_.begin(), frames_.end(), [](const auto& f) { return !f->item_->data.isEmpty(); });
  if (allEncoded) mime->setData(QString::fromLatin1(ld::kGifClipboardMime), formData());
  clipboard->setMimeData(mime);
}
