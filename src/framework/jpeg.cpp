#include "framework/jpeg.h"
#include "framework/text.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs the J_MESSAGE_CODE context.
#include <jerror.h>

namespace ld {

namespace {

// A crafted header may claim up to 65500 x 65500; refuse long before the allocations get absurd.
constexpr quint64 kMaxPixels = 100'000'000;
// Real encoders write at most a few dozen scans; thousands of tiny scans are a way to burn CPU.
constexpr int kMaxScans = 500;
// Backstop for libjpeg's own buffers (coefficient arrays of progressive files).
constexpr long kMaxLibjpegMemory = 1024L * 1024 * 1024;
// Far above any photo the import could meet; keeps a wrong file choice from filling memory.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

// Everything reached across setjmp/longjmp is plain data: longjmp must not skip a destructor.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 64];
};

struct ScanLimit {
  jpeg_progress_mgr pub;
  ErrorManager* err;
};

[[noreturn]] void failWith(ErrorManager* err, const char* text) {
  std::snprintf(err->message, sizeof err->message, "%s", text);
  std::longjmp(err->jump, 1);
}

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  failWith(err, text);
}

// Warnings that say nothing about the pixels: unknown JFIF revision or Adobe transform code, a broken
// ICC profile (unused here), and padding after the last MCU just before EOI.
bool harmlessWarning(const jpeg_error_mgr& e) {
  switch (e.msg_code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
      return true;
    case JWRN_EXTRANEOUS_DATA:
      return e.msg_parm.i[1] == 0xD9;
    default:
      return false;
  }
}

// libjpeg reports damaged data (premature end, bad Huffman codes, resyncs) as warnings and fills the rest
// of the picture with grey. A damaged photo must be refused, not shown half grey, so those end decoding.
void onMessage(j_common_ptr cinfo, int msgLevel) {
  if (msgLevel >= 0) return;  // trace output
  cinfo->err->num_warnings++;
  if (!harmlessWarning(*cinfo->err)) onError(cinfo);
}

void onProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    failWith(limit->err, "Too many scans in a progressive JPEG file");
  }
}

void installErrorManager(ErrorManager* err) {
  jpeg_std_error(&err->pub);
  err->pub.error_exit = onError;
  err->pub.emit_message = onMessage;
  err->message[0] = '\0';
}

// ---- decoding ----

struct DecodeJob {
  const unsigned char* data;
  unsigned long size;
  int minWidth;  // 0: no requirement in that direction
  int minHeight;
  QImage* image;  // lives in the caller's frame, untouched by the longjmp
  ErrorManager err;
  ScanLimit scanLimit;
};

// Kept out of line so that the QImage temporaries live and die in a frame that returns normally.
Q_NEVER_INLINE uchar* allocateImage(QImage* image, int width, int height, qsizetype* bytesPerLine) {
  try {
    *image = QImage(width, height, QImage::Format_RGB32);
  } catch (const std::bad_alloc&) {
    *image = QImage();
  }
  if (image->isNull()) return nullptr;
  *bytesPerLine = image->bytesPerLine();
  return image->bits();
}

void chooseScale(j_decompress_ptr cinfo, int minWidth, int minHeight) {
  if (minWidth <= 0 && minHeight <= 0) return;
  for (unsigned int m = 1; m <= 8; ++m) {
    cinfo->scale_num = m;
    cinfo->scale_denom = 8;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width >= static_cast<JDIMENSION>(std::max(minWidth, 0)) &&
        cinfo->output_height >= static_cast<JDIMENSION>(std::max(minHeight, 0))) {
      return;
    }
  }
}

// CMYK as Adobe writes it is stored inverted (0 = full ink); plain CMYK is not.
void cmykRowToRgb32(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
  auto* px = reinterpret_cast<QRgb*>(out);
  for (JDIMENSION x = 0; x < width; ++x, in += 4) {
    int c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    px[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
  }
}

// Returns false with job->err.message set on any failure. No C++ object with a destructor lives here.
bool runDecompress(DecodeJob* job) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  installErrorManager(&job->err);
  if (setjmp(job->err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.err = &job->err.pub;
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
  job->scanLimit.pub.progress_monitor = onProgress;
  job->scanLimit.err = &job->err;
  cinfo.progress = &job->scanLimit.pub;

  jpeg_mem_src(&cinfo, job->data, job->size);
  jpeg_read_header(&cinfo, TRUE);

  if (static_cast<quint64>(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    std::snprintf(job->err.message, sizeof job->err.message,
                  "Picture of %u x %u pixels is larger than the 100 megapixels accepted",
                  static_cast<unsigned>(cinfo.image_width), static_cast<unsigned>(cinfo.image_height));
    std::longjmp(job->err.jump, 1);
  }

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk) {
    cinfo.out_color_space = JCS_CMYK;
  } else {
    // Written straight into QImage::Format_RGB32 words; libjpeg-turbo sets the X byte to 0xFF.
    cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  }
  chooseScale(&cinfo, job->minWidth, job->minHeight);

  jpeg_start_decompress(&cinfo);
  qsizetype bytesPerLine = 0;
  uchar* bits = allocateImage(job->image, static_cast<int>(cinfo.output_width),
                              static_cast<int>(cinfo.output_height), &bytesPerLine);
  if (!bits) failWith(&job->err, "Not enough memory for the picture");

  if (cmyk) {
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * 4, 1);
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
      uchar* out = bits + bytesPerLine * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, row, 1);
      cmykRowToRgb32(row[0], out, cinfo.output_width, inverted);
    }
  } else {
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - cinfo.output_scanline);
      for (JDIMENSION i = 0; i < count; ++i) rows[i] = bits + bytesPerLine * (cinfo.output_scanline + i);
      jpeg_read_scanlines(&cinfo, rows, count);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// ---- encoding ----

