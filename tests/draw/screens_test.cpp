// Screens and presentation: the chosen screen (given, remembered, dragged to), the window scaled to fill a
// projector or to fit a small screen, with clicks, shape, fireworks and sharp artwork as at 1:1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>

#include "artwork/builtin.h"
#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/presentation.h"
#include "draw/sharp_pictures.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;
using Mode = ld::PresentationStage::Mode;

namespace {

// Three screens side by side before the application starts: the laptop (primary), a projector, and a
// screen smaller than the draw window.
const bool kThreeScreens = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1},
    {"name": "projector", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1},
    {"name": "small", "x": 3200, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "dpr": 1}]})");

QScreen* screenNumber(int n) { return QGuiApplication::screens().value(n - 1); }

void mouse(QWidget* to, QEvent::Type type, QPoint global, Qt::MouseButtons held) {
  const QPointF local = to->mapFromGlobal(QPointF(global));
  QMouseEvent event(type, local, QPointF(global), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(to, &event);
}

// A click where a point of the draw window shows on the screen, sent to the window that shows it.
void clickShown(ld::LuckyDraw& program, QPoint inForm) {
  ld::PresentationStage* stage = program.stage();
  const bool staged = stage && stage->form();
  QWidget* target = staged ? stage->viewport() : &program.drawWindow();
  const QPoint global = staged ? stage->formToGlobal(inForm) : program.drawWindow().mapToGlobal(inForm);
  mouse(target, QEvent::MouseButtonPress, global, Qt::LeftButton);
  mouse(target, QEvent::MouseButtonRelease, global, Qt::NoButton);
}

const QPoint kDrawIcon(809 + 29, 209 + 30);
const QPoint kScreenOfHandset(500, 250);
const QPoint kBelowHandset(500, 500);

class Screens : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kThreeScreens);
    ASSERT_EQ(QGuiApplication::screens().size(), 3);
    writeGif(app.path("system/0.gif"), {40, 30}, Qt::green, Qt::black, 10);
  }
  void TearDown() override {
    program.reset();
    deleteOtherTopLevels();
  }
  ld::LuckyDraw& start(const ld::ShowOptions& options = {}) {
    program = std::make_unique<ld::LuckyDraw>();
    program->drawWindow().setPressTiming({0, 0});
    program->show(options);
    return *program;
  }
  QString remembered() { return app.rows("select sz from sy where symc='PM'").value(0); }

  TempApp app;
  std::unique_ptr<ld::LuckyDraw> program;
};

TEST_F(Screens, TheChosenScreenIsRememberedAndABadChoiceIsReported) {
  ld::LuckyDraw& first = start();
  EXPECT_EQ(first.screen(), QGuiApplication::primaryScreen());
  EXPECT_EQ(first.drawWindow().pos(), QPoint(132, 259)) << "centred, 1:1";
  EXPECT_TRUE(remembered().isEmpty()) << "nothing chosen, nothing written";

  ld::LuckyDraw& second = start({QStringLiteral("2")});
  EXPECT_EQ(second.screen(), screenNumber(2));
  EXPECT_EQ(&second.shownWindow(), &second.drawWindow()) << "a projector larger than the window: 1:1";
  EXPECT_EQ(second.drawWindow().geometry(), QRect(QPoint(1280 + 452, 287), TVELTRAXForm::kClientSize));
  EXPECT_EQ(remembered(), QStringLiteral("2"));

  ld::LuckyDraw& third = start();
  EXPECT_EQ(third.screen(), screenNumber(2)) << "the event remembers";

  for (const char* bad : {"4", "0", "二", "-1"}) {
    app.dialogs().clear();
    ld::LuckyDraw& shown = start({QString::fromUtf8(bad)});
    ASSERT_EQ(app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1) << bad;
    EXPECT_TRUE(app.dialogs().lastText().contains(QStringLiteral("本机有 3 个屏幕"))) << bad;
    EXPECT_EQ(shown.screen(), screenNumber(2)) << "as remembered";
    EXPECT_EQ(remembered(), QStringLiteral("2"));
  }
}

TEST_F(Screens, ASmallScreenGetsTheWholeWindowScaledDownWithEveryControlReachable) {
  app.addParticipant("甲", "部门");
  ld::LuckyDraw& p = start({QStringLiteral("3")});
  ld::PresentationStage* stage = p.stage();
  ASSERT_TRUE(stage && stage->form() == &p.drawWindow());
  EXPECT_EQ(&p.shownWindow(), stage);
  EXPECT_EQ(stage->mode(), Mode::Fit);
  EXPECT_DOUBLE_EQ(stage->scale(), 800.0 / 1015);
  const QRect small = screenNumber(3)->geometry();
  EXPECT_TRUE(small.contains(stage->geometry())) << "nothing off the screen";
  EXPECT_EQ(stage->width(), 800);
  EXPECT_TRUE(small.contains(stage->formToGlobal(QPoint(904 + 44, 196 + 44)))) << "the power key";

  // The handset's outline keyed as at 1:1: its screen kept, the navy below it cut away.
  const QRegion shape = stage->mask();
  EXPECT_TRUE(shape.contains(stage->mapFromGlobal(stage->formToGlobal(kScreenOfHandset))));
  EXPECT_FALSE(shape.contains(stage->mapFromGlobal(stage->formToGlobal(kBelowHandset))));

  clickShown(p, kDrawIcon);
  EXPECT_EQ(p.drawWindow().drawState(), State::Rolling) << "the scaled draw icon takes the click";
  clickShown(p, kDrawIcon);
  EXPECT_EQ(p.drawWindow().drawState(), State::Result);
  EXPECT_EQ(app.count("select id from yglb where zj>0"), 1);
  EXPECT_TRUE(app.dialogs().shown.empty());
}

