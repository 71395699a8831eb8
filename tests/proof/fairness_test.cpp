// Fairness of the draw: the pick is uniform over the eligible participants, the rolling tiles never show
// somebody already drawn, and nobody wins twice until the results are reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "data/draw_store.h"
#include "data/prize_rule.h"
#include "draw/batch_pick.h"
#include "draw/fireworks_form.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld;
using namespace ld::test;

namespace {

// The 99.9th percentile of chi-square with 19 degrees of freedom: a fair pick fails once in a thousand runs.
constexpr double kChiSquare19At001 = 43.82;
constexpr int kPeople = 20;

double chiSquare(const std::map<QString, int>& counts, int categories, int samples) {
  const double expected = double(samples) / categories;
  double sum = 0;
  for (const auto& [key, n] : counts) sum += (n - expected) * (n - expected) / expected;
  // Categories never picked count too.
  sum += (categories - int(counts.size())) * expected;
  return sum;
}

// Colours far apart in every channel, none near the grey placeholder, so a tile names its participant.
std::vector<QColor> distinctColours(int n) {
  std::vector<QColor> colours;
  for (int r : {0, 128, 255})
    for (int g : {0, 128, 255})
      for (int b : {0, 128, 255})
        if (!(r == 128 && g == 128 && b == 128) && int(colours.size()) < n) colours.emplace_back(r, g, b);
  return colours;
}

class Fairness : public ::testing::Test {
 protected:
  void SetUp() override { writeGif(f.app.path("system/0.gif"), {64, 48}, Qt::yellow); }
  TVELTRAXForm& w() { return f.window(); }
  // Start and stop through the draw icon; the name shown for the pick.
  QString stop() {
    click(w().GIFAnimatorlogo);
    click(w().GIFAnimatorlogo);
    if (fireworksShown()) fireworks()->Timer1Timer();
    return w().GlowLabelcj0->caption();
  }
  DrawFixture f;
};

// The draw's own pick, as every stop runs it: the pool under the prize's rule, then the batch pick.
TEST_F(Fairness, ThePickIsUniformOverAHundredThousandPicks) {
  for (int i = 0; i < kPeople; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("d"));
  f.app.addParticipant(QStringLiteral("no photo"), QStringLiteral("d"), false);
  const int drawn = f.app.addParticipant(QStringLiteral("drawn"), QStringLiteral("d"));
  f.app.exec(QStringLiteral("update yglb set zj=4,zjsx=1 where id=%1").arg(drawn));

  DrawStore store(f.app.dataModule().ADOQuerymain);
  const std::vector<int> pool = store.eligibleIds(PrizeRule{});
  const std::vector<Candidate> everyone = store.eligibleCandidates(pool);
  std::map<int, QString> nameOf;
  for (const Candidate& c : everyone) nameOf[c.id] = c.name;
  const int picks = 100000;
  std::map<QString, int> counts;
  const UniformSource secure = secureUniform();
  for (int i = 0; i < picks; ++i) {
    const std::vector<int> picked = pickBatch(pool, 1, secure);
    ASSERT_EQ(picked.size(), 1u);
    ++counts[nameOf[picked.front()]];
  }
  EXPECT_EQ(int(counts.size()), kPeople) << "only the eligible, and every one of them";
  EXPECT_FALSE(counts.count(QStringLiteral("drawn")) || counts.count(QStringLiteral("no photo")));
  const double chi2 = chiSquare(counts, kPeople, picks);
  std::printf("the draw's pick: chi-square %.2f over %d picks\n", chi2, picks);
  EXPECT_LT(chi2, kChiSquare19At001);
}

// Several winners at once: every set of three of seven equally likely, every one of the seven equally likely
// at each place of the batch (the pool's first and last included), nobody twice in one batch.
TEST(BatchFairness, EverySetAndEveryPlaceIsEquallyLikely) {
  // The 99.9th percentiles of chi-square with 34 (35 sets) and 6 (7 people at one place) degrees of freedom.
  constexpr double kChiSquare34At001 = 65.25;
  constexpr double kChiSquare6At001 = 22.46;
  const std::vector<int> pool{11, 12, 13, 14, 15, 16, 17};
  const int picks = 100000;
  std::map<QString, int> sets;
  std::array<std::map<QString, int>, 3> atPlace;
  const UniformSource secure = secureUniform();
  for (int i = 0; i < picks; ++i) {
    const std::vector<int> picked = pickBatch(pool, 3, secure);
    ASSERT_EQ(picked.size(), 3u);
    std::set<int> distinct(picked.begin(), picked.end());
    ASSERT_EQ(distinct.size(), 3u) << "nobody twice";
    QString key;
    for (int id : distinct) key += QString::number(id) + QLatin1Char(' ');
    ++sets[key];
    for (size_t place = 0; place < 3; ++place) ++atPlace[place][QString::number(picked[place])];
  }
  const double setChi2 = chiSquare(sets, 35, picks);
  std::printf("batch of 3 from 7: chi-square %.2f over the 35 sets\n", setChi2);
  EXPECT_EQ(sets.size(), 35u);
  EXPECT_LT(setChi2, kChiSquare34At001);
  for (size_t place = 0; place < 3; ++place) {
    const double chi2 = chiSquare(atPlace[place], 7, picks);
    std::printf("batch of 3 from 7: chi-square %.2f at place %zu\n", chi2, place + 1);
    EXPECT_EQ(atPlace[place].size(), 7u) << "the first and the last of the pool come up too";
    EXPECT_LT(chi2, kChiSquare6At001) << "place " << place + 1;
  }
  // A batch larger than the pool is the whole pool, and an empty pool gives nobody.
  std::vector<int> all = pickBatch(pool, 10, secure);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, pool);
  EXPECT_TRUE(pickBatch({}, 3, secure).empty());
}

