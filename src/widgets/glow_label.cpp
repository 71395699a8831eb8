#include "widgets/glow_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPaintDevice>
#include <QPainter>
#include <QShortcut>

#include <algorithm>
#include <array>
#include <vector>

#include "widgets/stack_blur.h"

namespace ld::glow {

QString withLineFeeds(const QString& text) {
  QString result = text;
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

int textFlags(Qt::Alignment alignment, bool wordWrap, bool showAccelChar) {
  int flags = Qt::AlignTop | Qt::TextExpandTabs | static_cast<int>(alignment & Qt::AlignHorizontal_Mask);
  if (wordWrap) flags |= Qt::TextWordWrap;
  if (showAccelChar) flags |= Qt::TextShowMnemonic;
  return flags;
}

QImage textMask(const QFont& font, QSize box, const QString& text, int flags, Qt::LayoutDirection direction,
                const QPaintDevice& target) {
  const QSize size = box + QSize(2 * kRadius, 2 * kRadius);
  QImage once(size, QImage::Format_ARGB32_Premultiplied);
  if (once.isNull()) return QImage();  // no memory for the work planes: paint nothing
  once.fill(0);
  // Same resolution as the target, so point-sized fonts come out at the same pixel size.
  once.setDotsPerMeterX(qRound(target.logicalDpiX() / 0.0254));
  once.setDotsPerMeterY(qRound(target.logicalDpiY() / 0.0254));
  {
    QPainter painter(&once);
    painter.setLayoutDirection(direction);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawText(QRect(QPoint(kRadius, kRadius), box), flags, text);
  }
  const int w = size.width(), h = size.height();
  std::vector<uchar> coverage(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(once.constScanLine(y));
    for (int x = 0; x < w; ++x) coverage[y * w + x] = static_cast<uchar>(qRed(src[x]));
  }

  // Laying the one rendering down at each offset, red over red, is drawing the text there: the text is
  // laid out once instead of nine times. Each copy carries its own clip at the box, as a drawing would.
  static constexpr std::array<QPoint, 9> kOffsets = {
      {{-1, -1}, {-2, -2}, {-1, 0}, {-2, 0}, {1, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 0}}};
  QImage mask(size, QImage::Format_Grayscale8);
  if (mask.isNull()) return QImage();
  mask.fill(0);
  for (const QPoint& offset : kOffsets) {
    const int x0 = std::max(0, offset.x()), x1 = std::min(w, w + offset.x());
    for (int y = std::max(0, offset.y()); y < std::min(h, h + offset.y()); ++y) {
      const uchar* src = coverage.data() + (y - offset.y()) * w + (x0 - offset.x());
      uchar* dst = mask.scanLine(y) + x0;
      for (int i = 0; i < x1 - x0; ++i) {
        const int over = dst[i] * (255 - src[i]) + 128;  // dst * (255 - src) / 255, rounded
        dst[i] = static_cast<uchar>(src[i] + ((over + (over >> 8)) >> 8));
      }
    }
  }
  return mask;
}

void blendGlow(QPainter& painter, QPoint topLeft, const QImage& alpha, QColor glow) {
  // Premultiplied by a / 256 rather than a / 255: the toolkit's source-over then stays within one level
  // of the reference blend, which weights the destination with 256 - a.
  std::array<QRgb, 256> premultiplied{};
  for (int a = 1; a < 255; ++a) {
    premultiplied[a] =
        qRgba((a * glow.red() + 128) >> 8, (a * glow.green() + 128) >> 8, (a * glow.blue() + 128) >> 8, a);
  }
  premultiplied[255] = qRgb(glow.red(), glow.green(), glow.blue());

  QImage layer(alpha.size(), QImage::Format_ARGB32_Premultiplied);
  if (layer.isNull()) return;
  for (int y = 0; y < alpha.height(); ++y) {
    const uchar* src = alpha.constScanLine(y);
    auto* dst = reinterpret_cast<QRgb*>(layer.scanLine(y));
    for (int x = 0; x < alpha.width(); ++x) dst[x] = premultiplied[src[x]];
  }
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(topLeft, layer);
  painter.restore();
}

void drawGlowText(QPainter& painter, const QRect& box, const QString& text, QColor glow, int flags) {
  if (box.isEmpty() || text.isEmpty()) return;
  QImage alpha =
      textMask(painter.font(), box.size(), text, flags, painter.layoutDirection(), *painter.device());
  if (alpha.isNull()) return;
  stackBlur(alpha.bits(), alpha.width(), alpha.height(), alpha.bytesPerLine(), kRadius);
  blendGlow(painter, box.topLeft() - QPoint(kRadius, kRadius), alpha, glow);
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.drawText(box, flags, text);
  painter.restore();
}

}  // namespace ld::glow

TGlowLabel::TGlowLabel(QWidget* parent) : QWidget(parent), accelerator_(new QShortcut(this)) {
  // Overlaps the photo panels in the draw window; clicks belong to what lies beneath.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  accelerator_->setEnabled(false);
  connect(accelerator_, &QShortcut::activated, this, [this] { acceleratorPressed(); });
  resize(65, 17);
}

TGlowLabel::~TGlowLabel() = default;

void TGlowLabel::setCaption(const QString& caption) {
  caption_ = caption;
  updateAccelerator();
  measure();
  requestRepaint();
}

void TGlowLabel::setFontColor(const QColor& color) {
  if (color == fontColor_) return;
  fontColor_ = color;
  requestRepaint();
}

void TGlowLabel::setAlignment(Qt::Alignment alignment) {
  alignment &= Qt::AlignHorizontal_Mask;
  if (alignment == alignment_) return;
  alignment_ = alignment;
  requestRepaint();
}

void TGlowLabel::setAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  measure();
}