// Fit shrinks a window to a screen smaller than it and leaves one that fits at 1:1, centred; only full
// screen magnifies.
TEST_F(Screens, TheStageFitsByShrinkingOnlyAndFillsByMagnifying) {
  const struct {
    QSize form;
    int screen;
    Mode mode;
    qreal scale;
  } cases[] = {
      {{400, 300}, 1, Mode::Fit, 1},           {{400, 300}, 2, Mode::Fit, 1},
      {{800, 600}, 3, Mode::Fit, 1},           {{1000, 500}, 3, Mode::Fit, 0.8},
      {{600, 900}, 3, Mode::Fit, 600.0 / 900}, {{400, 300}, 2, Mode::FullScreen, 3.6},
  };
  ld::PresentationStage stage;
  QWidget form;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.form.width() << "x" << c.form.height() << " on screen " << c.screen
                                    << (c.mode == Mode::Fit ? " fitted" : " filled"));
    form.resize(c.form);
    stage.present(form, screenNumber(c.screen), c.mode, Qt::darkBlue);
    EXPECT_DOUBLE_EQ(stage.scale(), c.scale);
    const QRect area = screenNumber(c.screen)->availableGeometry();
    if (c.mode == Mode::Fit) {
      EXPECT_EQ(stage.size(), QSize(qRound(c.form.width() * c.scale), qRound(c.form.height() * c.scale)));
      EXPECT_TRUE(area.contains(stage.geometry()));
      EXPECT_LE((stage.geometry().center() - area.center()).manhattanLength(), 2) << "centred";
    } else {
      EXPECT_EQ(stage.geometry(), screenNumber(c.screen)->geometry());
    }
  }
  stage.release();
}

TEST_F(Screens, PresentationFillsTheProjectorBlackAllRoundWithClicksAndFireworksAsAtOneToOne) {
  app.setPlan(1, 1, 1, 1, 1);
  app.addParticipant("甲", "部门", true, Qt::red);
  ld::LuckyDraw& p = start({QStringLiteral("2"), /*presentation=*/true});
  ld::PresentationStage* stage = p.stage();
  ASSERT_TRUE(stage && stage->form());
  const QRect projector = screenNumber(2)->geometry();
  EXPECT_EQ(stage->mode(), Mode::FullScreen);
  EXPECT_EQ(stage->geometry(), projector);
  const qreal scale = stage->scale();
  EXPECT_DOUBLE_EQ(scale, 1920.0 / 1015);
  // Centred: as much black left of the handset as right of it.
  const QPoint topLeft = stage->formToGlobal(QPoint(0, 0)) - projector.topLeft();
  const QPoint bottomRight = stage->formToGlobal(QPoint(1014, 505)) - projector.topLeft();
  EXPECT_NEAR(topLeft.x(), 1919 - bottomRight.x(), 2);
  EXPECT_NEAR(topLeft.y(), 1079 - bottomRight.y(), 2);

  clickShown(p, kDrawIcon);
  clickShown(p, kDrawIcon);
  EXPECT_EQ(p.drawWindow().drawState(), State::Result);
  ASSERT_EQ(app.count("select id from yglb where zj>0"), 1);
  ASSERT_TRUE(fireworksShown()) << "a one-prize level completed";
  EXPECT_EQ(fireworks()->geometry(), projector) << "the fireworks cover the draw window's screen";
  fireworks()->Timer1Timer();

  const QImage shown = stage->grab().toImage();
  EXPECT_EQ(shown.pixelColor(5, 5), QColor(Qt::black));
  EXPECT_EQ(shown.pixelColor(stage->mapFromGlobal(stage->formToGlobal(kBelowHandset))), QColor(Qt::black))
      << "no navy: black all round";
  // Artwork and photos painted at their size on the screen, from sources with enough pixels.
  auto* handset = static_cast<ld::DesignPicture*>(p.drawWindow().GIFBJ);
  EXPECT_NEAR(handset->scaledPicture().width(), 1016 * scale, 2);
  const ld::SharpPhoto* photo = static_cast<ld::SharpPhoto*>(p.drawWindow().Image[0]);
  EXPECT_NEAR(photo->scaledPicture().width(), 404 * scale, 2);
  EXPECT_TRUE(similar(photo->scaledPicture().pixelColor(photo->scaledPicture().rect().center()), Qt::red));
  // The handset as drawn large, not its 1:1 pixels stretched: the grab matches the large picture.
  const QImage reference =
      ld::artwork::sharpPicture(ld::artwork::Builtin::Handset)
          .scaled(handset->scaledPicture().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QPoint at = stage->mapFromGlobal(stage->formToGlobal(QPoint(60, 160)));  // the camera lens
  int off = 0;
  for (int dy = -12; dy <= 12; ++dy)
    for (int dx = -12; dx <= 12; ++dx) {
      const QColor a = shown.pixelColor(at + QPoint(dx, dy));
      const QColor b = reference.pixelColor(QPoint(qRound(60 * scale), qRound(160 * scale)) + QPoint(dx, dy));
      off += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    }
  EXPECT_LT(off / (25 * 25), 12) << "mean difference per pixel";
}

TEST_F(Screens, F11TogglesPresentationAndTheWindowComesBackAsItWas) {
  ld::LuckyDraw& p = start();
  TVELTRAXForm& w = p.drawWindow();
  const QRegion shape = w.mask();
  key(&w, Qt::Key_F11);
  ASSERT_TRUE(p.presenting());
  ASSERT_TRUE(p.stage()->form() == &w);
  EXPECT_EQ(p.stage()->geometry(), QGuiApplication::primaryScreen()->geometry());
  EXPECT_TRUE(p.stage()->isVisible());
  key(p.stage()->viewport(), Qt::Key_F11);
  EXPECT_FALSE(p.presenting());
  EXPECT_FALSE(p.stage()->isVisible());
  EXPECT_TRUE(w.isWindow() && w.isVisible());
  EXPECT_FALSE(w.testAttribute(Qt::WA_DontShowOnScreen)) << "its own window is mapped again";
  EXPECT_EQ(w.pos(), QPoint(132, 259));
  EXPECT_EQ(w.mask(), shape) << "navy see-through again";
  EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 0, 128));
}

