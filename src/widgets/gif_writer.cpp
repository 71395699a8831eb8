#include "widgets/gif_writer.h"

#include <algorithm>

#include "widgets/gif_image.h"
#include "widgets/gif_lzw.h"
#include "widgets/gif_quantize.h"

using ld::kColorNone;

namespace {

int bitsFor(int count) {
  int b = 1;
  while ((1 << b) < count && b < 8) ++b;
  return b;
}

void putU16(QByteArray& out, int v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

// An extension's introducer and label.
void putExtension(QByteArray& out, std::uint8_t label) {
  out.append(static_cast<char>(ld::giflabel::kExtensionIntroducer));
  out.append(static_cast<char>(label));
}

void putTable(QByteArray& out, const TGIFColorTable& table, int bits) {
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 3; ++k) out.append(static_cast<char>(i < 256 ? table.entries[i][k] : 0));
}

// Data sub-blocks of at most 255 bytes, then the terminator. Empty lines cannot be sub-blocks and are left
// out.
void putDataBlocks(QByteArray& out, const QList<QByteArray>& lines) {
  for (const QByteArray& line : lines)
    for (qsizetype i = 0; i < line.size(); i += 255) {
      const qsizetype n = std::min<qsizetype>(255, line.size() - i);
      out.append(static_cast<char>(n));
      out.append(line.constData() + i, n);
    }
  out.append('\0');
}

// The item's encoded data as a well-formed block sequence: byte for byte when it is (the usual case); a frame
// read from a truncated file is cut after its last complete sub-block and given its terminator.
void putEncodedData(QByteArray& out, const QByteArray& data) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(data.constData());
  const qsizetype size = data.size();
  qsizetype pos = 1;
  bool terminated = false;
  while (pos < size) {
    const int n = p[pos];
    if (n == 0) {
      terminated = true;
      ++pos;
      break;
    }
    if (pos + 1 + n > size) break;
    pos += 1 + n;
  }
  out.append(data.constData(), std::min(pos, size));
  if (!terminated) out.append('\0');
}

}  // namespace

struct GifWriterAccess {
  // Fills in a frame's item from an indexed picture; the header takes the table when it has none.
  static void setEncoded(TGIFImage& image, TGIFFrame& frame, const ld::IndexedPicture& q) {
    auto item = std::make_shared<TGIFItem>();
    item->width = q.width;
    item->height = q.height;
    item->bitsPerPixel = q.bitsPerPixel();
    item->colorTable.count = static_cast<std::int32_t>(q.palette.size());
    for (int i = 0; i < q.palette.size(); ++i) {
      const QRgb c = q.palette[i];
      item->colorTable.entries[static_cast<size_t>(i)] = {static_cast<std::uint8_t>(qRed(c)),
                                                          static_cast<std::uint8_t>(qGreen(c)),
                                                          static_cast<std::uint8_t>(qBlue(c))};
    }
    // The file's table has 2^bits entries: pad with a colour in use that is not the key, so that no entry
    // but the transparent one has the key colour.
    if (!q.palette.isEmpty()) {
      QRgb filler = q.palette.last();
      if (q.transparentIndex >= 0) {
        const QRgb key = q.palette[q.transparentIndex] & 0xFFFFFFu;
        filler = qRgb(qRed(key), qGreen(key), qBlue(key) < 255 ? qBlue(key) + 1 : qBlue(key) - 1);
        for (QRgb c : q.palette)
          if ((c & 0xFFFFFFu) != key) filler = c;
      }
      for (int i = static_cast<int>(q.palette.size()); i < (1 << item->bitsPerPixel); ++i)
        item->colorTable.entries[static_cast<size_t>(i)] = {static_cast<std::uint8_t>(qRed(filler)),
                                                            static_cast<std::uint8_t>(qGreen(filler)),
                                                            static_cast<std::uint8_t>(qBlue(filler))};
    }
    item->data = ld::lzwEncode(q.indices.data(), q.indices.size(), std::max(2, item->bitsPerPixel));
    item->packedFields = 0;
    frame.item_ = item;
    frame.interlaced_ = false;
    if (q.transparentIndex >= 0) frame.transparentColor_ = q.palette[q.transparentIndex] | 0xFF000000u;
    TGIFData& header = *image.header_;
    if (header.colorTable.count == 0) {
      header.colorTable = item->colorTable;
      header.bitsPerPixel = item->bitsPerPixel;
      if (header.colorResolution == 0) header.colorResolution = 8;
      frame.localTable_ = false;
    } else {
      frame.localTable_ = !(header.colorTable == item->colorTable);
    }
  }

