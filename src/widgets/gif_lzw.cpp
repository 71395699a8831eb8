#include "widgets/gif_lzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ld {

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes
// The string of a code is unwound through a stack of 4097 entries: a string longer than that is damage.
constexpr int kStackSize = 4097;

// Decoder tables. len[c] != 0 marks a "safe" entry of the current table generation: its string, exactly as
// the chain prefix/suffix unwinds it, is stable until the next clear and sits in the output at offset[c].
// Such strings are copied from the output instead of being unwound (the usual fast path); anything else
// (stale entries reached through damaged data, codes between the mask and the clear code) is unwound
// through prefix/suffix exactly as the text describes.
struct Tables {
  std::uint16_t prefix[kMaxCodes];
  std::uint8_t suffix[kMaxCodes];
  std::uint16_t len[kMaxCodes];
  std::size_t offset[kMaxCodes];
  std::uint8_t stack[kStackSize + 8];
};

struct Flattened {
  std::vector<std::uint8_t> bytes;       // the sub-blocks' data bytes, followed by 8 zero bytes
  std::vector<std::size_t> blockEnds;    // per sub-block: its end offset in the encoded data (for progress)
  std::vector<std::size_t> blockStarts;  // per sub-block: its start offset in `bytes`
};

// Copies n bytes from an earlier part of the output (src + n <= dst) in 8-byte steps; may write up to 7
// bytes past dst + n and read up to 7 bytes past src + n (both inside the buffer's slack).
inline void copyString(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
  if (n <= 8) {
    std::uint64_t a;
    std::memcpy(&a, src, 8);
    std::memcpy(dst, &a, 8);
    return;
  }
  if (n <= 16) {
    std::uint64_t a, b;
    std::memcpy(&a, src, 8);
    std::memcpy(&b, src + 8, 8);
    std::memcpy(dst, &a, 8);
    std::memcpy(dst + 8, &b, 8);
    return;
  }
  std::memcpy(dst, src, n);  // src + n <= dst: no overlap
}

void flatten(const std::uint8_t* data, std::size_t size, Flattened& f, bool wantBlocks) {
  f.bytes.clear();
  f.blockEnds.clear();
  f.blockStarts.clear();
  std::size_t i = 1;  // after the code size byte
  while (i < size) {
    std::size_t n = data[i++];
    if (n == 0) break;
    std::size_t take = std::min(n, size - i);
    if (wantBlocks) f.blockStarts.push_back(f.bytes.size());
    f.bytes.insert(f.bytes.end(), data + i, data + i + take);
    i += take;
    if (wantBlocks) f.blockEnds.push_back(i);
  }
  f.bytes.insert(f.bytes.end(), 8, 0);
}

[[noreturn]] void fail(const char* message, const GifProgress* progress) {
  if (progress && *progress) (*progress)(ProgressStage::Ending, 0, QString::fromLatin1(message));
  throw EInvalidGraphicOperation(QString::fromLatin1(message));
}

