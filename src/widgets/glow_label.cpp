#include "widgets/glow_label.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPaintDevice>
#include <QPainter>
#include <QShortcut>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <optional>
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
  return textMask(
      box,
      [&](QPainter& painter, const QRect& into) {
        painter.setFont(font);
        painter.drawText(into, flags, text);
      },
      direction, target);
}

QImage textMask(QSize box, const TextDrawer& draw, Qt::LayoutDirection direction,
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
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::NoBrush);
    draw(painter, QRect(QPoint(kRadius, kRadius), box));
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
  if (text.isEmpty()) return;
  const QFont font = painter.font();
  drawGlowText(painter, box, glow, [&](QPainter& p, const QRect& into) {
    p.setFont(font);
    p.drawText(into, flags, text);
  });
}

void drawGlowText(QPainter& painter, const QRect& box, QColor glow, const TextDrawer& draw) {
  if (box.isEmpty()) return;
  QImage alpha = textMask(box.size(), draw, painter.layoutDirection(), *painter.device());
  if (alpha.isNull()) return;
  stackBlur(alpha.bits(), alpha.width(), alpha.height(), alpha.bytesPerLine(), kRadius);
  blendGlow(painter, box.topLeft() - QPoint(kRadius, kRadius), alpha, glow);
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setClipRect(box, Qt::IntersectClip);
  draw(painter, box);
  painter.restore();
}

namespace {

int singleLineFlags(int flags) {
  return (flags & Qt::TextShowMnemonic) | Qt::TextSingleLine | Qt::TextExpandTabs;
}

int widthIn(const QFont& font, const QString& line, int flags, const QPaintDevice* device) {
  return QFontMetrics(font, device).size(singleLineFlags(flags), line).width();
}

int pixelsOf(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

QFont sized(QFont font, int pixels) {
  font.setPixelSize(pixels);
  return font;
}

// Stacks lines as the toolkit stacks them, leading then the line's height, from `top`.
int stack(std::vector<FittedLine>& lines, int left, int top, int width, const QPaintDevice* device) {
  int y = top;
  for (FittedLine& line : lines) {
    const QFontMetrics metrics(line.font, device);
    y += metrics.leading();
    line.box = QRect(left, y, width, metrics.height());
    y += metrics.height();
  }
  return y - top;
}

}  // namespace

std::vector<FittedLine> fitLines(const QString& text, const QFont& font, int width, int minimumPixels,
                                 int flags, const QPaintDevice* device) {
  const int measureFlags = singleLineFlags(flags);
  auto widthIn = [&](const QFont& f, const QString& line) {
    return QFontMetrics(f, device).size(measureFlags, line).width();
  };
  const int base = pixelsOf(font);
  std::vector<FittedLine> lines;
  for (const QString& line : withLineFeeds(text).split(QLatin1Char('\n'))) {
    QFont f = font;
    if (widthIn(f, line) > width && base > minimumPixels) {
      // Glyph widths grow with the size almost in proportion: start near the answer, then step down.
      int pixels = std::max(minimumPixels, std::min(base - 1, base * width / std::max(1, widthIn(f, line))));
      for (f.setPixelSize(pixels); pixels > minimumPixels && widthIn(f, line) > width;)
        f.setPixelSize(--pixels);
    }
    QString shown = line;
    if (widthIn(f, line) > width)
      shown = QFontMetrics(f, device).elidedText(line, Qt::ElideRight, width, measureFlags);
    lines.push_back({shown, f, {}});
  }
  stack(lines, 0, 0, width, device);
  return lines;
}

QStringList wrapLine(const QString& text, const QFont& font, int width, int flags,
                     const QPaintDevice* device) {
  auto fits = [&](qsizetype from, qsizetype to) {
    return widthIn(font, text.mid(from, to - from).trimmed(), flags, device) <= width;
  };
  std::vector<qsizetype> breaks;
  QTextBoundaryFinder lineBreaks(QTextBoundaryFinder::Line, text);
  for (qsizetype at = lineBreaks.toNextBoundary(); at > 0; at = lineBreaks.toNextBoundary())
    breaks.push_back(at);
  if (breaks.empty() || breaks.back() != text.size()) breaks.push_back(text.size());

  QStringList lines;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = -1;
    for (qsizetype at : breaks) {
      if (at <= start) continue;
      if (!fits(start, at)) break;
      end = at;
    }
    if (end < 0) {
      // A word wider than the line on its own: as many of its characters as fit, one at the least.
      QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
      characters.setPosition(start);
      end = characters.toNextBoundary();
      for (qsizetype at = characters.toNextBoundary(); at > 0 && fits(start, at);
           at = characters.toNextBoundary())
        end = at;
    }
    const QString line = text.mid(start, end - start).trimmed();
    if (!line.isEmpty()) lines << line;
    start = end;
  }
  if (lines.isEmpty()) lines << QString();
  return lines;
}