TEST_F(Screens, DraggingTheFrameMovesTheWindowAndTheScreenItLandsOnIsRemembered) {
  ld::LuckyDraw& p = start();
  TVELTRAXForm& w = p.drawWindow();
  QWidget* frame = w.GIFBJ;
  const QPoint grip = w.mapToGlobal(QPoint(40, 250));  // the handset's body left of its screen
  mouse(frame, QEvent::MouseButtonPress, grip, Qt::LeftButton);
  mouse(frame, QEvent::MouseMove, grip + QPoint(700, 10), Qt::LeftButton);
  mouse(frame, QEvent::MouseMove, grip + QPoint(1500, 20), Qt::LeftButton);
  mouse(frame, QEvent::MouseButtonRelease, grip + QPoint(1500, 20), Qt::NoButton);
  EXPECT_EQ(w.pos(), QPoint(132 + 1500, 259 + 20)) << "left where it was dropped";
  EXPECT_EQ(p.screen(), screenNumber(2));
  EXPECT_EQ(remembered(), QStringLiteral("2"));

  // Onto the small screen: scaled to fit it.
  const QPoint again = w.mapToGlobal(QPoint(40, 250));
  mouse(frame, QEvent::MouseButtonPress, again, Qt::LeftButton);
  mouse(frame, QEvent::MouseMove, again + QPoint(1800, 0), Qt::LeftButton);
  mouse(frame, QEvent::MouseButtonRelease, again + QPoint(1800, 0), Qt::NoButton);
  EXPECT_EQ(p.screen(), screenNumber(3));
  ASSERT_TRUE(p.stage() && p.stage()->form() == &w);
  EXPECT_TRUE(screenNumber(3)->geometry().contains(p.stage()->geometry()));
  EXPECT_EQ(remembered(), QStringLiteral("3"));

  // A press that is no drag (a click on the frame) moves nothing.
  const QPoint before = p.stage()->pos();
  clickShown(p, QPoint(40, 250));
  EXPECT_EQ(p.stage()->pos(), before);
}

TEST_F(Screens, TheNextScreenKeyGoesRoundTheScreensAndTheBlackScreenFollows) {
  ld::LuckyDraw& p = start();
  key(&p.drawWindow(), Qt::Key_S);
  EXPECT_EQ(p.screen(), screenNumber(2));
  EXPECT_TRUE(screenNumber(2)->geometry().contains(p.drawWindow().geometry()));
  key(&p.drawWindow(), Qt::Key_B);
  ASSERT_TRUE(p.blanked());
  bool coversProjector = false;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QStringLiteral("BlankScreen") && top->isVisible())
      coversProjector = top->geometry() == screenNumber(2)->geometry();
  EXPECT_TRUE(coversProjector);
  key(&p.drawWindow(), Qt::Key_B);
  key(&p.drawWindow(), Qt::Key_S);
  EXPECT_EQ(p.screen(), screenNumber(3));
  EXPECT_EQ(&p.shownWindow(), p.stage());
  key(p.stage()->viewport(), Qt::Key_S);
  EXPECT_EQ(p.screen(), screenNumber(1));
  EXPECT_EQ(&p.shownWindow(), &p.drawWindow());
  EXPECT_EQ(remembered(), QStringLiteral("1"));
}

}  // namespace