  static void setScreen(TGIFImage& image, int width, int height) {
    image.screenWidth_ = static_cast<std::uint16_t>(std::clamp(width, 0, 65535));
    image.screenHeight_ = static_cast<std::uint16_t>(std::clamp(height, 0, 65535));
  }

  static void encodeFrame(TGIFImage& image, TGIFFrame& frame) {
    ld::QuantizeOptions options;
    if (frame.transparentColor_ != kColorNone) options.key = frame.transparentColor_ & 0xFFFFFFu;
    options.grayscale = frame.grayscale_;
    setEncoded(image, frame, ld::quantizeForGif(frame.bitmap_, options));
  }

  static bool needsGraphicControl(const TGIFFrame& f) {
    if (f.transparentColor_ != kColorNone || f.delay_ != 0 || f.disposal_ != 0) return true;
    return std::any_of(f.extensions_.begin(), f.extensions_.end(),
                       [](const TExtension& e) { return e.kind == TExtension::GraphicControl; });
  }

  static void putGraphicControl(QByteArray& out, const TGIFFrame& f) {
    const TGIFColorTable& table = f.item_->colorTable;
    const TExtension* last = nullptr;
    for (const TExtension& e : f.extensions_)
      if (e.kind == TExtension::GraphicControl) last = &e;
    std::uint8_t packed = 0;
    int index = -1;
    if (last) {
      const auto* g = reinterpret_cast<const std::uint8_t*>(last->fixedPart.constData());
      packed = static_cast<std::uint8_t>(g[1] & ~0x1D);  // keep the user-input flag and reserved bits
      if ((g[1] & 1) && g[4] < table.count && f.transparentColor_ != kColorNone &&
          (table.color(g[4]) | 0xFF000000u) == (f.transparentColor_ | 0xFF000000u))
        index = g[4];
    }
    if (index < 0 && f.transparentColor_ != kColorNone)
      for (int i = 0; i < table.count && i < 256; ++i)
        if ((table.color(i) & 0xFFFFFFu) == (f.transparentColor_ & 0xFFFFFFu)) {
          index = i;
          break;
        }
    packed = static_cast<std::uint8_t>(packed | ((f.disposal_ & 7) << 2) | (index >= 0 ? 1 : 0));
    putExtension(out, ld::giflabel::kGraphicControl);
    out.append('\x04');  // block size
    out.append(static_cast<char>(packed));
    putU16(out, std::min((f.delay_ + 5) / 10, 65535));
    out.append(static_cast<char>(index >= 0 ? index : 0));
    out.append('\0');
  }

  // GIF89a when anything needs its extensions (or the image was one), GIF87a otherwise.
  static bool needs89a(const TGIFImage& image) {
    if (image.version_ == TGIFImage::gv89a || image.looping_ || !image.header_->comment.isEmpty())
      return true;
    for (const auto& f : image.frames_) {
      if (needsGraphicControl(*f)) return true;
      for (const TExtension& e : f->extensions_)
        if (e.kind == TExtension::Comment && !e.data.isEmpty()) return true;
    }
    return false;
  }

  // The logical screen descriptor and the global colour table.
  static void putScreen(QByteArray& out, const TGIFImage& image) {
    const TGIFData& header = *image.header_;
    putU16(out, image.screenWidth_);
    putU16(out, image.screenHeight_);
    const bool global = header.colorTable.count > 0;
    const int resolution =
        header.colorResolution >= 1 && header.colorResolution <= 8 ? header.colorResolution : 8;
    const int gbits = global
                          ? bitsFor(header.colorTable.count)
                          : (header.bitsPerPixel >= 1 && header.bitsPerPixel <= 8 ? header.bitsPerPixel : 1);
    out.append(static_cast<char>((global ? 0x80 : 0) | ((resolution - 1) << 4) | (gbits - 1)));
    int background = 0;
    if (global && image.backgroundColor_ != kColorNone)
      for (int i = 0; i < header.colorTable.count && i < 256; ++i)
        if ((header.colorTable.color(i) & 0xFFFFFFu) == (image.backgroundColor_ & 0xFFFFFFu)) {
          background = i;
          break;
        }
    out.append(static_cast<char>(background));
    out.append(static_cast<char>(header.aspectRatio));
    if (global) putTable(out, header.colorTable, gbits);
  }