void TGlowLabel::setTextLayout(TextLayout layout) {
  if (layout == layout_) return;
  layout_ = layout;
  requestRepaint();
}

void TGlowLabel::setWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  measure();
  requestRepaint();
}

void TGlowLabel::setShowAccelChar(bool on) {
  if (on == showAccelChar_) return;
  showAccelChar_ = on;
  updateAccelerator();
  requestRepaint();
}

void TGlowLabel::setGlowColor(const QColor& color) {
  const QColor rgb = QColor::fromRgb(color.rgb());  // a plain RGB value: no transparency
  if (rgb == glowColor_) return;
  glowColor_ = rgb;
  requestRepaint();
}

void TGlowLabel::setFocusControl(QWidget* control) {
  focusControl_ = control;
  updateAccelerator();
}

QRect TGlowLabel::textBox() const {
  const int margin = glowMargin();
  return QRect(margin, margin, width() - 2 * margin, height() - 2 * margin);
}

void TGlowLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(fontColor_);
  ld::glow::drawGlowText(painter, textBox(), ld::glow::withLineFeeds(caption_), glowColor_, flags());
}

void TGlowLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    measure();
    requestRepaint();
  }
  QWidget::changeEvent(event);
}

int TGlowLabel::flags() const { return ld::glow::textFlags(alignment_, wordWrap_, showAccelChar_); }

void TGlowLabel::measure() {
  if (!autoSize_) return;
  QString text = ld::glow::withLineFeeds(caption_);
  // Keeps the height of one line when there is nothing to show.
  if (text.isEmpty() || (showAccelChar_ && text == QStringLiteral("&"))) text = QStringLiteral(" ");

  const int extra = 2 * glowMargin() + 8;
  // Wrapping at the width the text was last given keeps a wrapped label from growing on every
  // re-measure; alignment plays no part in the size.
  const QRect bounds(0, 0, std::max(1, width() - extra), std::max(1, height() - extra));
  const int measureFlags = ld::glow::textFlags(Qt::AlignLeft, wordWrap_, showAccelChar_);
  const QSize size =
      QFontMetrics(font(), this).boundingRect(bounds, measureFlags, text).size() + QSize(extra, extra);

  // Left and centre alignment keep the left edge, right alignment the right edge; the top always stays.
  const QRect old = geometry();
  const int left = (alignment_ & Qt::AlignRight) ? old.x() + old.width() - size.width() : old.x();
  setGeometry(left, old.y(), size.width(), size.height());
}

void TGlowLabel::requestRepaint() {
  ++repaintRequests_;
  update();
}

void TGlowLabel::updateAccelerator() {
  const QKeySequence key = showAccelChar_ ? QKeySequence::mnemonic(caption_) : QKeySequence();
  accelerator_->setKey(key);
  accelerator_->setEnabled(!key.isEmpty() && focusControl_);
}

void TGlowLabel::acceleratorPressed() {
  QWidget* target = focusControl_;
  if (!target || !isEnabled() || !showAccelChar_) return;
  if (target->isVisible() && target->isEnabled() && target->focusPolicy() != Qt::NoFocus) {
    target->setFocus(Qt::ShortcutFocusReason);
  }
}
