#include "widgets/gif_quantize.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ld {

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

inline int red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
inline std::uint32_t rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
         static_cast<std::uint32_t>(b);
}
inline std::uint32_t hash32(std::uint32_t c) { return (c * 2654435761u); }

// The picture's pixels as 0xRRGGBB, rows top to bottom.
std::vector<std::uint32_t> rgbPixels(const QImage& picture, bool grayscale) {
  QImage img = picture;
  if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32)
    img = img.convertToFormat(QImage::Format_ARGB32);
  const int w = img.width(), h = img.height();
  std::vector<std::uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    std::uint32_t* o = px.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = line[x] & 0xFFFFFFu;
      if (grayscale) {
        int g = qGray(static_cast<QRgb>(c));
        c = rgb(g, g, g);
      }
      o[x] = c;
    }
  }
  return px;
}

// Small open-addressing set of colours with their palette index; gives up above `limit` entries.
class ColorSet {
 public:
  explicit ColorSet(size_t capacityPow2) : keys_(capacityPow2, kEmpty), vals_(capacityPow2, 0) {}
  // Index of c, inserting it with `value` when new; -1 when the set is full.
  int findOrInsert(std::uint32_t c, int value, size_t limit) {
    size_t m = keys_.size() - 1;
    size_t h = hash32(c) >> 8 & m;
    while (keys_[h] != kEmpty) {
      if (keys_[h] == c) return vals_[h];
      h = (h + 1) & m;
    }
    if (size_ >= limit) return -1;
    keys_[h] = c;
    vals_[h] = value;
    ++size_;
    return value;
  }
  int find(std::uint32_t c) const {
    size_t m = keys_.size() - 1;
    size_t h = hash32(c) >> 8 & m;
    while (keys_[h] != kEmpty) {
      if (keys_[h] == c) return vals_[h];
      h = (h + 1) & m;
    }
    return -1;
  }
  size_t size() const { return size_; }

 private:
  std::vector<std::uint32_t> keys_;
  std::vector<int> vals_;
  size_t size_ = 0;
};

struct Cell {
  std::uint32_t count = 0;
  std::uint64_t r = 0, g = 0, b = 0;
};

struct Box {
  int lo[3], hi[3];  // inclusive cell ranges, 5 bits per channel
  std::uint64_t count = 0;
  std::uint64_t r = 0, g = 0, b = 0;
};

inline int cellIndex(int r5, int g5, int b5) { return (r5 << 10) | (g5 << 5) | b5; }

// Shrinks the box to its occupied cells and sums its statistics.
void fit(Box& box, const std::vector<Cell>& hist) {
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  box.count = box.r = box.g = box.b = 0;
  for (int r = box.lo[0]; r <= box.hi[0]; ++r)
    for (int g = box.lo[1]; g <= box.hi[1]; ++g)
      for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
        const Cell& c = hist[static_cast<size_t>(cellIndex(r, g, b))];
        if (!c.count) continue;
        box.count += c.count;
        box.r += c.r;
        box.g += c.g;
        box.b += c.b;
        lo[0] = std::min(lo[0], r), hi[0] = std::max(hi[0], r);
        lo[1] = std::min(lo[1], g), hi[1] = std::max(hi[1], g);
        lo[2] = std::min(lo[2], b), hi[2] = std::max(hi[2], b);
      }
  if (box.count) {
    std::copy(lo, lo + 3, box.lo);
    std::copy(hi, hi + 3, box.hi);
  }
}

