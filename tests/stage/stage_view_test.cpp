// The audience screen as painted: rolling tiles from the photos, pages that turn, fireworks that leave the
// names alone. With LUCKYDRAW_SHOTS set, every scene is kept as a picture at 1920 x 1080.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "eventdb/demo_roster.h"
#include "framework/jpeg.h"
#include "stage/stage_view.h"
#include "support/shots.h"
#include "support/temp_app.h"

using namespace ld::test;
using ld::StageView;
using ld::stage::Winner;

namespace {

QImage rendered(StageView& view) {
  QImage image(view.size(), QImage::Format_RGB32);
  view.render(&image);
  return image;
}

class Stage : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir(app.folder()).mkpath(QStringLiteral("zpgq"));
    view.resize(1920, 1080);
    view.setEvent(QStringLiteral("星辰科技股份有限公司"), QStringLiteral("2026 年度盛典"));
    view.setPrize(ld::stage::PrizeProgress{3, QStringLiteral("三等奖"), 3, 10});
  }
  // The demo roster's avatar, small and sharp; `look` picks its colours.
  QString addPhoto(const QString& name, int look) {
    const ld::DemoPerson person{name, QStringLiteral("研发部")};
    writeFile(app.path(QStringLiteral("zp/%1.jpg").arg(name)),
              ld::encodeJpeg(ld::demoAvatar(person, look), 90));
    writeFile(app.path(QStringLiteral("zpgq/%1.jpg").arg(name)),
              ld::encodeJpeg(ld::demoAvatar(person, look, 3), 90));
    return QStringLiteral("zp\\%1.jpg").arg(name);
  }
  QList<Winner> winners(int count) {
    QList<Winner> out;
    const QStringList departments{QStringLiteral("销售部"), QStringLiteral("研发中心"),
                                  QStringLiteral("财务部")};
    for (int i = 0; i < count; ++i) {
      const QString department = departments[i % departments.size()];
      out << Winner{i + 1,
                    i + 1,
                    i % 4 == 1 ? QStringLiteral("欧阳娜娜") : QStringLiteral("张伟"),
                    department,
                    addPhoto(department + QStringLiteral("_") + QString::number(i), i),
                    3,
                    QStringLiteral("三等奖"),
                    false};
    }
    return out;
  }

  // Many winners, each with a photo of their own, cheap to write.
  QList<Winner> batch(int count) {
    QList<Winner> out;
    for (int i = 0; i < count; ++i) {
      const QString name = QStringLiteral("Batch_%1").arg(i);
      writeFile(app.path(QStringLiteral("zp/%1.jpg").arg(name)),
                solidJpeg(480, 360, QColor::fromHsv(i * 37 % 360, 160, 200)));
      out << Winner{i + 1,
                    500 + i,
                    QStringLiteral("员工%1").arg(i + 1),
                    QStringLiteral("销售部"),
                    QStringLiteral("zp\\%1.jpg").arg(name),
                    4,
                    QStringLiteral("幸运奖"),
                    false};
    }
    return out;
  }
  // Where the wall's cards of a page are: the header's texts do not move them.
  QList<QRect> cardsOf(const QList<Winner>& winners, int page, bool batch) {
    const ld::stage::WallLayout l = ld::stage::wallLayout(
        view.size(), ld::stage::headerLayout(view.size(), {}, {}, {}, {}), prize, winners, page, batch);
    QList<QRect> cards;
    for (const ld::stage::CardLayout& c : l.cards) cards << c.card;
    return cards;
  }

  TempApp app{false};
  StageView view;
  ld::stage::PrizeProgress prize{4, QStringLiteral("幸运奖"), 150, 300};
};

// The pixels where two pictures differ visibly, as one rectangle: text painted again may differ by a
// shade at the edges of its glyphs.
QRect difference(const QImage& a, const QImage& b) {
  QRect r;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 24)
        r |= QRect(x, y, 1, 1);
    }
  return r;
}

