// A laptop and a projector: with the draw on the projector, questions, messages and the key list open on the
// laptop, black covers the projector, and a question never hides the winner from the hall.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <optional>

#include "draw/key_control.h"
#include "draw/lucky_draw.h"
#include "draw/presentation.h"
#include "draw/veltrax_form.h"
#include "framework/dialogs.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/screens.h"

using namespace ld::test;
using State = TVELTRAXForm::DrawState;

namespace {

const bool kTwoScreens = ld::test::useOffscreenScreens(R"({"screens": [
    {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1},
    {"name": "projector", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");

QRect laptop() { return QGuiApplication::screens().value(0)->geometry(); }
QRect projector() { return QGuiApplication::screens().value(1)->geometry(); }

struct Asked {
  QRect geometry;
  QString text;
};

class OperatorScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kTwoScreens);
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    for (int i = 0; i < 4; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), "部门");
  }
  void TearDown() override {
    program.reset();
    if (scripted) ld::setDialogs(std::move(scripted));
    deleteOtherTopLevels();
  }
  ld::LuckyDraw& start(const ld::ShowOptions& options) {
    program = std::make_unique<ld::LuckyDraw>();
    program->drawWindow().setPressTiming({0, 0});
    program->show(options);
    return *program;
  }
  // Real message boxes from here on; each is answered with the next of `answers` once it is up.
  void realBoxes(std::vector<QMessageBox::StandardButton> answers) {
    scripted = ld::setDialogs(std::make_unique<ld::QtDialogs>());
    auto* watcher = new QTimer(program.get());
    QObject::connect(watcher, &QTimer::timeout, [this, watcher, answers]() mutable {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible() || answers.empty()) return;
      asked.push_back({box->frameGeometry(), box->text()});
      box->done(answers.front());
      answers.erase(answers.begin());
      if (answers.empty()) watcher->stop();
    });
    watcher->start(10);
  }
  QWidget& shown() { return program->shownWindow(); }
  void drawAWinner() {
    key(&shown(), Qt::Key_Space);
    key(&shown(), Qt::Key_Space);
    ASSERT_EQ(program->drawWindow().drawState(), State::Result);
  }

  TempApp app;
  std::unique_ptr<ld::LuckyDraw> program;
  std::unique_ptr<ld::Dialogs> scripted;
  std::vector<Asked> asked;
};

TEST_F(OperatorScreen, PresentingOnTheProjectorBlackCoversItAndTheKeyListOpensOnTheLaptop) {
  start({QStringLiteral("2"), true});
  ASSERT_EQ(&shown(), program->stage());
  key(&shown(), Qt::Key_B);
  ASSERT_TRUE(program->blanked());
  QWidget* blank = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QStringLiteral("BlankScreen")) blank = top;
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->geometry(), projector()) << "the audience's screen goes black, not the laptop";
  key(blank, Qt::Key_Space);
  EXPECT_FALSE(program->blanked());
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &shown(); }));

  key(&shown(), Qt::Key_F1);
  ld::KeyHelp* list = program->operatorKeyHelp();
  ASSERT_TRUE(list && list->isVisible());
  EXPECT_TRUE(laptop().contains(list->frameGeometry()));
  EXPECT_FALSE(program->drawWindow().keyHelp()->isVisible()) << "nothing of it on the projector";
  key(&shown(), Qt::Key_Escape);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(program->drawWindow().drawState(), State::Idle) << "Escape closed the list and did nothing else";
}

