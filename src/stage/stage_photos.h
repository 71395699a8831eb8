#pragma once
// The photos of the audience screen: the sharper copy of a photo when the event has one (zpgq\ beside zp\),
// else the photo itself, else the placeholder; decoded at the size they take on the screen and cropped to
// fill it, never stretched. The pictures last shown are kept.
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <list>

namespace ld::stage {

// Crops `picture` to the aspect of `size` (keeping the upper part, where faces are) and scales it to it.
QImage cropToFill(const QImage& picture, QSize size);

class StagePhotos {
 public:
  explicit StagePhotos(qsizetype budgetBytes = 96 * 1024 * 1024) : budget_(budgetBytes) {}

  // The photo of a stored path ("zp\Sales_Tom.jpg") as `size` pixels, cropped to fill: from the sharper
  // copy zpgq\Sales_Tom.jpg when `sharp` is asked for and it exists, else the photo, else system\logo.jpg.
  // A file that cannot be decoded falls back to the next; a stored path that would leave its folder counts
  // as missing. Null when none can be shown.
  QImage picture(const QString& storedPath, QSize size, bool sharp);
  // The file the last picture() came from (for tests and warnings).
  const QString& lastFile() const { return lastFile_; }

  qsizetype bytes() const { return bytes_; }
  int decodes() const { return decodes_; }
  void clear();

 private:
  // What tells that a file changed: which file the name leads to, its length and time.
  struct Stamp {
    quint64 inode = 0;
    qint64 length = -1;
    qint64 modified = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Entry {
    QString key;
    QImage picture;  // null: the file could not be decoded, remembered so it is not read at every tick
    Stamp stamp;
    qsizetype cost = 0;
  };
  static Stamp stampOf(const QString& file);
  // The file decoded and cropped, from the cache while the file is unchanged.
  QImage decoded(const QString& file, QSize size);
  void evictBeyond(qsizetype budget);

  qsizetype budget_;
  qsizetype bytes_ = 0;
  int decodes_ = 0;
  QString lastFile_;
  std::list<Entry> entries_;  // most recently used first
  QHash<QString, std::list<Entry>::iterator> index_;
};

}  // namespace ld::stage
