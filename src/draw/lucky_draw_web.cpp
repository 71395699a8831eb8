// The phones' side of the program: the web server follows the draw (each winner to every live page), its
// check-in link goes to the stage, and check-ins show in the operator's count.
#include "data/checkin_store.h"
#include "data/datamodule.h"
#include "data/prize_levels.h"
#include "draw/check_in_window.h"
#include "draw/draw_panel.h"
#include "draw/draw_session.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "stage/stage_view.h"
#include "web/checkin_site.h"

namespace ld {

namespace {
// Pools under "checked in only" change with every check-in; the console reads them again at most this often.
constexpr int kCheckInRefreshMs = 1000;
}  // namespace

void LuckyDraw::connectCheckInSite() {
  site_ = std::make_unique<web::CheckInSite>(data_->ADOConnection);
  connect(session_.get(), &DrawSession::drawn, site_.get(), [this](const QList<DrawResult>& press) {
    QList<web::WinnerNews> news;
    for (const DrawResult& r : press)
      if (r.drawn)
        news.push_back({r.id, r.order, r.level, shownPrize(r.level, r.prize), r.department, r.name});
    if (!news.isEmpty()) site_->announceWinners(news);
  });
  for (auto signal : {&DrawSession::resultsCleared, &DrawSession::planChanged})
    connect(session_.get(), signal, site_.get(), [this] { site_->announceChange(); });
  connect(session_.get(), &DrawSession::winnerAbsent, site_.get(), [this] { site_->announceChange(); });
  connect(session_.get(), &DrawSession::winVoided, site_.get(), [this] { site_->announceChange(); });
  connect(site_.get(), &web::CheckInSite::checkInUrlChanged, this, [this](const QUrl& url) {
    if (stageView_) stageView_->setCheckInUrl(url.toString());
    checkInsChanged();
  });
  connect(site_.get(), &web::CheckInSite::checkedIn, this, &LuckyDraw::checkInsChanged);
  checkInRefresh_.setSingleShot(true);
  checkInRefresh_.setInterval(kCheckInRefreshMs);
  connect(&checkInRefresh_, &QTimer::timeout, this, [this] {
    std::optional<CheckInCounts> counts;
    silently("counting check-ins", [&] { counts = CheckInStore(data_->ADOQuerymain).counts(); });
    if (counts && counts->checkedIn == 0 && !site_->running()) counts.reset();
    drawPanel_->setCheckInCount(counts);
    if (drawPanel_->isVisible() && drawWindow_->drawState() != TVELTRAXForm::DrawState::Rolling)
      drawPanel_->refresh();
    if (checkInWindow_ && checkInWindow_->isVisible()) checkInWindow_->refresh();
  });
  connect(session_.get(), &DrawSession::sealChanged, this, &LuckyDraw::showSeal);
  connect(session_.get(), &DrawSession::resultsCleared, this, &LuckyDraw::showSeal);
  showSeal();
  connect(drawPanel_.get(), &DrawPanel::checkInRequested, this,
          [this] { silently("opening the check-in window", [this] { openCheckInWindow(); }); });
  checkInsChanged();
}

void LuckyDraw::checkInsChanged() {
  if (!checkInRefresh_.isActive()) checkInRefresh_.start();
}

void LuckyDraw::showSeal() {
  SealState state;
  if (!silently("reading the seal", [&] { state = session_->sealState(); })) return;
  const bool holds = state.holds();
  site_->setCheckInOpen(!holds);
  QString notice;
  if (holds && state.entropy)
    notice = Tr::tr("本次抽奖已封存，封存码 %1；现场随机数：%2").arg(state.seal, *state.entropy);
  else if (holds)
    notice = Tr::tr("本次抽奖已封存，封存码 %1；等待现场随机数。").arg(state.seal);
  else if (state.brokenAt)
    notice = Tr::tr("本次抽奖的封存已被破坏：此后的结果不能再用封存验证。");
  // Open pages read the notice again only when it changed; a clearing tells them of itself.
  if (notice != site_->notice()) {
    site_->setNotice(notice);
    site_->announceChange();
  }
  if (stageView_)
    stageView_->setSeal(state.seal, state.entropy.value_or(QString()), state.brokenAt.has_value());
}

bool LuckyDraw::allowChangeUnderSeal(const QString& why) {
  SealState state;
  if (!silently("reading the seal", [&] { state = session_->sealState(); }) || !state.holds()) return true;
  if (!dialogs().confirm(
          Tr::tr("抽奖已封存。这项更改会破坏封存：此后的抽奖不能再用封存验证，舞台和证明中都会写明。"
                 "确定更改？")))
    return false;
  bool broken = false;
  guarded([&] {
    session_->breakSeal(why);
    broken = true;
  });
  return broken;
}

QString LuckyDraw::startWeb(const QHostAddress& address, quint16 port) { return site_->start(address, port); }

void LuckyDraw::openCheckInWindow() {
  if (!checkInWindow_) {
    checkInWindow_ = std::make_unique<CheckInWindow>(*site_, data_->ADOQuerymain);
    connect(checkInWindow_.get(), &CheckInWindow::checkedInByHand, this, &LuckyDraw::checkInsChanged);
    checkInWindow_->beforeChange = [this] { return allowChangeUnderSeal(QStringLiteral("封存后手工签到")); };
  }
  checkInWindow_->setScreen(operatorScreen());
  checkInWindow_->show();
  checkInWindow_->raise();
  checkInWindow_->activateWindow();
}

}  // namespace ld
