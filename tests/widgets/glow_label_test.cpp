#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <vector>

#include "support/shots.h"
#include "widgets/glow_label.h"
#include "widgets/stack_blur.h"

namespace {

// The blur written out plainly: every output sums its whole window, rows first.
std::vector<int> DirectBlur(const std::vector<int>& in, int w, int h, int r) {
  std::vector<int> rows(in.size()), out(in.size());
  auto pass = [&](const std::vector<int>& src, std::vector<int>& dst, int dx, int dy) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int sum = 0;
        for (int i = -r; i <= r; ++i)
          sum += (r + 1 - std::abs(i)) *
                 src[std::clamp(y + i * dy, 0, h - 1) * w + std::clamp(x + i * dx, 0, w - 1)];
        dst[y * w + x] = sum / ((r + 1) * (r + 1));
      }
  };
  pass(in, rows, 1, 0);
  pass(rows, out, 0, 1);
  return out;
}

int Blended(int a, int glow, int dst) {
  return a == 0 ? dst : a == 255 ? glow : (a * glow + (256 - a) * dst) / 256;
}

QFont BoardFont(int pixels) {
  QFont font(QStringLiteral("幼圆"));
  font.setBold(true);
  font.setPixelSize(pixels);
  return font;
}

TGlowLabel* MakeLabel(QWidget* parent, QRect geometry, int pixels, const QString& caption) {
  auto* label = new TGlowLabel(parent);
  label->setAutoSize(false);
  label->setGeometry(geometry);
  label->setFont(BoardFont(pixels));
  label->setFontColor(Qt::red);
  label->setAlignment(Qt::AlignHCenter);
  label->setCaption(caption);
  return label;
}

QImage Render(QWidget& widget, const QImage& background) {
  QImage image = background;
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

QImage Black(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

QImage MaskOf(const TGlowLabel& label, const QImage& device) {
  return ld::glow::textMask(label.font(), label.textBox().size(), ld::glow::withLineFeeds(label.caption()),
                            ld::glow::textFlags(label.alignment(), label.wordWrap(), label.showAccelChar()),
                            Qt::LeftToRight, device);
}

int At(const QImage& gray, int x, int y) { return gray.constScanLine(y)[x]; }

bool IsTextRed(QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; }

}  // namespace

TEST(StackBlurTest, MatchesTheDirectTriangularBlurAtEveryEdge) {
  QRandomGenerator random(7);
  for (QSize size : {QSize(1, 1), QSize(1, 30), QSize(30, 1), QSize(64, 33)}) {
    for (int radius : {1, 10}) {
      const int w = size.width(), h = size.height(), stride = w + 3;
      std::vector<std::uint8_t> bytes(stride * h, 0xAB);
      std::vector<int> in;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) in.push_back(bytes[y * stride + x] = random.bounded(256));
      ld::stackBlur(bytes.data(), w, h, stride, radius);
      const std::vector<int> expected = DirectBlur(in, w, h, radius);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < stride; ++x)
          ASSERT_EQ(bytes[y * stride + x], x < w ? expected[y * w + x] : 0xAB) << w << "x" << h << " " << x;
    }
  }
}

TEST(GlowTextTest, MaskIsTheTextAtItsNineOffsets) {
  const QSize box(120, 40);
  const int flags = ld::glow::textFlags(Qt::AlignLeft, false, true);
  QImage once(box + QSize(20, 20), QImage::Format_ARGB32_Premultiplied);
  once.fill(0);
  QPainter painter(&once);
  painter.setFont(BoardFont(24));
  painter.setPen(Qt::red);
  painter.drawText(QRect(QPoint(10, 10), box), flags, QStringLiteral("幸运W"));
  painter.end();
  const QImage mask =
      ld::glow::textMask(BoardFont(24), box, QStringLiteral("幸运W"), flags, Qt::LeftToRight, once);
  const QPoint offsets[] = {{-1, -1}, {-2, -2}, {-1, 0}, {-2, 0}, {1, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 0}};
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = 0; x < mask.width(); ++x) {
      int strongest = 0;
      for (QPoint o : offsets)
        if (once.rect().contains(x - o.x(), y - o.y()))
          strongest = std::max(strongest, qRed(once.pixel(x - o.x(), y - o.y())));
      ASSERT_EQ(At(mask, x, y) == 0, strongest == 0) << x << "," << y;
      ASSERT_GE(At(mask, x, y) + 1, strongest) << x << "," << y;
    }
  }
}

