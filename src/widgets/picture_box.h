#pragma once
// A picture box (TImage) that holds one JPEG picture and shows it stretched to its own size.
#include <QByteArray>
#include <QImage>
#include <QWidget>

class TImage : public QWidget {
  Q_OBJECT
 public:
  explicit TImage(QWidget* parent = nullptr);

  // Loads a JPEG file, replacing the picture; throws JpegError and keeps the old picture on failure.
  // The file's bytes are kept as they are, so saving writes them back unchanged.
  void loadFromFile(const QString& path);
  void loadFromData(const QByteArray& jpeg);
  // Shows a picture decoded elsewhere from `file` (already at the size shown, say); there are no JPEG bytes
  // to keep.
  void showPicture(const QImage& picture, const QString& file = {});
  void clear();
  // The file a picture given to showPicture came from; empty otherwise.
  const QString& pictureFile() const { return file_; }
  // The pixels the box covers where it is painted: its size, unless a scaled view paints it larger or
  // smaller.
  virtual QSize shownSize() const { return size(); }

  bool hasPicture() const { return !image_.isNull(); }
  // The JPEG bytes as loaded; empty after showPicture.
  const QByteArray& jpegData() const { return data_; }
  // The decoded picture; with Stretch on it may be decoded smaller, but never below the box's size.
  const QImage& picture() const { return image_; }

  bool stretch() const { return stretch_; }
  void setStretch(bool on);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QSize decodeTarget() const;
  QByteArray data_;
  QImage image_;
  QString file_;
  bool stretch_ = true;
};
