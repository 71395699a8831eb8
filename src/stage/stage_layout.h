#pragma once
// Where everything of the audience screen goes, worked out from the screen's size and the texts alone, so
// that it can be checked without painting. Every size scales with the screen's height; the name of a winner
// is never cut: it wraps onto more lines instead.
#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include "stage/stage_content.h"

namespace ld::stage {

// The family the stage writes in: a bold CJK sans that fontconfig finds on Linux, YaHei on Windows.
QFont stageFont(int pixelSize, bool bold = true);

// A text broken into lines that each fit the box's width, all in one font.
struct TextBlock {
  QRect box;  // the lines one below the other, centred on the box's height, aligned as told on its width
  QFont font;
  QStringList lines;
  int lineHeight = 0;
  Qt::Alignment alignment = Qt::AlignHCenter;
  int pixelSize() const { return font.pixelSize(); }
  int height() const { return int(lines.size()) * lineHeight; }
  // Where line i is drawn: as wide as its text, as tall as a line.
  QRect lineRect(int i) const;
  // The lines' own extent: as tall as the lines, as wide as the widest.
  QRect inked() const;
};

// Breaks `text` into lines no wider than `width`: words of Latin script stay whole where they fit, CJK
// breaks between any two characters, a hyphenated word may break after its hyphen, and nothing is left out
// but the spaces a line breaks at. A word wider than the line is broken between characters (`brokeWord`).
QStringList wrapText(const QString& text, const QFont& font, int width, bool* brokeWord = nullptr);

// The largest pixel size from maxPx down to minPx at which `text` wraps into `box` (no line wider, the
// lines no taller), keeping words whole when some size allows it. When none does, the text at minPx wrapped
// to the box's width, as tall as it takes.
TextBlock fitText(const QString& text, QFont font, QRect box, int maxPx, int minPx);

// The prize as the hall reads it: "三等奖  3 / 10"; without a limit the count alone.
QString progressText(const PrizeProgress& prize);

// The live pool as the hall reads it: "可抽 183 / 412"; empty while either count is not known.
QString poolText(const PrizeProgress& prize);

// Who may win a prize and how many may, shown in one line under its heading.
struct RuleText {
  QString rule;
  QString pool;
  bool isEmpty() const { return rule.isEmpty() && pool.isEmpty(); }
};
RuleText ruleTextOf(const PrizeProgress& prize);

// The rule and the pool as one line no wider than `box`: the rule shortened with "…" at its end when the
// line would not fit, the pool kept whole. No lines when there is neither.
TextBlock ruleLine(QSize screen, QRect box, const RuleText& text);
// How tall the rule line is on this screen.
int ruleLineHeight(QSize screen);

// A batch's page as the hall reads it: the prize and which of its winners the page shows, "幸运奖  31–60 /
// 300". The batch is taken to be the last `batchSize` drawn of the prize.
QString batchHeading(const PrizeProgress& prize, int batchSize, int first, int count);

struct HeaderLayout {
  QRect band;
  QRect logo;  // empty without a logo
  TextBlock company;
  TextBlock title;
  TextBlock prize;  // right-hand side; empty in the scenes that show the prize big
};

// The header band with the logo (its size only; kept in its aspect), the company, the title and, when
// `prize` is not empty, the prize on the right.
HeaderLayout headerLayout(QSize screen, QSize logo, const QString& company, const QString& title,
                          const QString& prize);

struct IdleLayout {
  HeaderLayout header;
  TextBlock prize;     // the prize's name, big
  TextBlock progress;  // drawn / total below it
  TextBlock rule;      // who may win it, below that
};
// `besideWidth`: room kept free at the right (and, for balance, the left) for the check-in code.
IdleLayout idleLayout(QSize screen, const HeaderLayout& header, const QString& prize, const QString& progress,
                      const RuleText& rule = {}, int besideWidth = 0);

// The check-in code while waiting to draw: a square in the lower right corner, with a line above it and
// the link under it, as wide as its text needs.
struct CheckInLayout {
  QRect block;  // all of it
  QRect caption, code, link;
  QFont linkFont;
};
CheckInLayout checkInLayout(QSize screen, const QString& link);

struct RollingLayout {
  HeaderLayout header;
  TextBlock rule;      // under the header band
  QList<QRect> tiles;  // eight, 4:3, as large as they fit
};
RollingLayout rollingLayout(QSize screen, const HeaderLayout& header, int tiles = 8,
                            const RuleText& rule = {});

struct ResultLayout {
  HeaderLayout header;
  QRect photo;  // the winner's photo, at least 45 % of the screen's height
  TextBlock prize;
  TextBlock name;
  TextBlock mark;  // absent, outside the plan; empty otherwise
  TextBlock department;
  QList<QRect> others;  // the rest of the winners of the same press, small, below
  // What fireworks must leave alone: the name and its mark, with a margin.
  QRect nameBlock;
};
ResultLayout resultLayout(QSize screen, const HeaderLayout& header, const QString& prize, const QString& name,
                          const QString& mark, const QString& department, int otherWinners);

struct CardLayout {
  QRect card;
  QRect photo;
  TextBlock name;
  TextBlock department;
};

struct WallLayout {
  HeaderLayout header;
  TextBlock heading;        // the prize and its progress, or a batch's range on the page
  TextBlock page;           // "第 1 / 3 页"; empty with one page
  TextBlock rule;           // who may win the prize, under the heading
  QList<CardLayout> cards;  // the cards of the page shown
  int perPage = 0;
  int pages = 1;
};
// The grid for the winners, cards as large as they fit, pages when they would get too small. Only the
// page shown is laid out. A prize's wall is headed by its progress, a batch's by the range on the page.
WallLayout wallLayout(QSize screen, const HeaderLayout& header, const PrizeProgress& prize,
                      const QList<Winner>& winners, int page, bool batch = false);

// One line of the roll of honour: a prize's heading or a winner.
struct HonourLine {
  QRect box;
  QFont font;
  QString text;        // the heading, or the name
  QString department;  // a winner's; drawn after the name in the smaller font
  QFont departmentFont;
  bool heading = false;
};
struct HonourLayout {
  HeaderLayout header;
  TextBlock heading;
  TextBlock page;
  QList<HonourLine> lines;  // of the page shown
  int pages = 1;
};
// The prizes in the order given (the first prize first), each heading followed by its
// winners, flowing down columns and over pages; a prize that goes on in the next column repeats its heading.
HonourLayout honourLayout(QSize screen, const HeaderLayout& header, const QString& heading,
                          const QList<HonourPrize>& prizes, int page);

// The pixel size the stage writes a winner's name at: never below 90 px on a 1080-line screen.
int minimumNamePx(QSize screen);

}  // namespace ld::stage
