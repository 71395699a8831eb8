#pragma once
// Test helpers for the GIF image: a builder that assembles GIF files block by block, code packing for
// hand-made LZW streams, and an independent textbook LZW codec (dictionary of strings) used as a reference.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "widgets/gif_image.h"

namespace giftest {

using Codes = std::vector<std::pair<int, int>>;  // (code, width in bits)

// Code size byte, codes packed LSB first into sub-blocks of at most `blockSize` bytes, terminator.
inline QByteArray packCodes(int codeSize, const Codes& codes, int blockSize = 255, bool terminate = true) {
  std::vector<std::uint8_t> raw;
  std::uint64_t acc = 0;
  int n = 0;
  for (auto [code, width] : codes) {
    acc |= static_cast<std::uint64_t>(code) << n;
    n += width;
    while (n >= 8) {
      raw.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      n -= 8;
    }
  }
  if (n > 0) raw.push_back(static_cast<std::uint8_t>(acc));
  QByteArray out;
  out.append(static_cast<char>(codeSize));
  for (size_t i = 0; i < raw.size(); i += static_cast<size_t>(blockSize)) {
    size_t len = std::min(static_cast<size_t>(blockSize), raw.size() - i);
    out.append(static_cast<char>(len));
    out.append(reinterpret_cast<const char*>(raw.data() + i), static_cast<qsizetype>(len));
  }
  if (terminate) out.append('\0');
  return out;
}

// "Uncompressed" LZW: every pixel a literal code, with a clear code often enough that the code width never
// grows. Independent of the encoder under test.
inline Codes literalCodes(int codeSize, const std::vector<std::uint8_t>& pixels, bool endCode = true) {
  const int clear = 1 << codeSize;
  const int width = codeSize + 1;
  const int run = clear - 2;
  Codes codes;
  int inRun = run;
  for (std::uint8_t p : pixels) {
    if (inRun == run) {
      codes.push_back({clear, width});
      inRun = 0;
    }
    codes.push_back({p, width});
    ++inRun;
  }
  if (endCode) codes.push_back({clear + 1, width});
  return codes;
}

inline QByteArray literalData(int codeSize, const std::vector<std::uint8_t>& pixels, bool endCode = true) {
  return packCodes(codeSize, literalCodes(codeSize, pixels, endCode));
}

// Textbook LZW encoder with a string dictionary. With deferredClear the table is never reset: once it holds
// 4096 entries no more are added and codes stay 12 bits wide.
inline Codes referenceEncode(const std::vector<std::uint8_t>& pixels, int codeSize, bool deferredClear) {
  const int clear = 1 << codeSize;
  std::map<std::string, int> dict;
  auto reset = [&] {
    dict.clear();
    for (int i = 0; i < std::min(clear, 256); ++i) dict[std::string(1, static_cast<char>(i))] = i;
  };
  reset();
  int width = codeSize + 1;
  int next = clear + 2;
  Codes codes;
  codes.push_back({clear, width});
  if (pixels.empty()) {
    codes.push_back({clear + 1, width});
    return codes;
  }
  auto put = [&](int code) {
    codes.push_back({code, width});
    if (next >= (1 << width) && width < 12) ++width;
  };
  std::string w(1, static_cast<char>(pixels[0]));
  for (size_t i = 1; i < pixels.size(); ++i) {
    std::string wc = w + static_cast<char>(pixels[i]);
    if (dict.count(wc)) {
      w = wc;
      continue;
    }
    put(dict[w]);
    if (deferredClear) {
      if (next < 4096) dict[wc] = next++;
    } else if (next >= 4095) {
      codes.push_back({clear, width});
      width = codeSize + 1;
      next = clear + 2;
      reset();
    } else {
      dict[wc] = next++;
    }
    w = std::string(1, static_cast<char>(pixels[i]));
  }
  put(dict[w]);
  codes.push_back({clear + 1, width});
  return codes;
}

// Textbook decoder (giflib's decisions for well-formed data): returns the indices, at most `count`.
inline std::vector<std::uint8_t> referenceDecode(const QByteArray& data, size_t count) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(data.constData());
  const int codeSize = p[0];
  std::vector<std::uint8_t> bytes;
  for (qsizetype i = 1; i < data.size();) {
    int n = p[i++];
    if (n == 0) break;
    bytes.insert(bytes.end(), p + i, p + std::min<qsizetype>(i + n, data.size()));
    i += n;
  }
  const int clear = 1 << codeSize;
  std::vector<std::string> dict;
  auto reset = [&] {
    dict.assign(static_cast<size_t>(clear + 2), std::string());
    for (int i = 0; i < clear; ++i) dict[static_cast<size_t>(i)] = std::string(1, static_cast<char>(i));
  };
  reset();
  int width = codeSize + 1;
  size_t bit = 0;
  std::vector<std::uint8_t> out;
  std::string prev;
  while (out.size() < count && bit + static_cast<size_t>(width) <= bytes.size() * 8) {
    int code = 0;
    for (int k = 0; k < width; ++k, ++bit) code |= ((bytes[bit >> 3] >> (bit & 7)) & 1) << k;
    if (code == clear) {
      reset();
      width = codeSize + 1;
      prev.clear();
      continue;
    }
    if (code == clear + 1) break;
    std::string s;
    if (code < static_cast<int>(dict.size()) && !(code >= clear && dict[static_cast<size_t>(code)].empty()))
      s = dict[static_cast<size_t>(code)];
    else
      s = prev + prev[0];
    if (!prev.empty() && dict.size() < 4096) dict.push_back(prev + s[0]);
    if (dict.size() >= (1u << width) && width < 12) ++width;
    out.insert(out.end(), s.begin(), s.end());
    prev = s;
  }
  out.resize(std::min(out.size(), count));
  return out;
}