TEST_F(Stage, RollingTilesShowThePhotosAndTheLastRepeats) {
  const QString a = addPhoto(QStringLiteral("Sales_A"), 0);
  const QString b = addPhoto(QStringLiteral("Sales_B"), 1);
  writeFile(app.path(QStringLiteral("zp/Red.jpg")), solidJpeg(480, 360, Qt::red));
  writeFile(app.path(QStringLiteral("zp/Blue.jpg")), solidJpeg(480, 360, Qt::blue));
  view.showRolling({QStringLiteral("zp\\Red.jpg"), QStringLiteral("zp\\Blue.jpg")});
  const QImage shot = rendered(view);
  const QList<QRect> tiles =
      ld::stage::rollingLayout(view.size(), ld::stage::headerLayout(view.size(), {}, {}, {}, {})).tiles;
  ASSERT_EQ(tiles.size(), 8);
  EXPECT_GT(qRed(shot.pixel(tiles[0].center())), 200);
  for (int i = 1; i < 8; ++i) EXPECT_GT(qBlue(shot.pixel(tiles[i].center())), 200) << "tile " << i;
  // A photo gone from disk shows the placeholder, never an empty tile.
  view.showRolling({a, b, QStringLiteral("zp\\Gone.jpg")});
  const QImage again = rendered(view);
  const QRgb grey = again.pixel(tiles[3].center());
  EXPECT_NEAR(qRed(grey), 160, 20);  // system/logo.jpg, Qt::gray
  EXPECT_NEAR(qGreen(grey), 160, 20);
  EXPECT_TRUE(keepShot(again, QStringLiteral("stage_rolling.png")));
}

TEST_F(Stage, PagesTurnAndComeBackToTheFirst) {
  view.showWall({3, QStringLiteral("三等奖"), 60, 60}, winners(60));
  ASSERT_GT(view.pages(), 1);
  const int pages = view.pages();
  const QImage first = rendered(view);
  EXPECT_TRUE(keepShot(first, QStringLiteral("stage_wall_pages.png")));
  for (int i = 1; i <= pages; ++i) {
    ASSERT_TRUE(view.turnPage());
    EXPECT_EQ(view.page(), i % pages);
  }
  EXPECT_EQ(rendered(view), first) << "back to the first page";
  ASSERT_TRUE(view.turnPage());
  EXPECT_NE(rendered(view), first);

  view.showWall({3, QStringLiteral("三等奖"), 4, 10}, winners(4));
  EXPECT_EQ(view.page(), 0) << "a new wall starts on its first page";
  EXPECT_EQ(view.pages(), 1);
  EXPECT_FALSE(view.turnPage());
  EXPECT_EQ(view.page(), 0);
  EXPECT_TRUE(keepShot(rendered(view), QStringLiteral("stage_wall.png")));

  view.showResult(winners(1));
  EXPECT_FALSE(view.turnPage()) << "a result has no pages";
}

TEST_F(Stage, PagesTurnByThemselves) {
  view.showWall({3, QStringLiteral("三等奖"), 60, 60}, winners(60));
  ASSERT_GT(view.pages(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return view.page() == 1; }, (StageView::kPageSeconds + 5) * 1000));
}

TEST_F(Stage, TheRollOfHonourPagesLikeTheWall) {
  QList<ld::stage::HonourPrize> prizes{{QStringLiteral("幸运奖"), winners(40)},
                                       {QStringLiteral("三等奖"), winners(10)},
                                       {QStringLiteral("二等奖"), winners(3)},
                                       {QStringLiteral("一等奖"), winners(1)}};
  view.showHonour(prizes.mid(2));
  EXPECT_EQ(view.pages(), 1);
  EXPECT_FALSE(view.turnPage());
  EXPECT_TRUE(keepShot(rendered(view), QStringLiteral("stage_honour.png")));
  view.showHonour(prizes);
  ASSERT_GT(view.pages(), 1);
  EXPECT_TRUE(keepShot(rendered(view), QStringLiteral("stage_honour_pages.png")));
  const int pages = view.pages();
  for (int i = 1; i <= pages; ++i) ASSERT_TRUE(view.turnPage());
  EXPECT_EQ(view.page(), 0);
}

