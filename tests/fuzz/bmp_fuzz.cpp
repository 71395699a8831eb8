// libFuzzer entry for the bitmap import: the same conversion the settings window runs for a file whose name
// holds ".bmp" (Qt's BMP reader, the size and completeness checks, the stretch to 480 x 360 and our JPEG
// encoder). Any bytes must end in a 480 x 360 JPEG or an ld::Error, never in a crash, a leak or undefined
// behaviour.
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/errors.h"
#include "framework/jpeg.h"
#include "settings/photo_import.h"

namespace {

QString g_file;

// A bitmap laid out by hand: 14-byte file header, an info header of headerSize bytes, then `rest`
// (masks, palette and pixels as the kind needs them).
QByteArray bitmap(int width, int height, int bits, quint32 compression, const QByteArray& rest,
                  int headerSize = 40, int paletteOffset = 0) {
  QByteArray h(14 + headerSize, '\0');
  h[0] = 'B';
  h[1] = 'M';
  qToLittleEndian<quint32>(quint32(h.size() + rest.size()), h.data() + 2);
  qToLittleEndian<quint32>(quint32(14 + headerSize + paletteOffset), h.data() + 10);
  qToLittleEndian<quint32>(quint32(headerSize), h.data() + 14);
  if (headerSize == 12) {
    qToLittleEndian<quint16>(quint16(width), h.data() + 18);
    qToLittleEndian<quint16>(quint16(height), h.data() + 20);
    qToLittleEndian<quint16>(1, h.data() + 22);
    qToLittleEndian<quint16>(quint16(bits), h.data() + 24);
  } else {
    qToLittleEndian<qint32>(width, h.data() + 18);
    qToLittleEndian<qint32>(height, h.data() + 22);
    qToLittleEndian<quint16>(1, h.data() + 26);
    qToLittleEndian<quint16>(quint16(bits), h.data() + 28);
    qToLittleEndian<quint32>(compression, h.data() + 30);
  }
  return h + rest;
}

QByteArray palette(int colours) {
  QByteArray p;
  for (int i = 0; i < colours; ++i)
    p += QByteArray::fromStdString({char(i * 40), char(255 - i * 16), char(i * 9), 0});
  return p;
}

void save(const std::string& path, const QByteArray& bytes) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
}

void writeSeeds(const std::string& dir) {
  QImage picture(20, 14, QImage::Format_RGB32);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 20; ++x) picture.setPixel(x, y, qRgb(x * 12, y * 18, (x ^ y) * 8));
  const QImage::Format formats[] = {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_RGB32,
                                    QImage::Format_ARGB32};
  for (QImage::Format format : formats)
    picture.convertToFormat(format).save(QString::fromStdString(dir + "/qt" + std::to_string(format)), "BMP");

  // RLE8: runs, an absolute stretch, a jump, ends of line, the end of the bitmap.
  QByteArray rle8(
      "\x10\x01\x00\x00"
      "\x00\x05\x02\x03\x04\x02\x01\x00\x0b\x03\x00\x00"
      "\x00\x02\x03\x01\x06\x02\x00\x00"
      "\x00\x01",
      26);
  save(dir + "/rle8", bitmap(16, 8, 8, 1, palette(4) + rle8, 40, 16));
  QByteArray rle4("\x10\x12\x00\x00\x08\x34\x00\x00\x00\x05\x12\x34\x50\x00\x00\x00\x00\x01", 18);
  save(dir + "/rle4", bitmap(16, 6, 4, 2, palette(6) + rle4, 40, 24));
  // 16 bits, 5-6-5 masks after the info header.
  QByteArray masks(12, '\0');
  qToLittleEndian<quint32>(0xF800, masks.data());
  qToLittleEndian<quint32>(0x07E0, masks.data() + 4);
  qToLittleEndian<quint32>(0x001F, masks.data() + 8);
  QByteArray px16;
  for (int i = 0; i < 8 * 4; ++i) px16 += QByteArray::fromStdString({char(i * 37), char(i * 11)});
  save(dir + "/rgb565", bitmap(8, 4, 16, 3, masks + px16, 40, 12));
  // The 12-byte header of OS/2 bitmaps, 24 bits; and a top-down 24-bit one.
  QByteArray px24;
  for (int i = 0; i < 3 * 12 * 5; ++i) px24 += char(i * 7);
  save(dir + "/core24", bitmap(12, 5, 24, 0, px24, 12));
  save(dir + "/topdown24", bitmap(12, -5, 24, 0, px24));
  // A 4-bit paletted one and a V5 header with 32 bits.
  QByteArray px4(4 * 6, '\x5a');
  save(dir + "/pal4", bitmap(7, 6, 4, 0, palette(16) + px4, 40, 64));
  QByteArray px32(4 * 6 * 3, '\x33');
  save(dir + "/v5_32", bitmap(6, 3, 32, 0, px32, 124));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Qt's reader warns about every odd header; the findings are what counts.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  if (const char* dir = std::getenv("LD_BMP_FUZZ_SEEDS")) writeSeeds(dir);
  const char* tmp = std::getenv("TMPDIR");
  g_file =
      QStringLiteral("%1/ld-bmp-fuzz-%2.bmp").arg(QString::fromLocal8Bit(tmp ? tmp : "/tmp")).arg(getpid());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    QFile f(g_file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    if (f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) std::abort();
  }
  try {
    const QByteArray jpeg = ld::convertPhoto(g_file, 100, QSize(480, 360));
    if (ld::decodeJpeg(jpeg).size() != QSize(480, 360)) __builtin_trap();
  } catch (const ld::Error&) {
  }
  return 0;
}