std::vector<std::uint32_t> medianCut(const std::vector<Cell>& hist, int budget) {
  std::vector<Box> boxes;
  Box all{{0, 0, 0}, {31, 31, 31}};
  fit(all, hist);
  if (all.count == 0 || budget <= 0) return {};
  boxes.push_back(all);
  while (static_cast<int>(boxes.size()) < budget) {
    // The box with the most pixels times its longest side (squared) that can still be split.
    int best = -1;
    double bestScore = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      const Box& b = boxes[i];
      int side = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]});
      if (side == 0) continue;
      double score = static_cast<double>(b.count) * side * side;
      if (score > bestScore) bestScore = score, best = static_cast<int>(i);
    }
    if (best < 0) break;
    Box box = boxes[static_cast<size_t>(best)];
    int axis = 0;
    for (int a = 1; a < 3; ++a)
      if (box.hi[a] - box.lo[a] > box.hi[axis] - box.lo[axis]) axis = a;
    // Counts per slice along the axis.
    std::array<std::uint64_t, 32> slice{};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
          int v = axis == 0 ? r : axis == 1 ? g : b;
          slice[static_cast<size_t>(v)] += hist[static_cast<size_t>(cellIndex(r, g, b))].count;
        }
    std::uint64_t acc = 0;
    int cut = box.lo[axis];
    for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
      acc += slice[static_cast<size_t>(v)];
      cut = v;
      if (acc * 2 >= box.count) break;
    }
    Box a = box, b = box;
    a.hi[axis] = cut;
    b.lo[axis] = cut + 1;
    fit(a, hist);
    fit(b, hist);
    boxes[static_cast<size_t>(best)] = a;
    if (b.count) boxes.push_back(b);
  }
  std::vector<std::uint32_t> colors;
  for (const Box& b : boxes) {
    if (!b.count) continue;
    auto mean = [&](std::uint64_t s) { return static_cast<int>((s + b.count / 2) / b.count); };
    colors.push_back(rgb(mean(b.r), mean(b.g), mean(b.b)));
  }
  return colors;
}

// Nearest palette entry among [from, palette.size()), skipping `skip`.
struct Nearest {
  std::vector<std::array<int, 3>> pal;
  int skip = -1;
  int operator()(int r, int g, int b) const {
    int best = -1;
    int bestD = 1 << 30;
    for (size_t i = 0; i < pal.size(); ++i) {
      if (static_cast<int>(i) == skip) continue;
      int dr = pal[i][0] - r, dg = pal[i][1] - g, db = pal[i][2] - b;
      int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
      if (d < bestD) {
        bestD = d;
        best = static_cast<int>(i);
        if (d == 0) break;
      }
    }
    return best < 0 ? 0 : best;
  }
};

// A few k-means rounds over the histogram cells' mean colours, moving the free entries [first, n).
void refine(std::vector<std::uint32_t>& palette, size_t first, const std::vector<Cell>& hist) {
  if (palette.size() <= first) return;
  for (int round = 0; round < 2; ++round) {
    Nearest nearest;
    for (size_t i = first; i < palette.size(); ++i)
      nearest.pal.push_back({red(palette[i]), green(palette[i]), blue(palette[i])});
    std::vector<Cell> acc(palette.size() - first);
    for (const Cell& c : hist) {
      if (!c.count) continue;
      int r = static_cast<int>(c.r / c.count), g = static_cast<int>(c.g / c.count),
          b = static_cast<int>(c.b / c.count);
      Cell& a = acc[static_cast<size_t>(nearest(r, g, b))];
      a.count += c.count;
      a.r += c.r;
      a.g += c.g;
      a.b += c.b;
    }
    for (size_t i = 0; i < acc.size(); ++i) {
      const Cell& a = acc[i];
      if (!a.count) continue;
      auto mean = [&](std::uint64_t s) { return static_cast<int>((s + a.count / 2) / a.count); };
      palette[first + i] = rgb(mean(a.r), mean(a.g), mean(a.b));
    }
  }
}

// One level away from the key in one channel.
std::uint32_t nudge(std::uint32_t c) {
  int b = blue(c);
  return (c & 0xFFFF00u) | static_cast<std::uint32_t>(b < 255 ? b + 1 : b - 1);
}

// The colours that keep an entry of their own: the key (entry 0 when there is one), pure black and pure
// white whenever they occur.
struct Reserved {
  bool hasKey = false;
  std::uint32_t key = 0;
  int blackIndex = -1;
  int whiteIndex = -1;

  // The reserved entry of colour c, or -1.
  int indexOf(std::uint32_t c) const {
    if (hasKey && c == key) return 0;
    if (c == kBlack && blackIndex >= 0) return blackIndex;
    if (c == kWhite && whiteIndex >= 0) return whiteIndex;
    return -1;
  }
};