std::vector<FittedLine> layoutCaption(const QString& text, qsizetype lead, const QFont& font,
                                      const QRect& box, const QRect& room, int minimumPixels, int flags,
                                      const QPaintDevice* device) {
  const int width = box.width();
  const int base = std::max(pixelsOf(font), 1);
  const int floor = std::clamp(minimumPixels, 1, base);
  auto fitsAt = [&](const QString& line, int pixels) {
    return widthIn(sized(font, pixels), line, flags, device) <= width;
  };

  // The caption's lines; the lead, when it has to give way, becomes a line of its own.
  struct Part {
    QString text;
    bool lead;
  };
  std::vector<Part> parts;
  QStringList source = withLineFeeds(text).split(QLatin1Char('\n'));
  if (lead > 0 && lead < source.front().size() && !fitsAt(source.front(), floor)) {
    const QString first = source.takeFirst();
    const QString heading = first.left(lead).trimmed(), rest = first.mid(lead).trimmed();
    if (!heading.isEmpty()) parts.push_back({heading, true});
    if (!rest.isEmpty()) parts.push_back({rest, false});
  }
  for (const QString& line : source) parts.push_back({line, false});

  auto layout = [&](int leadCap, int restCap, bool withLead) {
    std::vector<FittedLine> lines;
    for (const Part& part : parts) {
      if (part.lead) {
        if (withLead) {
          for (FittedLine& l : fitLines(part.text, sized(font, leadCap), width, floor, flags, device))
            lines.push_back(std::move(l));
        }
        continue;
      }
      int pixels = restCap;
      while (pixels > floor && !fitsAt(part.text, pixels)) --pixels;
      if (fitsAt(part.text, pixels)) {
        lines.push_back({part.text, sized(font, pixels), {}});
        continue;
      }
      // Wrapped at the largest size that takes no more lines than the smallest does.
      const qsizetype needed = wrapLine(part.text, sized(font, floor), width, flags, device).size();
      QStringList wrapped;
      for (pixels = restCap; pixels >= floor; --pixels) {
        wrapped = wrapLine(part.text, sized(font, pixels), width, flags, device);
        if (wrapped.size() <= needed) break;
      }
      for (const QString& piece : wrapped) lines.push_back({piece, sized(font, std::max(pixels, floor)), {}});
    }
    return lines;
  };

  // Sizes from the largest down, the lead's first: the first layout that fits `height`.
  const bool leadApart = std::any_of(parts.begin(), parts.end(), [](const Part& p) { return p.lead; });
  auto firstFitting = [&](int height) -> std::optional<std::vector<FittedLine>> {
    for (int leadCap = base; leadCap >= (leadApart ? floor : base); --leadCap) {
      std::vector<FittedLine> lines = layout(leadCap, base, true);
      if (stack(lines, 0, 0, width, device) <= height) return lines;
    }
    for (int restCap = base - 1; restCap >= floor; --restCap) {
      std::vector<FittedLine> lines = layout(leadApart ? floor : base, restCap, true);
      if (stack(lines, 0, 0, width, device) <= height) return lines;
    }
    return std::nullopt;
  };

  if (std::optional<std::vector<FittedLine>> lines = firstFitting(box.height())) {
    stack(*lines, box.left(), box.top(), width, device);
    return *lines;
  }
  std::optional<std::vector<FittedLine>> lines = firstFitting(room.height());
  if (!lines) lines = layout(floor, floor, false);  // too long even so: the rest from its start
  const int height = stack(*lines, 0, 0, width, device);
  stack(*lines, box.left(), room.top() + std::max(0, (room.height() - height) / 2), width, device);
  return *lines;
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

void TGlowLabel::setCaption(const QString& caption) { setCaption(caption, 0); }

void TGlowLabel::setCaption(const QString& caption, qsizetype lead) {
  caption_ = caption;
  lead_ = std::clamp<qsizetype>(lead, 0, caption.size());
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

void TGlowLabel::setFitToWidth(int minimumPixels) {
  minimumPixels = std::max(0, minimumPixels);
  if (minimumPixels == fitMinimum_) return;
  fitMinimum_ = minimumPixels;
  requestRepaint();
}

std::vector<ld::glow::FittedLine> TGlowLabel::fittedLines() const {
  if (fitMinimum_ == 0) return {};
  // Beyond the text box the lines may take the height of the halo's margins, rather than be cut.
  const QRect box = textBox();
  return ld::glow::layoutCaption(caption_, lead_, font(), box, QRect(box.left(), 0, box.width(), height()),
                                 fitMinimum_, flags(), this);
}

void TGlowLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(fontColor_);
  if (fitMinimum_ == 0) {
    ld::glow::drawGlowText(painter, textBox(), ld::glow::withLineFeeds(caption_), glowColor_, flags());
    return;
  }
  if (caption_.isEmpty()) return;
  // Each line in its own font and box.
  const std::vector<ld::glow::FittedLine> lines = fittedLines();
  const int lineFlags = (flags() & ~Qt::TextWordWrap) | Qt::TextSingleLine;
  QRect area = textBox();
  for (const ld::glow::FittedLine& line : lines) area |= line.box;
  area &= rect();
  ld::glow::drawGlowText(painter, area, glowColor_, [&](QPainter& p, const QRect& into) {
    const QPoint shift = into.topLeft() - area.topLeft();
    for (const ld::glow::FittedLine& line : lines) {
      p.setFont(line.font);
      p.drawText(line.box.translated(shift), lineFlags, line.text);
    }
  });
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
