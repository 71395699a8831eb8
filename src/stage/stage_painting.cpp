#include "stage/stage_painting.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "framework/qr_code.h"
#include "framework/text.h"
#include "stage/stage_photos.h"

namespace ld::stage {

namespace {

// A thousandth of the screen's height: lines and shadows scale with it.
double unitOf(const QPainter& painter) { return std::max(0.5, painter.device()->height() / 1000.0); }

QColor withAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

// A gold line that fades out at both ends.
void paintRule(QPainter& painter, QPointF from, QPointF to, QColor accent, double width) {
  QLinearGradient g(from, to);
  g.setColorAt(0, withAlpha(accent, 0));
  g.setColorAt(0.5, withAlpha(accent, 230));
  g.setColorAt(1, withAlpha(accent, 0));
  painter.setPen(QPen(QBrush(g), width));
  painter.drawLine(from, to);
}

// The built-in backdrop: a deep red falling to crimson ink, a warm light from above, thin gold rings.
void paintBuiltInBackground(QPainter& painter, QSize screen, const Look& look) {
  const double w = screen.width(), h = screen.height();
  QLinearGradient fall(0, 0, 0, h);
  fall.setColorAt(0, look.base.lighter(120));
  fall.setColorAt(0.45, look.base);
  fall.setColorAt(1, QColor(28, 4, 10));
  painter.fillRect(QRectF(0, 0, w, h), fall);
  QRadialGradient light(w / 2, h * 0.3, std::max(w, h) * 0.6);
  light.setColorAt(0, QColor(230, 60, 50, 90));
  light.setColorAt(1, QColor(230, 60, 50, 0));
  painter.fillRect(QRectF(0, 0, w, h), light);
  // Rings in the lower corners, like ripples of light on lacquer.
  painter.setRenderHint(QPainter::Antialiasing);
  const double u = h / 1000.0;
  for (const QPointF centre : {QPointF(0, h), QPointF(w, h)}) {
    for (int i = 1; i <= 5; ++i) {
      painter.setPen(QPen(withAlpha(look.accent, 34 - 5 * i), std::max(1.0, 1.6 * u)));
      painter.setBrush(Qt::NoBrush);
      const double r = h * (0.16 + 0.11 * i);
      painter.drawEllipse(centre, r, r);
    }
  }
  const double inset = 14 * u;
  painter.setPen(QPen(withAlpha(look.accent, 70), std::max(1.0, 1.5 * u)));
  painter.drawRect(QRectF(inset, inset, w - 2 * inset, h - 2 * inset));
}

void paintPicture(QPainter& painter, QRect box, const QImage& picture) {
  if (picture.size() == box.size())
    painter.drawImage(box.topLeft(), picture);
  else
    painter.drawImage(box, picture);
}

// One line of text in a colour, over a soft shadow so it stays readable on a photo or a busy picture.
void paintLine(QPainter& painter, QRect rect, const QFont& font, const QString& text, QColor colour,
               int flags) {
  painter.setFont(font);
  const double offset = std::max(1.0, font.pixelSize() / 28.0);
  painter.setPen(QColor(0, 0, 0, 150));
  painter.drawText(QRectF(rect).translated(offset, offset), flags | Qt::TextSingleLine, text);
  painter.setPen(colour);
  painter.drawText(rect, flags | Qt::TextSingleLine, text);
}

void paintStamp(QPainter& painter, QRect photo, const QString& text) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(photo, QColor(0, 0, 0, 140));
  painter.translate(photo.center());
  painter.rotate(-12);
  QFont font = stageFont(int(photo.height() * 0.16));
  painter.setFont(font);
  const QRectF box = QFontMetricsF(font).boundingRect(text).adjusted(
      -font.pixelSize() * 0.4, -font.pixelSize() * 0.15, font.pixelSize() * 0.4, font.pixelSize() * 0.15);
  const QRectF centred = box.translated(-box.center());
  const QColor red(235, 70, 60);
  painter.setPen(QPen(red, std::max(2.0, font.pixelSize() / 12.0)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(centred, font.pixelSize() * 0.15, font.pixelSize() * 0.15);
  painter.drawText(centred, Qt::AlignCenter, text);
  painter.restore();
}

}  // namespace

Look lookOf(const Theme& theme) {
  Look look;
  look.background = theme.background;
  look.logo = theme.logo;
  look.base = theme.base.isValid() ? theme.base : QColor(132, 10, 22);
  look.accent = theme.accent.isValid() ? theme.accent : QColor(245, 197, 80);
  look.text = theme.text.isValid() ? theme.text : QColor(255, 255, 255);
  look.builtIn = theme.background.isNull();
  return look;
}

QImage paintBackground(QSize screen, const Look& look, const HeaderLayout& header) {
  QImage image(screen, QImage::Format_RGB32);
  image.fill(look.base);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (look.builtIn)
    paintBuiltInBackground(painter, screen, look);
  else
    painter.drawImage(QPoint(0, 0), cropToFill(look.background, screen));
  const double u = unitOf(painter);
  // The band: darker, so the title reads on any picture, with a gold rule below.
  QLinearGradient band(0, header.band.top(), 0, header.band.bottom());
  band.setColorAt(0, QColor(0, 0, 0, 110));
  band.setColorAt(1, QColor(0, 0, 0, 50));
  painter.fillRect(header.band, band);
  paintRule(painter, QPointF(0, header.band.bottom()), QPointF(screen.width(), header.band.bottom()),
            look.accent, std::max(1.0, 2.5 * u));
  if (!look.logo.isNull() && !header.logo.isEmpty())
    painter.drawImage(header.logo,
                      look.logo.scaled(header.logo.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  paintText(painter, header.company, look.text);
  paintText(painter, header.title, look.accent);
  return image;
}

void paintText(QPainter& painter, const TextBlock& block, QColor colour) {
  for (int i = 0; i < block.lines.size(); ++i)
    paintLine(painter, block.lineRect(i), block.font, block.lines[i], colour, Qt::AlignCenter);
}

void paintPhotoFrame(QPainter& painter, QRect photo, const Look& look) {
  const double u = unitOf(painter);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // A soft shadow: a few widening translucent outlines.
  for (int i = 1; i <= 4; ++i) {
    const double grow = i * 4 * u;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 28));
    painter.drawRoundedRect(QRectF(photo).adjusted(-grow, -grow + 3 * u, grow, grow + 3 * u), grow, grow);
  }
  const double border = std::max(2.0, 5 * u);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(look.accent, border));
  painter.drawRect(QRectF(photo).adjusted(-border / 2, -border / 2, border / 2, border / 2));
  painter.restore();
}

void paintNoPhoto(QPainter& painter, QRect photo, const Look& look) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(photo, look.base.darker(180));
  painter.setPen(Qt::NoPen);
  painter.setBrush(withAlpha(look.accent, 120));
  const double s = std::min(photo.width(), photo.height());
  const QPointF c = QRectF(photo).center();
  painter.drawEllipse(QPointF(c.x(), c.y() - s * 0.12), s * 0.16, s * 0.16);
  painter.setClipRect(photo);
  painter.drawEllipse(QPointF(c.x(), c.y() + s * 0.38), s * 0.32, s * 0.26);
  painter.restore();
}

