#include "stage/stage_layout.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "framework/text.h"

namespace ld::stage {

namespace {

// Sizes as shares of the screen's height, so that 1080p and 4K look alike.
int part(QSize screen, double share) { return std::max(1, int(std::lround(screen.height() * share))); }
int margin(QSize screen) {
  return std::max(6, int(std::lround(std::min(screen.width(), screen.height()) * 0.04)));
}

constexpr double kPhotoAspect = 4.0 / 3.0;

bool isCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x20000 && c <= 0x3FFFF);
}

// A word, or one CJK character, and whether a space stood before it.
struct Token {
  QString text;
  bool spaceBefore = false;
};

QList<Token> tokens(const QString& text) {
  QList<Token> out;
  QString word;
  bool space = false;
  auto flush = [&] {
    if (word.isEmpty()) return;
    out << Token{word, space};
    space = false;
    word.clear();
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const QString unit = text.mid(i, pair ? 2 : 1);
    const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
    if (pair) ++i;
    if (QChar::isSpace(code)) {
      flush();
      space = true;
    } else if (isCjk(code)) {
      flush();
      out << Token{unit, space};
      space = false;
    } else {
      word += unit;
      // A hyphenated name may break after its hyphen.
      if (code == u'-' && word.size() > 1) flush();
    }
  }
  flush();
  return out;
}

// The longest start of `text` no wider than `width`, at least one character (a surrogate pair kept whole).
qsizetype fittingPrefix(const QString& text, const QFontMetricsF& metrics, qreal width) {
  qsizetype best = text[0].isHighSurrogate() && text.size() > 1 ? 2 : 1;
  for (qsizetype n = best + 1; n <= text.size(); ++n) {
    if (n < text.size() && text[n].isLowSurrogate()) continue;
    if (metrics.horizontalAdvance(text.left(n)) > width) break;
    best = n;
  }
  return best;
}

TextBlock block(const QString& text, QFont font, QRect box, int px, Qt::Alignment alignment,
                bool* brokeWord = nullptr) {
  font.setPixelSize(std::max(1, px));
  TextBlock b;
  b.font = font;
  b.box = box;
  b.alignment = alignment;
  b.lineHeight = int(std::ceil(QFontMetricsF(font).lineSpacing()));
  b.lines = wrapText(text, font, box.width(), brokeWord);
  return b;
}

bool fits(const TextBlock& b) {
  const QFontMetricsF metrics(b.font);
  return b.height() <= b.box.height() && std::all_of(b.lines.cbegin(), b.lines.cend(), [&](const QString& l) {
           return metrics.horizontalAdvance(l) <= b.box.width();
         });
}

TextBlock fitAligned(const QString& text, const QFont& font, QRect box, int maxPx, int minPx,
                     Qt::Alignment alignment) {
  TextBlock b = fitText(text, font, box, maxPx, minPx);
  b.alignment = alignment;
  return b;
}

// A header text: the largest size that fits the band; one shortened line when even the least does not.
TextBlock fitOrShorten(const QString& text, const QFont& font, QRect box, int maxPx, int minPx,
                       Qt::Alignment alignment) {
  // One line if any size allows it, then two or more.
  QFont largest = font;
  largest.setPixelSize(maxPx);
  const QRect oneLine(box.x(), box.y(), box.width(),
                      std::min(box.height(), int(std::ceil(QFontMetricsF(largest).lineSpacing()))));
  TextBlock b = fitAligned(text, font, oneLine, maxPx, minPx, alignment);
  if (b.lines.size() <= 1 || box.width() <= 0) {
    b.box = box;
    return b;
  }
  b = fitAligned(text, font, box, maxPx, minPx, alignment);
  if (b.height() <= box.height()) return b;
  b.box = box;
  b.lines = QStringList{QFontMetrics(b.font).elidedText(text, Qt::ElideRight, box.width())};
  return b;
}

// Moves a block so that its lines start at `top`, its box as tall as the lines.
void placeAt(TextBlock& b, int top) { b.box = QRect(b.box.x(), top, b.box.width(), b.height()); }

int contentTop(const HeaderLayout& header, QSize screen) { return header.band.bottom() + 1 + margin(screen); }