TEST_F(Fairness, StopsThroughTheWindowPickUniformly) {
  // Each stop picks among the same twenty: the results are reset after every stop. (Resetting only every
  // twenty stops would make each round a full permutation with every count exactly equal.)
  f.app.setPlan(0, 1, 1, 1, 1);
  for (int i = 0; i < kPeople; ++i)
    f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  const int stops = 2000;
  std::map<QString, int> counts;
  Query& q = f.app.dataModule().ADOQuerymain;
  for (int i = 0; i < stops; ++i) {
    const QString shown = stop();
    ASSERT_TRUE(shown.startsWith(QStringLiteral("部门  "))) << shown.toStdString();
    const QString name = shown.mid(4);
    ++counts[name];
    // What is shown is what was recorded.
    q.openSql(QStringLiteral("select xm from yglb where zj<>0"));
    ASSERT_EQ(q.recordCount(), 1);
    ASSERT_EQ(q.fieldByName(QStringLiteral("xm")).asString(), name);
    q.execSql(QStringLiteral("update yglb set zj=0,zjsx=0"));
  }
  EXPECT_EQ(int(counts.size()), kPeople);
  const double chi2 = chiSquare(counts, kPeople, stops);
  std::printf("stops through the window: chi-square %.2f over %d stops\n", chi2, stops);
  EXPECT_LT(chi2, kChiSquare19At001);
  EXPECT_TRUE(f.app.dialogs().shown.empty());
}

TEST_F(Fairness, RollingTilesNeverShowSomebodyAlreadyDrawn) {
  const std::vector<QColor> colours = distinctColours(kPeople);
  std::map<int, QColor> colourOf;
  for (int i = 0; i < kPeople; ++i)
    colourOf[f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"), true, colours[i])] =
        colours[i];
  for (int i = 0; i < 9; ++i) stop();
  std::set<int> drawn;
  for (const QString& id : f.app.rows(QStringLiteral("select id from yglb where zj<>0")))
    drawn.insert(id.toInt());
  ASSERT_EQ(drawn.size(), 9u);

  click(w().GIFAnimatorlogo);
  std::map<int, int> shownCount;
  for (int tick = 0; tick < 300; ++tick) {
    w().TimercjTimer();
    std::set<int> onTiles;
    for (int k = 1; k <= 8; ++k) {
      const QColor c = centreColour(*w().Image[k]);
      int who = 0;
      for (const auto& [id, colour] : colourOf)
        if (similar(c, colour)) who = id;
      ASSERT_NE(who, 0) << "tile " << k << " shows nobody's photo: " << c.name().toStdString();
      ASSERT_EQ(drawn.count(who), 0u) << "tile " << k << " shows participant " << who << ", already drawn";
      onTiles.insert(who);
      ++shownCount[who];
    }
    ASSERT_EQ(onTiles.size(), 8u) << "eleven are eligible, so eight different faces";
  }
  EXPECT_EQ(shownCount.size(), size_t(kPeople) - drawn.size()) << "every eligible face comes round";
  click(w().GIFAnimatorlogo);
  EXPECT_TRUE(f.app.dialogs().shown.empty());
}

TEST_F(Fairness, NobodyWinsTwiceUntilTheResultsAreReset) {
  const int n = 12;  // one more than the eleven prizes of the seeded plan
  for (int i = 0; i < n; ++i) f.app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  QStringList shown;
  for (int i = 0; i < n; ++i) shown << stop();

  const QStringList winners = f.app.rows(QStringLiteral("select zjsx, bm, xm, zj from yglb order by zjsx"));
  ASSERT_EQ(winners.size(), n);
  std::set<QString> names;
  for (int i = 0; i < n; ++i) {
    const QStringList fields = winners[i].split(QLatin1Char('|'));
    EXPECT_EQ(fields[0].toInt(), i + 1) << "draw orders run 1 to " << n;
    const QString outsidePlan = fields[3] == QLatin1String("99") ? QStringLiteral("（计划外）") : QString();
    EXPECT_EQ(fields[1] + QStringLiteral("  ") + fields[2] + outsidePlan, shown[i])
        << "the stop showed whom it recorded";
    names.insert(fields[2]);
  }
  EXPECT_EQ(int(names.size()), n) << "each participant recorded once";
  EXPECT_EQ(f.app.rows(QStringLiteral("select zj, count(*) from yglb group by zj order by zj")),
            QStringList({"1|1", "2|2", "3|3", "4|5", "99|1"}));

  for (int i = 0; i < 3; ++i) EXPECT_EQ(stop(), QStringLiteral("无人中奖"));
  EXPECT_EQ(f.app.rows(QStringLiteral("select zjsx, bm, xm, zj from yglb order by zjsx")), winners);
  EXPECT_TRUE(f.app.dialogs().shown.empty());

  f.app.exec(QStringLiteral("update yglb set zj=0,zjsx=0"));
  EXPECT_NE(stop(), QStringLiteral("无人中奖"));
  EXPECT_EQ(f.app.rows(QStringLiteral("select zj, zjsx from yglb where zj<>0")), QStringList{"4|1"});
}

}  // namespace