template <bool kProgress>
LzwDecodeResult decode(const std::uint8_t* data, std::size_t size, int bitsPerPixel, std::uint8_t* out,
                       std::size_t pixelCount, bool loadCorrupted, const GifProgress* progress) {
  static thread_local Tables tables;
  static thread_local Flattened f;
  Tables& t = tables;  // one lookup of the thread-local storage
  std::uint16_t* const tPrefix = t.prefix;
  std::uint8_t* const tSuffix = t.suffix;
  std::uint16_t* const tLen = t.len;
  std::size_t* const tOffset = t.offset;

  LzwDecodeResult result;
  bool damaged = false;
  bool truncated = false;

  int codeSize = size > 0 ? data[0] : 0;
  if (codeSize < 2 || codeSize > 9) {
    if (!loadCorrupted) fail(gifmsg::kBadCodeSize, progress);
    damaged = true;
    codeSize = std::clamp(codeSize, 2, 9);
  }
  if (size == 0) truncated = true;
  flatten(data, size, f, kProgress);
  const std::uint8_t* in = f.bytes.data();
  const std::uint64_t totalBits = static_cast<std::uint64_t>(f.bytes.size() - 8) * 8;
  std::uint64_t bitPos = 0;

  std::memset(t.prefix, 0, sizeof t.prefix);
  std::memset(t.suffix, 0, sizeof t.suffix);
  std::memset(t.len, 0, sizeof t.len);

  const int mask = (1 << bitsPerPixel) - 1;
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  const int firstFree = clearCode + 2;
  int width = codeSize + 1;
  int maxCode = 1 << width;
  int freeCode = firstFree;
  bool tableFull = false;

  std::size_t pos = 0;
  int oldCode = 0;
  int finalChar = 0;
  bool expectFirst = true;  // the next code is the first of the data or follows a clear code
  bool afterClear = false;
  bool prevExact = false;  // the previous output is exactly the current string of oldCode
  std::size_t prevPos = 0;
  std::size_t prevLen = 0;

  int lastPercent = -1;
  std::size_t block = 0;
  if constexpr (kProgress) (*progress)(ProgressStage::Starting, 0, QString());

  while (pos < pixelCount) {
    if (bitPos + static_cast<unsigned>(width) > totalBits) {
      truncated = true;
      break;
    }
    std::uint64_t bits;
    std::memcpy(&bits, in + (bitPos >> 3), 8);
    const int code = static_cast<int>((bits >> (bitPos & 7)) & static_cast<unsigned>(maxCode - 1));
    bitPos += static_cast<unsigned>(width);

    if constexpr (kProgress) {
      // The stream stands at the end of the sub-block that held the code's last bit.
      std::size_t lastByte = static_cast<std::size_t>((bitPos - 1) >> 3);
      while (block + 1 < f.blockStarts.size() && f.blockStarts[block + 1] <= lastByte) ++block;
      std::size_t position = f.blockEnds.empty() ? size : f.blockEnds[block];
      int percent = static_cast<int>(position * 100 / size);
      if (percent != lastPercent) {
        lastPercent = percent;
        (*progress)(ProgressStage::Running, percent, QString());
      }
    }

    if (code == endCode) break;
    if (code == clearCode) {
      width = codeSize + 1;
      maxCode = 1 << width;
      freeCode = firstFree;
      tableFull = false;
      expectFirst = true;
      afterClear = true;
      continue;
    }
    if (expectFirst) {
      // The code after a clear code is output as a literal, masked; no table entry is made.
      if (damaged && !afterClear) break;
      expectFirst = false;
      afterClear = false;
      out[pos] = static_cast<std::uint8_t>(code & mask);
      prevExact = code <= mask;
      prevPos = pos;
      prevLen = 1;
      pos += 1;
      oldCode = code;
      finalChar = code & mask;
      continue;
    }
    if (damaged) break;  // after damage, decoding stops at the first code that is not a clear code

    const std::size_t start = pos;
    const bool repeat = code >= freeCode;  // the KwKwK case (and any code beyond the table)
    const int src = repeat ? oldCode : code;
    std::size_t length;
    int root;
    if (src <= mask) {
      out[pos] = static_cast<std::uint8_t>(src);
      length = 1;
      root = src;
    } else if (src < freeCode && tLen[src] != 0) {
      length = tLen[src];
      copyString(out + pos, out + tOffset[src], length);
      root = out[pos];
    } else {
      // Unwind the chain exactly: suffixes until a code at or below the mask.
      int n = 0;
      int cur = src;
      const int reserved = repeat ? 1 : 0;
      bool overflow = false;
      while (cur > mask) {
        if (n + reserved >= kStackSize - 1) {
          overflow = true;
          break;
        }
        t.stack[n++] = tSuffix[cur];
        cur = tPrefix[cur];
      }
      if (overflow) {
        if (!loadCorrupted) fail(gifmsg::kDecodeError, progress);
        damaged = true;
        continue;  // this code outputs nothing; the next code that is not a clear code ends the frame
      }
      root = cur;
      out[pos] = static_cast<std::uint8_t>(cur);
      for (int i = 0; i < n; ++i) out[pos + 1 + static_cast<std::size_t>(i)] = t.stack[n - 1 - i];
      length = static_cast<std::size_t>(n) + 1;
    }
    if (repeat) {
      out[pos + length] = static_cast<std::uint8_t>(finalChar);
      ++length;
    }

    bool exactNow = !repeat;  // a code inside the table was output as its own string
    if (!tableFull) {
      const int k = freeCode;
      tPrefix[k] = static_cast<std::uint16_t>(oldCode);
      tSuffix[k] = static_cast<std::uint8_t>(root);
      const bool safe = prevExact && (oldCode <= mask || (oldCode < k && tLen[oldCode] != 0));
      tLen[k] = safe ? static_cast<std::uint16_t>(prevLen + 1) : 0;
      tOffset[k] = prevPos;
      if (repeat && code == k && finalChar == root) exactNow = true;
      ++freeCode;
      if (freeCode >= maxCode) {
        if (width < 12) {
          ++width;
          maxCode <<= 1;
        } else {
          tableFull = true;
        }
      }
    }
    prevExact = exactNow;
    prevPos = start;
    prevLen = length;
    oldCode = code;
    finalChar = root;
    pos += length;
  }

  if (truncated && !loadCorrupted) fail(gifmsg::kReadError, progress);
  result.decoded = std::min(pos, pixelCount);
  if (pos < pixelCount) std::memset(out + pos, 0, pixelCount - pos);
  result.corrupted = damaged || truncated;
  if constexpr (kProgress) (*progress)(ProgressStage::Ending, 100, QString());
  return result;
}

