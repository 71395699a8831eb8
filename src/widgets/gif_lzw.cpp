#include "widgets/gif_lzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ld {

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes
constexpr int kMaxCodeWidth = 12;
// The string of a code is unwound through a stack of 4097 entries: a string longer than that is damage.
constexpr int kStackSize = 4097;

// The string table: an entry is a prefix code and a suffix index. len[c] != 0 marks an entry whose string,
// exactly as its chain unwinds, already sits in the output at offset[c]; that holds for every entry of
// well-formed data until the next clear code, and such strings are copied from the output (the fast path).
// Any other entry (one left over from before a clear code and reached through damaged data) is unwound
// through prefix and suffix.
struct Tables {
  std::uint16_t prefix[kMaxCodes];
  std::uint8_t suffix[kMaxCodes];
  std::uint16_t len[kMaxCodes];
  std::size_t offset[kMaxCodes];
  std::uint8_t stack[kStackSize + 8];
};

// The data bytes of the sub-blocks joined, followed by 8 zero bytes so that a code is read with one
// unaligned 8-byte load; for progress, where each sub-block starts in `bytes` and ends in the encoded data.
struct Flattened {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> blockEnds;
  std::vector<std::size_t> blockStarts;
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

// Setup: the code size byte, which must lie in 2 to 9. With load corrupted a bad one is clamped and counts
// as damage.
int readCodeSize(const std::uint8_t* data, std::size_t size, bool loadCorrupted, const GifProgress* progress,
                 bool& damaged) {
  const int codeSize = size > 0 ? data[0] : 0;
  if (codeSize >= 2 && codeSize <= 9) return codeSize;
  if (!loadCorrupted) fail(gifmsg::kBadCodeSize, progress);
  damaged = true;
  return std::clamp(codeSize, 2, 9);
}

// Input: the codes, least significant bit first, at the current code width.
struct CodeReader {
  const std::uint8_t* in;
  std::uint64_t totalBits;
  std::uint64_t bitPos = 0;
  int width = 0;
  int limit = 0;  // 2^width: when the next free code reaches it, codes widen

  void restart(int codeSize) {
    width = codeSize + 1;
    limit = 1 << width;
  }
  void widen() {
    if (width == kMaxCodeWidth) return;
    ++width;
    limit <<= 1;
  }
  // False when the data ends before the code.
  bool next(int& code) {
    if (bitPos + static_cast<unsigned>(width) > totalBits) return false;
    std::uint64_t bits;
    std::memcpy(&bits, in + (bitPos >> 3), 8);
    code = static_cast<int>((bits >> (bitPos & 7)) & static_cast<unsigned>(limit - 1));
    bitPos += static_cast<unsigned>(width);
    return true;
  }
};

// The share of the encoded data consumed, reported whenever it changes. The stream stands at the end of
// the sub-block that held the code's last bit.
struct ProgressReport {
  const GifProgress* callback;
  const Flattened& blocks;
  std::size_t size;
  std::size_t block = 0;
  int lastPercent = -1;

  void after(std::uint64_t bitPos) {
    const std::size_t lastByte = static_cast<std::size_t>((bitPos - 1) >> 3);
    while (block + 1 < blocks.blockStarts.size() && blocks.blockStarts[block + 1] <= lastByte) ++block;
    const std::size_t position = blocks.blockEnds.empty() ? size : blocks.blockEnds[block];
    const int percent = static_cast<int>(position * 100 / size);
    if (percent == lastPercent) return;
    lastPercent = percent;
    (*callback)(ProgressStage::Running, percent, QString());
  }
};

// Prefix tracing: writes the string of `code` at out by following its prefixes down to a literal (a code
// below `clearCode`, written masked), keeping `reserved` stack entries free. Returns the string's length,
// 0 when the chain is longer than the stack.
std::size_t traceString(Tables& t, int code, int clearCode, int mask, int reserved, std::uint8_t* out) {
  int n = 0;
  int cur = code;
  while (cur >= clearCode) {
    if (n + reserved >= kStackSize - 1) return 0;
    t.stack[n++] = t.suffix[cur];
    cur = t.prefix[cur];
  }
  out[0] = static_cast<std::uint8_t>(cur & mask);
  for (int i = 0; i < n; ++i) out[1 + i] = t.stack[n - 1 - i];
  return static_cast<std::size_t>(n) + 1;
}

// The decoding state between codes. Codes below the clear code (2^code size) are literals, whatever the
// size of the colour table; the end code follows the clear code and entries start after it. An index past
// the colour table is masked to it (`mask` = 2^bits per pixel - 1).
// The previous string is kept to build the next entry: an entry is the previous string plus the first
// index of the current one.
struct LzwState {
  Tables& t;
  std::uint8_t* out;
  int mask;
  int clearCode;
  int freeCode;       // the next entry; kMaxCodes once the table is full
  int oldCode = 0;    // the previous code
  int finalChar = 0;  // the first index of the previous string
  // The previous string: where it sits in the output, its length, and whether it is exactly the string
  // of oldCode's chain (then the entry built on it may be copied from the output).
  std::size_t prevPos = 0;
  std::size_t prevLen = 0;
  bool prevExact = false;

  bool isLiteral(int code) const { return code < clearCode; }
  // The clear code or the end code: one comparison for both on the common path.
  bool isControl(int code) const { return static_cast<unsigned>(code - clearCode) <= 1u; }
  bool tableFull() const { return freeCode >= kMaxCodes; }

  void clear() { freeCode = clearCode + 2; }