  // A frame: its comments, its graphic control, the image descriptor, its own table and the encoded data.
  static void putFrame(QByteArray& out, const TGIFFrame& f) {
    const TGIFItem& item = *f.item_;
    for (const TExtension& e : f.extensions_)
      if (e.kind == TExtension::Comment && !e.data.isEmpty()) {
        putExtension(out, ld::giflabel::kComment);
        putDataBlocks(out, e.data);
      }
    if (needsGraphicControl(f)) putGraphicControl(out, f);
    out.append(static_cast<char>(ld::giflabel::kImageSeparator));
    putU16(out, std::clamp(f.origin_.x(), 0, 65535));
    putU16(out, std::clamp(f.origin_.y(), 0, 65535));
    putU16(out, std::clamp(item.width, 0, 65535));
    putU16(out, std::clamp(item.height, 0, 65535));
    std::uint8_t packed = static_cast<std::uint8_t>(item.packedFields & 0x78);
    const int lbits = bitsFor(item.colorTable.count);
    if (f.localTable_) packed = static_cast<std::uint8_t>(packed | 0x80 | (lbits - 1));
    out.append(static_cast<char>(packed));
    if (f.localTable_) putTable(out, item.colorTable, lbits);
    putEncodedData(out, item.data);
  }

  static QByteArray write(TGIFImage& image) {
    for (auto& f : image.frames_)
      if (f->item_->data.isEmpty() && f->hasBitmap_ && !f->bitmap_.isNull()) encodeFrame(image, *f);

    QByteArray out;
    out.append(needs89a(image) ? "GIF89a" : "GIF87a");
    putScreen(out, image);
    if (image.looping_) {
      putExtension(out, ld::giflabel::kApplication);
      out.append("\x0BNETSCAPE2.0\x03\x01", 14);  // block size, identifier, sub-block of 3, loop
      putU16(out, image.repeatCount_);
      out.append('\0');
    }
    for (const auto& f : image.frames_)
      if (!f->item_->data.isEmpty()) putFrame(out, *f);
    if (!image.header_->comment.isEmpty()) {
      putExtension(out, ld::giflabel::kComment);
      putDataBlocks(out, image.header_->comment);
    }
    out.append(static_cast<char>(ld::giflabel::kTrailer));
    return out;
  }
};

namespace ld {

QByteArray writeGifFile(TGIFImage& image) { return GifWriterAccess::write(image); }

QByteArray encodeGif(const QImage& image, const GifWriteOptions& options) {
  TGIFImage gif;
  gif.setVersion(TGIFImage::gv89a);
  if (image.isNull()) return writeGifFile(gif);
  gif.addFrame(QImage());  // a frame without data, filled in below
  QuantizeOptions q;
  if (options.transparentKey) q.key = *options.transparentKey & 0xFFFFFFu;
  q.dither = options.dither;
  GifWriterAccess::setEncoded(gif, gif.frame(0), quantizeForGif(image, q));
  GifWriterAccess::setScreen(gif, image.width(), image.height());
  gif.setVersion(TGIFImage::gv89a);
  return writeGifFile(gif);
}

QByteArray toFormData(const QByteArray& gifFile) {
  QByteArray out;
  const auto n = static_cast<std::uint32_t>(gifFile.size());
  out.append(static_cast<char>(n & 0xFF));
  out.append(static_cast<char>((n >> 8) & 0xFF));
  out.append(static_cast<char>((n >> 16) & 0xFF));
  out.append(static_cast<char>((n >> 24) & 0xFF));
  out.append(gifFile);
  return out;
}

}  // namespace ld