TEST_F(Stage, FireworksNeverPaintOverTheName) {
  QList<Winner> one = winners(1);
  one[0].name = QStringLiteral("阿卜杜热合曼·买买提明");
  view.showResult(one);
  const QImage without = rendered(view);
  const QRect name = view.protectedRegion().boundingRect();
  ASSERT_FALSE(name.isEmpty());

  view.celebrate();
  ld::stage::Fireworks& fireworks = view.fireworks();
  // Bursts right on the name and around it, then let them spread.
  fireworks.burstAt(name.center());
  fireworks.burstAt(name.topLeft());
  fireworks.burstAt(name.bottomRight());
  fireworks.step(0.35);
  int inside = 0;
  for (const QPointF& p : fireworks.positions()) inside += name.contains(p.toPoint());
  ASSERT_GT(inside, 20) << "sparks over the name's place, so the clipping is what keeps it clear";

  const QImage with = rendered(view);
  int changedOutside = 0;
  for (int y = 0; y < with.height(); y += 2)
    for (int x = 0; x < with.width(); x += 2) {
      const bool differs = with.pixel(x, y) != without.pixel(x, y);
      if (name.contains(x, y))
        ASSERT_FALSE(differs) << "fireworks at " << x << "," << y;
      else
        changedOutside += differs;
    }
  EXPECT_GT(changedOutside, 500) << "fireworks were painted";
  EXPECT_TRUE(keepShot(with, QStringLiteral("stage_fireworks.png")));
}

TEST_F(Stage, FireworksEndByThemselves) {
  view.showResult(winners(1));
  view.celebrate();
  EXPECT_TRUE(view.celebrating());
  // At most a few seconds of rockets and sparks; stepped, not waited for.
  ld::stage::Fireworks& fireworks = view.fireworks();
  double seconds = 0;
  while (fireworks.running() && seconds < 10) fireworks.step(0.1), seconds += 0.1;
  EXPECT_GE(seconds, 2.0);
  EXPECT_LE(seconds, 4.1);
  EXPECT_EQ(fireworks.particles(), 0);
}

TEST_F(Stage, TheThemesPicturesAndColoursOrTheBuiltInLook) {
  view.showIdle();
  const QImage builtIn = rendered(view);
  const QPoint corner(view.width() / 2, view.height() - 8);  // below everything but the background
  EXPECT_GT(qRed(builtIn.pixel(QPoint(view.width() / 2, view.height() / 6))),
            2 * qBlue(builtIn.pixel(QPoint(view.width() / 2, view.height() / 6))))
      << "the built-in look is red";

  QImage logo(300, 100, QImage::Format_RGB32);
  logo.fill(QColor(0, 200, 0));
  QImage background(640, 480, QImage::Format_RGB32);
  background.fill(QColor(20, 40, 160));
  view.setTheme({background, logo, QStringLiteral("春季联欢"), QColor(), QColor(80, 220, 255), QColor()});
  const QImage themed = rendered(view);
  const ld::stage::HeaderLayout header = ld::stage::headerLayout(view.size(), logo.size(), {}, {}, {});
  const QRgb inLogo = themed.pixel(header.logo.center());
  EXPECT_GT(qGreen(inLogo), 180);
  EXPECT_LT(qRed(inLogo), 40);
  EXPECT_NEAR(double(header.logo.width()) / header.logo.height(), 3.0, 0.05) << "the logo keeps its aspect";
  const QRgb behind = themed.pixel(corner);
  EXPECT_GT(qBlue(behind), qRed(behind) + 60) << "the background picture fills the screen";
  EXPECT_NE(themed, builtIn);
  EXPECT_TRUE(keepShot(themed, QStringLiteral("stage_theme.png")));

  view.setTheme({});
  EXPECT_EQ(rendered(view), builtIn) << "an empty theme is the built-in look again";
}

