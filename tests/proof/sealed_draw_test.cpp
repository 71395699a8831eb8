// A sealed draw end to end: an event with batch stops, a rule per prize, an absent and a voided winner
// replays identically in this program's verifier, in eventdb verify and in the independent Python one; one
// changed byte makes all of them refuse, naming the first step that differs; the seal's rules hold.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "data/journal.h"
#include "data/plan_store.h"
#include "draw/draw_session.h"
#include "framework/errors.h"
#include "proof/proof.h"
#include "support/temp_app.h"

using namespace ld;
using ld::test::TempApp;

namespace {

struct ToolRun {
  int status = -1;
  QString out, err;
};

ToolRun run(const QString& program, const QStringList& args) {
  QProcess p;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  p.setProcessEnvironment(environment);
  p.start(program, args);
  EXPECT_TRUE(p.waitForStarted()) << program.toStdString();
  EXPECT_TRUE(p.waitForFinished(300000));
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}
ToolRun eventdb(const QStringList& args) { return run(QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb"), args); }
ToolRun python(const QString& proofFile) {
  return run(QStringLiteral("python3"),
             {QStringLiteral(LUCKYDRAW_TEST_DATA "/../../tools/verify_draw.py"), proofFile});
}

// The step a verifier's refusal names, from "step N" in its message; 0 when it names none.
qint64 namedStep(const QString& message) {
  static const QRegularExpression step(QStringLiteral("(?:step|步骤) (\\d+)"));
  const QRegularExpressionMatch m = step.match(message.section(QLatin1Char('\n'), -2));
  return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// Twenty-four people in three departments, some tagged, one without a photo; every prize with its rule.
struct SealedEventFixture : ::testing::Test {
  void SetUp() override {
    app.setPlan(1, 1, 2, 3, 6);
    const QString departments[] = {QStringLiteral("研发部"), QStringLiteral("市场部"),
                                   QStringLiteral("行政部")};
    for (int i = 0; i < 24; ++i) app.addParticipant(QStringLiteral("员工%1").arg(i), departments[i % 3]);
    app.addParticipant(QStringLiteral("没有照片"), departments[0], false);
    app.exec(QStringLiteral("update yglb set bq='新人' where id % 4 = 0"));
    rule(4, 3, [](PrizeRule& r) { r.departments = {QStringLiteral("研发部"), QStringLiteral("市场部")}; });
    rule(3, 2, [](PrizeRule& r) { r.excludeTags = {QStringLiteral("新人")}; });
    rule(2, 1, [](PrizeRule& r) { r.excludeDepartments = {QStringLiteral("研发部")}; });
  }
  template <class F>
  void rule(int level, int perDraw, F change) {
    PlanStore plan(app.dataModule().ADOQuerysetting);
    Prize prize = *plan.forDraw().prize(level);
    prize.perDraw = perDraw;
    change(prize.rule);
    plan.savePrize(prize);
  }
  Query& query() { return app.dataModule().ADOQuerymain; }
  QString file(const QString& name) { return work.path() + QLatin1Char('/') + name; }
  void write(const QString& name, const Proof& proof) { test::writeFile(file(name), proofJson(proof)); }
  // Seals, gives the entropy, and draws every prize with an absent winner replaced and a win voided.
  void drawSealed() {
    seal = session.seal();
    session.setEntropy(QStringLiteral("体彩 2024001: 03 11 19 27 35"));
    const QList<DrawResult> first = session.stop();
    session.markAbsent(first.back());
    for (int i = 0; i < 3; ++i) session.stop();
    const QList<DrawResult> third = session.stop();
    ASSERT_EQ(third.front().level, 3);
    session.voidWin(
        {{third.front().id, third.front().department, third.front().name, {}}, 3, third.front().order},
        QStringLiteral("放弃领奖"));
    for (int i = 0; i < 6; ++i) session.stop();
  }

  TempApp app;
  QTemporaryDir work;
  DrawSession session{app.dataModule().ADOQuerymain};
  QString seal;
};

TEST_F(SealedEventFixture, EveryStopReplaysInAllThreeVerifiers) {
  drawSealed();
  const Proof proof = proofOf(query());
  const Replay r = replay(proof);
  EXPECT_TRUE(r.sealHolds && r.commitmentHolds && r.entropyHolds);
  EXPECT_FALSE(r.firstDiffering) << r.problem.toStdString();
  EXPECT_EQ(proof.seal, seal);
  int drawn = 0, stops = 0;
  for (const ProofStep& s : proof.steps) {
    drawn += s.event == QLatin1String("drawn");
    stops += s.event == QLatin1String("drawn") || s.event == QLatin1String("nobody");
  }
  EXPECT_EQ(int(r.stops.size()), stops);
  EXPECT_GE(drawn, 13) << "every prize was drawn, a replacement and a redraw included";
  for (const ReplayedStop& s : r.stops) EXPECT_TRUE(s.same()) << "step " << s.seq;

  // The tool writes the proof, refusing to overwrite one; the tool and the Python read it back.
  const ToolRun written = eventdb({QStringLiteral("proof"), app.folder(), file(QStringLiteral("p.json"))});
  ASSERT_EQ(written.status, 0) << written.err.toStdString();
  EXPECT_EQ(eventdb({QStringLiteral("proof"), app.folder(), file(QStringLiteral("p.json"))}).status, 1);
  const ToolRun tool = eventdb({QStringLiteral("verify"), file(QStringLiteral("p.json"))});
  EXPECT_EQ(tool.status, 0) << tool.out.toStdString() << tool.err.toStdString();
  EXPECT_EQ(tool.out.count(QStringLiteral("\tsame")) + tool.out.count(QStringLiteral("\t一致")), stops)
      << tool.out.toStdString();
  const ToolRun py = python(file(QStringLiteral("p.json")));
  EXPECT_EQ(py.status, 0) << py.out.toStdString() << py.err.toStdString();
  EXPECT_EQ(py.out.count(QStringLiteral("\tsame")), stops) << py.out.toStdString();
}

TEST_F(SealedEventFixture, OneChangedByteMakesEveryVerifierRefuseNamingTheFirstStepThatDiffers) {
  drawSealed();
  const Proof proof = proofOf(query());
  std::vector<qint64> drawnSteps;
  for (const ProofStep& s : proof.steps)
    if (s.event == QLatin1String("drawn")) drawnSteps.push_back(s.seq);
  ASSERT_GE(drawnSteps.size(), 5u);

  struct Case {
    const char* name;
    std::function<void(Proof&)> change;
    bool hashesHold;        // whether seal, commitment and entropy still hold
    qint64 firstDiffering;  // the step named; 0: none, -1: some stop, whichever the new numbers part from
  };
  const qint64 third = drawnSteps[2];
  const Case cases[] = {
      {"a name in the sealed text",
       [](Proof& p) {
         p.serialization.replace(QStringLiteral("员工7").toUtf8(), QStringLiteral("员工8").toUtf8());
       },
       false, 0},
      {"the secret",
       [](Proof& p) { p.secret[5] = p.secret[5] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0'); },
       false, -1},
      {"the entropy", [](Proof& p) { p.entropy[p.entropy.size() - 1] = QLatin1Char('6'); }, false, -1},
      {"a recorded winner",
       [&](Proof& p) {
         for (ProofStep& s : p.steps)
           if (s.seq == third) s.id = *s.id == 1 ? 2 : 1;
       },
       true, third},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Proof changed = proof;
    c.change(changed);
    const Replay r = replay(changed);
    EXPECT_FALSE(r.holds());
    EXPECT_EQ(r.sealHolds && r.commitmentHolds && r.entropyHolds, c.hashesHold);
    if (c.firstDiffering >= 0) {
      EXPECT_EQ(r.firstDiffering.value_or(0), c.firstDiffering);
    } else {
      ASSERT_TRUE(r.firstDiffering);
    }

    write(QStringLiteral("changed.json"), changed);
    const ToolRun tool = eventdb({QStringLiteral("verify"), file(QStringLiteral("changed.json"))});
    const ToolRun py = python(file(QStringLiteral("changed.json")));
    EXPECT_EQ(tool.status, 1) << tool.err.toStdString();
    EXPECT_EQ(py.status, 1) << py.err.toStdString();
    // Both name the step this program's replay found first, and none where only a hash fails.
    EXPECT_EQ(namedStep(tool.err), r.firstDiffering.value_or(0)) << tool.err.toStdString();
    EXPECT_EQ(namedStep(py.err), r.firstDiffering.value_or(0)) << py.err.toStdString();
    QFile::remove(file(QStringLiteral("changed.json")));
  }
}

// The proof up to `seq`, that step drawing `level` instead, its winner the one the numbers give for that
// level's pool: every winner replays, only the order of the prizes is wrong.
Proof drawnOutOfTurn(const Proof& proof, qint64 seq, int level) {
  Proof changed = proof;
  const auto after = std::find_if(changed.steps.begin(), changed.steps.end(),
                                  [&](const ProofStep& s) { return s.seq > seq; });
  changed.steps.erase(after, changed.steps.end());
  changed.steps.back().level = level;
  for (const ReplayedStop& s : replay(changed).stops)
    if (s.seq == seq) changed.steps.back().id = s.expected;
  return changed;
}

TEST_F(SealedEventFixture, APrizeDrawnOutOfTheSealedOrderIsRefusedByBothVerifiersAtThatStep) {
  drawSealed();
  const Proof proof = proofOf(query());
  qint64 firstStop = 0, replacement = 0;
  bool afterAbsent = false;
  for (const ProofStep& s : proof.steps) {
    if (s.event == QLatin1String("drawn") && !firstStop) firstStop = s.seq;
    if (s.event == QLatin1String("drawn") && afterAbsent && !replacement) replacement = s.seq;
    afterAbsent = afterAbsent || s.event == QLatin1String("absent");
  }
  ASSERT_TRUE(firstStop && replacement);
  const PrizePlan plan = PlanStore(app.dataModule().ADOQuerysetting).forDraw();

  const struct {
    const char* name;
    qint64 seq;
    int level;
  } cases[] = {
      {"the last prize of the plan at the first stop", firstStop, plan.prizes.back().level},
      {"the next prize while a replacement is owed", replacement, plan.prizes[1].level},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Proof changed = drawnOutOfTurn(proof, c.seq, c.level);
    const Replay r = replay(changed);
    ASSERT_FALSE(r.stops.empty());
    EXPECT_EQ(r.stops.back().expected, r.stops.back().recorded) << "the winner itself replays";
    EXPECT_NE(r.stops.back().planned, c.level);
    EXPECT_EQ(r.firstDiffering.value_or(0), c.seq) << r.problem.toStdString();

    write(QStringLiteral("order.json"), changed);
    const ToolRun tool = eventdb({QStringLiteral("verify"), file(QStringLiteral("order.json"))});
    const ToolRun py = python(file(QStringLiteral("order.json")));
    EXPECT_EQ(tool.status, 1) << tool.err.toStdString();
    EXPECT_EQ(py.status, 1) << py.err.toStdString();
    EXPECT_EQ(namedStep(tool.err), c.seq) << tool.err.toStdString();
    EXPECT_EQ(namedStep(py.err), c.seq) << py.err.toStdString();
    QFile::remove(file(QStringLiteral("order.json")));
  }
}

TEST_F(SealedEventFixture, ASealedStopWaitsForTheEntropyAndRefusesAnEventChangedSinceTheSeal) {
  seal = session.seal();
  EXPECT_EQ(seal.size(), 64);
  EXPECT_THROW(session.seal(), Error) << "sealed once";
  EXPECT_THROW(session.choosePrize(2), Error) << "no prize out of turn under a seal";
  EXPECT_THROW(session.stop(), StopNotSaved) << "not before the entropy";
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  session.setEntropy(QStringLiteral("12345"));
  EXPECT_THROW(session.setEntropy(QStringLiteral("67890")), Error) << "the entropy is taken once";

  // A participant added after the seal: the stop records nothing and the counter stays.
  app.addParticipant(QStringLiteral("后来的"), QStringLiteral("研发部"));
  EXPECT_THROW(session.stop(), StopNotSaved);
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  EXPECT_EQ(session.sealState().counter, 0u);

  // Broken, with its reason journaled, the draw goes on as usual and the proof names where the seal ended.
  EXPECT_THROW(session.breakSeal(QStringLiteral(" ")), Error);
  session.breakSeal(QStringLiteral("名单在封存后补录"));
  EXPECT_FALSE(session.sealState().holds());
  EXPECT_TRUE(session.stop().front().drawn);
  const Proof proof = proofOf(query());
  const Replay r = replay(proof);
  ASSERT_TRUE(r.firstDiffering);
  const auto broken = std::find_if(proof.steps.begin(), proof.steps.end(), [](const ProofStep& s) {
    return s.event == QLatin1String("seal broken");
  });
  ASSERT_NE(broken, proof.steps.end());
  EXPECT_EQ(*r.firstDiffering, broken->seq);
  EXPECT_EQ(broken->reason, QStringLiteral("名单在封存后补录"));
}

// A plan saved again as it was leaves the sealed text alone, but the journal says the plan changed, and
// every verifier then stops there: the stop must not record a result its proof cannot carry.
TEST_F(SealedEventFixture, AStopRefusesAfterThePlanWasSavedUnderTheSealEvenUnchanged) {
  seal = session.seal();
  session.setEntropy(QStringLiteral("12345"));
  PlanStore plan(app.dataModule().ADOQuerysetting);
  plan.savePrize(*plan.forDraw().prize(4));
  EXPECT_THROW(session.stop(), StopNotSaved);
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  EXPECT_EQ(session.sealState().counter, 0u);
}

// eventdb changes what the seal fixed only when told to break it, and then says so in the journal; reading
// and a dry run go on as ever.
TEST_F(SealedEventFixture, EventdbChangesUnderTheSealOnlyWithBreakSeal) {
  seal = session.seal();
  const QString folder = app.folder();
  const auto args = [&](std::initializer_list<const char*> words) {
    QStringList list;
    for (const char* word : words)
      list << (QLatin1String(word) == QLatin1String("EVENT") ? folder : QString::fromUtf8(word));
    return list;
  };
  for (const QStringList& change :
       {args({"plan", "EVENT", "1", "2"}), args({"prize", "add", "EVENT", "特别奖", "1"}),
        args({"theme", "EVENT", "--title", "新标题"}), args({"demo", "EVENT", "2", "--append"})}) {
    SCOPED_TRACE(change.join(QLatin1Char(' ')).toStdString());
    const ToolRun refused = eventdb(change);
    EXPECT_EQ(refused.status, 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(seal.left(8))) << refused.err.toStdString();
  }
  EXPECT_EQ(eventdb(args({"plan", "EVENT"})).status, 0);
  EXPECT_EQ(app.rows(QStringLiteral("select sl from jxsz where jx=1")), QStringList{QStringLiteral("1")});
  EXPECT_TRUE(session.sealState().holds());

  const ToolRun broken = eventdb(args({"plan", "EVENT", "1", "2", "--break-seal"}));
  EXPECT_EQ(broken.status, 0) << broken.err.toStdString();
  EXPECT_FALSE(session.sealState().holds());
  EXPECT_EQ(app.rows(QStringLiteral("select yy from cjrz where lx='seal broken'")),
            QStringList{QStringLiteral("封存后用 eventdb plan 更改了活动")});
  EXPECT_EQ(app.rows(QStringLiteral("select sl from jxsz where jx=1")), QStringList{QStringLiteral("2")});
  EXPECT_EQ(eventdb(args({"plan", "EVENT", "1", "3"})).status, 0) << "unsealed now";
}

TEST_F(SealedEventFixture, NoSealOverResultsAndTwoEventsWithOneRosterSealDifferently) {
  TempApp other;
  other.setPlan(1, 1, 2, 3, 6);
  for (const QString& row : app.rows(QStringLiteral("select xm, bm from yglb order by id")))
    other.addParticipant(row.section(QLatin1Char('|'), 0, 0), row.section(QLatin1Char('|'), 1, 1));
  DrawSession otherSession{other.dataModule().ADOQuerymain};
  otherSession.stop();
  EXPECT_THROW(otherSession.seal(), Error) << "a winner exists";
  other.exec(QStringLiteral("update yglb set zj=0, zjsx=0"));
  const QString otherSeal = otherSession.seal();
  EXPECT_NE(session.seal(), otherSeal) << "each seal commits to its own secret";
  EXPECT_EQ(eventdb({QStringLiteral("proof"), app.folder(), file(QStringLiteral("early.json"))}).status, 1)
      << "no proof, and so no secret, before the entropy";
  EXPECT_FALSE(QFile::exists(file(QStringLiteral("early.json"))));
}

}  // namespace

namespace {

// The document's worked example is a proof this program wrote: both verifiers still accept it.
TEST(SealedDocument, TheWorkedExampleVerifies) {
  const QString example = QStringLiteral(LUCKYDRAW_TEST_DATA "/../../docs/verifiable-draw-example.json");
  QFile f(example);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const Replay r = replay(readProof(f.readAll()));
  EXPECT_TRUE(r.holds()) << r.problem.toStdString();
  EXPECT_EQ(r.stops.size(), 5u);
  EXPECT_EQ(python(example).status, 0);
}

}  // namespace