TEST(GlowTextTest, BlendStaysWithinOneLevelOfTheFormula) {
  QImage alpha(256, 1, QImage::Format_Grayscale8);
  for (int a = 0; a < 256; ++a) alpha.scanLine(0)[a] = a;
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
    for (QColor glow : {QColor(Qt::white), QColor(13, 200, 77), QColor(Qt::black)}) {
      for (int dst : {0, 1, 77, 128, 254, 255}) {
        QImage target(256, 1, format);
        target.fill(QColor(dst, 255 - dst, dst / 2));
        QPainter painter(&target);
        ld::glow::blendGlow(painter, QPoint(0, 0), alpha, glow);
        painter.end();
        for (int a = 0; a < 256; ++a) {
          const QRgb got = target.pixel(a, 0);
          const int slack = (a == 0 || a == 255) ? 0 : 1;
          ASSERT_LE(std::abs(qRed(got) - Blended(a, glow.red(), dst)), slack) << a << " over " << dst;
          ASSERT_LE(std::abs(qGreen(got) - Blended(a, glow.green(), 255 - dst)), slack)
              << a << " over " << dst;
          ASSERT_LE(std::abs(qBlue(got) - Blended(a, glow.blue(), dst / 2)), slack) << a << " over " << dst;
        }
      }
    }
  }
}

// The draw panel's labels over a busy picture (kept for a person to look at when asked).
TEST(GlowLabelTest, PaintsTheBlurredMaskAsHaloThenTheTextAndNothingElse) {
  QWidget panel;
  panel.resize(660, 420);
  QImage background(panel.size(), QImage::Format_RGB32);
  QPainter painter(&background);
  QLinearGradient gradient(0, 0, 660, 420);
  gradient.setColorAt(0, QColor(10, 30, 90));
  gradient.setColorAt(1, QColor(70, 10, 40));
  painter.fillRect(background.rect(), gradient);
  for (int x = 0; x < 660; x += 14) painter.fillRect(x, 0, 5, 420, QColor(40, 90, 60, 120));
  painter.end();

  auto* title = new TGlowLabel(&panel);
  title->setFont(BoardFont(19));
  title->setFontColor(Qt::red);
  title->setCaption(QStringLiteral("抽奖"));
  MakeLabel(&panel, {27, 347, 382, 57}, 29, QStringLiteral("销售部  张三"));
  TGlowLabel* narrow = MakeLabel(&panel, {150, 150, 120, 60}, 29, QStringLiteral("张三李四王五赵六"));
  TGlowLabel* board = MakeLabel(
      &panel, {427, 4, 201, 398}, 24,
      QStringLiteral("幸运奖30位(3)\r\r张三\r李四\r王五\r赵六\r钱七\r孙八\r周九\r吴十\r郑十一\r欧阳明日"));
  const QImage shown = Render(panel, background);
  EXPECT_TRUE(ld::test::keepShot(shown, QStringLiteral("glow_labels.png")));

  const QImage mask = MaskOf(*board, shown);
  ASSERT_EQ(mask.size(), board->size()) << "the halo covers exactly the label";
  std::vector<int> plane;
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) plane.push_back(At(mask, x, y));
  const std::vector<int> alpha = DirectBlur(plane, mask.width(), mask.height(), 10);
  int halo = 0, text = 0;
  for (int y = 0; y < panel.height(); ++y) {
    for (int x = 0; x < panel.width(); ++x) {
      const QRgb bg = background.pixel(x, y), got = shown.pixel(x, y);
      const QPoint inBoard = QPoint(x, y) - board->pos();
      const auto labels = panel.findChildren<TGlowLabel*>();
      const auto owner = std::find_if(labels.begin(), labels.end(),
                                      [&](TGlowLabel* label) { return label->geometry().contains(x, y); });
      if (owner == labels.end()) {
        ASSERT_EQ(got, bg) << x << "," << y;
      } else if (IsTextRed(got)) {
        ++text;
        ASSERT_TRUE((*owner)->textBox().contains(QPoint(x, y) - (*owner)->pos()))
            << "text clipped at its box";
      }
      // Where the mask is empty no text can be: only the halo.
      if (!board->rect().contains(inBoard) || At(mask, inBoard.x(), inBoard.y()) != 0) continue;
      const int a = alpha[inBoard.y() * mask.width() + inBoard.x()];
      halo += a > 0;
      ASSERT_LE(std::abs(qRed(got) - Blended(a, 255, qRed(bg))), 1) << x << "," << y;
      ASSERT_LE(std::abs(qGreen(got) - Blended(a, 255, qGreen(bg))), 1) << x << "," << y;
      ASSERT_LE(std::abs(qBlue(got) - Blended(a, 255, qBlue(bg))), 1) << x << "," << y;
    }
  }
  EXPECT_GT(halo, 5000);
  EXPECT_GT(text, 1000);
  const QImage cut = MaskOf(*narrow, shown);
  int edgeInk = 0;  // a caption wider than its box is cut at the box's edges
  for (int y = 0; y < cut.height(); ++y) edgeInk += At(cut, narrow->textBox().right(), y) > 128;
  EXPECT_GT(edgeInk, 5);

  board->setCaption(QString());
  EXPECT_EQ(Render(*board, background), background) << "an empty caption paints nothing";

  // A box too large for any work plane leaves the label unpainted instead of writing through nothing.
  const QSize huge(600'000'000, 1);
  EXPECT_TRUE(
      ld::glow::textMask(BoardFont(24), huge, QStringLiteral("x"), 0, Qt::LeftToRight, shown).isNull());
}

