// The roster's ids read as one text: every id once, in order, whatever the engine's order of the pieces,
// and anything but whole numbers refused.
#include <gtest/gtest.h>

#include "data/db_error.h"
#include "data/query.h"
#include "support/temp_app.h"

using namespace ld;
using namespace ld::test;

namespace {

TEST(IdList, EveryIdOnceInOrder) {
  TempApp app;
  Query& q = app.dataModule().ADOQuerysetting;
  EXPECT_TRUE(idList(q, QStringLiteral("select group_concat(id) as ids from yglb")).empty()) << "no rows";

  app.exec(QStringLiteral(
      "insert into yglb (id, xm, bm, zp) values (-7, 'a', 'd', ''), (3, 'b', 'd', 'zp\\x.jpg'), "
      "(2147483647, 'c', 'd', 'zp\\y.jpg'), (12, 'e', 'd', 'zp\\z.jpg')"));
  EXPECT_EQ(idList(q, QStringLiteral("select group_concat(id) as ids from yglb")),
            (std::vector<int>{-7, 3, 12, 2147483647}));
  // Pieces given in another order come back sorted.
  EXPECT_EQ(
      idList(q, QStringLiteral("select group_concat(id) as ids from (select id from yglb order by id desc)")),
      (std::vector<int>{-7, 3, 12, 2147483647}));
  EXPECT_EQ(idList(q, QStringLiteral("select group_concat(id) as ids from yglb where zp<>''")),
            (std::vector<int>{3, 12, 2147483647}));

  for (const char* bad : {"select 'x,1' as ids", "select '1,,2' as ids", "select '4294967296' as ids"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(idList(q, QString::fromLatin1(bad)), DbError);
  }
}

}  // namespace