TEST_F(OperatorScreen, WithTheDrawOnTheProjectorEveryQuestionIsAskedOnTheLaptop) {
  start({QStringLiteral("2"), true});
  drawAWinner();
  realBoxes({QMessageBox::No, QMessageBox::No, QMessageBox::Yes});
  key(&shown(), Qt::Key_Delete);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].text.contains(QStringLiteral("不在现场")));
  EXPECT_TRUE(laptop().contains(asked[0].geometry)) << "the absence question";
  EXPECT_EQ(app.count("select id from yglb where zj>0"), 1) << "answered No";
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &shown(); }));

  // A close from the window manager, refused and then agreed to: the question is the operator's, and the
  // handset on the projector never shows it.
  QSignalSpy closed(&program->drawWindow(), &TVELTRAXForm::closed);
  shown().close();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].text, QStringLiteral("是否确定关闭手机？"));
  EXPECT_TRUE(laptop().contains(asked[1].geometry));
  EXPECT_FALSE(program->drawWindow().Panelgj->isVisible());
  EXPECT_EQ(program->drawWindow().drawState(), State::Result) << "the winner stays on show";
  EXPECT_EQ(closed.count(), 0);
  shown().close();
  EXPECT_EQ(closed.count(), 1) << "确定 ends the program from presentation mode";
}

// One screen for both: the box goes where the hall does not look for the winner.
TEST_F(OperatorScreen, OnTheOperatorsOwnScreenABoxNeverCoversTheWinnersPhotoOrName) {
  for (const bool presenting : {false, true}) {
    SCOPED_TRACE(presenting ? "presentation mode" : "the handset 1:1");
    start({QStringLiteral("1"), presenting});
    drawAWinner();
    const QRect winner = program->winnerArea();
    ASSERT_TRUE(laptop().contains(winner.center()));
    realBoxes({QMessageBox::No});
    key(&shown(), Qt::Key_R);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(laptop().contains(asked[0].geometry));
    EXPECT_FALSE(asked[0].geometry.intersects(winner))
        << "box " << asked[0].geometry.x() << "," << asked[0].geometry.y() << " " << asked[0].geometry.width()
        << "x" << asked[0].geometry.height();
    asked.clear();
    ld::setDialogs(std::move(scripted));
    program.reset();
  }
}

TEST_F(OperatorScreen, TheMinimumRollIsChosenOnTheCommandLineAndKeptInTheEvent) {
  start({QStringLiteral("1"), false, QStringLiteral("250")});
  EXPECT_EQ(program->drawWindow().pressTiming().minimumRollMs, 250);
  EXPECT_EQ(app.rows("select sz from sy where symc='ZS'"), QStringList{"250"});
  program.reset();
  program = std::make_unique<ld::LuckyDraw>();
  EXPECT_EQ(program->drawWindow().pressTiming().minimumRollMs, 250) << "the next start remembers it";
  for (const char* bad : {"-1", "60001", "一秒", "1.5"}) {
    app.dialogs().clear();
    start({QStringLiteral("1"), false, QString::fromUtf8(bad)});
    EXPECT_EQ(app.dialogs().texts(ld::ScriptedDialogs::Shown::Error).size(), 1) << bad;
    EXPECT_EQ(app.rows("select sz from sy where symc='ZS'"), QStringList{"250"}) << bad;
  }
}

TEST(DialogPlacement, ABoxGoesWhereItCoversNothingOrTheLeast) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize box(400, 160);
  struct Case {
    const char* what;
    QRect clear;
    bool covers;  // no place on the screen leaves it whole
  };
  const Case cases[] = {
      {"nothing to keep clear", QRect(), false},
      {"a corner only: centred", QRect(0, 0, 100, 100), false},
      {"the middle: beside it", QRect(300, 300, 680, 424), false},
      {"a band across the middle: above or below", QRect(0, 400, 1280, 200), false},
      {"everything but a strip too thin", QRect(0, 100, 1280, 824), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QRect at(ld::placeClearOf(box, screen, c.clear), box);
    EXPECT_TRUE(screen.contains(at));
    EXPECT_EQ(at.intersects(c.clear), c.covers);
    if (c.clear.isEmpty() || !QRect(QPoint(439, 431), box).intersects(c.clear)) {
      EXPECT_EQ(at.topLeft(), QPoint(439, 431)) << "centred";
    }
  }
  // Nowhere clear: the least of it covered, a strip of it showing.
  const QRect at(ld::placeClearOf(box, screen, QRect(0, 100, 1280, 824)), box);
  EXPECT_EQ(at.intersected(QRect(0, 100, 1280, 824)).height(), 60);
}

}  // namespace