// Every distinct colour an entry of its own, in order of first appearance after the reserved key; false
// (and `out` partly filled) when they do not fit in 256 entries.
bool exactPalette(const std::vector<std::uint32_t>& px, const Reserved& reserved, IndexedPicture& out) {
  ColorSet set(1024);
  std::vector<std::uint32_t> exact;
  if (reserved.hasKey) exact.push_back(reserved.key);
  const size_t limit = 256 - exact.size();
  std::uint32_t last = kEmpty;
  int lastIndex = 0;
  for (size_t i = 0; i < px.size(); ++i) {
    const std::uint32_t c = px[i];
    if (c == last) {
      out.indices[i] = static_cast<std::uint8_t>(lastIndex);
      continue;
    }
    int idx;
    if (reserved.hasKey && c == reserved.key) {
      idx = 0;
    } else {
      idx = set.findOrInsert(c, static_cast<int>(exact.size()), limit);
      if (idx < 0) return false;
      if (idx == static_cast<int>(exact.size())) exact.push_back(c);
    }
    last = c;
    lastIndex = idx;
    out.indices[i] = static_cast<std::uint8_t>(idx);
  }
  if (exact.empty()) exact.push_back(0);
  for (std::uint32_t c : exact) out.palette.push_back(0xFF000000u | c);
  return true;
}

// The 5-bit-per-channel histogram of the colours that are not reserved; notes whether black and white
// occur, which then get their reserved entries.
std::vector<Cell> histogram(const std::vector<std::uint32_t>& px, Reserved& reserved,
                            std::vector<std::uint32_t>& palette) {
  bool hasBlack = false, hasWhite = false;
  std::vector<Cell> hist(32768);
  for (std::uint32_t c : px) {
    if (reserved.hasKey && c == reserved.key) continue;
    if (c == kBlack) {
      hasBlack = true;
      continue;
    }
    if (c == kWhite) {
      hasWhite = true;
      continue;
    }
    Cell& cell = hist[static_cast<size_t>(cellIndex(red(c) >> 3, green(c) >> 3, blue(c) >> 3))];
    ++cell.count;
    cell.r += static_cast<std::uint64_t>(red(c));
    cell.g += static_cast<std::uint64_t>(green(c));
    cell.b += static_cast<std::uint64_t>(blue(c));
  }
  auto reserve = [&](bool occurs, std::uint32_t colour, int& index) {
    if (!occurs) return;
    if (reserved.hasKey && reserved.key == colour) {
      index = 0;
      return;
    }
    index = static_cast<int>(palette.size());
    palette.push_back(colour);
  };
  reserve(hasBlack, kBlack, reserved.blackIndex);
  reserve(hasWhite, kWhite, reserved.whiteIndex);
  return hist;
}

// The reduced palette: the reserved entries, then median-cut boxes refined by k-means; no entry but the
// key's has the key colour.
std::vector<std::uint32_t> reducedPalette(const std::vector<std::uint32_t>& px, Reserved& reserved) {
  std::vector<std::uint32_t> palette;
  if (reserved.hasKey) palette.push_back(reserved.key);
  const std::vector<Cell> hist = histogram(px, reserved, palette);
  const size_t firstFree = palette.size();
  const std::vector<std::uint32_t> boxes = medianCut(hist, 256 - static_cast<int>(firstFree));
  palette.insert(palette.end(), boxes.begin(), boxes.end());
  refine(palette, firstFree, hist);
  if (reserved.hasKey)
    for (size_t i = 1; i < palette.size(); ++i)
      if (palette[i] == reserved.key) palette[i] = nudge(reserved.key);
  if (palette.empty()) palette.push_back(0);
  return palette;
}

