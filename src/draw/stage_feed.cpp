#include "draw/stage_feed.h"

#include <algorithm>
#include <map>

#include "data/draw_store.h"
#include "data/event_info_store.h"
#include "data/plan_store.h"
#include "data/prize_levels.h"
#include "draw/draw_session.h"
#include "framework/app_folder.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/theme_store.h"
#include "stage/stage_view.h"

namespace ld {

namespace {

stage::Winner shown(const Candidate& c, int level, const QString& prize, int order, bool absent) {
  stage::Winner w;
  w.order = order;
  w.id = c.id;
  w.name = c.name;
  w.department = c.department;
  w.photo = c.photo;
  w.level = level;
  w.prize = level == kOutsidePlan ? QString() : shownPrize(level, prize);
  w.absent = absent;
  return w;
}

stage::Winner shown(const DrawResult& r, bool absent) {
  return shown(Candidate{r.id, r.department, r.name, r.photo}, r.level, r.prize, r.order, absent);
}

QString storedNameOf(const PrizePlan& plan, int level) {
  const Prize* prize = plan.prize(level);
  return prize ? prize->name : QString();
}

}  // namespace

StageFeed::StageFeed(DrawSession& session, Query& query, StageView& view, QObject* parent)
    : QObject(parent), session_(session), query_(query), view_(view) {
  wall_.setSingleShot(true);
  honour_.setSingleShot(true);
  connect(&wall_, &QTimer::timeout, this, [this] {
    silently("showing the wall of winners", [&] {
      if (const auto prize = progress(completedLevel_)) view_.showWall(*prize, winnersOf(completedLevel_));
    });
  });
  connect(&honour_, &QTimer::timeout, this,
          [this] { silently("showing the roll of honour", [&] { view_.showHonour(honour()); }); });
  connect(&session_, &DrawSession::rolling, this, [this](bool on) {
    if (!on) return;
    wall_.stop();
    honour_.stop();
    silently("reading the prize for the stage", [&] { view_.setPrize(progress()); });
  });
  // A tick's photos are decoded only for a stage that is shown: a hidden one costs the roll nothing.
  connect(&session_, &DrawSession::rolled, this, [this](const QStringList& photos) {
    if (view_.isVisible()) view_.showRolling(photos);
  });
  connect(&session_, &DrawSession::rollCancelled, &view_, &StageView::showIdle);
  connect(&session_, &DrawSession::drawn, this, &StageFeed::showDrawn);
  connect(&session_, &DrawSession::winnerAbsent, this, &StageFeed::showAbsent);
  connect(&session_, &DrawSession::levelCompleted, this, &StageFeed::levelCompleted);
  // What the next press draws changed: the prize at rest shows it.
  const auto nextPrizeChanged = [this] {
    silently("reading the prize for the stage", [&] { view_.setPrize(progress()); });
    if (view_.scene() == StageView::Scene::Idle) view_.showIdle();
  };
  connect(&session_, &DrawSession::prizeChosen, this, nextPrizeChanged);
  connect(&session_, &DrawSession::winVoided, this, nextPrizeChanged);
  connect(&session_, &DrawSession::resultsCleared, this, &StageFeed::refresh);
  connect(&session_, &DrawSession::planChanged, this, &StageFeed::refresh);
}

void StageFeed::refresh() {
  wall_.stop();
  honour_.stop();
  refreshLook();
  // The stage shows what it can: an event it cannot read leaves the prize out, the draw says why.
  silently("reading the prize for the stage", [&] { view_.setPrize(progress()); });
  view_.showIdle();
}

void StageFeed::refreshLook() {
  // A picture that cannot be read gives way to the default, with a warning: never a box in the hall.
  view_.setTheme(ThemeStore(query_, appFolder()).load());
  refreshCompany();
}

void StageFeed::refreshCompany() {
  silently("reading the company for the stage", [&] {
    view_.setEvent(EventInfoStore(query_).eventInfo().companyName.value_or(QString()), QString());
  });
}

std::optional<stage::PrizeProgress> StageFeed::progress(std::optional<int> level) {
  if (!level) level = session_.upcomingLevel();
  if (!level) return std::nullopt;
  // Only this prize's pool is counted: the stage reads it at the start of every roll.
  const std::vector<PrizeStatus> found = session_.prizeStatus(*level);
  if (found.empty()) return std::nullopt;
  const PrizeStatus& status = found.front();
  return stage::PrizeProgress{status.prize.level,    status.prize.shownName(),      status.drawn,
                              status.prize.quantity, status.prize.rule.shownText(), status.pool,
                              status.eligible};
}

QList<stage::Winner> StageFeed::winnersOf(int level) {
  const QString prize = storedNameOf(PlanStore(query_).forBoard(), level);
  QList<stage::Winner> list;
  for (const RecordedWinner& w : DrawStore(query_).winners())
    if (w.level == level) list << shown(w, w.level, prize, w.order, false);
  return list;
}

QList<stage::HonourPrize> StageFeed::honour() {
  // The first prize first: the drawing order backwards, outside-plan winners last.
  const PrizePlan plan = PlanStore(query_).forBoard();
  std::map<int, int> rank;
  for (const Prize& prize : plan.prizes) rank[prize.level] = -prize.drawOrder;
  std::map<std::pair<int, int>, stage::HonourPrize> byRank;
  for (const RecordedWinner& w : DrawStore(query_).winners()) {
    const auto found = rank.find(w.level);
    const std::pair<int, int> key{found == rank.end() ? 1 : found->second, w.level};
    stage::HonourPrize& prize = byRank[key];
    const QString stored = storedNameOf(plan, w.level);
    if (prize.name.isEmpty()) prize.name = shownPrize(w.level, stored);
    prize.winners << shown(w, w.level, stored, w.order, false);
  }
  QList<stage::HonourPrize> list;
  for (auto& [key, prize] : byRank) list << std::move(prize);
  return list;
}

void StageFeed::showDrawn(const QList<DrawResult>& winners) {
  if (winners.isEmpty()) {
    view_.showIdle();
    return;
  }
  QList<stage::Winner> list;
  for (const DrawResult& r : winners) list << shown(r, false);
  std::optional<stage::PrizeProgress> prize;
  silently("reading the prize for the stage", [&] { prize = progress(winners.front().level); });
  view_.setPrize(prize);
  // A press of several winners is a wall of them, page after page; one winner is shown big.
  if (list.size() > 1 && prize)
    view_.showBatch(*prize, list);
  else
    view_.showResult(list);
}

void StageFeed::showAbsent(const DrawResult& winner) {
  silently("reading the prize for the stage", [&] { view_.setPrize(progress()); });
  // A winner of the press on show is marked where they stand; anybody else is shown with the mark.
  const QList<stage::Winner>& onShow = view_.winners();
  const bool shownNow = std::any_of(onShow.begin(), onShow.end(), [&](const stage::Winner& w) {
    return w.order == winner.order && w.id == winner.id;
  });
  if (shownNow && (view_.scene() == StageView::Scene::Batch || view_.scene() == StageView::Scene::Result))
    view_.markAbsent(winner.order);
  else
    view_.showResult({shown(winner, true)});
}

void StageFeed::levelCompleted(int level) {
  completedLevel_ = level;
  wall_.start(wallAfterMs_);
  bool everyPrizeDrawn = false;
  silently("reading whether prizes are left", [&] {
    const PrizePlan plan = PlanStore(query_).forBoard();
    everyPrizeDrawn = plan.applies() && !plan.nextPrize(DrawStore(query_).winnersByLevel());
  });
  if (everyPrizeDrawn) honour_.start(wallAfterMs_ + honourAfterMs_);
}

}  // namespace ld
