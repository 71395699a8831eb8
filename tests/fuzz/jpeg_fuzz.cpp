// libFuzzer entry for the JPEG decoder and the photo import's JPEG steps: any bytes must end in a picture
// (and a 480 x 360 re-encoded photo) or a JpegError, never in a crash, a leak or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "framework/jpeg.h"

namespace {

// Small seeds of every kind the decoder handles, so the fuzzer starts inside the interesting code.
void writeSeed(const std::string& path, int components, J_COLOR_SPACE in, J_COLOR_SPACE stored,
               bool progressive, bool arithmetic, int restart) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = 40;
  cinfo.image_height = 24;
  cinfo.input_components = components;
  cinfo.in_color_space = in;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, stored);
  jpeg_set_quality(&cinfo, 75, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = arithmetic ? TRUE : FALSE;
  cinfo.restart_interval = static_cast<unsigned>(restart);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(40 * static_cast<size_t>(components));
  for (JDIMENSION y = 0; y < cinfo.image_height; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<JSAMPLE>((i * 29 + y * 53) & 0xFF);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* dir = std::getenv("LD_JPEG_FUZZ_SEEDS")) {
    const std::string d = std::string(dir) + "/";
    writeSeed(d + "baseline", 3, JCS_RGB, JCS_YCbCr, false, false, 0);
    writeSeed(d + "progressive", 3, JCS_RGB, JCS_YCbCr, true, false, 0);
    writeSeed(d + "grey", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, false, 0);
    writeSeed(d + "cmyk", 4, JCS_CMYK, JCS_CMYK, false, false, 0);
    writeSeed(d + "ycck_progressive", 4, JCS_CMYK, JCS_YCCK, true, false, 0);
    writeSeed(d + "arithmetic", 3, JCS_RGB, JCS_YCbCr, false, true, 0);
    writeSeed(d + "restarts", 3, JCS_RGB, JCS_YCbCr, false, false, 1);
    writeSeed(d + "rgb", 3, JCS_RGB, JCS_RGB, false, false, 0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QSize fullSize;
  for (QSize minSize : {QSize(), QSize(20, 12)}) {
    try {
      const QImage image = ld::decodeJpeg(bytes, minSize);
      if (image.isNull() || image.format() != QImage::Format_RGB32) __builtin_trap();
      if (!minSize.isValid()) {
        fullSize = image.size();
      } else if (fullSize.isValid()) {
        // DCT scaling never upscales and never goes below the asked size unless the picture is smaller.
        if (image.width() > fullSize.width() || image.height() > fullSize.height()) __builtin_trap();
        if (image.size() != fullSize &&
            (image.width() < minSize.width() || image.height() < minSize.height())) {
          __builtin_trap();
        }
      }
    } catch (const ld::JpegError&) {
    }
  }
  // The photo import's steps for a JPEG source: decode no smaller than the target, stretch, encode at 100.
  try {
    const QImage source = ld::decodeJpeg(bytes, QSize(480, 360));
    const QImage stretched = source.scaled(480, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (ld::decodeJpeg(ld::encodeJpeg(stretched, 100)).size() != QSize(480, 360)) __builtin_trap();
  } catch (const ld::JpegError&) {
  }
  return 0;
}
