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

namespace {

// The lines' texts joined without the blanks a wrap takes out.
QString joined(const std::vector<FittedLine>& lines, size_t from = 0) {
  QString text;
  for (size_t i = from; i < lines.size(); ++i) text += lines[i].text;
  return text.remove(QLatin1Char(' '));
}

// Every line drawn whole inside the label, at the floor size or larger, one below the other.
void expectDrawnWholeInside(const TGlowLabel& label, const std::vector<FittedLine>& lines, int floor) {
  int previousBottom = -1;
  for (const FittedLine& line : lines) {
    SCOPED_TRACE(line.text.toStdString());
    EXPECT_GE(line.font.pixelSize(), floor);
    EXPECT_LE(QFontMetrics(line.font, &label).size(Qt::TextSingleLine, line.text).width(), line.box.width());
    EXPECT_GE(line.box.height(), QFontMetrics(line.font, &label).height());
    EXPECT_TRUE(label.rect().contains(line.box)) << "drawn at " << line.box.y() << "+" << line.box.height();
    EXPECT_GT(line.box.top(), previousBottom) << "lines overlap";
    previousBottom = line.box.bottom();
  }
}

// Red text ink inside a line's box, as painted.
bool inkIn(const TGlowLabel& label, const QRect& box) {
  QImage shown(label.size(), QImage::Format_RGB32);
  shown.fill(Qt::black);
  const_cast<TGlowLabel&>(label).render(&shown);
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) {
      const QColor c = shown.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
    }
  return false;
}

TEST(WrapLine, BreaksBetweenWordsOrCharactersAndLosesNothing) {
  const QImage device(10, 10, QImage::Format_RGB32);
  struct Case {
    QString text;
    bool wraps;
  };
  for (const Case& c : {Case{"Maximilian Alexander von Hohenberg-Lichtenstein", true},
                        Case{"欧阳慕容上官司马欧阳慕容上官司马", true},
                        Case{"Hohenbergsteinlichtensteinhausen", true}, Case{"李雷", false}}) {
    SCOPED_TRACE(c.text.toStdString());
    const QStringList lines = ld::glow::wrapLine(c.text, youYuan(24), 200, 0, &device);
    EXPECT_EQ(lines.size() > 1, c.wraps) << lines.join('|').toStdString();
    for (const QString& line : lines) EXPECT_LE(QFontMetrics(youYuan(24)).horizontalAdvance(line), 200);
    EXPECT_EQ(lines.join(QString()).remove(' '), QString(c.text).remove(' '));
  }
  EXPECT_EQ(ld::glow::wrapLine("Alexander Montgomery", youYuan(24), 200, 0, &device),
            QStringList({"Alexander", "Montgomery"}))
      << "at a blank, not inside a word";
}

TEST(LongWinnerCaptions, TheNameIsShownWholeAndOnlyTheDepartmentIsCut) {
  struct Case {
    QString department, name;
    bool absent;
  };
  const QString longLatin = QStringLiteral("Global Strategic Partnerships & Business Development");
  for (const Case& c :
       {Case{longLatin, "Maximilian Alexander von Hohenberg-Lichtenstein", false},
        Case{longLatin, "Maximilian Alexander von Hohenberg-Lichtenstein", true},
        Case{"全球战略合作与业务发展部国际事业群", "欧阳慕容上官司马", false},
        Case{longLatin, "欧阳慕容上官司马", true}, Case{"销售部", "欧阳慕容上官司马", false}}) {
    SCOPED_TRACE((c.department + "  " + c.name + (c.absent ? " absent" : "")).toStdString());
    DrawFixture f;
    f.app.addParticipant(c.name, c.department);
    TVELTRAXForm& w = f.window();
    click(w.GIFAnimatorlogo);
    click(w.GIFAnimatorlogo);
    QString mark;
    if (c.absent) {
      f.app.dialogs().confirmAnswers.push_back(true);
      ASSERT_TRUE(w.absentKey());
      mark = QStringLiteral("（缺席）");
    }
    const TGlowLabel& label = *w.GlowLabelcj0;
    ASSERT_EQ(label.caption(), c.department + QStringLiteral("  ") + c.name + mark);
    const auto lines = label.fittedLines();
    ASSERT_FALSE(lines.empty());
    expectDrawnWholeInside(label, lines, 16);
    EXPECT_TRUE(inkIn(label, lines.back().box)) << "the last line is painted, not cut off";

    if (lines.size() == 1) {
      EXPECT_EQ(lines[0].text, label.caption()) << "a caption that fits on one line stays one line";
      continue;
    }
    // The department on a line of its own, whole or cut short; then the name and its mark, whole.
    const QString first = lines[0].text;
    EXPECT_TRUE(first == c.department ||
                (first.endsWith(QChar(0x2026)) && c.department.startsWith(first.chopped(1))))
        << first.toStdString();
    EXPECT_EQ(joined(lines, 1), QString(c.name + mark).remove(' '));
  }
}

TEST_F(LongCaptions, ALongNameOnTheBoardWrapsOntoFurtherLinesAndNothingIsCut) {
  f.app.setPlan(1, 1, 1, 1, 5);
  const QStringList names = {"Alexander Montgomery-Whitfield", "李雷",
                             "Maximilian Alexander von Hohenberg-Lichtenstein", "欧阳慕容上官司马"};
  for (const QString& name : names) {
    f.app.addParticipant(name, "部门");
    click(w().GIFAnimatorlogo);
    click(w().GIFAnimatorlogo);
  }
  const TGlowLabel& board = *w().GlowLabelzj;
  const auto lines = board.fittedLines();
  expectDrawnWholeInside(board, lines, 14);
  for (const FittedLine& line : lines)
    EXPECT_FALSE(line.text.contains(QChar(0x2026))) << line.text.toStdString();
  QString expected = QStringLiteral("幸运奖5位");
  for (const QString& name : names) expected += name;
  EXPECT_EQ(joined(lines), QString(expected).remove(' ')) << "every name whole, in draw order";
  for (const FittedLine& line : lines) {
    if (line.text == QStringLiteral("李雷")) {
      EXPECT_EQ(line.font.pixelSize(), 24) << "a short name keeps its size";
    }
  }
  EXPECT_TRUE(inkIn(board, lines.back().box));
}

}  // namespace