// Nearest colour per pixel, cached per exact colour in a direct-mapped cache.
void mapNearest(const std::vector<std::uint32_t>& px, const Nearest& nearest, const Reserved& reserved,
                IndexedPicture& out) {
  constexpr size_t kCache = 1 << 16;
  std::vector<std::uint32_t> cacheKey(kCache, kEmpty);
  std::vector<std::uint8_t> cacheVal(kCache, 0);
  for (size_t i = 0; i < px.size(); ++i) {
    const std::uint32_t c = px[i];
    const int r = reserved.indexOf(c);
    if (r >= 0) {
      out.indices[i] = static_cast<std::uint8_t>(r);
      continue;
    }
    const size_t slot = hash32(c) >> 16;
    if (cacheKey[slot] != c) {
      cacheKey[slot] = c;
      cacheVal[slot] = static_cast<std::uint8_t>(nearest(red(c), green(c), blue(c)));
    }
    out.indices[i] = cacheVal[slot];
  }
}

// Floyd-Steinberg. Reserved colours map exactly and neither take nor pass on error.
void mapDithered(const std::vector<std::uint32_t>& px, const Nearest& nearest, const Reserved& reserved,
                 IndexedPicture& out) {
  const int w = out.width, h = out.height;
  std::vector<std::int16_t> grid(1 << 18, -1);  // nearest entry per 6-bit cell, filled on demand
  std::vector<int> errCur(static_cast<size_t>(w + 2) * 3, 0), errNext(static_cast<size_t>(w + 2) * 3, 0);
  for (int y = 0; y < h; ++y) {
    std::fill(errNext.begin(), errNext.end(), 0);
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      const std::uint32_t c = px[i];
      const int r = reserved.indexOf(c);
      if (r >= 0) {
        out.indices[i] = static_cast<std::uint8_t>(r);
        continue;
      }
      int* e = &errCur[static_cast<size_t>(x + 1) * 3];
      int v[3] = {std::clamp(red(c) + e[0] / 16, 0, 255), std::clamp(green(c) + e[1] / 16, 0, 255),
                  std::clamp(blue(c) + e[2] / 16, 0, 255)};
      size_t cell = static_cast<size_t>(((v[0] >> 2) << 12) | ((v[1] >> 2) << 6) | (v[2] >> 2));
      if (grid[cell] < 0) grid[cell] = static_cast<std::int16_t>(nearest(v[0], v[1], v[2]));
      const int idx = grid[cell];
      out.indices[i] = static_cast<std::uint8_t>(idx);
      for (int k = 0; k < 3; ++k) {
        int err = v[k] - nearest.pal[static_cast<size_t>(idx)][static_cast<size_t>(k)];
        errCur[static_cast<size_t>(x + 2) * 3 + static_cast<size_t>(k)] += err * 7;
        errNext[static_cast<size_t>(x) * 3 + static_cast<size_t>(k)] += err * 3;
        errNext[static_cast<size_t>(x + 1) * 3 + static_cast<size_t>(k)] += err * 5;
        errNext[static_cast<size_t>(x + 2) * 3 + static_cast<size_t>(k)] += err * 1;
      }
    }
    std::swap(errCur, errNext);
  }
}

}  // namespace

int IndexedPicture::bitsPerPixel() const {
  int b = 1;
  while ((1 << b) < palette.size()) ++b;
  return b;
}

IndexedPicture quantizeForGif(const QImage& picture, const QuantizeOptions& options) {
  IndexedPicture out;
  out.width = picture.width();
  out.height = picture.height();
  const std::vector<std::uint32_t> px = rgbPixels(picture, options.grayscale);
  out.indices.assign(px.size(), 0);
  Reserved reserved;
  reserved.hasKey = options.key.has_value();
  reserved.key = reserved.hasKey ? (*options.key & 0xFFFFFFu) : 0;
  if (reserved.hasKey) out.transparentIndex = 0;
  if (exactPalette(px, reserved, out)) return out;

  const std::vector<std::uint32_t> palette = reducedPalette(px, reserved);
  for (std::uint32_t c : palette) out.palette.push_back(0xFF000000u | c);
  Nearest nearest;
  for (std::uint32_t c : palette) nearest.pal.push_back({red(c), green(c), blue(c)});
  nearest.skip = reserved.hasKey ? 0 : -1;
  if (options.dither)
    mapDithered(px, nearest, reserved, out);
  else
    mapNearest(px, nearest, reserved, out);
  return out;
}

}  // namespace ld