TEST(GlowLabelTest, HaloIsStrongAtTheStrokesAndGoneElevenPixelsAway) {
  std::unique_ptr<TGlowLabel> label(MakeLabel(nullptr, {0, 0, 90, 80}, 40, QStringLiteral("工")));
  const QImage shown = Render(*label, Black(label->size()));
  const QImage mask = MaskOf(*label, shown);
  std::vector<int> total(12, 0), count(12, 0);
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 90; ++x) {
      int d = 1000;  // Chebyshev distance to the thickened text
      for (int v = 0; v < 80; ++v)
        for (int u = 0; u < 90; ++u)
          if (At(mask, u, v) != 0) d = std::min(d, std::max(std::abs(u - x), std::abs(v - y)));
      if (d >= 11) {
        ASSERT_EQ(shown.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y << " is " << d << " px away";
      } else if (d >= 1) {
        total[d] += qGreen(shown.pixel(x, y));  // the text is pure red: green is the halo alone
        ++count[d];
      }
    }
  }
  EXPECT_GT(total[1] / count[1], 70);
  for (int d = 2; d <= 10; ++d) EXPECT_LT(total[d] / count[d], total[d - 1] / count[d - 1]) << d;
}

TEST(GlowLabelTest, AutoSizeFitsTheTextPlusTwentyEightAndKeepsTopLeft) {
  QWidget parent;
  TGlowLabel label(&parent);
  EXPECT_EQ(label.size(), QSize(65, 17));
  label.move(30, 40);
  label.setFont(BoardFont(19));
  auto extent = [&](const QString& text, int flags = Qt::TextShowMnemonic) {
    return QFontMetrics(label.font()).boundingRect(QRect(0, 0, 999, 999), flags, text).size() + QSize(28, 28);
  };
  label.setCaption(QString());
  EXPECT_EQ(label.size(), extent(QStringLiteral(" "))) << "one space";
  label.setCaption(QStringLiteral("&"));
  EXPECT_EQ(label.size(), extent(QStringLiteral(" "))) << "a lone accelerator mark";
  label.setCaption(QStringLiteral("抽奖"));
  EXPECT_EQ(label.size(), extent(QStringLiteral("抽奖")));
  EXPECT_NEAR(label.width() - 28, QFontMetrics(label.font()).horizontalAdvance(QStringLiteral("抽奖")), 1);
  const int oneLine = label.height() - 28;
  label.setCaption(QStringLiteral("抽奖\r抽奖\r\n抽奖"));
  EXPECT_EQ(label.height() - 28, 3 * oneLine) << "lines split at CR and at CR LF";
  EXPECT_EQ(label.pos(), QPoint(30, 40));

  label.setShowAccelChar(false);
  label.setCaption(QStringLiteral("&"));
  EXPECT_EQ(label.size(), extent(QStringLiteral("&"), 0)) << "drawn literally, so measured literally";

  label.setWordWrap(true);
  label.setCaption(QStringLiteral("是否确定关闭手机 是否确定关闭手机"));
  const QSize wrapped = label.size();
  label.setCaption(label.caption());
  EXPECT_EQ(label.size(), wrapped) << "re-measuring wrapped text is stable";
  label.setFont(BoardFont(38));
  EXPECT_GT(label.height(), wrapped.height()) << "a new font re-measures";

  label.setAutoSize(false);
  const QSize fixed = label.size();
  label.setCaption(QStringLiteral("x"));
  EXPECT_EQ(label.geometry(), QRect(QPoint(30, 40), fixed));
}

