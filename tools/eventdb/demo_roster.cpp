#include "demo_roster.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QStringList>
#include <iterator>

#include "transfer/portrait_card.h"

namespace ld {

namespace {

constexpr char16_t kSurnames[] =
    u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈"
    u"姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤";
constexpr char16_t kGivenChars[] =
    u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚英华玉萍红飞鹏宇浩凯晨欣怡雪琳婷佳颖思雨子涵轩博文俊嘉瑞昊然"
    u"梓睿泽晓梦诗悦瑶宁安志国建海春云兰凤慧丹翔斌鑫辉亮宏振君琪薇倩蕾佩淑晶婧彤可乐晗毅旭东阳曦诺一新天心月"
    u"星晴朗远";
constexpr int kSurnameCount = int(std::size(kSurnames)) - 1;
constexpr int kGivenCount = int(std::size(kGivenChars)) - 1;

struct Department {
  const char16_t* name;
  int weight;  // R&D and sales are the big ones, as in most companies
};
constexpr Department kDepartments[] = {{u"研发部", 30}, {u"销售部", 20}, {u"生产部", 14}, {u"市场部", 12},
                                       {u"客服部", 10}, {u"财务部", 5},  {u"人事部", 5},  {u"行政部", 4}};

using Rng = SplitMix64;

QChar givenChar(Rng& rng) { return QChar(kGivenChars[rng.below(kGivenCount)]); }

QString randomName(Rng& rng) {
  QString name(QChar(kSurnames[rng.below(kSurnameCount)]));
  name += givenChar(rng);
  if (rng.below(10) >= 3) name += givenChar(rng);  // most given names have two characters
  return name;
}

QString randomDepartment(Rng& rng) {
  int total = 0;
  for (const Department& d : kDepartments) total += d.weight;
  int pick = rng.below(total);
  for (const Department& d : kDepartments) {
    if (pick < d.weight) return QString::fromUtf16(d.name);
    pick -= d.weight;
  }
  return QString::fromUtf16(kDepartments[0].name);
}

}  // namespace

std::vector<DemoPerson> demoRoster(int n, quint32 seed) {
  std::vector<DemoPerson> people;
  if (n <= 0) return people;
  people.reserve(size_t(n));
  QSet<QString> used;
  used.reserve(n);
  Rng rng(seed);
  for (int i = 0; i < n; ++i) {
    QString name = randomName(rng);
    for (int attempt = 0; attempt < 8 && used.contains(name); ++attempt) name = randomName(rng);
    // About a million names fit the lists; beyond that a longer given name keeps them distinct (a number
    // would look odd on the projector).
    while (used.contains(name)) name += givenChar(rng);
    used.insert(name);
    people.push_back({name, randomDepartment(rng)});
  }
  return people;
}

QImage demoAvatar(const DemoPerson& person, int index, int scale) {
  constexpr qreal cx = kPortraitWidth / 2.0;
  Rng rng = portraitRng(index);

  QImage image(kPortraitWidth * scale, kPortraitHeight * scale, QImage::Format_RGB32);
  QPainter p(&image);
  p.scale(scale, scale);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const int hue = portraitHue(index);
  paintPortraitBackground(p, hue, rng);

  static const QColor skins[] = {QColor(0xFB, 0xE0, 0xCC), QColor(0xF4, 0xCC, 0xAE), QColor(0xEA, 0xB9, 0x94),
                                 QColor(0xDC, 0xA5, 0x7F), QColor(0xF7, 0xD6, 0xBC)};
  static const QColor hairs[] = {QColor(0x2A, 0x22, 0x20), QColor(0x3D, 0x2B, 0x22), QColor(0x5C, 0x3B, 0x28),
                                 QColor(0x1F, 0x1F, 0x26), QColor(0x7A, 0x4E, 0x2D)};
  const QColor skin = skins[rng.below(int(std::size(skins)))];
  const QColor hair = hairs[rng.below(int(std::size(hairs)))];
  const QColor shirt =
      QColor::fromHsv((hue + 150 + rng.below(60)) % 360, 140 + rng.below(60), 190 + rng.below(40));
  const int hairStyle = rng.below(4);
  const bool glasses = rng.below(4) == 0;
  const bool openSmile = rng.below(2) == 0;

  // Shoulders and collar; the banner cuts them off below.
  p.setBrush(shirt);
  p.drawRoundedRect(QRectF(cx - 118, 218, 236, 160), 72, 72);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({QPointF(cx - 26, 219), QPointF(cx + 26, 219), QPointF(cx, 250)}));