// ---- encoder ----

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void put(unsigned code, int width) {
    acc_ |= static_cast<std::uint64_t>(code) << n_;
    n_ += width;
    while (n_ >= 8) {
      out_.push_back(static_cast<std::uint8_t>(acc_));
      acc_ >>= 8;
      n_ -= 8;
    }
  }
  void flush() {
    if (n_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_));
    acc_ = 0;
    n_ = 0;
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;
  int n_ = 0;
};

}  // namespace

LzwDecodeResult lzwDecode(const std::uint8_t* data, std::size_t size, int bitsPerPixel, std::uint8_t* out,
                          std::size_t pixelCount, bool loadCorrupted, const GifProgress* progress) {
  bitsPerPixel = std::clamp(bitsPerPixel, 1, 8);
  if (progress && *progress)
    return decode<true>(data, size, bitsPerPixel, out, pixelCount, loadCorrupted, progress);
  return decode<false>(data, size, bitsPerPixel, out, pixelCount, loadCorrupted, nullptr);
}

QByteArray lzwEncode(const std::uint8_t* indices, std::size_t count, int codeSize) {
  codeSize = std::clamp(codeSize, 2, 8);
  constexpr int kHashSize = 8192;  // open addressing, power of two above 4096 / 0.5
  static thread_local std::uint32_t keys[kHashSize];
  static thread_local std::uint16_t codes[kHashSize];
  auto resetTable = [] { std::memset(keys, 0xFF, sizeof keys); };

  std::vector<std::uint8_t> raw;
  raw.reserve(count / 2 + 64);
  BitWriter w(raw);
  const unsigned clearCode = 1u << codeSize;
  const unsigned endCode = clearCode + 1;
  int width = codeSize + 1;
  unsigned next = clearCode + 2;
  resetTable();

  // After each data code the decoder holds `next` entries; it widens its codes when that reaches 2^width.
  auto emitCode = [&](unsigned code) {
    w.put(code, width);
    if (next >= (1u << width) && width < 12) ++width;
  };

  w.put(clearCode, width);
  if (count > 0) {
    unsigned prefix = indices[0];
    for (std::size_t i = 1; i < count; ++i) {
      const unsigned c = indices[i];
      const std::uint32_t key = (prefix << 8) | c;
      std::uint32_t h = (key * 2654435761u) >> 19;  // 13 bits
      bool found = false;
      while (keys[h] != 0xFFFFFFFFu) {
        if (keys[h] == key) {
          found = true;
          break;
        }
        h = (h + 1) & (kHashSize - 1);
      }
      if (found) {
        prefix = codes[h];
        continue;
      }
      emitCode(prefix);
      if (next >= 4095) {
        w.put(clearCode, width);
        width = codeSize + 1;
        next = clearCode + 2;
        resetTable();
      } else {
        keys[h] = key;
        codes[h] = static_cast<std::uint16_t>(next++);
      }
      prefix = c;
    }
    emitCode(prefix);
  }
  w.put(endCode, width);
  w.flush();

  QByteArray out;
  out.reserve(static_cast<qsizetype>(raw.size() + raw.size() / 255 + 3));
  out.append(static_cast<char>(codeSize));
  for (std::size_t i = 0; i < raw.size(); i += 255) {
    std::size_t n = std::min<std::size_t>(255, raw.size() - i);
    out.append(static_cast<char>(n));
    out.append(reinterpret_cast<const char*>(raw.data() + i), static_cast<qsizetype>(n));
  }
  out.append('\0');
  return out;
}

}  // namespace ld
