// eventdb theme: changes only what it is told, a refused picture changes nothing.
#include <gtest/gtest.h>

#include "eventdb/theme_command.h"
#include "framework/errors.h"
#include "support/temp_app.h"

namespace ld::eventdb {
namespace {

using namespace ld::test;

TEST(ThemeCommand, ColoursAreThreeHexColoursOrDashes) {
  const struct {
    const char* text;
    bool ok;
  } cases[] = {{"#102030,#a0b0c0,#ffffff", true}, {"-,#A0B0C0,-", true}, {"#102030,#a0b0c0", false},
               {"red,#a0b0c0,#ffffff", false},    {"#1020,-,-", false},  {"#102030,-,-,-", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto colours = parseThemeColours(QString::fromLatin1(c.text));
    ASSERT_EQ(colours.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ((*colours)[1], QColor("#a0b0c0"));
    }
  }
}

TEST(ThemeCommand, ChangesWhatItIsToldAndKeepsTheRest) {
  TempApp app;
  const QString bg = app.path(QStringLiteral("wide.jpg"));
  writeFile(bg, solidJpeg(4000, 1000, Qt::blue));
  ThemeOptions first;
  first.title = QStringLiteral(" 年会 ");
  first.background = bg;
  first.colours = parseThemeColours(QStringLiteral("#102030,-,-"));
  QStringList lines = theme(app.folder(), first);
  EXPECT_EQ(lines.value(0), QStringLiteral("标题：年会"));
  EXPECT_EQ(lines.value(1), QStringLiteral("底色：#102030"));
  EXPECT_TRUE(lines.value(2).contains(QStringLiteral("默认")));
  EXPECT_EQ(lines.value(4), QStringLiteral("背景图片：zt/bg.jpg 3840×960"));

  ThemeOptions second;  // only the title: colours and picture stay
  second.title = QStringLiteral("答谢会");
  lines = theme(app.folder(), second);
  EXPECT_EQ(lines.value(1), QStringLiteral("底色：#102030"));
  EXPECT_EQ(lines.value(4), QStringLiteral("背景图片：zt/bg.jpg 3840×960"));

  ThemeOptions bad;  // refused before anything is written
  bad.reset = true;
  bad.logo = app.path(QStringLiteral("missing.png"));
  EXPECT_THROW(theme(app.folder(), bad), Error);
  EXPECT_EQ(theme(app.folder(), {}), lines);

  ThemeOptions reset;
  reset.reset = true;
  lines = theme(app.folder(), reset);
  EXPECT_EQ(lines.value(0), QStringLiteral("标题："));
  EXPECT_EQ(lines.value(4), QStringLiteral("背景图片：内置"));
}

}  // namespace
}  // namespace ld::eventdb