TEST_F(Stage, AnySizePaintsEveryScene) {
  const QList<Winner> some = winners(5);
  for (const QSize size : {QSize(1, 1), QSize(60, 40), QSize(200, 900), QSize(1920, 1080)}) {
    view.resize(size);
    view.showRolling({some[0].photo});
    const QImage rolling = rendered(view);
    view.showResult(some);
    view.celebrate();
    view.fireworks().step(1.2);
    const QImage result = rendered(view);
    view.showWall({3, QStringLiteral("三等奖"), 5, 10}, some);
    view.showHonour({{QStringLiteral("三等奖"), some}});
    const QImage honour = rendered(view);
    EXPECT_EQ(honour.size(), size);
    if (size.width() >= 60) {
      EXPECT_NE(rolling, result);
      EXPECT_NE(result, honour);
    }
  }
}

TEST_F(Stage, EveryScenePaintsSomethingOfItsOwn) {
  view.setTheme({});
  view.showIdle();
  const QImage idle = rendered(view);
  EXPECT_TRUE(keepShot(idle, QStringLiteral("stage_idle.png")));

  QList<Winner> press = winners(4);
  press[0].name = QStringLiteral("Maximilian Alexander von Hohenzollern-Sigmaringen");
  view.showResult(press.mid(0, 1));
  const QImage result = rendered(view);
  EXPECT_TRUE(keepShot(result, QStringLiteral("stage_result.png")));

  press[0].absent = true;
  press[1].level = 99;
  press[1].prize.clear();
  view.showResult(press);
  const QImage several = rendered(view);
  EXPECT_TRUE(keepShot(several, QStringLiteral("stage_result_absent_several.png")));
  view.showResult({press[1]});
  const QImage outside = rendered(view);
  EXPECT_TRUE(keepShot(outside, QStringLiteral("stage_result_outside_plan.png")));

  view.setPrize(std::nullopt);
  view.showIdle();
  const QImage noPrize = rendered(view);
  EXPECT_TRUE(keepShot(noPrize, QStringLiteral("stage_idle_no_prize.png")));
  view.showResult({});
  const QImage nobody = rendered(view);
  EXPECT_FALSE(view.protectedRegion().isEmpty()) << "\"nobody\" is said where the name goes";
  view.showWall({4, QStringLiteral("幸运奖"), 0, 30}, {});
  const QImage emptyWall = rendered(view);
  EXPECT_TRUE(keepShot(emptyWall, QStringLiteral("stage_wall_empty.png")));
  view.showHonour({});
  const QImage emptyRoll = rendered(view);
  const QList<QImage> all{idle, result, several, outside, noPrize, nobody, emptyWall, emptyRoll};
  for (int i = 0; i < all.size(); ++i)
    for (int j = i + 1; j < all.size(); ++j) EXPECT_NE(all[i], all[j]) << i << " and " << j;
}

TEST_F(Stage, ABatchDecodesOnlyThePageShown) {
  const QList<Winner> all = batch(150);
  const int before = view.photos().decodes();
  view.showBatch(prize, all);
  EXPECT_EQ(view.scene(), StageView::Scene::Batch) << "told apart from a prize's wall";
  rendered(view);
  const int perPage = view.photos().decodes() - before;
  ASSERT_GT(perPage, 0);
  const int pages = view.pages();
  ASSERT_GT(pages, 1);
  EXPECT_EQ(pages, (150 + perPage - 1) / perPage) << "a full first page, no photo beyond it";
  EXPECT_EQ(perPage, cardsOf(all, 0, true).size());

  ASSERT_TRUE(view.turnPage());
  rendered(view);
  EXPECT_EQ(view.photos().decodes() - before, 2 * perPage) << "the next page when it is turned to";
  for (int i = 2; i <= pages; ++i) {
    ASSERT_TRUE(view.turnPage());
    rendered(view);
  }
  EXPECT_EQ(view.page(), 0) << "after the last the first";
  EXPECT_EQ(view.photos().decodes() - before, 150) << "every photo once";

  // The same winners as a prize's wall: another scene, headed otherwise.
  const QImage batchShot = rendered(view);
  view.showWall(prize, all);
  EXPECT_EQ(view.scene(), StageView::Scene::Wall);
  EXPECT_EQ(view.pages(), pages);
  EXPECT_NE(rendered(view), batchShot);
}