// The heading row of the wall and the roll of honour: the heading centred, the page on the right.
void headingRow(QSize screen, const HeaderLayout& header, const QString& heading, int page, int pages,
                TextBlock& headingBlock, TextBlock& pageBlock) {
  const QString pageText = pages > 1 ? Tr::tr("第 %1 / %2 页").arg(page + 1).arg(pages) : QString();
  const int m = margin(screen);
  const int top = header.band.bottom() + 1 + m / 2;
  const int side = int(screen.width() * 0.2);
  const int rowHeight = part(screen, 0.085);
  headingBlock = fitText(heading, stageFont(1), QRect(side, top, screen.width() - 2 * side, rowHeight),
                         part(screen, 0.06), part(screen, 0.03));
  pageBlock = fitAligned(pageText, stageFont(1, false),
                         QRect(screen.width() - side + m / 2, top, side - m - m / 2, rowHeight),
                         part(screen, 0.034), part(screen, 0.018), Qt::AlignRight);
}

int headingRowBottom(QSize screen, const HeaderLayout& header) {
  return header.band.bottom() + 1 + margin(screen) / 2 + part(screen, 0.085);
}

// What the wall and the roll of honour fill: below their heading row and `extra` more, inside the margins.
QRect belowHeadingRow(QSize screen, const HeaderLayout& header, int extra = 0) {
  const int m = margin(screen);
  const int top = headingRowBottom(screen, header) + extra + m / 2;
  return QRect(m, top, screen.width() - 2 * m, screen.height() - top - m);
}

// The rule line's size follows the narrower side, like the texts beside a winner.
QFont ruleFont(QSize screen) {
  return stageFont(part(QSize(screen.width(), std::min(screen.height(), screen.width() * 3 / 4)), 0.032),
                   false);
}

// Rows of items laid out centred in `area`: the last row centred on its own.
QList<QRect> centredGrid(QRect area, int count, int columns, QSize item, int gap) {
  QList<QRect> rects;
  const int rows = (count + columns - 1) / columns;
  const int totalHeight = rows * item.height() + (rows - 1) * gap;
  int y = area.top() + (area.height() - totalHeight) / 2;
  for (int r = 0, placed = 0; r < rows; ++r, y += item.height() + gap) {
    const int inRow = std::min(columns, count - placed);
    const int rowWidth = inRow * item.width() + (inRow - 1) * gap;
    int x = area.left() + (area.width() - rowWidth) / 2;
    for (int c = 0; c < inRow; ++c, x += item.width() + gap) rects << QRect(QPoint(x, y), item);
    placed += inRow;
  }
  return rects;
}

// The columns and the item width that make `count` items of aspect width:height = 1:ratio largest in
// `area`, with at most maxColumns × maxRows.
std::pair<int, int> bestGrid(QSize area, int count, double ratio, int gap, int maxColumns, int maxRows) {
  int bestColumns = 1, bestWidth = 0;
  for (int c = 1; c <= std::max(1, std::min(count, maxColumns)); ++c) {
    const int rows = (count + c - 1) / c;
    if (rows > maxRows) continue;
    const int byWidth = (area.width() - (c - 1) * gap) / c;
    const int byHeight = int(((area.height() - (rows - 1) * gap) / double(rows)) / ratio);
    const int width = std::min(byWidth, byHeight);
    if (width > bestWidth) bestWidth = width, bestColumns = c;
  }
  return {bestColumns, std::max(1, bestWidth)};
}

}  // namespace

QFont stageFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                    QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Microsoft YaHei")});
  font.setPixelSize(std::max(1, pixelSize));
  font.setBold(bold);
  return font;
}

int minimumNamePx(QSize screen) { return int(std::ceil(90.0 * screen.height() / 1080.0)); }

QRect TextBlock::lineRect(int i) const {
  const QFontMetricsF metrics(font);
  const int width = std::min(box.width(), int(std::ceil(metrics.horizontalAdvance(lines.value(i)))));
  int x = box.x() + (box.width() - width) / 2;
  if (alignment & Qt::AlignLeft) x = box.x();
  if (alignment & Qt::AlignRight) x = box.x() + box.width() - width;
  const int top = box.y() + (box.height() - height()) / 2;
  return QRect(x, top + i * lineHeight, width, lineHeight);
}

