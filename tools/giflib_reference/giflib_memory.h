#pragma once
// giflib reading a GIF file held in memory: the reference our decoder is compared with, in the cross-check
// and in the decode benchmark. Header only, so that only the programs that include it link giflib.
#include <gif_lib.h>

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace ld::test {

// Opens the file at once; closes it when it goes, whatever happened in between.
class GiflibMemoryFile {
 public:
  // `file` must outlive this.
  explicit GiflibMemoryFile(const QByteArray& file) : file_(file) {
    gif_ = DGifOpen(this, &read, &openError_);
  }
  ~GiflibMemoryFile() {
    int error = 0;
    if (gif_) DGifCloseFile(gif_, &error);
  }
  GiflibMemoryFile(const GiflibMemoryFile&) = delete;
  GiflibMemoryFile& operator=(const GiflibMemoryFile&) = delete;

  // Null when giflib cannot open the file; openError() then says why.
  GifFileType* get() const { return gif_; }
  int openError() const { return openError_; }
  // The whole file into get()->SavedImages.
  bool slurp() { return gif_ && DGifSlurp(gif_) == GIF_OK; }

 private:
  static int read(GifFileType* gif, GifByteType* buf, int n) {
    auto* self = static_cast<GiflibMemoryFile*>(gif->UserData);
    const int take = static_cast<int>(std::min<qsizetype>(n, self->file_.size() - self->pos_));
    std::memcpy(buf, self->file_.constData() + self->pos_, static_cast<size_t>(take));
    self->pos_ += take;
    return take;
  }

  const QByteArray& file_;
  qsizetype pos_ = 0;
  int openError_ = 0;
  GifFileType* gif_ = nullptr;
};

}  // namespace ld::test
