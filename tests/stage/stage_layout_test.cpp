// The audience screen's geometry at the projector sizes and a few odd ones: names big enough for the back
// row and never cut, photos large, nothing off the screen and nothing on top of what must stay readable.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QSet>

#include "stage/stage_layout.h"

using namespace ld::stage;

namespace {

const QString kLongChinese = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹");
const QString kLongWestern =
    QStringLiteral("Maximilian Alexander von Hohenzollern-Sigmaringen Montgomery-Fitzwilliam");

QString withoutSpaces(QString s) { return s.remove(QLatin1Char(' ')); }

// Every character of `text` in some line, in order, and no line wider than the box.
void expectWhole(const TextBlock& b, const QString& text) {
  EXPECT_EQ(withoutSpaces(b.lines.join(QString())), withoutSpaces(text));
  const QFontMetricsF metrics(b.font);
  for (const QString& line : b.lines)
    EXPECT_LE(metrics.horizontalAdvance(line), b.box.width()) << line.toStdString();
}

void expectApart(QRect a, QRect b, const char* what) {
  if (a.isEmpty() || b.isEmpty()) return;
  EXPECT_FALSE(a.intersects(b)) << what;
}

struct Screen {
  QSize size;
  const char* name;
};

class Sizes : public ::testing::TestWithParam<Screen> {
 protected:
  QSize screen() const { return GetParam().size; }
  QRect whole() const { return QRect(QPoint(0, 0), screen()); }
  HeaderLayout header(const QString& prize = QStringLiteral("三等奖  3 / 10")) const {
    return headerLayout(screen(), QSize(400, 200), QStringLiteral("星辰科技股份有限公司"),
                        QStringLiteral("2026 年会"), prize);
  }
};

TEST_P(Sizes, TheWinnerIsBigAndWholeWhateverTheName) {
  const QSize s = screen();
  for (const QString& name : {QStringLiteral("张伟"), kLongChinese, kLongWestern}) {
    SCOPED_TRACE(name.toStdString());
    for (const int others : {0, 5}) {
      const ResultLayout l =
          resultLayout(s, header(), QStringLiteral("三等奖"), name, QStringLiteral("（缺席）"),
                       QStringLiteral("研发中心 平台架构部"), others);
      // On a 16:9 screen any name; on others (narrower for their height) a name of ordinary length.
      if (std::abs(double(s.width()) / s.height() - 16.0 / 9.0) < 0.01 || name.size() < 5) {
        EXPECT_GE(l.name.pixelSize(), 90.0 * s.height() / 1080.0);
      }
      EXPECT_GE(l.photo.height(), 0.45 * s.height());
      expectWhole(l.name, name);
      expectWhole(l.department, QStringLiteral("研发中心 平台架构部"));
      const QList<QRect> parts{l.photo, l.prize.inked(), l.name.inked(), l.mark.inked(),
                               l.department.inked()};
      for (int i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(whole().contains(parts[i])) << "part " << i;
        expectApart(parts[i], l.header.band, "below the header");
        for (int j = i + 1; j < parts.size(); ++j) expectApart(parts[i], parts[j], "parts apart");
        for (const QRect& other : l.others) expectApart(parts[i], other, "strip apart");
      }
      EXPECT_EQ(l.others.isEmpty(), others == 0);
      for (const QRect& other : l.others) EXPECT_TRUE(whole().contains(other));
      EXPECT_TRUE(l.nameBlock.contains(l.name.inked()));
    }
  }
}

TEST_P(Sizes, EightLargeTilesSideBySide) {
  const RollingLayout l = rollingLayout(screen(), header());
  ASSERT_EQ(l.tiles.size(), 8);
  qint64 area = 0;
  for (int i = 0; i < l.tiles.size(); ++i) {
    const QRect t = l.tiles[i];
    EXPECT_TRUE(whole().contains(t));
    expectApart(t, l.header.band, "below the header");
    EXPECT_NEAR(double(t.width()) / t.height(), 4.0 / 3.0, 0.02);
    for (int j = i + 1; j < l.tiles.size(); ++j) expectApart(t, l.tiles[j], "tiles apart");
    area += qint64(t.width()) * t.height();
  }
  EXPECT_GE(double(area) / (qint64(screen().width()) * screen().height()), 0.3)
      << "the photos fill the screen";
}

TEST_P(Sizes, TheHeaderKeepsItsPartsApart) {
  const HeaderLayout h =
      headerLayout(screen(), QSize(300, 300), kLongChinese, kLongWestern, QStringLiteral("特等奖  10 / 10"));
  const QList<QRect> parts{h.logo, h.company.inked(), h.title.inked(), h.prize.inked()};
  for (int i = 0; i < parts.size(); ++i) {
    EXPECT_TRUE(h.band.contains(parts[i])) << "part " << i;
    for (int j = i + 1; j < parts.size(); ++j) expectApart(parts[i], parts[j], "header parts apart");
  }
  EXPECT_NEAR(double(h.logo.width()) / h.logo.height(), 1.0, 0.05) << "the logo keeps its aspect";
}

TEST_P(Sizes, WallCardsFitAndPagesHoldEveryWinner) {
  for (const int count : {1, 7, 23, 80}) {
    SCOPED_TRACE(count);
    QList<Winner> winners;
    for (int i = 0; i < count; ++i)
      winners << Winner{i + 1,
                        i + 1,
                        i % 3 ? QStringLiteral("张伟") : kLongWestern,
                        QStringLiteral("销售部"),
                        QString(),
                        3,
                        QStringLiteral("三等奖"),
                        false};
    const WallLayout first = wallLayout(screen(), header(QString()),
                                        PrizeProgress{3, QStringLiteral("三等奖"), 23, 30}, winners, 0);
    int shown = 0;
    for (int page = 0; page < first.pages; ++page) {
      const WallLayout l = wallLayout(screen(), header(QString()),
                                      PrizeProgress{3, QStringLiteral("三等奖"), 23, 30}, winners, page);
      EXPECT_EQ(l.page.lines.isEmpty(), first.pages == 1);
      for (int i = 0; i < l.cards.size(); ++i) {
        const CardLayout& c = l.cards[i];
        EXPECT_TRUE(whole().contains(c.card));
        expectApart(c.card, l.heading.inked(), "cards below the heading");
        EXPECT_TRUE(c.card.contains(c.photo));
        EXPECT_TRUE(c.card.contains(c.name.inked()));
        EXPECT_TRUE(c.card.contains(c.department.inked()));
        expectApart(c.photo, c.name.inked(), "name below the photo");
        expectApart(c.name.inked(), c.department.inked(), "department below the name");
        expectWhole(c.name, winners[shown + i].name);
        for (int j = i + 1; j < l.cards.size(); ++j) expectApart(c.card, l.cards[j].card, "cards apart");
      }
      shown += int(l.cards.size());
    }
    EXPECT_EQ(shown, count) << "each winner on exactly one page";
    EXPECT_EQ(first.pages > 1, count > first.perPage);
  }
}

TEST_P(Sizes, TheRollOfHonourListsEveryWinnerOnceHighestPrizeFirst) {
  // As the feed gives them: the first prize first.
  QList<HonourPrize> prizes;
  const QStringList names{QStringLiteral("一等奖"), QStringLiteral("二等奖"), QStringLiteral("三等奖"),
                          QStringLiteral("幸运奖"), QStringLiteral("董事长特别奖")};
  const QList<int> counts{1, 5, 20, 60, 3};
  QSet<QString> expected;
  for (int p = 0; p < names.size(); ++p) {
    HonourPrize prize{names[p], {}};
    for (int i = 0; i < counts[p]; ++i) {
      const QString name = (i == 3 ? kLongWestern : QStringLiteral("员工")) + QString::number(p * 100 + i);
      prize.winners << Winner{
          0,  p * 100 + i,         name,     i == 4 ? kLongChinese : QStringLiteral("市场部"),
          {}, p < 4 ? p + 1 : 100, names[p], false};
      expected << name;
    }
    prizes << prize;
  }
  const HonourLayout first = honourLayout(screen(), header(QString()), QStringLiteral("光荣榜"), prizes, 0);
  QStringList headings;
  QSet<QString> seen;
  for (int page = 0; page < first.pages; ++page) {
    const HonourLayout l = honourLayout(screen(), header(QString()), QStringLiteral("光荣榜"), prizes, page);
    ASSERT_FALSE(l.lines.isEmpty()) << "page " << page;
    for (int i = 0; i < l.lines.size(); ++i) {
      const HonourLine& line = l.lines[i];
      EXPECT_TRUE(whole().contains(line.box));
      expectApart(line.box, l.header.band, "below the header");
      for (int j = i + 1; j < l.lines.size(); ++j) expectApart(line.box, l.lines[j].box, "lines apart");
      EXPECT_LE(QFontMetricsF(line.font).horizontalAdvance(line.text), line.box.width());
      if (line.heading && names.contains(line.text)) headings << line.text;
      if (!line.heading && !line.text.isEmpty()) {
        EXPECT_FALSE(seen.contains(line.text)) << line.text.toStdString();
        seen << line.text;
      }
    }
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(headings, names);
}

TEST_P(Sizes, IdleShowsThePrizeInTheMiddle) {
  const IdleLayout l =
      idleLayout(screen(), header(QString()), QStringLiteral("一等奖"), QStringLiteral("0 / 3"));
  EXPECT_TRUE(whole().contains(l.prize.inked()));
  EXPECT_TRUE(whole().contains(l.progress.inked()));
  expectApart(l.prize.inked(), l.progress.inked(), "progress below the prize");
  expectApart(l.prize.inked(), l.header.band, "below the header");
  EXPECT_GE(l.prize.pixelSize(), minimumNamePx(screen()));
  EXPECT_NEAR(l.prize.inked().center().x(), screen().width() / 2.0, screen().width() * 0.02);
}

struct RuleCase {
  const char* name;
  const char* rule;
  int pool, eligible;
  bool elided;  // at every size
};

const RuleCase kRules[] = {
    {"short_rule_and_pool", "仅限部门：销售部", 183, 412, false},
    {"pool_only", "", 9, 12, false},
    {"rule_only", "不含标签：外包", -1, -1, false},
    {"long_rule_and_pool",
     "仅限部门：销售部、市场部、研发中心平台架构部、华东大区客户成功部、财务共享服务中心、人力资源部、行政部"
     "、法务合规部；"
     "不含标签：外包、实习、顾问；入职满一年",
     1830, 4120, true},
};

// The rule line: one line inside the screen, the pool whole at its end, the rule shortened only when long.
void expectRuleLine(const TextBlock& b, const RuleCase& c, QRect screen) {
  const QString rule = QString::fromUtf8(c.rule);
  const QString pool = c.pool < 0 ? QString() : QStringLiteral("可抽 %1 / %2").arg(c.pool).arg(c.eligible);
  ASSERT_EQ(b.lines.size(), 1);
  const QString line = b.lines[0];
  EXPECT_LE(QFontMetricsF(b.font).horizontalAdvance(line), b.box.width());
  EXPECT_TRUE(screen.contains(b.inked()));
  EXPECT_TRUE(line.endsWith(pool.isEmpty() ? rule : pool)) << line.toStdString();
  EXPECT_EQ(line.contains(u'…'), c.elided) << line.toStdString();
  if (c.elided) {
    EXPECT_TRUE(rule.startsWith(line.left(line.indexOf(u'…'))));
  } else {
    EXPECT_TRUE(line.startsWith(rule));
  }
}

TEST_P(Sizes, TheRuleLineStaysClearOfPhotosNamesAndHeadings) {
  QList<Winner> winners;
  for (int i = 0; i < 150; ++i)
    winners << Winner{i + 1,
                      i + 1,
                      i % 5 ? QStringLiteral("张伟") : kLongWestern,
                      kLongChinese,
                      {},
                      104,
                      QStringLiteral("董事长特别奖")};
  for (const RuleCase& c : kRules) {
    SCOPED_TRACE(c.name);
    PrizeProgress prize{104, QStringLiteral("董事长特别奖"), 150, 300};
    prize.rule = QString::fromUtf8(c.rule);
    prize.pool = c.pool;
    prize.eligible = c.eligible;

    const IdleLayout idle =
        idleLayout(screen(), header(QString()), prize.name, QStringLiteral("150 / 300"), ruleTextOf(prize));
    expectRuleLine(idle.rule, c, whole());
    for (const QRect r : {idle.prize.inked(), idle.progress.inked(), idle.header.band})
      expectApart(idle.rule.inked(), r, "idle: rule apart");

    const RollingLayout rolling = rollingLayout(screen(), header(), 8, ruleTextOf(prize));
    expectRuleLine(rolling.rule, c, whole());
    expectApart(rolling.rule.inked(), rolling.header.band, "rolling: below the header");
    for (const QRect& t : rolling.tiles) {
      EXPECT_TRUE(whole().contains(t));
      expectApart(rolling.rule.inked(), t, "rolling: rule apart from the tiles");
    }

    for (const int count : {23, 150}) {
      for (const bool batch : {false, true}) {
        SCOPED_TRACE(testing::Message() << count << (batch ? " batch" : " wall"));
        const WallLayout first =
            wallLayout(screen(), header(QString()), prize, winners.mid(0, count), 0, batch);
        for (int page : {0, first.pages - 1}) {
          const WallLayout l =
              wallLayout(screen(), header(QString()), prize, winners.mid(0, count), page, batch);
          expectRuleLine(l.rule, c, whole());
          expectApart(l.rule.inked(), l.header.band, "wall: below the header");
          expectApart(l.rule.inked(), l.heading.inked(), "wall: below the heading");
          expectApart(l.rule.inked(), l.page.inked(), "wall: apart from the page");
          for (int i = 0; i < l.cards.size(); ++i) {
            const CardLayout& card = l.cards[i];
            EXPECT_TRUE(whole().contains(card.card));
            expectApart(l.rule.inked(), card.card, "wall: rule apart from the cards");
            // Names are never shortened, only the rule.
            EXPECT_FALSE(card.name.lines.join(QString()).contains(u'…'));
            expectWhole(card.name, winners[page * l.perPage + i].name);
          }
        }
      }
    }
  }
}

// The numbers of "幸运奖  31–60 / 300" or "幸运奖  31–60".
QList<int> rangeOf(const TextBlock& heading) {
  QList<int> numbers;
  const QString text = heading.lines.join(QString());
  const qsizetype dash = text.indexOf(u'–');
  if (dash < 0) return numbers;
  qsizetype start = dash;
  while (start > 0 && text[start - 1].isDigit()) --start;
  numbers << text.mid(start, dash - start).toInt();
  qsizetype end = dash + 1;
  while (end < text.size() && text[end].isDigit()) ++end;
  numbers << text.mid(dash + 1, end - dash - 1).toInt();
  return numbers;
}

TEST_P(Sizes, ABatchsPagesAreHeadedByTheRangeTheyShow) {
  struct Case {
    int batch, drawn, total;
    int from;  // the first winner of the batch within the prize
  };
  for (const Case c :
       {Case{150, 300, 300, 151}, Case{150, 150, 0, 1}, Case{30, 0, 0, 1}, Case{7, 47, 100, 41}}) {
    SCOPED_TRACE(testing::Message() << c.batch << " of " << c.drawn << " / " << c.total);
    QList<Winner> winners;
    for (int i = 0; i < c.batch; ++i)
      winners << Winner{i + 1, i + 1, QStringLiteral("李娜"), QStringLiteral("销售部"), {}, 4, {}};
    const PrizeProgress prize{4, QStringLiteral("幸运奖"), c.drawn, c.total};
    const WallLayout first = wallLayout(screen(), header(QString()), prize, winners, 0, true);
    EXPECT_EQ(first.pages, (c.batch + first.perPage - 1) / first.perPage);
    int next = c.from;
    for (int page = 0; page < first.pages; ++page) {
      const WallLayout l = wallLayout(screen(), header(QString()), prize, winners, page, true);
      const QList<int> range = rangeOf(l.heading);
      ASSERT_EQ(range.size(), 2) << l.heading.lines.join(u'|').toStdString();
      EXPECT_EQ(range[0], next);
      EXPECT_EQ(range[1] - range[0] + 1, l.cards.size());
      EXPECT_EQ(l.heading.lines.join(QString()).contains(QStringLiteral(" / %1").arg(c.total)), c.total > 0);
      next = range[1] + 1;
    }
    EXPECT_EQ(next, c.from + c.batch) << "every winner of the batch on exactly one page";
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, Sizes,
                         ::testing::Values(Screen{{1280, 720}, "hd"}, Screen{{1920, 1080}, "fullhd"},
                                           Screen{{3840, 2160}, "uhd"}, Screen{{1024, 768}, "four_by_three"},
                                           Screen{{1080, 1920}, "portrait"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Wrap {
  const char* text;
  const char* fitsOnALine;  // the line's width is this text's, plus a pixel
  int lines;                // -1: as many as the font's widths make it
};

class Wrapping : public ::testing::TestWithParam<Wrap> {};

TEST_P(Wrapping, BreaksBetweenWordsOrCjkCharactersAndKeepsEverything) {
  const QFont font = stageFont(40);
  const QString text = QString::fromUtf8(GetParam().text);
  const int width = int(QFontMetricsF(font).horizontalAdvance(QString::fromUtf8(GetParam().fitsOnALine))) + 1;
  const QStringList lines = wrapText(text, font, width);
  if (GetParam().lines > 0) {
    EXPECT_EQ(lines.size(), GetParam().lines) << lines.join(u'|').toStdString();
  }
  EXPECT_GT(lines.size(), 0);
  EXPECT_EQ(withoutSpaces(lines.join(QString())), withoutSpaces(text));
  for (const QString& line : lines) {
    EXPECT_LE(QFontMetricsF(font).horizontalAdvance(line), width) << line.toStdString();
    EXPECT_FALSE(line.back().isHighSurrogate()) << "a character split in two";
    EXPECT_FALSE(line.startsWith(u' ') || line.endsWith(u' '));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Wrapping,
    ::testing::Values(Wrap{"Anna Maria Smith", "Anna Maria", 2}, Wrap{"王李张刘陈", "王李张", 2},
                      Wrap{"Supercalifragilistic", "Super", -1}, Wrap{"张伟 Zhang Wei", "张伟 Zhang", 2},
                      Wrap{"\xf0\xa0\xae\xb7\xf0\xa0\xae\xb7\xf0\xa0\xae\xb7", "\xf0\xa0\xae\xb7", 3},
                      Wrap{"张伟", "张伟", 1}, Wrap{"Hohenzollern-Sigmaringen", "Hohenzollern-", 2}));

TEST(FitText, TakesTheLargestSizeThatFitsAndNeverGoesBelowTheLeast) {
  const QRect box(0, 0, 600, 300);
  const TextBlock roomy = fitText(QStringLiteral("张伟"), stageFont(1), box, 150, 90);
  EXPECT_EQ(roomy.pixelSize(), 150);
  const TextBlock tight = fitText(kLongChinese, stageFont(1), box, 150, 40);
  EXPECT_LT(tight.pixelSize(), 150);
  EXPECT_GE(tight.pixelSize(), 40);
  EXPECT_LE(tight.height(), box.height());
  const TextBlock overflowing = fitText(kLongChinese, stageFont(1), box, 150, 90);
  EXPECT_EQ(overflowing.pixelSize(), 90);
  EXPECT_GT(overflowing.box.height(), box.height()) << "taller rather than cut";
  expectWhole(overflowing, kLongChinese);
}

TEST(Pool, ShownOnlyWhenBothCountsAreKnown) {
  PrizeProgress prize{3, QStringLiteral("三等奖"), 0, 10};
  EXPECT_TRUE(ruleTextOf(prize).isEmpty());
  for (const auto& [pool, eligible, shown] : {std::tuple{183, 412, true}, std::tuple{0, 0, true},
                                              std::tuple{-1, 412, false}, std::tuple{183, -1, false}}) {
    prize.pool = pool;
    prize.eligible = eligible;
    EXPECT_EQ(poolText(prize).isEmpty(), !shown) << pool << " / " << eligible;
    EXPECT_EQ(ruleLine({1920, 1080}, {0, 0, 1800, 0}, ruleTextOf(prize)).lines.isEmpty(), !shown);
  }
}

TEST(Progress, CountsWithAndWithoutALimit) {
  EXPECT_EQ(progressText({3, QStringLiteral("三等奖"), 3, 10}), QStringLiteral("三等奖  3 / 10"));
  EXPECT_EQ(progressText({99, QStringLiteral("纪念奖"), 12, 0}), QStringLiteral("纪念奖  12"));
}

}  // namespace

// Sizes no projector has, down to a window being resized: every scene still lays out, names whole.
TEST(OddSizes, EverySceneLaysOutAndKeepsTheNameWhole) {
  QList<Winner> winners;
  for (int i = 0; i < 30; ++i) winners << Winner{i, i, kLongWestern, kLongChinese, {}, 4, {}, false};
  for (const QSize size : {QSize(1, 1), QSize(60, 40), QSize(320, 180), QSize(200, 900), QSize(5000, 300)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    const HeaderLayout h =
        headerLayout(size, QSize(10, 10), kLongChinese, kLongWestern, QStringLiteral("三等奖"));
    const ResultLayout r =
        resultLayout(size, h, QStringLiteral("三等奖"), kLongChinese, QString(), kLongChinese, 3);
    EXPECT_EQ(r.name.lines.join(QString()), kLongChinese);
    EXPECT_GE(r.photo.height(), 0);
    EXPECT_GE(r.photo.width(), 0);
    EXPECT_EQ(rollingLayout(size, h).tiles.size(), 8);
    PrizeProgress prize{4, QStringLiteral("幸运奖"), 30, 0};
    prize.rule = kLongChinese;
    prize.pool = 183;
    prize.eligible = 412;
    for (const bool batch : {false, true}) {
      const WallLayout w = wallLayout(size, h, prize, winners, 1, batch);
      EXPECT_GE(w.pages, 1);
      EXPECT_LE(w.cards.size(), w.perPage);
      EXPECT_LE(w.rule.lines.size(), 1);
    }
    EXPECT_LE(rollingLayout(size, h, 8, ruleTextOf(prize)).tiles.size(), 8);
    EXPECT_LE(
        idleLayout(size, h, kLongChinese, QStringLiteral("3 / 10"), ruleTextOf(prize)).rule.lines.size(), 1);
    const HonourLayout o =
        honourLayout(size, h, QStringLiteral("光荣榜"), {{QStringLiteral("幸运奖"), winners}}, 0);
    EXPECT_GE(o.pages, 1);
    idleLayout(size, h, kLongChinese, QStringLiteral("3 / 10"));
  }
}