  if (hairStyle == 1) {  // long hair falls behind the head onto the shoulders
    p.setBrush(hair);
    p.drawRoundedRect(QRectF(cx - 80, 62, 160, 178), 70, 70);
  }
  p.setBrush(skin.darker(112));
  p.drawRoundedRect(QRectF(cx - 20, 178, 40, 46), 12, 12);  // neck
  p.setBrush(skin);
  p.drawEllipse(QPointF(cx - 62, 136), 11, 15);  // ears
  p.drawEllipse(QPointF(cx + 62, 136), 11, 15);
  p.drawEllipse(QPointF(cx, 130), 62, 68);  // head

  // Hair: the crown follows the head, the hairline below it differs per style.
  QPainterPath crown;
  const QRectF crownBox(cx - 68, 54, 136, 124);
  crown.arcMoveTo(crownBox, -8);
  crown.arcTo(crownBox, -8, 196);
  const QPointF right = crown.pointAtPercent(0);
  switch (hairStyle) {
    case 0:  // parted on the left
      crown.cubicTo(cx - 60, 95, cx - 40, 86, cx - 20, 89);
      crown.cubicTo(cx + 20, 92, cx + 55, 98, right.x(), right.y());
      break;
    case 1:  // rounded fringe
      crown.cubicTo(cx - 50, 98, cx + 50, 98, right.x(), right.y());
      break;
    case 2:  // parted on the right, under a bun
      crown.cubicTo(cx - 55, 98, cx - 20, 92, cx + 20, 89);
      crown.cubicTo(cx + 40, 86, cx + 60, 95, right.x(), right.y());
      break;
    default:  // fringe swept to one side
      crown.cubicTo(cx - 40, 126, cx + 10, 112, cx + 30, 95);
      crown.cubicTo(cx + 48, 88, cx + 62, 100, right.x(), right.y());
      break;
  }
  crown.closeSubpath();
  p.setBrush(hair);
  p.drawPath(crown);
  if (hairStyle == 2) p.drawEllipse(QPointF(cx, 50), 24, 22);

  // Face.
  QPen brow(hair, 4, Qt::SolidLine, Qt::RoundCap);
  p.setPen(brow);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(cx - 36, 116, 24, 12), 30 * 16, 120 * 16);
  p.drawArc(QRectF(cx + 12, 116, 24, 12), 30 * 16, 120 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3A, 0x2A, 0x25));
  p.drawEllipse(QPointF(cx - 24, 140), 7, 9);
  p.drawEllipse(QPointF(cx + 24, 140), 7, 9);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(cx - 22, 137), 2.5, 2.5);
  p.drawEllipse(QPointF(cx + 26, 137), 2.5, 2.5);
  p.setBrush(QColor(255, 120, 130, 80));
  p.drawEllipse(QPointF(cx - 40, 163), 12, 7);
  p.drawEllipse(QPointF(cx + 40, 163), 12, 7);
  if (openSmile) {
    p.setBrush(QColor(0xB8, 0x44, 0x4A));
    p.drawChord(QRectF(cx - 18, 148, 36, 30), 180 * 16, 180 * 16);
  } else {
    p.setPen(QPen(QColor(0xB8, 0x44, 0x4A), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(cx - 18, 146, 36, 28), 200 * 16, 140 * 16);
  }
  if (glasses) {
    p.setPen(QPen(QColor(0x33, 0x33, 0x3A), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(cx - 24, 140), 17, 15);
    p.drawEllipse(QPointF(cx + 24, 140), 17, 15);
    p.drawLine(QPointF(cx - 7, 138), QPointF(cx + 7, 138));
  }

  paintPortraitBanner(p, hue, shirt, person.name, person.department);
  p.end();
  return image;
}

}  // namespace ld
