#include "transfer/portrait_card.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <cmath>

namespace ld {

int portraitHue(int index) { return int(std::fmod(index * 137.508, 360.0)); }

SplitMix64 portraitRng(int index) {
  return SplitMix64(quint64(quint32(index)) * 0xD1B54A32D192ED03ull + 0x5DEECE66Dull);
}

QFont portraitFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

void drawFittedText(QPainter& p, const QRectF& box, const QString& text, QFont font, const QColor& colour) {
  while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(text) > box.width()) {
    font.setPixelSize(font.pixelSize() - 2);
  }
  p.setFont(font);
  p.setPen(colour);
  p.drawText(box, Qt::AlignCenter, text);
}

void paintPortraitBackground(QPainter& p, int hue, SplitMix64& rng) {
  QLinearGradient background(0, 0, 0, kPortraitBannerTop);
  background.setColorAt(0, QColor::fromHsv(hue, 55, 252));
  background.setColorAt(1, QColor::fromHsv(hue, 110, 232));
  p.fillRect(QRect(0, 0, kPortraitWidth, kPortraitHeight), background);
  p.setPen(Qt::NoPen);
  for (int k = 0; k < 7; ++k) {
    const qreal r = 10 + rng.below(34);
    p.setBrush(QColor(255, 255, 255, 45 + rng.below(50)));
    p.drawEllipse(QPointF(rng.below(kPortraitWidth), rng.below(kPortraitBannerTop)), r, r);
  }
}

void paintPortraitBanner(QPainter& p, int hue, const QColor& accent, const QString& name,
                         const QString& department) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor::fromHsv(hue, 10, 255));
  p.drawRect(QRectF(0, kPortraitBannerTop, kPortraitWidth, kPortraitHeight - kPortraitBannerTop));
  p.setBrush(accent);
  p.drawRect(QRectF(0, kPortraitBannerTop, kPortraitWidth, 5));
  drawFittedText(p, QRectF(20, kPortraitBannerTop + 6, kPortraitWidth - 40, 44), name, portraitFont(36, true),
                 QColor(0x2B, 0x2B, 0x2B));
  drawFittedText(p, QRectF(20, kPortraitBannerTop + 48, kPortraitWidth - 40, 26), department,
                 portraitFont(21, false), accent.darker(160));
}

QImage portraitCard(const QString& name, const QString& department, int index) {
  SplitMix64 rng = portraitRng(index);
  const int hue = portraitHue(index);
  QImage image(kPortraitWidth, kPortraitHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  paintPortraitBackground(p, hue, rng);

  // In place of a face: the name's first character (the surname) in a disc of a contrasting colour.
  const QColor accent =
      QColor::fromHsv((hue + 150 + rng.below(60)) % 360, 140 + rng.below(60), 190 + rng.below(40));
  constexpr qreal cx = kPortraitWidth / 2.0, cy = 140, radius = 96;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 28));
  p.drawEllipse(QPointF(cx + 4, cy + 6), radius, radius);
  p.setBrush(accent);
  p.drawEllipse(QPointF(cx, cy), radius, radius);
  const QString trimmed = name.trimmed();
  const QString initial = trimmed.isEmpty()                   ? QStringLiteral("?")
                          : trimmed.front().isHighSurrogate() ? trimmed.left(2)
                                                              : trimmed.left(1);
  drawFittedText(p, QRectF(cx - radius, cy - radius, 2 * radius, 2 * radius), initial,
                 portraitFont(110, true), Qt::white);

  paintPortraitBanner(p, hue, accent, name, department);
  p.end();
  return image;
}

}  // namespace ld