// Our own growing buffer: jpeg_mem_dest loses track of its reallocated buffer when an error ends the
// compression, which would leak.
struct MemoryDestination {
  jpeg_destination_mgr pub;
  unsigned char* buffer;
  size_t capacity;
  ErrorManager* err;
};

void destinationInit(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = dest->capacity;
}

boolean destinationGrow(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  const size_t used = dest->capacity;  // libjpeg calls this only with the buffer full
  const size_t grown = dest->capacity * 2;
  auto* bigger = static_cast<unsigned char*>(std::realloc(dest->buffer, grown));
  if (!bigger) failWith(dest->err, "Not enough memory for the JPEG data");
  dest->buffer = bigger;
  dest->capacity = grown;
  dest->pub.next_output_byte = bigger + used;
  dest->pub.free_in_buffer = grown - used;
  return TRUE;
}

void destinationTerm(j_compress_ptr) {}

struct EncodeJob {
  const QImage* rgb;  // Format_RGB888
  int quality;
  MemoryDestination dest;  // dest.buffer is the caller's to free, on success and failure alike
  size_t written;
  ErrorManager err;
};

Q_NEVER_INLINE JSAMPROW rowOf(const QImage* image, int y) {
  return const_cast<JSAMPROW>(image->constScanLine(y));
}

bool runCompress(EncodeJob* job) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  installErrorManager(&job->err);
  if (setjmp(job->err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  cinfo.err = &job->err.pub;
  jpeg_create_compress(&cinfo);

  job->dest.err = &job->err;
  job->dest.capacity = 64 * 1024;
  job->dest.buffer = static_cast<unsigned char*>(std::malloc(job->dest.capacity));
  if (!job->dest.buffer) failWith(&job->err, "Not enough memory for the JPEG data");
  job->dest.pub.init_destination = destinationInit;
  job->dest.pub.empty_output_buffer = destinationGrow;
  job->dest.pub.term_destination = destinationTerm;
  cinfo.dest = &job->dest.pub;

  cinfo.image_width = static_cast<JDIMENSION>(job->rgb->width());
  cinfo.image_height = static_cast<JDIMENSION>(job->rgb->height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job->quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = rowOf(job->rgb, static_cast<int>(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  job->written = job->dest.capacity - job->dest.pub.free_in_buffer;
  jpeg_destroy_compress(&cinfo);
  return true;
}

QString errorText(const char* detail) { return Tr::tr("JPEG 图像错误: ") + QString::fromUtf8(detail); }

}  // namespace

QImage decodeJpeg(const QByteArray& data, QSize minSize) {
  if (data.isEmpty()) throw JpegError(errorText("no data"));
  if (static_cast<quint64>(data.size()) > std::numeric_limits<unsigned long>::max()) {
    throw JpegError(errorText("data too large"));
  }
  QImage image;
  DecodeJob job{};
  job.data = reinterpret_cast<const unsigned char*>(data.constData());
  job.size = static_cast<unsigned long>(data.size());
  job.minWidth = minSize.width();
  job.minHeight = minSize.height();
  job.image = &image;
  if (!runDecompress(&job)) throw JpegError(errorText(job.err.message));
  return image;
}

QImage decodeJpegFile(const QString& path, QSize minSize) {
  const QFileInfo info(path);
  if (!info.exists()) throw JpegError(Tr::tr("JPEG 文件不存在: %1").arg(path));
  // A folder, pipe or device is no photo, and reading one could block or never end.
  if (!info.isFile()) throw JpegError(Tr::tr("%1 不是一个文件").arg(path));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw JpegError(Tr::tr("无法读取 JPEG 文件 %1: %2").arg(path, file.errorString()));
  }
  if (file.size() > kMaxFileBytes) {
    throw JpegError(Tr::tr("JPEG 文件 %1 太大 (%2 字节)").arg(path).arg(file.size()));
  }
  const QByteArray data = file.readAll();
  if (data.isEmpty() && file.error() != QFileDevice::NoError) {
    throw JpegError(Tr::tr("无法读取 JPEG 文件 %1: %2").arg(path, file.errorString()));
  }
  try {
    return decodeJpeg(data, minSize);
  } catch (const JpegError& e) {
    throw JpegError(QStringLiteral("%1 (%2)").arg(e.message(), path));
  }
}

QByteArray encodeJpeg(const QImage& image, int quality) {
  if (image.isNull()) throw JpegError(errorText("no picture to encode"));
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (rgb.isNull()) throw JpegError(errorText("Not enough memory for the picture"));
  EncodeJob job{};
  job.rgb = &rgb;
  job.quality = std::clamp(quality, 1, 100);
  const bool ok = runCompress(&job);
  QByteArray result;
  if (ok) result = QByteArray(reinterpret_cast<const char*>(job.dest.buffer), qsizetype(job.written));
  std::free(job.dest.buffer);
  if (!ok) throw JpegError(errorText(job.err.message));
  return result;
}

}  // namespace ld
