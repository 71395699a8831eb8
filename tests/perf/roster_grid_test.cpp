// The roster grid on a large roster: the fill lists every participant but reads the rows a page at a time
// as they are shown, keeps a bounded number of pages, shows each row as it was when first shown, and a page
// that cannot be read leaves its rows empty with one message. The clean-ups refresh it.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "support/settings_helpers.h"

using namespace ld;
using namespace ld::test;

namespace {

const QColor kBand(166, 202, 240);

class LargeRoster : public SettingsTest {
 protected:
  // n participants in one statement, "n1" … in department "d", every tenth one a lucky prize winner.
  void addRows(int n) {
    app.exec(QStringLiteral("insert into yglb (xm, bm, zp, zj, zjsx) "
                            "with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                            "select 'n' || x, 'd', 'zp\\d_n' || x || '.jpg', "
                            "case when x % 10 = 0 then 4 else 0 end, case when x % 10 = 0 then x else 0 end "
                            "from c")
                 .arg(n));
  }
  RosterModel& rows() { return grid()->rows(); }
};

TEST_F(LargeRoster, EveryParticipantIsListedAndRowsAreReadAsTheyAreShown) {
  const int n = 20000;
  addRows(n);
  open();
  ASSERT_EQ(grid()->rowCount(), n);
  EXPECT_EQ(rows().pagesRead(), 1) << "the fill reads the first page only";
  EXPECT_EQ(rowTexts(grid(), 0), QStringList({"1", "d", "n1", "zp\\d_n1.jpg", "", "1"}));
  EXPECT_EQ(grid()->currentRow(), 0);

  // Every row, down to the last, as the roster holds it; the pages kept stay within their bound.
  for (int r = 0; r < n; r += 97) {
    ASSERT_EQ(grid()->item(r, 2)->text(), QStringLiteral("n%1").arg(r + 1));
    ASSERT_EQ(grid()->item(r, 4)->text(), (r + 1) % 10 == 0 ? QStringLiteral("幸运奖") : QString());
  }
  EXPECT_EQ(rowTexts(grid(), n - 1),
            QStringList({"20000", "d", "n20000", "zp\\d_n20000.jpg", "幸运奖", "20000"}));
  EXPECT_LE(rows().pagesRead(), RosterModel::kPagesKept);
  EXPECT_FALSE(grid()->item(n, 0)) << "no row past the last";
  EXPECT_FALSE(grid()->item(0, RosterModel::kColumns));

  // Scrolled to the end, the band and the running numbers are painted there as well.
  form->show();
  grid()->scrollToBottom();
  EXPECT_EQ(cellBackground(grid(), n - 1, 2), kBand);
  EXPECT_NE(cellBackground(grid(), n - 2, 2), kBand);
  clickRow(grid(), n - 2);
  EXPECT_EQ(form->Editxm->text(), QStringLiteral("n19999"));
  EXPECT_EQ(form->Labelid->text(), QStringLiteral("19999"));
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(LargeRoster, ARowShowsAsItWasWhenFirstShownAndTheListIsTheFillsUntilTheNextRefresh) {
  addRows(1000);
  open();
  // Changed by another window after the fill, in rows not yet shown.
  app.exec(QStringLiteral("delete from yglb where id = 900"));
  app.exec(QStringLiteral("update yglb set zj = 1 where id = 800"));
  app.exec(QStringLiteral("insert into yglb (xm, bm, zp) values ('后来', 'd', '')"));
  EXPECT_EQ(grid()->rowCount(), 1000) << "the rows listed are the fill's";
  EXPECT_EQ(rowTexts(grid(), 899), QStringList({"900", "", "", "", "", ""})) << "gone since: an empty row";
  EXPECT_EQ(grid()->item(799, 4)->text(), QStringLiteral("一等奖")) << "read when first shown";

  form->showStringGridgy();
  EXPECT_EQ(grid()->rowCount(), 1000);
  EXPECT_EQ(grid()->item(899, 2)->text(), QStringLiteral("n901")) << "numbers close up";
  EXPECT_EQ(grid()->item(999, 2)->text(), QStringLiteral("后来"));
}

TEST_F(LargeRoster, APageThatCannotBeReadStaysEmptyAndIsReportedOnce) {
  addRows(2000);
  open();
  app.exec(QStringLiteral("drop table yglb"));
  EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral("n1")) << "the first page was read with the fill";
  for (int r = 300; r < 2000; r += 300) EXPECT_EQ(grid()->item(r, 2)->text(), QString()) << r;
  EXPECT_EQ(grid()->item(1999, 0)->text(), QStringLiteral("2000"));
  QCoreApplication::processEvents();
  EXPECT_EQ(errors().size(), 1) << errors().join(QLatin1Char('\n')).toStdString();

  // A refresh that cannot read says so as a fill always did, and only then.
  boxes().clear();
  EXPECT_ANY_THROW(form->showStringGridgy());
  QCoreApplication::processEvents();
  EXPECT_TRUE(errors().isEmpty());
}

TEST_F(LargeRoster, TheCleanUpsRefreshTheGrid) {
  addRows(3000);
  open();
  ASSERT_EQ(grid()->item(9, 4)->text(), QStringLiteral("幸运奖"));
  boxes().confirmAnswers = {true};
  form->Button7->click();
  EXPECT_EQ(grid()->rowCount(), 3000);
  for (int r = 9; r < 3000; r += 250) EXPECT_EQ(grid()->item(r, 4)->text(), QString()) << r;
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0 or zjsx<>0")), 0);

  boxes().confirmAnswers = {true};
  form->Button5->click();
  EXPECT_EQ(grid()->rowCount(), 0);
  EXPECT_EQ(infos().last(), QStringLiteral("员工列表清空"));
}

}  // namespace