  // The first code after a clear code (or of the data): output as a literal, masked; no table entry.
  void emitFirst(int code, std::size_t pos) {
    out[pos] = static_cast<std::uint8_t>(code & mask);
    prevExact = isLiteral(code);
    prevPos = pos;
    prevLen = 1;
    oldCode = code;
    finalChar = code & mask;
  }

  // Any other code: its string (for a code not yet in the table, the previous string plus its own first
  // index), then the new entry. Returns the string's length, 0 for a chain longer than the stack.
  std::size_t emitCode(int code, std::size_t pos, CodeReader& reader) {
    const bool repeat = code >= freeCode;  // the KwKwK case (and any code beyond the table)
    const int src = repeat ? oldCode : code;
    std::size_t length;
    int root;  // the string's first index
    if (isLiteral(src)) {
      root = src & mask;
      out[pos] = static_cast<std::uint8_t>(root);
      length = 1;
    } else if (src < freeCode && t.len[src] != 0) {
      length = t.len[src];
      copyString(out + pos, out + t.offset[src], length);
      root = out[pos];
    } else {
      length = traceString(t, src, clearCode, mask, repeat ? 1 : 0, out + pos);
      if (length == 0) return 0;
      root = out[pos];
    }
    if (repeat) out[pos + length++] = static_cast<std::uint8_t>(finalChar);

    bool exactNow = !repeat;  // a code inside the table was output as its own string
    if (!tableFull()) {
      if (repeat && code == freeCode && finalChar == root) exactNow = true;
      addEntry(root, reader);
    }
    prevExact = exactNow;
    prevPos = pos;
    prevLen = length;
    oldCode = code;
    finalChar = root;
    return length;
  }

  // The entry for the previous code plus `root`; codes widen when the table reaches their limit, and at
  // 12 bits a full table (4096 entries) takes no more until the next clear code.
  void addEntry(int root, CodeReader& reader) {
    const int k = freeCode;
    t.prefix[k] = static_cast<std::uint16_t>(oldCode);
    t.suffix[k] = static_cast<std::uint8_t>(root);
    const bool safe = prevExact && (isLiteral(oldCode) || (oldCode < k && t.len[oldCode] != 0));
    t.len[k] = safe ? static_cast<std::uint16_t>(prevLen + 1) : 0;
    t.offset[k] = prevPos;
    ++freeCode;
    if (freeCode >= reader.limit) reader.widen();
  }
};

// The decode loop: codes until the end code, the end of the data or the last pixel. After damage, decoding
// stops at the next code that is not a clear code.
template <bool kProgress>
LzwDecodeResult decode(const std::uint8_t* data, std::size_t size, int bitsPerPixel, std::uint8_t* out,
                       std::size_t pixelCount, bool loadCorrupted, const GifProgress* progress) {
  static thread_local Tables tables;
  static thread_local Flattened f;
  Tables& t = tables;  // one lookup of the thread-local storage

  bool damaged = false;
  const int codeSize = readCodeSize(data, size, loadCorrupted, progress, damaged);
  bool truncated = size == 0;
  flatten(data, size, f, kProgress);
  std::memset(t.prefix, 0, sizeof t.prefix);
  std::memset(t.suffix, 0, sizeof t.suffix);
  std::memset(t.len, 0, sizeof t.len);

  CodeReader reader{f.bytes.data(), static_cast<std::uint64_t>(f.bytes.size() - 8) * 8};
  reader.restart(codeSize);
  LzwState state{t, out, (1 << bitsPerPixel) - 1, 1 << codeSize, 0};
  state.clear();
  ProgressReport report{progress, f, size};  // used only with kProgress
  if constexpr (kProgress) (*progress)(ProgressStage::Starting, 0, QString());

  // What the next code is, besides an ordinary one: the first of the data or after a clear code (no entry
  // is made for it), right after a clear code, after damage. Kept in one mask so that an ordinary code
  // costs one test.
  enum : unsigned { kFirst = 1, kAfterClear = 2, kDamaged = 4 };
  unsigned pending = kFirst | (damaged ? kDamaged : 0u);
  std::size_t pos = 0;
  while (pos < pixelCount) {
    int code;
    if (!reader.next(code)) {
      truncated = true;
      break;
    }
    if constexpr (kProgress) report.after(reader.bitPos);
    if (state.isControl(code)) [[unlikely]] {
      if (code != state.clearCode) break;  // the end code
      reader.restart(codeSize);
      state.clear();
      pending |= kFirst | kAfterClear;
      continue;
    }
    if (pending != 0) [[unlikely]] {
      // After damage, only the first code after a clear code gets through.
      if (!(pending & kFirst) || (pending & (kDamaged | kAfterClear)) == kDamaged) break;
      pending &= ~(kFirst | kAfterClear);
      state.emitFirst(code, pos);
      pos += 1;
      continue;
    }
    const std::size_t length = state.emitCode(code, pos, reader);
    if (length == 0) [[unlikely]] {
      if (!loadCorrupted) fail(gifmsg::kDecodeError, progress);
      pending |=
          kDamaged;  // this code outputs nothing; the next code that is not a clear code ends the frame
      continue;
    }
    pos += length;
  }

  if (truncated && !loadCorrupted) fail(gifmsg::kReadError, progress);
  LzwDecodeResult result;
  result.decoded = std::min(pos, pixelCount);
  if (pos < pixelCount) std::memset(out + pos, 0, pixelCount - pos);
  result.corrupted = (pending & kDamaged) != 0 || truncated;
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