void paintIdle(QPainter& painter, const IdleLayout& layout, const Look& look) {
  paintText(painter, layout.prize, look.accent);
  paintText(painter, layout.progress, look.text);
  if (!layout.prize.lines.isEmpty()) {
    const QRect ink = layout.prize.inked();
    const double y = ink.bottom() + layout.prize.lineHeight * 0.08;
    const double half = std::max(ink.width() * 0.7, painter.device()->width() * 0.2);
    paintRule(painter, QPointF(ink.center().x() - half, y), QPointF(ink.center().x() + half, y), look.accent,
              std::max(1.0, 3 * unitOf(painter)));
  }
  paintText(painter, layout.rule, withAlpha(look.text, 225));
  paintText(painter, layout.header.prize, look.accent);
}

void paintCheckIn(QPainter& painter, const CheckInLayout& layout, const QrCode& code, const QString& caption,
                  const QString& link, const Look& look) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 235));
  const int pad = std::max(2, layout.code.width() / 30);
  // One card under the caption and the code, and the link's own, as wide as the link needs.
  for (const QRect& card : {layout.caption | layout.code, layout.link})
    painter.drawRoundedRect(card.adjusted(-pad, -pad, pad, pad), pad * 2, pad * 2);
  painter.restore();
  code.paint(painter, layout.code);
  QFont captionFont = stageFont(std::max(8, layout.caption.height() * 7 / 10));
  while (captionFont.pixelSize() > 6 &&
         QFontMetrics(captionFont).horizontalAdvance(caption) > layout.caption.width())
    captionFont.setPixelSize(captionFont.pixelSize() - 1);
  painter.setFont(captionFont);
  painter.setPen(look.base.lightness() < 200 ? look.base : QColor(160, 20, 20));
  painter.drawText(layout.caption, Qt::AlignCenter | Qt::TextSingleLine, caption);
  // The link in the largest size that fits its width, for a phone without a camera.
  QFont small = stageFont(std::max(6, layout.link.height() * 7 / 10), false);
  for (int px = small.pixelSize();
       px > 6 && QFontMetrics(small).horizontalAdvance(link) > layout.link.width(); --px)
    small.setPixelSize(px - 1);
  painter.setFont(small);
  painter.setPen(QColor(40, 40, 40));
  painter.drawText(layout.link, Qt::AlignCenter | Qt::TextSingleLine, link);
}

