// Long names and data text are shown whole: each line of the winner caption and of the board shrinks to
// its width, down to a readable size, and only then is cut short with "…"; an '&' in data stays an '&'.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"

using namespace ld::test;
using ld::glow::FittedLine;

namespace {

QFont youYuan(int pixels) {
  QFont font(QStringLiteral("幼圆"));
  font.setBold(true);
  font.setPixelSize(pixels);
  return font;
}

int widthOf(const FittedLine& line, int flags = 0) {
  return QFontMetrics(line.font).size(flags | Qt::TextSingleLine, line.text).width();
}

TEST(FitLines, EachLineGetsTheLargestSizeThatFitsThenAnEllipsis) {
  const QImage device(10, 10, QImage::Format_RGB32);
  const QString shortName = QStringLiteral("张伟");
  const QString longName = QStringLiteral("欧阳娜娜娜娜娜娜娜娜娜娜");
  const QString endless = QString(60, QChar(0x5b57));  // 字 × 60
  const auto lines = ld::glow::fitLines(shortName + '\r' + '\r' + longName + '\r' + endless, youYuan(24), 181,
                                        14, 0, &device);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, shortName);
  EXPECT_EQ(lines[0].font.pixelSize(), 24) << "what fits keeps its size";
  EXPECT_EQ(lines[1].text, QString());
  EXPECT_EQ(lines[2].text, longName) << "shown whole";
  EXPECT_LT(lines[2].font.pixelSize(), 24);
  EXPECT_GE(lines[2].font.pixelSize(), 14);
  EXPECT_LE(widthOf(lines[2]), 181);
  FittedLine larger = lines[2];
  larger.font.setPixelSize(larger.font.pixelSize() + 1);
  EXPECT_GT(widthOf(larger), 181) << "the largest size that fits";
  EXPECT_EQ(lines[3].font.pixelSize(), 14) << "never below the readable minimum";
  EXPECT_TRUE(lines[3].text.endsWith(QChar(0x2026))) << lines[3].text.toStdString();
  EXPECT_TRUE(endless.startsWith(lines[3].text.chopped(1)));
  EXPECT_LE(widthOf(lines[3]), 181);
}

TEST(FitLines, AnAmpersandIsMeasuredAsDrawn) {
  const QImage device(10, 10, QImage::Format_RGB32);
  const int literal = ld::glow::textFlags(Qt::AlignHCenter, false, false);
  const auto lines = ld::glow::fitLines(QStringLiteral("R&D"), youYuan(24), 300, 14, literal, &device);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, QStringLiteral("R&D"));
  EXPECT_EQ(literal & Qt::TextShowMnemonic, 0);
}

class LongCaptions : public ::testing::Test {
 protected:
  TVELTRAXForm& w() { return f.window(); }
  QStringList linesOf(const TGlowLabel& label) {
    QStringList texts;
    for (const FittedLine& line : label.fittedLines()) texts << line.text;
    return texts;
  }
  DrawFixture f;
};

TEST_F(LongCaptions, TheWinnerCaptionShowsALongDepartmentAndNameWhole) {
  const QString department = QStringLiteral("R&D 平台架构部");
  const QString name = QStringLiteral("阿卜杜热合曼·买买提明");
  f.app.addParticipant(name, department);
  click(w().GIFAnimatorlogo);
  click(w().GIFAnimatorlogo);
  const QString caption = department + QStringLiteral("  ") + name;
  ASSERT_EQ(w().GlowLabelcj0->caption(), caption);
  EXPECT_FALSE(w().GlowLabelcj0->showAccelChar()) << "data is never an accelerator";
  const auto lines = w().GlowLabelcj0->fittedLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, caption) << "whole, '&' and all";
  EXPECT_LT(lines[0].font.pixelSize(), 29);
  EXPECT_LE(widthOf(lines[0]), w().GlowLabelcj0->textBox().width());

  // Painted: no text touches either end of the box, as it did when it was clipped at both.
  QImage shown(w().GlowLabelcj0->size(), QImage::Format_RGB32);
  shown.fill(Qt::black);
  w().GlowLabelcj0->render(&shown);
  const QRect box = w().GlowLabelcj0->textBox();
  auto redAt = [&](int x) {
    for (int y = box.top(); y <= box.bottom(); ++y) {
      const QColor c = shown.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
    }
    return false;
  };
  EXPECT_FALSE(redAt(box.left()));
  EXPECT_FALSE(redAt(box.right()));
  bool anyRed = false;
  for (int x = box.left(); x <= box.right() && !anyRed; ++x) anyRed = redAt(x);
  EXPECT_TRUE(anyRed);
}

TEST_F(LongCaptions, BoardLinesShrinkOneByOneAndAShortNameKeepsItsSize) {
  f.app.setPlan(1, 1, 1, 1, 3);
  const QString longName = QStringLiteral("Alexander Hohenberg");
  f.app.addParticipant(longName, "部门");
  click(w().GIFAnimatorlogo);
  click(w().GIFAnimatorlogo);
  f.app.addParticipant("李雷", "部门");
  click(w().GIFAnimatorlogo);
  click(w().GIFAnimatorlogo);
  const auto lines = w().GlowLabelzj->fittedLines();
  QStringList texts;
  for (const FittedLine& line : lines) texts << line.text;
  ASSERT_EQ(texts.size(), 4) << texts.join('|').toStdString();
  EXPECT_EQ(texts[0], QStringLiteral("幸运奖3位"));
  EXPECT_EQ(lines[0].font.pixelSize(), 24);
  const int longAt = texts.indexOf(longName);
  ASSERT_GE(longAt, 2) << "shown whole: " << texts.join('|').toStdString();
  EXPECT_LT(lines[size_t(longAt)].font.pixelSize(), 24);
  EXPECT_LE(widthOf(lines[size_t(longAt)]), w().GlowLabelzj->textBox().width());
  EXPECT_EQ(lines[size_t(5 - longAt)].font.pixelSize(), 24) << "李雷 keeps the board's size";
}

}  // namespace
