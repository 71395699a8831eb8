#pragma once
// The body of the GIF fuzz harness, shared by tests/fuzz/gif_fuzz.cpp (libFuzzer) and
// tests/widgets/gif_fuzz_regression_test.cpp (replays the kept inputs of tests/data/gif/).
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "widgets/gif_image.h"
#include "widgets/gif_writer.h"

namespace gif_fuzz {

constexpr long long kMaxPixels = 1 << 18;     // skip decoding larger frames (memory and speed of the run)
constexpr long long kBudgetPixels = 1 << 21;  // and stop decoding once an input has used this many

inline bool smallFrame(const TGIFFrame& f) {
  return static_cast<long long>(f.item()->width) * f.item()->height <= kMaxPixels;
}

// What a failed property does: the fuzzer aborts (a finding), the regression test throws.
inline void (*onFailure)(const char* what) = [](const char* what) {
  std::fprintf(stderr, "gif_fuzz property failed: %s\n", what);
  std::abort();
};

[[noreturn]] inline void fail(const char* what, int frame) {
  char text[160];
  std::snprintf(text, sizeof text, "%s (frame %d)", what, frame);
  onFailure(text);
  std::abort();
}

inline bool decodeAll(TGIFImage& img) {
  long long used = 0;
  for (int i = 0; i < img.frameCount(); ++i) {
    if (!smallFrame(img.frame(i))) continue;
    used += static_cast<long long>(img.frame(i).item()->width) * img.frame(i).item()->height;
    if (used > kBudgetPixels) return false;
    try {
      img.frame(i).bitmap();
    } catch (const EInvalidGraphicOperation&) {
    } catch (const std::bad_alloc&) {
    }
  }
  return true;
}

inline void checkRoundTrip(TGIFImage& img) {
  QByteArray saved = img.saveToData();
  TGIFImage back;
  try {
    back.loadFromData(saved);
  } catch (const EInvalidGraphicOperation& e) {
    // Only frame 0 failing to decode again (no colour table at all) is acceptable.
    if (e.message() != QLatin1String(ld::gifmsg::kWrongColors)) fail("saved image does not load", -1);
    return;
  }
  if (back.frameCount() != img.frameCount()) fail("frame count", -1);
  if (back.looping() != img.looping()) fail("looping", -1);
  if (img.looping() && back.repeatCount() != img.repeatCount()) fail("repeat count", -1);
  if (back.comment() != img.comment()) fail("comment", -1);
  if (back.screenWidth() != img.screenWidth() || back.screenHeight() != img.screenHeight())
    fail("screen", -1);
  for (int i = 0; i < img.frameCount(); ++i) {
    TGIFFrame& a = img.frame(i);
    TGIFFrame& b = back.frame(i);
    if (a.origin() != b.origin()) fail("origin", i);
    if (a.delay() != b.delay()) fail("delay", i);
    if ((a.disposal() & 7) != b.disposal()) fail("disposal", i);
    if (a.transparentColor() != b.transparentColor()) fail("transparent colour", i);
    if (!smallFrame(a) || !a.hasBitmap()) continue;
    QImage pb;
    try {
      pb = b.bitmap();
    } catch (const EInvalidGraphicOperation&) {
      fail("frame decoded once but not after saving", i);
    }
    if (pb != a.bitmap()) fail("pixels", i);
  }
  // Saving what was loaded from our own output gives the same bytes.
  if (back.saveToData() != saved) fail("second save differs", -1);
}

inline void checkEncode(TGIFImage& img, std::uint8_t keyByte) {
  if (img.frameCount() == 0 || !img.frame(0).hasBitmap()) return;
  const QImage& bm = img.frame(0).bitmap();
  if (bm.isNull() || static_cast<long long>(bm.width()) * bm.height() > 4096) return;
  QImage rgb = bm.convertToFormat(QImage::Format_RGB32);
  ld::GifWriteOptions opt;
  if (keyByte & 1) opt.transparentKey = rgb.pixel(0, 0);
  opt.dither = (keyByte & 2) != 0;
  TGIFImage out;
  out.loadFromData(ld::encodeGif(rgb, opt));
  if (out.frameCount() != 1) fail("encodeGif frame count", 0);
  const QImage& o = out.frame(0).bitmap();
  if (o.size() != rgb.size()) fail("encodeGif size", 0);
  if (opt.transparentKey) {
    const QRgb key = *opt.transparentKey & 0xFFFFFFu;
    if ((out.frame(0).transparentColor() & 0xFFFFFFu) != key) fail("encodeGif key", 0);
    for (int y = 0; y < rgb.height(); ++y)
      for (int x = 0; x < rgb.width(); ++x) {
        const bool isKey = (rgb.pixel(x, y) & 0xFFFFFFu) == key;
        if (((o.pixel(x, y) & 0xFFFFFFu) == key) != isKey) fail("encodeGif key pixels", 0);
      }
  }
}

// One input: a mode byte, then the data (see gif_fuzz.cpp).
inline int runOne(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  const bool corruptedOn = (mode & 1) == 0;
  struct Restore {
    long long pixels = ld::gifMaxDecodePixels();
    ~Restore() {
      ld::setGifLoadCorrupted(true);
      ld::setGifMaxDecodePixels(pixels);
    }
  } restore;
  ld::setGifLoadCorrupted(corruptedOn);
  ld::setGifMaxDecodePixels(kMaxPixels);

  TGIFImage img;
  bool loaded = false;
  try {
    if (mode & 2)
      img.readFormData(bytes);
    else
      img.loadFromData(bytes);
    loaded = true;
  } catch (const EInvalidGraphicOperation&) {
  } catch (const std::bad_alloc&) {
  }
  const bool withinBudget = decodeAll(img);

  if (img.currentIndex() >= 0 && img.currentIndex() < img.frameCount() &&
      smallFrame(img.frame(img.currentIndex()))) {
    QImage canvas(48, 32, QImage::Format_ARGB32);
    canvas.fill(0xFF102030u);
    QPainter p(&canvas);
    try {
      img.draw(p, QRect(1, 2, 45, 29));
    } catch (const EInvalidGraphicOperation&) {
    }
  }

  if (loaded && corruptedOn) {
    bool small = withinBudget;
    // A frame cut off right after its descriptor has no encoded data at all and cannot be written.
    for (int i = 0; i < img.frameCount(); ++i)
      small = small && smallFrame(img.frame(i)) && !img.frame(i).item()->data.isEmpty();
    if (small) checkRoundTrip(img);
    if (mode & 4) checkEncode(img, mode >> 3);
  }
  return 0;
}

}  // namespace gif_fuzz