QRect TextBlock::inked() const {
  QRect r;
  for (int i = 0; i < lines.size(); ++i) r |= lineRect(i);
  return r;
}

QStringList wrapText(const QString& text, const QFont& font, int width, bool* brokeWord) {
  const QFontMetricsF metrics(font);
  QStringList lines;
  QString line;
  if (brokeWord) *brokeWord = false;
  for (const Token& token : tokens(text)) {
    const QString joined = line.isEmpty()
                               ? token.text
                               : line + (token.spaceBefore ? QStringLiteral(" ") : QString()) + token.text;
    if (metrics.horizontalAdvance(joined) <= width) {
      line = joined;
      continue;
    }
    if (!line.isEmpty()) lines << line;
    line = token.text;
    // A word longer than the line breaks between characters.
    while (metrics.horizontalAdvance(line) > width && line.size() > 1) {
      const qsizetype n = fittingPrefix(line, metrics, width);
      if (n >= line.size()) break;
      if (brokeWord) *brokeWord = true;
      lines << line.left(n);
      line = line.mid(n);
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

TextBlock fitText(const QString& text, QFont font, QRect box, int maxPx, int minPx) {
  minPx = std::max(1, std::min(minPx, maxPx));
  // Words kept whole if any size allows it; then broken where they must be.
  for (const bool wholeWords : {true, false}) {
    for (int px = maxPx; px > minPx; px -= std::max(1, px / 24)) {
      bool broke = false;
      TextBlock b = block(text, font, box, px, Qt::AlignHCenter, &broke);
      if (fits(b) && !(wholeWords && broke)) return b;
    }
  }
  TextBlock b = block(text, font, box, minPx, Qt::AlignHCenter);
  if (b.height() > box.height()) b.box.setHeight(b.height());
  return b;
}

QString progressText(const PrizeProgress& prize) {
  QString text = prize.name + QStringLiteral("  ") + QString::number(prize.drawn);
  if (prize.total > 0) text += QStringLiteral(" / ") + QString::number(prize.total);
  return text;
}

QString poolText(const PrizeProgress& prize) {
  if (prize.pool < 0 || prize.eligible < 0) return {};
  return Tr::tr("可抽 %1 / %2").arg(prize.pool).arg(prize.eligible);
}

RuleText ruleTextOf(const PrizeProgress& prize) { return {prize.rule.simplified(), poolText(prize)}; }

int ruleLineHeight(QSize screen) { return int(std::ceil(QFontMetricsF(ruleFont(screen)).lineSpacing())); }

TextBlock ruleLine(QSize screen, QRect box, const RuleText& text) {
  TextBlock b;
  b.font = ruleFont(screen);
  b.lineHeight = ruleLineHeight(screen);
  b.box = QRect(box.x(), box.y(), box.width(), b.lineHeight);
  if (text.isEmpty() || box.width() <= 0) return b;
  const QFontMetricsF metrics(b.font);
  const qreal width = box.width();
  QString line = text.pool;
  if (!text.rule.isEmpty()) {
    const QString tail = text.pool.isEmpty() ? QString() : QStringLiteral("  ·  ") + text.pool;
    const QString rule =
        metrics.elidedText(text.rule, Qt::ElideRight, width - metrics.horizontalAdvance(tail));
    line = rule.isEmpty() ? text.pool : rule + tail;
  }
  // A screen too narrow even for the pool: it is shortened too rather than run off the edge.
  if (metrics.horizontalAdvance(line) > width) line = metrics.elidedText(line, Qt::ElideRight, width);
  if (!line.isEmpty()) b.lines << line;
  return b;
}

QString batchHeading(const PrizeProgress& prize, int batchSize, int first, int count) {
  if (count <= 0) return prize.name;
  // Positions within the prize when the progress counts the batch, else within the batch.
  const int before = prize.drawn >= batchSize ? prize.drawn - batchSize : 0;
  QString text = prize.name + QStringLiteral("  ") + QString::number(before + first + 1) + u'–' +
                 QString::number(before + first + count);
  if (prize.total > 0) text += QStringLiteral(" / ") + QString::number(prize.total);
  return text;
}

HeaderLayout headerLayout(QSize screen, QSize logo, const QString& company, const QString& title,
                          const QString& prize) {
  HeaderLayout h;
  const int m = margin(screen);
  const int bandHeight = part(screen, 0.11);
  h.band = QRect(0, 0, screen.width(), bandHeight);
  int left = m;
  if (logo.width() > 0 && logo.height() > 0) {
    int height = int(bandHeight * 0.68);
    int width = int(std::lround(height * double(logo.width()) / logo.height()));
    const int widest = std::min(3 * height, int(screen.width() * 0.2));
    if (width > widest) {
      width = widest;
      height = std::max(1, int(std::lround(width * double(logo.height()) / logo.width())));
    }
    h.logo = QRect(m, (bandHeight - height) / 2, width, height);
    left = h.logo.right() + 1 + m / 2;
  }
  const int third = int(screen.width() * 0.3);
  const int textHeight = int(bandHeight * 0.86);
  const int top = (bandHeight - textHeight) / 2;
  h.company = fitOrShorten(company, stageFont(1, false),
                           QRect(left, top, std::max(0, third - m / 2 - left), textHeight),
                           part(screen, 0.032), part(screen, 0.016), Qt::AlignLeft);
  h.title =
      fitOrShorten(title, stageFont(1), QRect(third + m / 2, top, screen.width() - 2 * third - m, textHeight),
                   part(screen, 0.05), part(screen, 0.022), Qt::AlignHCenter);
  const int rightLeft = screen.width() - third + m / 2;
  h.prize =
      fitOrShorten(prize, stageFont(1), QRect(rightLeft, top, screen.width() - m - rightLeft, textHeight),
                   part(screen, 0.042), part(screen, 0.018), Qt::AlignRight);
  return h;
}

IdleLayout idleLayout(QSize screen, const HeaderLayout& header, const QString& prize, const QString& progress,
                      const RuleText& rule, int besideWidth) {
  IdleLayout l;
  l.header = header;
  const int m = margin(screen);
  // Kept off both sides alike, so the texts stay centred on the screen.
  const int beside = besideWidth > 0 ? besideWidth + m : 0;
  const QRect content(m + beside, contentTop(header, screen), screen.width() - 2 * (m + beside),
                      screen.height() - contentTop(header, screen) - m);
  l.prize = fitText(prize, stageFont(1), QRect(content.x(), 0, content.width(), int(content.height() * 0.6)),
                    part(screen, 0.17), part(screen, 0.06));
  l.progress =
      fitText(progress, stageFont(1, false), QRect(content.x(), 0, content.width(), part(screen, 0.2)),
              part(screen, 0.075), part(screen, 0.03));
  l.rule = ruleLine(screen, QRect(content.x(), 0, content.width(), 0), rule);
  const int gap = part(screen, 0.03);
  const int ruleSpace = l.rule.lines.isEmpty() ? 0 : gap + l.rule.height();
  const int total = l.prize.height() + gap + l.progress.height() + ruleSpace;
  const int top = content.y() + std::max(0, (content.height() - total) / 2);
  placeAt(l.prize, top);
  placeAt(l.progress, top + l.prize.height() + gap);
  placeAt(l.rule, l.progress.box.bottom() + 1 + gap);
  return l;
}

CheckInLayout checkInLayout(QSize screen, const QString& link) {
  const int m = margin(screen);
  const int side = std::min(part(screen, 0.25), screen.width() / 5);
  const int captionHeight = std::max(10, side / 7);
  // The link readable from the front rows: wider than the code where it needs to be, up to half the screen.
  QFont font = stageFont(std::max(8, part(screen, 0.024)), false);
  const int linkWidth = std::clamp(QFontMetrics(font).horizontalAdvance(link) + 8, side,
                                   std::max(side, screen.width() / 2 - m));
  const int linkHeight = QFontMetrics(font).height();
  const int right = screen.width() - m;
  CheckInLayout l;
  l.linkFont = font;
  l.link = QRect(right - linkWidth, screen.height() - m - linkHeight, linkWidth, linkHeight);
  // Room between the code's card and the link's.
  l.code = QRect(right - side, l.link.top() - side - side / 10, side, side);
  l.caption = QRect(right - side, l.code.top() - captionHeight, side, captionHeight);
  l.block = l.caption | l.code | l.link;
  return l;
}

RollingLayout rollingLayout(QSize screen, const HeaderLayout& header, int tiles, const RuleText& rule) {
  RollingLayout l;
  l.header = header;
  const int m = margin(screen);
  int top = contentTop(header, screen);
  if (!rule.isEmpty()) {
    l.rule = ruleLine(screen, QRect(m, header.band.bottom() + 1 + m / 3, screen.width() - 2 * m, 0), rule);
    top = l.rule.box.bottom() + 1 + m / 2;
  }
  const QRect area(m, top, screen.width() - 2 * m, screen.height() - top - m);
  const int gap = part(screen, 0.025);
  const auto [columns, width] = bestGrid(area.size(), tiles, 1 / kPhotoAspect, gap, tiles, tiles);
  l.tiles = centredGrid(area, tiles, columns, QSize(width, int(width / kPhotoAspect)), gap);
  return l;
}

ResultLayout resultLayout(QSize screen, const HeaderLayout& header, const QString& prize, const QString& name,
                          const QString& mark, const QString& department, int otherWinners) {
  const int m = margin(screen);
  const int w = screen.width();
  const int top = contentTop(header, screen);
  // What stands beside the name is sized by the narrower side, so a portrait screen keeps its room for it.
  const QSize small(w, std::min(screen.height(), w * 3 / 4));
  const int stripHeight = otherWinners > 0 ? part(small, 0.15) : 0;
  const int stripSpace = stripHeight > 0 ? stripHeight + m / 2 : 0;
  const int bottom = screen.height() - m;
  const bool sideBySide = double(w) / screen.height() >= 1.25;
  const int minName = minimumNamePx(screen);

  // Largest photo first; a smaller one when the text needs more room to keep its size, and the name
  // smaller still only when nothing else is left (never cut).
  ResultLayout l;
  QRect column;
  QRect strip;
  int nameMax = std::max(minName, part(screen, 0.15)), nameMin = minName;
  for (int attempt = 0;; ++attempt) {
    const int percent = std::max(46, (sideBySide ? 66 : 54) - 4 * attempt);
    const int widestPercent = std::max(30, 52 - 4 * attempt);
    const bool smallestPhoto = percent == 46 && (widestPercent == 30 || !sideBySide);
    const double share = percent / 100.0, widest = widestPercent / 100.0;
    l = ResultLayout();
    l.header = header;
    if (sideBySide) {
      // The photo and, below it, the rest of the press; the text beside them from top to bottom.
      const int room = bottom - top - stripSpace;
      const int photoHeight = std::max(0, std::min(room, part(screen, share)));
      const int photoWidth = std::min(int(photoHeight * kPhotoAspect), int(w * widest));
      const int inset = 2 * m;
      l.photo = QRect(inset, top + (room - photoHeight) / 2, photoWidth, photoHeight);
      strip = QRect(inset, bottom - stripHeight, photoWidth, stripHeight);
      column =
          QRect(l.photo.right() + 1 + inset, top, w - inset - (l.photo.right() + 1 + inset), bottom - top);
    } else {
      const int photoHeight = std::max(0, std::min(bottom - top - stripSpace, part(screen, share)));
      const int photoWidth = std::max(0, std::min(int(photoHeight * kPhotoAspect), w - 2 * m));
      l.photo = QRect((w - photoWidth) / 2, top, photoWidth, photoHeight);
      strip = QRect(m, bottom - stripHeight, w - 2 * m, stripHeight);
      const int columnTop = l.photo.bottom() + 1 + m;
      column = QRect(m, columnTop, w - 2 * m, bottom - stripSpace - columnTop);
    }
    const int x = column.x(), width = column.width();
    l.prize = fitText(prize, stageFont(1), QRect(x, 0, width, part(small, 0.2)), part(small, 0.075),
                      part(small, 0.035));
    l.name = fitText(name, stageFont(1), QRect(x, 0, width, int(column.height() * 0.6)), nameMax, nameMin);
    l.mark = fitText(mark, stageFont(1), QRect(x, 0, width, part(small, 0.15)), part(small, 0.05),
                     part(small, 0.03));
    l.department = fitText(department, stageFont(1, false), QRect(x, 0, width, part(small, 0.2)),
                           part(small, 0.055), part(small, 0.03));
    const int gap = part(small, 0.025);
    const QList<TextBlock*> stack{&l.prize, &l.name, &l.mark, &l.department};
    int total = -gap;
    for (const TextBlock* b : stack) total += b->lines.isEmpty() ? 0 : b->height() + gap;
    if (total > column.height()) {
      if (!smallestPhoto) continue;
      if (l.name.pixelSize() > nameMin) {
        nameMax = std::max(nameMin, l.name.pixelSize() * 9 / 10);
        continue;
      }
      if (nameMin > 8) {
        nameMax = nameMin = nameMin * 9 / 10;
        continue;
      }
    }
    int y = column.y() + std::max(0, (column.height() - total) / 2);
    for (TextBlock* b : stack) {
      placeAt(*b, y);
      if (!b->lines.isEmpty()) y += b->height() + gap;
    }
    break;
  }
  const int nameMargin = part(screen, 0.03);
  l.nameBlock = (l.name.inked() | l.mark.inked()).adjusted(-nameMargin, -nameMargin, nameMargin, nameMargin) &
                QRect(QPoint(0, 0), screen);

  if (otherWinners > 0) {
    const int gap = m / 2;
    const QSize card(int(stripHeight * kPhotoAspect), stripHeight);
    const int fit = std::max(1, (strip.width() + gap) / (card.width() + gap));
    l.others = centredGrid(strip, std::min(otherWinners, fit), std::min(otherWinners, fit), card, gap);
  }
  return l;
}

WallLayout wallLayout(QSize screen, const HeaderLayout& header, const PrizeProgress& prize,
                      const QList<Winner>& winners, int page, bool batch) {
  WallLayout l;
  l.header = header;
  const RuleText rule = ruleTextOf(prize);
  const QRect area = belowHeadingRow(screen, header, rule.isEmpty() ? 0 : ruleLineHeight(screen));
  const int gap = part(screen, 0.025);
  // A card: the photo, a name line and a department line, with a little padding.
  constexpr double kPad = 0.04, kName = 0.2, kDepartment = 0.13;
  constexpr double kRatio = 1 / kPhotoAspect + kName + kDepartment + 3.5 * kPad;
  const int narrowest = part(screen, 0.2);
  const int maxColumns = std::max(1, (area.width() + gap) / (narrowest + gap));
  const int maxRows = std::max(1, int((area.height() + gap) / (narrowest * kRatio + gap)));
  const int count = int(winners.size());
  l.perPage = std::max(1, std::min(count, maxColumns * maxRows));
  l.pages = std::max(1, (count + l.perPage - 1) / l.perPage);
  page = std::clamp(page, 0, l.pages - 1);
  const int first = page * l.perPage;
  const int onPage = std::max(0, std::min(l.perPage, count - first));
  headingRow(screen, header, batch ? batchHeading(prize, count, first, onPage) : progressText(prize), page,
             l.pages, l.heading, l.page);
  const int m = margin(screen);
  l.rule = ruleLine(screen, QRect(m, headingRowBottom(screen, header), screen.width() - 2 * m, 0), rule);
  if (onPage == 0) return l;
  auto [columns, width] = bestGrid(area.size(), onPage, kRatio, gap, maxColumns, maxRows);
  width = std::min(width, part(screen, 0.45));
  const QSize cardSize(width, int(width * kRatio));
  const int pad = std::max(2, int(width * kPad));
  const int nameHeight = int(width * kName), departmentHeight = int(width * kDepartment);
  for (const QRect& card : centredGrid(area, onPage, columns, cardSize, gap)) {
    const Winner& winner = winners[first + int(l.cards.size())];
    CardLayout c;
    c.card = card;
    c.photo = QRect(card.x() + pad, card.y() + pad, card.width() - 2 * pad,
                    int((card.width() - 2 * pad) / kPhotoAspect));
    const QRect nameBox(c.photo.x(), c.photo.bottom() + 1 + pad / 2, c.photo.width(), nameHeight);
    c.name = fitText(winner.name, stageFont(1), nameBox, int(nameHeight * 0.78), std::max(6, nameHeight / 6));
    const QRect departmentBox(c.photo.x(), nameBox.bottom() + 1, c.photo.width(), departmentHeight);
    c.department = fitText(winner.department, stageFont(1, false), departmentBox,
                           int(departmentHeight * 0.75), std::max(6, departmentHeight / 5));
    l.cards << c;
  }
  return l;
}

HonourLayout honourLayout(QSize screen, const HeaderLayout& header, const QString& heading,
                          const QList<HonourPrize>& prizes, int page) {
  HonourLayout l;
  l.header = header;
  const QRect area = belowHeadingRow(screen, header);
  const int gap = part(screen, 0.04);
  const int columns = std::clamp((area.width() + gap) / (part(screen, 0.5) + gap), 1, 4);
  const int columnWidth = (area.width() - (columns - 1) * gap) / columns;
  const int lineHeight = part(screen, 0.056);
  const int rows = std::max(2, area.height() / lineHeight);

  const QFont headingFont = stageFont(part(screen, 0.04));
  const QFont nameFont = stageFont(part(screen, 0.036));
  const QFont departmentFont = stageFont(part(screen, 0.026), false);

  // Every line of every page, in reading order: page, column and row follow from the index.
  struct Placed {
    HonourLine line;
    int column = 0, row = 0;  // column counted over all pages
  };
  QList<Placed> placed;
  int column = 0, row = 0;
  auto newColumn = [&] { ++column, row = 0; };
  auto put = [&](HonourLine line) {
    if (row >= rows) newColumn();
    placed << Placed{line, column, row++};
  };
  auto headingLine = [&](const QString& text) {
    HonourLine h;
    h.text = text;
    h.font = headingFont;
    h.heading = true;
    return h;
  };
  for (auto prize = prizes.cbegin(); prize != prizes.cend(); ++prize) {
    // A heading never ends a column; a gap above it unless it starts one.
    if (row > 0) ++row;
    if (row >= rows - 1) newColumn();
    put(headingLine(prize->name));
    for (const Winner& winner : prize->winners) {
      HonourLine line;
      line.text = winner.name;
      line.department = winner.department;
      line.font = nameFont;
      line.departmentFont = departmentFont;
      // The department follows the name after half a character.
      const auto width = [](const HonourLine& l) {
        return QFontMetricsF(l.font).horizontalAdvance(l.text) + l.font.pixelSize() / 2 +
               QFontMetricsF(l.departmentFont).horizontalAdvance(l.department);
      };
      // Too wide: smaller, then the department on a line of its own; never cut.
      for (int step = 0; step < 6 && width(line) > columnWidth; ++step) {
        line.font.setPixelSize(std::max(1, line.font.pixelSize() * 19 / 20));
        line.departmentFont.setPixelSize(std::max(1, line.departmentFont.pixelSize() * 19 / 20));
      }
      while (QFontMetricsF(line.font).horizontalAdvance(line.text) > columnWidth && line.font.pixelSize() > 8)
        line.font.setPixelSize(line.font.pixelSize() - 1);
      const bool apart = width(line) > columnWidth;
      HonourLine second;
      if (apart) {
        second.department = line.department;
        second.departmentFont = line.departmentFont;
        while (QFontMetricsF(second.departmentFont).horizontalAdvance(second.department) > columnWidth &&
               second.departmentFont.pixelSize() > 8)
          second.departmentFont.setPixelSize(second.departmentFont.pixelSize() - 1);
        second.font = line.font;
        line.department.clear();
      }
      const int needed = apart ? 2 : 1;
      if (row + needed > rows) {
        newColumn();
        put(headingLine(prize->name + Tr::tr("（续）")));
      }
      put(line);
      if (apart) put(second);
    }
  }
  const int lastColumn = placed.isEmpty() ? 0 : placed.last().column;
  l.pages = lastColumn / columns + 1;
  page = std::clamp(page, 0, l.pages - 1);
  // A page that needs fewer columns has them in the middle.
  int used = 0;
  for (const Placed& p : placed)
    if (p.column / columns == page) used = std::max(used, p.column % columns + 1);
  const int offset = (columns - used) * (columnWidth + gap) / 2;
  for (const Placed& p : placed) {
    if (p.column / columns != page) continue;
    HonourLine line = p.line;
    const int x = area.x() + offset + (p.column % columns) * (columnWidth + gap);
    line.box = QRect(x, area.y() + p.row * lineHeight, columnWidth, lineHeight);
    l.lines << line;
  }
  headingRow(screen, header, heading, page, l.pages, l.heading, l.page);
  return l;
}

}  // namespace ld::stage
