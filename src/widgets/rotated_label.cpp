#include "widgets/rotated_label.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

// Nearest integer, halves to the even neighbour.
int roundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return static_cast<int>(floor) + 1;
  if (fraction < 0.5) return static_cast<int>(floor);
  return std::fmod(floor, 2.0) == 0.0 ? static_cast<int>(floor) : static_cast<int>(floor) + 1;
}

}  // namespace

TRotatedLabel::TRotatedLabel(QWidget* parent) : QWidget(parent) {
  // Lies on the handset picture; clicks belong to what lies beneath.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  resize(65, 17);
}

void TRotatedLabel::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TRotatedLabel::setFontColor(const QColor& color) {
  if (color == fontColor_) return;
  fontColor_ = color;
  update();
}

void TRotatedLabel::setAngle(int angle) {
  // Also brings angles below -360 into range, which a single "360 + value" would not.
  angle_ = (angle % 360 + 360) % 360;
  if (angle_ != 0) useOutlineFont();
  if (angle_ != 0 && rotation_ == roNone) rotation_ = roFlat;
  update();
}

void TRotatedLabel::setRotation(Rotation rotation) {
  if (rotation == rotation_) return;
  rotation_ = rotation;
  if (rotation != roNone) useOutlineFont();
  if (rotation != roCurve) angle_ = 0;
  update();
}

void TRotatedLabel::setTransparent(bool on) {
  if (on == transparent_) return;
  transparent_ = on;
  update();
}

void TRotatedLabel::setAlignment(Qt::Alignment alignment) {
  alignment &= Qt::AlignHorizontal_Mask;
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

QString TRotatedLabel::SingleLine(const QString& caption) {
  QString line = caption;
  line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  line.replace(QLatin1Char('\r'), QLatin1Char(' '));
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return line;
}

TRotatedLabel::TextExtent TRotatedLabel::measureText() const {
  const QFontMetrics metrics(font(), this);
  return {metrics.horizontalAdvance(SingleLine(caption_)), metrics.height(), metrics.ascent()};
}

QPoint TRotatedLabel::textOrigin() const { return textOriginFor(rect(), angle_, alignment_, measureText()); }

QPoint TRotatedLabel::textOriginFor(const QRect& box, int angle, Qt::Alignment alignment,
                                    const TextExtent& text) {
  const int left = box.x(), top = box.y();
  const int right = box.x() + box.width(), bottom = box.y() + box.height();
  const int centreX = box.x() + box.width() / 2, centreY = box.y() + box.height() / 2;
  const int w = text.width, h = text.height;
  const bool centred = alignment & Qt::AlignHCenter;
  const bool toRight = alignment & Qt::AlignRight;

  switch (angle) {
    case 90:  // reads upward; the glyph body lies left of the baseline
      return {centreX + roundHalfEven(h / 4.0), centred   ? bottom - (box.height() - w) / 2
                                                : toRight ? top + w
                                                          : bottom};
    case 270:
      return {centreX - roundHalfEven(h / 4.0), centred   ? top + (box.height() - w) / 2
                                                : toRight ? bottom - w
                                                          : top};
    case 0:
      return {centred ? centreX - w / 2 : toRight ? right - w : left, centreY - h / 2 + text.ascent};
    case 180:
      return {centred ? right - (box.width() - w) / 2 : toRight ? left + w : right, centreY - h / 4};
    default: {
      // A quarter of the text height across the baseline from the centre, then back half the caption
      // along it, so that the caption is centred on that point.
      const double radians = angle * std::numbers::pi / 180.0;
      const int x = centreX - roundHalfEven(std::cos(radians + std::numbers::pi / 2) * h / 4.0);
      const int y = centreY + roundHalfEven(std::sin(radians + std::numbers::pi / 2) * h / 4.0);
      return {x - roundHalfEven(std::cos(radians) * w / 2.0), y + roundHalfEven(std::sin(radians) * w / 2.0)};
    }
  }
}

bool TRotatedLabel::isOutlineFont(const QFont& font) const {
  const QFontInfo info(font);
  return QFontDatabase::isSmoothlyScalable(info.family(), info.styleName());
}

void TRotatedLabel::useOutlineFont() {
  if (isOutlineFont(font())) return;
  QFont outline = font();
  outline.setFamily(QStringLiteral("Verdana"));
  setFont(outline);
}

void TRotatedLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect box = rect();
  if (!transparent_) painter.fillRect(box, palette().color(backgroundRole()));
  // The box is the whole label, so the widget's own clip cuts the text at its edges.
  painter.setFont(font());
  painter.setPen(isEnabled() ? fontColor_ : palette().color(QPalette::Disabled, QPalette::WindowText));
  painter.setBrush(Qt::NoBrush);

  if (rotation_ == roNone) {
    // An ordinary label: lines from the top, a lone CR starting a new one.
    QString text = caption_;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    painter.drawText(
        box, static_cast<int>(alignment_) | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextShowMnemonic, text);
    return;
  }
  // Curved text is not drawn along an arc: it is turned like flat text.
  painter.translate(textOrigin());
  painter.rotate(-angle_);
  painter.drawText(QPoint(0, 0), SingleLine(caption_));
}

void TRotatedLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    if (angle_ != 0 && !isOutlineFont(font())) angle_ = 0;
    update();
  }
  QWidget::changeEvent(event);
}
