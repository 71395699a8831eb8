#include "widgets/picture_box.h"

#include <QFile>
#include <QPainter>

#include "framework/jpeg.h"
#include "framework/text.h"

using namespace ld;

TImage::TImage(QWidget* parent) : QWidget(parent) {}

QSize TImage::decodeTarget() const {
  // A stretched picture never needs more pixels than the box shows; the DCT scaling stays above it.
  return stretch_ ? size() : QSize();
}

void TImage::loadFromFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw JpegError(Tr::tr("无法打开图片 %1").arg(path));
  // The decoder's own words do not say which picture they are about.
  try {
    loadFromData(f.readAll());
  } catch (const JpegError& e) {
    throw JpegError(Tr::tr("图片 %1 无法读取：%2").arg(path, e.message()));
  }
}

void TImage::loadFromData(const QByteArray& jpeg) {
  QImage decoded = decodeJpeg(jpeg, decodeTarget());
  data_ = jpeg;
  image_ = std::move(decoded);
  file_.clear();
  update();
}

void TImage::showPicture(const QImage& picture, const QString& file) {
  data_.clear();
  image_ = picture;
  file_ = file;
  update();
}

void TImage::clear() {
  data_.clear();
  image_ = QImage();
  file_.clear();
  update();
}

void TImage::setStretch(bool on) {
  if (stretch_ == on) return;
  stretch_ = on;
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  if (stretch_)
    p.drawImage(rect(), image_);
  else
    p.drawImage(0, 0, image_);
}