// Assembles a GIF file.
class GifBuilder {
 public:
  QByteArray bytes;

  GifBuilder& raw(const QByteArray& b) {
    bytes.append(b);
    return *this;
  }
  GifBuilder& byte(int b) {
    bytes.append(static_cast<char>(b));
    return *this;
  }
  GifBuilder& u16(int v) { return byte(v & 0xFF).byte((v >> 8) & 0xFF); }
  GifBuilder& signature(const char* sig = "GIF89a") { return raw(QByteArray(sig)); }
  // Logical screen descriptor; with a table, the global-table flag and size are set from it.
  GifBuilder& screen(int w, int h, const QList<QRgb>& table = {}, int background = 0, int aspect = 0,
                     int resolution = 8) {
    int packed = (resolution - 1) << 4;
    int bits = 0;
    if (!table.isEmpty()) {
      bits = tableBits(table.size());
      packed |= 0x80 | (bits - 1);
    }
    u16(w).u16(h).byte(packed).byte(background).byte(aspect);
    if (!table.isEmpty()) colorTable(table, bits);
    return *this;
  }
  GifBuilder& header(int w, int h, const QList<QRgb>& table = {}, const char* sig = "GIF89a") {
    return signature(sig).screen(w, h, table);
  }
  GifBuilder& colorTable(const QList<QRgb>& table, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
      QRgb c = i < table.size() ? table[i] : 0;
      byte(qRed(c)).byte(qGreen(c)).byte(qBlue(c));
    }
    return *this;
  }
  // Graphic control extension: delay in hundredths, disposal, transparent index (-1 for none).
  GifBuilder& gce(int delay, int disposal = 0, int transparentIndex = -1, int userInput = 0) {
    int packed = (disposal << 2) | (userInput << 1) | (transparentIndex >= 0 ? 1 : 0);
    return byte(0x21).byte(0xF9).byte(4).byte(packed).u16(delay).byte(std::max(transparentIndex, 0)).byte(0);
  }
  GifBuilder& subBlocks(const QList<QByteArray>& blocks) {
    for (const QByteArray& b : blocks) byte(static_cast<int>(b.size())).raw(b);
    return byte(0);
  }
  GifBuilder& comment(const QList<QByteArray>& blocks) { return byte(0x21).byte(0xFE).subBlocks(blocks); }
  GifBuilder& plainText(const QList<QByteArray>& blocks = {QByteArray("hello")}) {
    byte(0x21).byte(0x01).byte(12);
    for (int i = 0; i < 12; ++i) byte(i);
    return subBlocks(blocks);
  }
  GifBuilder& application(const QByteArray& id11, const QList<QByteArray>& blocks, int blockSize = 11) {
    byte(0x21).byte(0xFF).byte(blockSize).raw(id11.left(11).leftJustified(11, '\0'));
    return subBlocks(blocks);
  }
  GifBuilder& loop(int count, const char* id = "NETSCAPE2.0") {
    QByteArray d;
    d.append('\x01').append(static_cast<char>(count & 0xFF)).append(static_cast<char>((count >> 8) & 0xFF));
    return application(QByteArray(id), {d});
  }
  // Image descriptor (with an optional local table), then the encoded data as given.
  GifBuilder& image(int left, int top, int w, int h, const QByteArray& data, const QList<QRgb>& local = {},
                    bool interlaced = false) {
    int packed = interlaced ? 0x40 : 0;
    int bits = 0;
    if (!local.isEmpty()) {
      bits = tableBits(local.size());
      packed |= 0x80 | (bits - 1);
    }
    byte(0x2C).u16(left).u16(top).u16(w).u16(h).byte(packed);
    if (!local.isEmpty()) colorTable(local, bits);
    return raw(data);
  }
  GifBuilder& trailer() { return byte(0x3B); }

  static int tableBits(qsizetype n) {
    int b = 1;
    while ((1 << b) < n) ++b;
    return b;
  }
};

