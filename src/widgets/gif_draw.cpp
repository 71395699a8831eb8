#include "widgets/gif_draw.h"

#include <cstring>
#include <vector>

#include "widgets/gif_types.h"

namespace ld {

namespace {

constexpr QRgb kTransparentPixel = 0x00000000;

// Per-source-pixel output colours for an indexed source: opaque colour, or 0 when keyed.
std::vector<QRgb> indexedLookup(const QImage& src, bool keyed, QRgb key, bool mono) {
  QList<QRgb> table = src.colorTable();
  int n = mono ? 2 : 256;
  std::vector<QRgb> lut(static_cast<size_t>(n), 0xFF000000u);
  for (int i = 0; i < n; ++i) {
    QRgb c = i < table.size() ? table[i] : (mono ? (i ? 0xFFFFFFFFu : 0xFF000000u) : 0xFF000000u);
    const bool drop = keyed && (c & 0xFFFFFFu) == (key & 0xFFFFFFu);
    lut[static_cast<size_t>(i)] = drop ? kTransparentPixel : (c | 0xFF000000u);
  }
  return lut;
}

// The source as the stretch reads it: an indexed format (through a lookup of output colours per index) or
// 32-bit RGB, with the key resolved.
struct StretchSource {
  QImage image;
  bool mono = false;
  bool lsb = false;  // Format_MonoLSB: bits from the least significant end
  bool indexed = false;
  bool keyed = false;
  QRgb key = kColorNone;
  std::vector<QRgb> lut;  // indexed sources: output colour per index

  StretchSource(const QImage& src, QRgb keyColour) : image(src) {
    const QImage::Format fmt = image.format();
    mono = fmt == QImage::Format_Mono || fmt == QImage::Format_MonoLSB;
    lsb = fmt == QImage::Format_MonoLSB;
    indexed = mono || fmt == QImage::Format_Indexed8;
    if (!indexed && fmt != QImage::Format_RGB32 && fmt != QImage::Format_ARGB32)
      image = image.convertToFormat(QImage::Format_ARGB32);
    keyed = keyColour != kColorNone;
    key = keyColour == kColorDefault ? image.pixel(0, image.height() - 1) : keyColour;
    if (indexed) lut = indexedLookup(image, keyed, key, mono);
  }

  // One destination row from source row sy; xmap gives the source column of every destination column,
  // and columns outside the bitmap are see-through.
  void fillRow(QRgb* o, int sy, const std::vector<int>& xmap) const {
    const uchar* line = image.constScanLine(sy);
    const int w = image.width();
    const int n = static_cast<int>(xmap.size());
    if (mono) {
      for (int x = 0; x < n; ++x) {
        const int sx = xmap[static_cast<size_t>(x)];
        if (sx < 0 || sx >= w) {
          o[x] = kTransparentPixel;
          continue;
        }
        const int bit = lsb ? (line[sx >> 3] >> (sx & 7)) & 1 : (line[sx >> 3] >> (7 - (sx & 7))) & 1;
        o[x] = lut[static_cast<size_t>(bit)];
      }
    } else if (indexed) {
      for (int x = 0; x < n; ++x) {
        const int sx = xmap[static_cast<size_t>(x)];
        o[x] = (sx < 0 || sx >= w) ? kTransparentPixel : lut[line[sx]];
      }
    } else {
      const QRgb* s = reinterpret_cast<const QRgb*>(line);
      const QRgb keyRgb = key & 0xFFFFFFu;
      for (int x = 0; x < n; ++x) {
        const int sx = xmap[static_cast<size_t>(x)];
        if (sx < 0 || sx >= w) {
          o[x] = kTransparentPixel;
          continue;
        }
        const QRgb c = s[sx] & 0xFFFFFFu;
        o[x] = (keyed && c == keyRgb) ? kTransparentPixel : (c | 0xFF000000u);
      }
    }
  }
};

// Nearest-neighbour sampling: the source coordinate of destination coordinate d (relative to the
// destination's start) when `from` source units starting at `origin` stretch over `to` destination units.
inline int sourceCoordinate(int d, int origin, int from, int to) {
  return origin + static_cast<int>(static_cast<long long>(d) * from / to);
}

// The part `visible` (in destination coordinates relative to the destination's top-left corner) of the
// stretch of srcRect to dstSize.
QImage stretchPart(const QImage& srcIn, QRect srcRect, QSize dstSize, QRgb key, QRect visible) {
  if (srcIn.isNull()) return {};
  if (srcRect.width() < 1 || srcRect.height() < 1) srcRect = srcIn.rect();
  if (dstSize.width() < 1) dstSize.setWidth(srcIn.width());
  if (dstSize.height() < 1) dstSize.setHeight(srcIn.height());
  const int dw = dstSize.width(), dh = dstSize.height();
  const StretchSource source(srcIn, key);

  visible = visible.intersected(QRect(0, 0, dw, dh));
  if (visible.isEmpty()) return {};
  const int vw = visible.width(), vh = visible.height();
  std::vector<int> xmap(static_cast<size_t>(vw));
  for (int x = 0; x < vw; ++x)
    xmap[static_cast<size_t>(x)] = sourceCoordinate(x + visible.x(), srcRect.x(), srcRect.width(), dw);

  QImage out(vw, vh, QImage::Format_ARGB32);
  if (out.isNull()) return out;
  int prevSy = -1;
  for (int y = 0; y < vh; ++y) {
    QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
    const int sy = sourceCoordinate(y + visible.y(), srcRect.y(), srcRect.height(), dh);
    if (sy == prevSy) {
      std::memcpy(o, out.constScanLine(y - 1), static_cast<size_t>(vw) * 4);
      continue;
    }
    prevSy = sy;
    if (sy < 0 || sy >= source.image.height())
      std::memset(o, 0, static_cast<size_t>(vw) * 4);
    else
      source.fillRow(o, sy, xmap);
  }
  return out;
}

}  // namespace

QImage stretchKeyed(const QImage& src, QRect srcRect, QSize dstSize, QRgb key) {
  if (dstSize.width() < 1) dstSize.setWidth(src.width());
  if (dstSize.height() < 1) dstSize.setHeight(src.height());
  return stretchPart(src, srcRect, dstSize, key, QRect(QPoint(0, 0), dstSize));
}

void transparentStretch(QPainter& painter, QRect dst, const QImage& src, QRect srcRect, QRgb key) {
  if (src.isNull()) return;
  if (dst.width() < 1) dst.setWidth(src.width());
  if (dst.height() < 1) dst.setHeight(src.height());
  // Only the part inside the painter's clip is computed (when the painter merely translates).
  QRect visible = dst;
  if (painter.hasClipping() && painter.transform().type() <= QTransform::TxTranslate)
    visible = visible.intersected(painter.clipBoundingRect().toAlignedRect());
  if (visible.isEmpty()) return;
  QImage stretched = stretchPart(src, srcRect, dst.size(), key, visible.translated(-dst.topLeft()));
  if (stretched.isNull()) return;
  const QPainter::CompositionMode mode = painter.compositionMode();
  const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(visible.topLeft(), stretched);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  painter.setCompositionMode(mode);
}

}  // namespace ld