TEST(GlowLabelTest, CarriageReturnsStartCentredLinesFromTheTop) {
  std::unique_ptr<TGlowLabel> label(MakeLabel(nullptr, {0, 0, 201, 398}, 24, QString()));
  QFont latin(QStringLiteral("DejaVu Sans"));  // one font on every line, so that lines have one pitch
  latin.setPixelSize(24);
  label->setFont(latin);
  const int pitch = QFontMetrics(latin).lineSpacing();

  struct Band {  // rows with text ink, and their horizontal extent
    int top = -1, left = 999, right = -1;
  };
  auto bands = [&](const QString& caption) {
    label->setCaption(caption);
    const QImage shown = Render(*label, Black(label->size()));
    std::vector<Band> found;
    bool inside = false;
    for (int y = 0; y < shown.height(); ++y) {
      Band row{y};
      for (int x = 0; x < shown.width(); ++x)
        if (IsTextRed(shown.pixel(x, y)))
          row.left = std::min(row.left, x), row.right = std::max(row.right, x);
      if (row.right >= 0 && !inside) found.push_back(row);
      if (row.right >= 0) found.back().left = std::min(found.back().left, row.left);
      if (row.right >= 0) found.back().right = std::max(found.back().right, row.right);
      inside = row.right >= 0;
    }
    return found;
  };
  const std::vector<Band> board = bands(QStringLiteral("LUCKY 30 (3)\r\rTOM\rHENRIETTA"));
  ASSERT_EQ(board.size(), 3u);
  EXPECT_LT(board[0].top, 10 + pitch / 2) << "text starts at the top of its box";
  EXPECT_NEAR(board[1].top - board[0].top, 2 * pitch, 3) << "an empty line after the heading";
  EXPECT_NEAR(board[2].top - board[1].top, pitch, 3);
  for (const Band& band : board) EXPECT_NEAR((band.left + band.right) / 2.0, 100.5, 2.5);
  EXPECT_GT(board[0].right - board[0].left, board[1].right - board[1].left + 40);
}

TEST(GlowLabelTest, SettingAnUnchangedValueDoesNotRepaint) {
  TGlowLabel label;
  const int start = label.repaintRequests();
  label.setGlowColor(QColor(255, 255, 255, 40));  // a plain RGB value: the same white
  label.setAlignment(Qt::AlignLeft);
  label.setTextLayout(TGlowLabel::TextLayout::Top);
  label.setShowAccelChar(true);
  EXPECT_EQ(label.repaintRequests(), start);
  label.setGlowColor(Qt::yellow);
  label.setAlignment(Qt::AlignHCenter);
  label.setTextLayout(TGlowLabel::TextLayout::Bottom);
  label.setShowAccelChar(false);
  EXPECT_EQ(label.repaintRequests(), start + 4);
}

TEST(GlowLabelTest, AcceleratorFocusesTheFocusControlWhileItLives) {
  QWidget window;
  auto* first = new QLineEdit(&window);
  auto* second = new QLineEdit(&window);
  TGlowLabel label(&window);
  label.setCaption(QStringLiteral("&Name"));
  label.setFocusControl(second);
  window.show();
  QApplication::setActiveWindow(&window);
  auto press_alt_n = [&] {
    first->setFocus();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_N, Qt::AltModifier, QStringLiteral("n"));
    QApplication::sendEvent(first, &key);
  };
  label.setEnabled(false);
  press_alt_n();
  EXPECT_TRUE(first->hasFocus()) << "a disabled label passes no focus";
  label.setEnabled(true);
  press_alt_n();
  EXPECT_TRUE(second->hasFocus());
  delete second;
  EXPECT_EQ(label.focusControl(), nullptr);
  press_alt_n();
  EXPECT_TRUE(first->hasFocus());
}