// n colours, distinct and deterministic.
inline QList<QRgb> palette(int n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  QList<QRgb> t;
  for (int i = 0; i < n; ++i)
    t.append(qRgb(static_cast<int>(rng() & 0xFF), static_cast<int>(rng() & 0xFF), i));
  return t;
}

inline std::vector<std::uint8_t> randomIndices(size_t n, int colors, unsigned seed, int runs = 1) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (size_t i = 0; i < n;) {
    std::uint8_t c = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colors));
    int r = runs > 1 ? static_cast<int>(rng() % static_cast<unsigned>(runs)) + 1 : 1;
    for (int k = 0; k < r && i < n; ++k) v[i++] = c;
  }
  return v;
}

// Indices of a decoded bitmap, row by row (Mono unpacked).
inline std::vector<std::uint8_t> indicesOf(const QImage& img) {
  std::vector<std::uint8_t> v;
  for (int y = 0; y < img.height(); ++y) {
    const uchar* line = img.constScanLine(y);
    for (int x = 0; x < img.width(); ++x) {
      if (img.format() == QImage::Format_Mono)
        v.push_back(static_cast<std::uint8_t>((line[x >> 3] >> (7 - (x & 7))) & 1));
      else
        v.push_back(line[x]);
    }
  }
  return v;
}

// File order of the rows of an interlaced frame of height h.
inline std::vector<int> interlaceOrder(int h) {
  std::vector<int> rows;
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int p = 0; p < 4; ++p)
    for (int y = start[p]; y < h; y += step[p]) rows.push_back(y);
  return rows;
}

inline std::vector<std::uint8_t> interlacePixels(const std::vector<std::uint8_t>& px, int w, int h) {
  std::vector<std::uint8_t> out;
  for (int y : interlaceOrder(h))
    out.insert(out.end(), px.begin() + static_cast<long>(y) * w, px.begin() + static_cast<long>(y + 1) * w);
  return out;
}

// ImageMagick's convert, when installed (the real one).
inline QString convertTool() {
  if (QFile::exists(QStringLiteral("/usr/bin/convert"))) return QStringLiteral("/usr/bin/convert");
  return QStandardPaths::findExecutable(QStringLiteral("convert"));
}

inline bool runTool(const QString& tool, const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(120000)) return false;
  if (out) *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline QByteArray readFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(data);
}

// Switches "load corrupted" for one scope.
class LoadCorrupted {
 public:
  explicit LoadCorrupted(bool on) : previous_(ld::gifLoadCorrupted()) { ld::setGifLoadCorrupted(on); }
  ~LoadCorrupted() { ld::setGifLoadCorrupted(previous_); }

 private:
  bool previous_;
};

inline QString errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EInvalidGraphicOperation& e) {
    return e.message();
  } catch (const std::exception& e) {
    return QStringLiteral("other: ") + QString::fromUtf8(e.what());
  }
  return QString();
}

}  // namespace giftest
