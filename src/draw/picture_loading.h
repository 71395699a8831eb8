#pragma once
// Picture loads of the draw and fireworks windows, and the caches behind the photo loads.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

#include "artwork/builtin.h"

class TGIFAnimator;
class TImage;

namespace ld {

// A built-in picture into a picture control. Throws ld::Error when it is missing.
void loadBuiltinPicture(TGIFAnimator& control, artwork::Builtin picture);

// A GIF file into a picture control; a file that cannot be read or holds no picture throws and leaves the
// control's picture as it was.
void loadGifFile(TGIFAnimator& control, const QString& path);

// The photo of a stored path ("zp\Sales_Tom.jpg") into a photo box, or the placeholder system\logo.jpg
// (the event's own or the installed one) when that file does not exist. A path that would leave the
// application folder counts as missing. Pictures come from shownPictures(). Throws what the load throws.
void loadPhotoOrLogo(TImage& image, const QString& storedPath);
void loadLogo(TImage& image);
// A winner's photo, or the placeholder when it cannot be shown (missing, outside the folder, not a picture):
// then why, naming the file; empty when the photo shows. Never leaves the box empty while a placeholder
// exists.
QString loadWinnerPhoto(TImage& image, const QString& storedPath);

// Which file a name leads to (links followed, so every name of one file is alike) and what tells that it
// changed: its length and times.
struct FileStamp {
  quint64 device = 0;
  quint64 inode = 0;
  qint64 length = 0;
  qint64 modified = 0;  // nanoseconds since the epoch
  qint64 changed = 0;
  bool operator==(const FileStamp&) const = default;
  QByteArray identity() const;  // device and inode
};
// The stamp of a regular file; nothing for anything else.
std::optional<FileStamp> fileStamp(const QString& path);
// Whether a file written at `stamp` has been left alone long enough for its stamp to tell its next change:
// a second write in the same tick of the file clock would leave the stamp as it was.
bool settled(const FileStamp& stamp);

// Photos too large to decode within a tick (camera pictures copied into zp\ by hand), made small once in
// the background: each becomes a copy at the size of the program's own photos, kept as JPEG data, which
// the picture cache decodes instead for any box no larger than that. A copy is used only while its file's
// stamp is unchanged. Copies of files gone from the folder are dropped; beyond the budget no more are made.
// A file that got no copy (not a picture, or no room) is decoded again only once its stamp changes or,
// passed over for the budget, once there is room for its copy.
class PhotoPreparer {
 public:
  static constexpr qint64 kLargeBytes = 1024 * 1024;
  static constexpr QSize kCopySize{480, 360};

  explicit PhotoPreparer(qsizetype budgetBytes) : budget_(budgetBytes) {}
  ~PhotoPreparer() { stop(); }
  PhotoPreparer(const PhotoPreparer&) = delete;
  PhotoPreparer& operator=(const PhotoPreparer&) = delete;

  // Looks through `folder` in the background. A folder whose entries are unchanged since its last
  // complete look is skipped, unless a file in it may have been rewritten in place (`evenIfUnchanged`).
  void prepareFolder(const QString& folder, bool evenIfUnchanged = false);
  // The copy made from the file as `stamp` says; empty when there is none.
  QByteArray copyOf(const FileStamp& stamp) const;
  // Whether the file as `stamp` says has a copy, or was looked at and cannot have one (not a picture, or
  // no room for its copy while the budget is as full).
  bool lookedAt(const FileStamp& stamp) const;
  // Blocks until every folder asked for has been looked through.
  void waitUntilIdle();
  // Ends the background work; a later prepareFolder starts it again.
  void stop();

  qsizetype bytes() const;
  int count() const;
  int decodes() const;  // large photos decoded to make copies, failures included

 private:
  struct Copy {
    FileStamp stamp;
    QByteArray jpeg;    // empty when the file has none
    QString folder;     // where it was found
    qsizetype needs{};  // the room its copy takes; 0 when none can be made
  };
  struct Look {
    QString folder;
    bool evenIfUnchanged = false;
  };
  void run();
  bool lookThrough(const Look& look);
  bool isDone(const QByteArray& identity, const FileStamp& stamp) const;  // mutex_ held

  const qsizetype budget_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::thread worker_;
  QList<Look> pending_;
  bool busy_ = false;
  bool stopping_ = false;
  bool warnedFull_ = false;
  qsizetype bytes_ = 0;
  int decodes_ = 0;
  QHash<QByteArray, Copy> copies_;        // by file identity
  QHash<QString, qint64> lookedThrough_;  // folder -> its modification time at the last complete look
};

// The copies of the draw window's photos; the background work ends with the application object.
PhotoPreparer& preparedPhotos();
// Starts a look through the zp folder of the application folder.
void prepareLargePhotos();

// JPEG files decoded at the size a box shows them, for pictures shown again and again (the rolling tiles
// show each face many times a minute). An entry is keyed by the file (so one picture linked under many
// names is decoded once) and the size, and checked against the file's stamp at every use, so a photo
// replaced on disk is read again; a file not yet settled is not kept. Within the budget
// the least recently used go first. A file that fails to decode is remembered too, so a damaged camera
// picture is not read again at every tick. Large photos are decoded from their prepared copies when the
// preparer has them.
class PictureCache {
 public:
  explicit PictureCache(qsizetype budgetBytes, PhotoPreparer* copies = nullptr)
      : budget_(budgetBytes), copies_(copies) {}

  // The picture of `file` scaled to `size` (the full decoded picture when size is empty); nothing when
  // `file` is not a regular file. Throws JpegError when it cannot be read or decoded.
  std::optional<QImage> picture(const QString& file, QSize size);

  qsizetype bytes() const { return bytes_; }
  qsizetype count() const { return index_.size(); }
  int decodes() const { return decodes_; }        // pictures decoded, failures included
  int copiesUsed() const { return copiesUsed_; }  // of them, decoded from a prepared copy
  void clear();

 private:
  struct Entry {
    QByteArray key;
    FileStamp stamp;
    QImage picture;
    QString failure;  // the decode's message when it failed
    qsizetype cost = 0;
  };
  QImage decode(const QString& file, const FileStamp& stamp, QSize size);
  void insert(Entry entry);
  void evict(std::list<Entry>::iterator it);

  qsizetype budget_;
  PhotoPreparer* copies_;
  qsizetype bytes_ = 0;
  int decodes_ = 0;
  int copiesUsed_ = 0;
  std::list<Entry> entries_;  // most recently used first
  QHash<QByteArray, std::list<Entry>::iterator> index_;
};

// The pictures of the draw window: room for several hundred tiles and a few winner photos.
PictureCache& shownPictures();

}  // namespace ld