TEST_F(Stage, AnAbsentWinnerIsMarkedWhereTheyAreShown) {
  struct Case {
    const char* name;
    StageView::Scene scene;
    int count;
    int page;   // turned to before the mark
    int index;  // of the winner marked, -1: the middle of the page
  };
  const Case cases[] = {
      {"batch_page_two_middle", StageView::Scene::Batch, 150, 1, -1},
      {"wall_last_card", StageView::Scene::Wall, 30, 2, 29},
      {"result_big", StageView::Scene::Result, 3, 0, 0},
      {"result_strip", StageView::Scene::Result, 3, 0, 2},
  };
  const QList<Winner> all = batch(150);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QList<Winner> shown = all.mid(0, c.count);
    if (c.scene == StageView::Scene::Result) view.showResult(shown);
    if (c.scene == StageView::Scene::Wall) view.showWall(prize, shown);
    if (c.scene == StageView::Scene::Batch) view.showBatch(prize, shown);
    for (int i = 0; i < c.page; ++i) ASSERT_TRUE(view.turnPage());
    const bool onCards = c.scene != StageView::Scene::Result;
    const bool isBatch = c.scene == StageView::Scene::Batch;
    const QList<QRect> cards = onCards ? cardsOf(shown, c.page, isBatch) : QList<QRect>();
    const int first = onCards ? c.page * int(cardsOf(shown, 0, isBatch).size()) : 0;
    const int index = c.index >= 0 ? c.index : first + int(cards.size()) / 2;
    const QImage before = rendered(view);

    view.markAbsent(shown[index].order);
    EXPECT_EQ(view.page(), c.page) << "stays on the page";
    EXPECT_EQ(view.scene(), c.scene);
    for (int i = 0; i < view.winners().size(); ++i) EXPECT_EQ(view.winners()[i].absent, i == index) << i;
    const QImage after = rendered(view);
    const QRect changed = difference(before, after);
    ASSERT_FALSE(changed.isEmpty());
    if (onCards) {
      ASSERT_LT(index - first, cards.size());
      EXPECT_TRUE(cards[index - first].contains(changed)) << "only that card";
    }
    EXPECT_TRUE(keepShot(after, QStringLiteral("stage_absent_%1.png").arg(QString::fromUtf8(c.name))));

    // Twice, or an order not shown: nothing more changes.
    view.markAbsent(shown[index].order);
    view.markAbsent(9999);
    EXPECT_EQ(rendered(view), after);
  }
}

TEST_F(Stage, TheRuleAndThePoolShowUnderThePrize) {
  const QList<Winner> thirty = winners(30);
  auto scenes = [&](const ld::stage::PrizeProgress& p) {
    view.setPrize(p);
    view.showIdle();
    QList<QImage> shots{rendered(view)};
    view.showRolling({thirty[0].photo});
    shots << rendered(view);
    view.showBatch(p, thirty);
    return shots << rendered(view);
  };
  ld::stage::PrizeProgress ruled{4, QStringLiteral("幸运奖"), 30, 300};
  const QList<QImage> plain = scenes(ruled);
  ruled.rule = QStringLiteral("仅限部门：销售部、市场部；不含标签：外包");
  ruled.pool = 183;
  ruled.eligible = 412;
  const QList<QImage> shown = scenes(ruled);
  for (int i = 0; i < shown.size(); ++i) EXPECT_NE(shown[i], plain[i]) << "scene " << i;
  EXPECT_TRUE(keepShot(shown[0], QStringLiteral("stage_rule_idle.png")));
  EXPECT_TRUE(keepShot(shown[1], QStringLiteral("stage_rule_rolling.png")));
  view.markAbsent(thirty[9].order);
  EXPECT_TRUE(keepShot(rendered(view), QStringLiteral("stage_batch_absent.png")));
}

