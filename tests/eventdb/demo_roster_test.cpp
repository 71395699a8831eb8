// The demo roster generator of the eventdb tool.
#include "eventdb/demo_roster.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <map>

namespace ld {
namespace {

// Characters that cannot appear in "zp/<department>_<name>.jpg" without breaking or aliasing the path.
bool fileSafe(const QString& s) {
  if (s.isEmpty() || s.trimmed() != s || s.startsWith('.') || s.endsWith('.')) return false;
  for (QChar c : s) {
    if (c.unicode() < 0x20 || c.isSpace() || QStringLiteral("\\/:*?\"<>|_.").contains(c)) return false;
  }
  return true;
}

TEST(DemoRoster, NamesAreDistinctSafeAndSpreadOverDepartments) {
  for (int n : {1, 50, 100000}) {
    SCOPED_TRACE(n);
    const auto people = demoRoster(n);
    ASSERT_EQ(people.size(), size_t(n));
    QSet<QString> names;
    std::map<QString, int> perDepartment;
    int usualLength = 0;
    for (const DemoPerson& p : people) {
      ASSERT_TRUE(fileSafe(p.name)) << p.name.toStdString();
      ASSERT_TRUE(fileSafe(p.department)) << p.department.toStdString();
      names.insert(p.name);
      ++perDepartment[p.department];
      if (p.name.size() == 2 || p.name.size() == 3) ++usualLength;
    }
    EXPECT_EQ(names.size(), n);  // distinct names, hence distinct pairs
    EXPECT_GE(usualLength, n * 99 / 100);
    EXPECT_LE(perDepartment.size(), 10u);
    if (n >= 50) {
      EXPECT_GE(perDepartment.size(), 4u);
    }
    if (n == 100000) {
      for (const auto& [department, count] : perDepartment)
        EXPECT_GE(count, n / 50) << department.toStdString();
    }
  }
  EXPECT_TRUE(demoRoster(0).empty());
  EXPECT_TRUE(demoRoster(-3).empty());
}

TEST(DemoRoster, SameSeedSameRoster) {
  auto key = [](const std::vector<DemoPerson>& people) {
    QStringList parts;
    for (const DemoPerson& p : people) parts << p.department + '/' + p.name;
    return parts;
  };
  EXPECT_EQ(key(demoRoster(500, 7)), key(demoRoster(500, 7)));
  EXPECT_NE(key(demoRoster(500, 7)), key(demoRoster(500, 8)));
  // A longer roster starts with the shorter one, so tests and demos can grow an event.
  const auto longer = key(demoRoster(800, 7));
  EXPECT_EQ(longer.mid(0, 500), key(demoRoster(500, 7)));
}

int changedPixels(const QImage& a, const QImage& b, const QRect& area) {
  int changed = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) changed += a.pixel(x, y) != b.pixel(x, y);
  return changed;
}

TEST(DemoRoster, AvatarsAreColourfulDistinctAndNamed) {
  const auto people = demoRoster(3, 11);
  const QImage first = demoAvatar(people[0], 0);
  ASSERT_EQ(first.size(), QSize(480, 360));
  QSet<QRgb> colours;
  for (int y = 0; y < first.height(); y += 3)
    for (int x = 0; x < first.width(); x += 3) colours.insert(first.pixel(x, y));
  EXPECT_GT(colours.size(), 50);

  const QRect whole = first.rect();
  const QImage second = demoAvatar(people[1], 1);
  EXPECT_GT(changedPixels(first, second, whole), whole.width() * whole.height() / 2);
  EXPECT_EQ(changedPixels(first, demoAvatar(people[0], 0), whole), 0);

  // The name is really written: another name on the same picture changes the banner.
  const QRect banner(0, 290, 480, 70);
  const QImage renamed = demoAvatar({QStringLiteral("欧阳明"), people[0].department}, 0);
  EXPECT_GT(changedPixels(first, renamed, banner), 200);
  EXPECT_EQ(changedPixels(first, renamed, QRect(0, 0, 480, 280)), 0);
}

}  // namespace
}  // namespace ld
