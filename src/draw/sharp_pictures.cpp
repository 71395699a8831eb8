#include "draw/sharp_pictures.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <cmath>

#include "draw/picture_loading.h"
#include "framework/errors.h"
#include "framework/jpeg.h"

namespace ld {

namespace {

// Half-covered pixels become the picture, the rest see-through: the edge of a keyed GIF, at any size.
QImage withHardEdges(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) line[x] = qAlpha(line[x]) < 128 ? 0 : (line[x] | 0xff000000u);
  }
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Draws `image`, already at its size on the device, onto the device pixels of `target`: the painter's
// transform (its own, or that of the view that renders the widget) then maps it one pixel to one pixel.
void drawDevicePixels(QPainter& painter, const QRect& target, const QImage& image) {
  painter.drawImage(painter.deviceTransform().inverted().mapRect(QRectF(target)), image);
}

// The pixels a logical rectangle covers on the device, corners rounded the way the painter rounds them.
QRect deviceRect(const QTransform& transform, const QRectF& logical) {
  const QPointF topLeft = transform.map(logical.topLeft());
  const QPointF bottomRight = transform.map(logical.bottomRight());
  return QRect(QPoint(qRound(topLeft.x()), qRound(topLeft.y())),
               QPoint(qRound(bottomRight.x()) - 1, qRound(bottomRight.y()) - 1));
}

}  // namespace

bool paintsScaled(const QTransform& t) {
  return !t.isRotating() && (std::abs(t.m11() - 1) >= 0.001 || std::abs(t.m22() - 1) >= 0.001);
}

DesignPicture::DesignPicture(QWidget* parent) : TGIFAnimator(parent) {
  connect(this, &TGIFAnimator::OnChange, this, [this] {
    if (loading_) return;
    builtin_.reset();
    sharp_ = QImage();
    scaled_ = QImage();
  });
}

void DesignPicture::loadBuiltin(artwork::Builtin picture) {
  {
    // The load's own change signal must not forget the picture it is loading.
    const QScopedValueRollback loading(loading_, true);
    loadBuiltinPicture(*this, picture);
  }
  builtin_ = picture;
  sharp_ = QImage();
  scaled_ = QImage();
}

void DesignPicture::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (!paintsScaled(painter.deviceTransform()) || !builtin_ || !artwork::hasSharpVersion(*builtin_)) {
    painter.end();
    TGIFAnimator::paintEvent(event);
    return;
  }
  // Read from the program's resources the first time the window is shown scaled, not at every start.
  if (sharp_.isNull() &&
      !silently("reading a large built-in picture", [&] { sharp_ = artwork::sharpPicture(*builtin_); })) {
    builtin_.reset();
    painter.end();
    TGIFAnimator::paintEvent(event);
    return;
  }
  // Drawn at its own size from the control's top-left corner, as at 1:1.
  const QRectF logical(QPointF(0, 0), QSizeF(sharp_.size()) / artwork::kSharpScale);
  const QRect target = deviceRect(painter.deviceTransform(), logical);
  if (target.isEmpty()) return;
  if (scaled_.size() != target.size()) {
    scaled_ = sharp_.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (hardEdges_) scaled_ = withHardEdges(scaled_);
  }
  drawDevicePixels(painter, target, scaled_);
}

SharpPhoto::SharpPhoto(QWidget* parent) : TImage(parent) {}

void SharpPhoto::paintEvent(QPaintEvent* event) {
  if (!hasPicture()) return;
  QPainter painter(this);
  if (!paintsScaled(painter.deviceTransform()) || !stretch()) {
    onScreen_ = QSize();
    painter.end();
    TImage::paintEvent(event);
    return;
  }
  const QRect target = deviceRect(painter.deviceTransform(), QRectF(rect()));
  if (target.isEmpty()) return;
  onScreen_ = target.size();
  if (scaled_.size() != target.size() || scaledFrom_ != picture().cacheKey()) {
    QImage sharp;
    // Loaded at this size already, or decoded again at it (the photo decoded once, so it will again;
    // should it not, the 1:1 pixels stretched will do).
    if (picture().size() == target.size()) {
      sharp = picture();
    } else if (!pictureFile().isEmpty()) {
      silently("decoding a photo at its size on the screen", [&] {
        if (const std::optional<QImage> p = shownPictures().picture(pictureFile(), target.size())) sharp = *p;
      });
    } else if (!jpegData().isEmpty()) {
      silently("decoding a photo at its size on the screen",
               [&] { sharp = decodeJpeg(jpegData(), target.size()); });
    }
    if (sharp.isNull()) sharp = picture();
    scaled_ = sharp.size() == target.size()
                  ? sharp
                  : sharp.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaledFrom_ = picture().cacheKey();
  }
  drawDevicePixels(painter, target, scaled_);
}

}  // namespace ld