// How many modules of `code` painted in `box` of `shot` read the wrong colour (sampled at their centres).
int wrongModules(const QImage& shot, QRect box, const ld::QrCode& code) {
  const int side = code.size() + 2 * ld::QrCode::kQuietZone;
  const int module = box.width() / side;
  if (module < 2) return -1;  // too small to scan from the hall
  const QPoint origin = box.center() - QPoint(side * module, side * module) / 2;
  int wrong = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int cx = x - ld::QrCode::kQuietZone, cy = y - ld::QrCode::kQuietZone;
      const bool dark = cx >= 0 && cy >= 0 && cx < code.size() && cy < code.size() && code.dark(cx, cy);
      const QPoint centre = origin + QPoint(x * module + module / 2, y * module + module / 2);
      wrong += (qGray(shot.pixel(centre)) < 128) != dark;
    }
  return wrong;
}

// The code on the stage is the code of the link, module for module, wherever the idle texts leave room, at
// every screen size; it leaves with the idle scene and with the link.
TEST_F(Stage, TheCheckInCodeIsTheLinksCodeAndClearOfThePrize) {
  const QString url = QStringLiteral("http://192.168.8.10:8080/c/0123456789abcdef0123456789abcdef");
  const ld::QrCode code(url.toUtf8());
  ld::stage::PrizeProgress ruled{4, QStringLiteral("幸运奖，一个很长很长很长很长很长的奖项名称"), 30, 300};
  ruled.rule = QStringLiteral("仅限部门：销售部、市场部；仅限已签到");
  view.setPrize(ruled);
  view.setCheckInUrl(url);
  for (const QSize size : {QSize(1920, 1080), QSize(1280, 1024), QSize(1024, 768), QSize(3840, 2160)}) {
    SCOPED_TRACE(size.width());
    view.resize(size);
    view.showIdle();
    const QRect box = view.checkInRect();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(QRect(QPoint(), size).contains(box));
    EXPECT_FALSE(view.protectedRegion().intersects(box)) << "over the prize's name";
    const QImage shot = rendered(view);
    EXPECT_EQ(wrongModules(shot, box, code), 0);
    if (size == QSize(1920, 1080)) {
      EXPECT_TRUE(keepShot(shot, QStringLiteral("stage_check_in.png")));
    }
  }
  view.showRolling({});
  EXPECT_TRUE(view.checkInRect().isEmpty());
  view.showIdle();
  view.setCheckInUrl({});
  EXPECT_TRUE(view.checkInRect().isEmpty());
}

// A sealed draw shows its seal's code in the same corner once check-in has closed, and the hall's entropy
// under it; the check-in link, while open, comes first.
TEST_F(Stage, TheSealsCodeTakesTheCornerOnceCheckInHasClosed) {
  const QString seal = QStringLiteral("afdfa0c1c0b42ed2247d22f88a2c06ddaf3d7354cb80cf6c678082e18901dbd5");
  view.showIdle();
  view.setSeal(seal, QStringLiteral("7 3 5 1 9"));
  const QImage sealed = rendered(view);
  ASSERT_FALSE(view.checkInRect().isEmpty());
  EXPECT_EQ(wrongModules(sealed, view.checkInRect(), ld::QrCode(seal.toLatin1())), 0);
  EXPECT_TRUE(keepShot(sealed, QStringLiteral("stage_sealed.png")));
  const QString url = QStringLiteral("http://10.0.0.1:8080/c/abc");
  view.setCheckInUrl(url);
  EXPECT_EQ(wrongModules(rendered(view), view.checkInRect(), ld::QrCode(url.toUtf8())), 0);
  view.setCheckInUrl({});
  view.setSeal(seal, QStringLiteral("7 3 5 1 9"), true);
  EXPECT_NE(rendered(view), sealed) << "a broken seal says so";
  view.setSeal({}, {});
  EXPECT_TRUE(view.checkInRect().isEmpty());
}

}  // namespace