void paintRollingSlots(QPainter& painter, const RollingLayout& layout, const Look& look) {
  paintText(painter, layout.header.prize, look.accent);
  paintText(painter, layout.rule, withAlpha(look.text, 225));
  for (const QRect& tile : layout.tiles) {
    paintPhotoFrame(painter, tile, look);
    paintNoPhoto(painter, tile, look);
  }
}

void paintResult(QPainter& painter, const ResultLayout& layout, const Look& look, const ShownWinner& winner,
                 const QList<ShownWinner>& others) {
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  paintText(painter, layout.header.prize, look.accent);
  paintPhotoFrame(painter, layout.photo, look);
  if (winner.photo.isNull())
    paintNoPhoto(painter, layout.photo, look);
  else
    paintPicture(painter, layout.photo, winner.photo);
  if (winner.absent) paintStamp(painter, layout.photo, Tr::tr("缺席"));
  paintText(painter, layout.prize, look.accent);
  paintText(painter, layout.name, look.text);
  paintText(painter, layout.mark, winner.absent ? QColor(255, 150, 140) : look.accent);
  paintText(painter, layout.department, withAlpha(look.text, 225));
  for (int i = 0; i < layout.others.size() && i < others.size(); ++i) {
    const QRect card = layout.others[i];
    paintPhotoFrame(painter, card, look);
    if (others[i].photo.isNull())
      paintNoPhoto(painter, card, look);
    else
      paintPicture(painter, card, others[i].photo);
    if (others[i].absent) paintStamp(painter, card, Tr::tr("缺席"));
    // The name on a dark band across the foot of the photo, as large as fits its width.
    const QRect band(card.x(), card.bottom() - card.height() / 4, card.width(), card.height() / 4 + 1);
    painter.fillRect(band, QColor(0, 0, 0, 150));
    const TextBlock name = fitText(others[i].name, stageFont(1), band.adjusted(4, 0, -4, 0),
                                   int(band.height() * 0.7), std::max(6, band.height() / 4));
    paintText(painter, name, look.text);
  }
}

void paintWall(QPainter& painter, const WallLayout& layout, const Look& look,
               const QList<ShownWinner>& winners) {
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  paintText(painter, layout.heading, look.accent);
  paintText(painter, layout.page, withAlpha(look.text, 210));
  paintText(painter, layout.rule, withAlpha(look.text, 225));
  const double u = unitOf(painter);
  for (int i = 0; i < layout.cards.size(); ++i) {
    const CardLayout& c = layout.cards[i];
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.setPen(QPen(withAlpha(look.accent, 160), std::max(1.0, 1.5 * u)));
    painter.drawRoundedRect(QRectF(c.card).adjusted(0.5, 0.5, -0.5, -0.5), 8 * u, 8 * u);
    painter.restore();
    const ShownWinner shown = winners.value(i);
    if (shown.photo.isNull())
      paintNoPhoto(painter, c.photo, look);
    else
      paintPicture(painter, c.photo, shown.photo);
    if (shown.absent) paintStamp(painter, c.photo, Tr::tr("缺席"));
    paintText(painter, c.name, look.text);
    paintText(painter, c.department, withAlpha(look.accent, 235));
  }
}

void paintHonour(QPainter& painter, const HonourLayout& layout, const Look& look) {
  paintText(painter, layout.heading, look.accent);
  paintText(painter, layout.page, withAlpha(look.text, 210));
  for (const HonourLine& line : layout.lines) {
    if (line.heading) {
      paintLine(painter, line.box, line.font, line.text, look.accent, Qt::AlignLeft | Qt::AlignVCenter);
      const double y = line.box.bottom() - line.box.height() * 0.1;
      paintRule(painter, QPointF(line.box.left(), y), QPointF(line.box.right(), y), look.accent,
                std::max(1.0, 1.5 * unitOf(painter)));
      continue;
    }
    const int nameWidth = int(std::ceil(QFontMetricsF(line.font).horizontalAdvance(line.text)));
    paintLine(painter, line.box, line.font, line.text, look.text, Qt::AlignLeft | Qt::AlignVCenter);
    if (line.department.isEmpty()) continue;
    const int gap = line.text.isEmpty() ? 0 : line.font.pixelSize() / 2;
    const QRect rest = line.box.adjusted(nameWidth + gap, 0, 0, 0);
    paintLine(painter, rest, line.departmentFont, line.department, withAlpha(look.text, 190),
              Qt::AlignLeft | Qt::AlignVCenter);
  }
}

}  // namespace ld::stage
