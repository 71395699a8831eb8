#include "preview.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "artwork.h"
#include "keying.h"

namespace ld::artwork {

namespace {

const QColor kNavy(0, 0, 128);
const QPoint kDrawPanel(176, 40);

// Keyed pixels show what lies beneath, as the window does.
QImage seeThrough(const QImage& picture, QRgb key) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return out;
}

// Red text in a soft white glow, near enough to the program's glow label to judge contrast.
void glowText(QPainter& p, const QRect& box, const QString& text, int pixelSize, int flags) {
  QFont font(QStringLiteral("WenQuanYi Zen Hei"));
  font.setPixelSize(pixelSize);
  font.setBold(true);
  QImage halo(box.size() / 4, QImage::Format_ARGB32_Premultiplied);
  halo.fill(Qt::transparent);
  {
    QPainter h(&halo);
    h.scale(0.25, 0.25);
    h.setFont(font);
    h.setPen(QPen(Qt::white, 6));
    for (int dx = -4; dx <= 4; dx += 2)
      for (int dy = -4; dy <= 4; dy += 2) h.drawText(QRect(QPoint(dx, dy), box.size()), flags, text);
  }
  p.drawImage(box, halo.scaled(box.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  p.setFont(font);
  p.setPen(Qt::red);
  p.drawText(box, flags, text);
}

void framedPhoto(QPainter& p, const QRect& frame, int border, qreal corner, const QImage& photo) {
  QPainterPath round;
  round.addRoundedRect(frame, corner, corner);
  p.fillPath(round, Qt::yellow);
  p.drawImage(frame.adjusted(border, border, -border, -border), photo);
}

}  // namespace

QImage composePreview(DrawState state) {
  QImage shot(1015, 506, QImage::Format_RGB32);
  shot.fill(kNavy);
  QPainter p(&shot);
  p.drawImage(0, 0, seeThrough(drawHandset(), kWhiteKey));
  p.drawImage(kPowerKeyAt, seeThrough(drawPowerKey(), kWhiteKey));
  const std::array<std::pair<int, QImage>, 5> icons = {
      std::pair{kClockIconY, drawClockIcon()}, std::pair{kMusicIconY, drawMusicIcon()},
      std::pair{kDrawIconY, drawDrawIcon()}, std::pair{kMessagesIconY, drawMessagesIcon()},
      std::pair{kTelephoneIconY, drawTelephoneIcon()}};
  for (const auto& [y, icon] : icons) p.drawImage(kIconColumnX, y, seeThrough(icon, kWhiteKey));

  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  glowText(p, QRect(kDrawPanel + QPoint(0, -1), QSize(70, 47)), QStringLiteral("抽奖"), 19, Qt::AlignCenter);
  glowText(p, QRect(kDrawPanel + QPoint(427, 4), QSize(201, 398)),
           QStringLiteral("幸运奖5位\n\n张伟\n李娜\n王芳"), 24, Qt::AlignHCenter | Qt::AlignTop);

  const QImage photo = drawPlaceholderPhoto();
  if (state == DrawState::Rolling) {
    const std::array<QPoint, 8> tiles = {QPoint(166, 0),   QPoint(251, 81),  QPoint(294, 163),
                                         QPoint(251, 245), QPoint(166, 327), QPoint(78, 245),
                                         QPoint(16, 163),  QPoint(78, 80)};
    for (const QPoint at : tiles) framedPhoto(p, QRect(kDrawPanel + at, QSize(104, 78)), 2, 2.5, photo);
  } else {
    framedPhoto(p, QRect(kDrawPanel + QPoint(12, 33), QSize(416, 312)), 6, 10, photo);
    glowText(p, QRect(kDrawPanel + QPoint(27, 347), QSize(382, 57)), QStringLiteral("市场部  王芳"), 29,
             Qt::AlignCenter);
  }

  QFont clock(QStringLiteral("Verdana"));
  clock.setPixelSize(16);
  clock.setBold(true);
  p.setFont(clock);
  p.setPen(QColor(192, 192, 192));
  p.translate(148, 382);
  p.rotate(-90);
  p.drawText(QRectF(0, 0, 157, 27), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("26-12-06  09:05"));
  return shot;
}

QImage stagePreview(QSize screen) {
  const QImage background = drawStageBackground();
  const QSize filled = background.size().scaled(screen, Qt::KeepAspectRatioByExpanding);
  const QImage scaled = background.scaled(filled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage out = scaled.copy((filled.width() - screen.width()) / 2, (filled.height() - screen.height()) / 2,
                           screen.width(), screen.height());
  QPainter p(&out);
  p.setRenderHint(QPainter::Antialiasing);
  const int h = screen.height();
  QFont font(QStringLiteral("WenQuanYi Zen Hei"));
  const auto line = [&](const QString& text, qreal top, qreal size, QColor colour) {
    font.setPixelSize(int(h * size));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, h * top, screen.width(), h * size * 1.5), Qt::AlignHCenter | Qt::AlignVCenter, text);
  };
  line(QStringLiteral("2026 年会 · 幸运抽奖"), 0.05, 0.055, Qt::white);
  line(QStringLiteral("一等奖  1 / 3"), 0.17, 0.06, QColor(248, 197, 72));
  p.setPen(QPen(QColor(248, 197, 72), h / 360.0));
  p.setBrush(QColor(255, 255, 255, 40));
  const qreal side = h * 0.45;
  p.drawRect(QRectF((screen.width() - side * 4 / 3) / 2, h * 0.29, side * 4 / 3, side));
  line(QStringLiteral("张晓明"), 0.76, 0.09, Qt::white);
  line(QStringLiteral("研发中心"), 0.895, 0.04, QColor(255, 255, 255, 210));
  return out;
}

QImage fireworksSheet() {
  const QSize cell(320, 240);
  QImage sheet(cell.width() * 4, cell.height() * 4, QImage::Format_RGB32);
  sheet.fill(Qt::black);
  QPainter p(&sheet);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.setPen(QColor(60, 60, 60));
  for (int n = 0; n <= kFireworksFileCount; ++n) {
    const QImage picture = n < kFireworksFileCount ? drawFireworks(n) : drawBuiltinFireworks();
    const QRect box(QPoint(n % 4 * cell.width(), n / 4 * cell.height()), cell);
    p.drawImage(box, picture);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(n));
  }
  return sheet;
}

}  // namespace ld::artwork
