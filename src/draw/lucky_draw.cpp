#include "draw/lucky_draw.h"

#include "draw/check_in_window.h"
#include "web/checkin_site.h"

#include <malloc.h>
#include <sqlcipher/sqlite3.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>

#include "data/datamodule.h"
#include "data/draw_settings.h"
#include "data/plan_store.h"
#include "draw/draw_panel.h"
#include "draw/draw_session.h"
#include "draw/event_mirror.h"
#include "draw/fireworks_form.h"
#include "draw/key_control.h"
#include "draw/presentation.h"
#include "draw/rehearsal_titles.h"
#include "draw/show_inhibitor.h"
#include "draw/sound.h"
#include "draw/stage_feed.h"
#include "draw/veltrax_form.h"
#include "draw/window_shape.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "settings/prize_plan_dialog.h"
#include "settings/setting_form.h"
#include "stage/stage_view.h"
#include "transfer/import_dialog.h"
#include "widgets/glow_label.h"

namespace ld {

namespace {
// Why the seal was broken, stored untranslated in the journal as the draw's own rows are.
const QString kSealBrokenByPlan = QStringLiteral("封存后更改了奖项");
const QString kSealBrokenBySettings = QStringLiteral("封存后在设置窗口中更改了活动");
}  // namespace

LuckyDraw::LuckyDraw()
    : data_(std::make_unique<TDataModule1>()),
      session_(std::make_unique<DrawSession>(data_->ADOQuerymain)),
      drawWindow_(std::make_unique<TVELTRAXForm>(*session_)) {
  connect(drawWindow_.get(), &TVELTRAXForm::settingsRequested, this, [this] {
    // The draw window goes on whatever happens to a settings window.
    silently("opening a settings window", [this] { openSettingsWindow(); });
  });
  connect(session_.get(), &DrawSession::levelCompleted, this, &LuckyDraw::celebrate);
  drawPanel_ = std::make_unique<DrawPanel>(*session_, data_->ADOQuerymain);
  connect(drawWindow_.get(), &TVELTRAXForm::panelRequested, this, &LuckyDraw::toggleDrawPanel);
  connect(drawPanel_.get(), &DrawPanel::addPrizeRequested, this,
          [this] { silently("opening the prize plan", [this] { openPrizePlanWindow(); }); });
  connect(session_.get(), &DrawSession::planChanged, this, &LuckyDraw::openDrawPanelIfPlanNeeds);
  prizeNoticeTimer_.setSingleShot(true);
  connect(&prizeNoticeTimer_, &QTimer::timeout, this, [this] { hideNotice(prizeNotice_.get()); });
  connect(drawPanel_.get(), &DrawPanel::refused, this, [this](const QString& why) {
    showNotice(prizeNotice_, "PrizeNotice", Tr::tr("奖项提示"), why);
    prizeNoticeTimer_.start(kPrizeNoticeMs);
  });
  keys_ = std::make_unique<KeyControl>([this](KeyAction action) { return handleKey(action); },
                                       [this](const QWidget* window) { return isDrawWindow(window); });
  drawWindow_->setPressTiming(
      {TVELTRAXForm::PressTiming{}.bounceMs, DrawSettings(data_->ADOQuerymain).minimumRollMs()});
  drawWindow_->asksOnHandset = [this] { return !presenting_ && drawOnOperatorScreen(); };
  setDialogPlacement({[this] { return operatorScreen(); }, [this] { return winnerArea(); },
                      [this](QWidget* previous) {
                        // A box asked from a settings window gives the keyboard back to that window.
                        if (!previous || isDrawWindow(previous)) focusDraw();
                      }});
  sound_ = std::make_unique<Sound>();
  sound_->setMuted(DrawSettings(data_->ADOQuerymain).muted());
  connect(session_.get(), &DrawSession::rolling, sound_.get(), &Sound::setRolling);
  connect(session_.get(), &DrawSession::drawn, sound_.get(), [this] { sound_->playStop(); });
  connect(session_.get(), &DrawSession::rolling, this, &LuckyDraw::refreshPlanNotice);
  connect(session_.get(), &DrawSession::drawn, this, &LuckyDraw::refreshPlanNotice);
  connect(session_.get(), &DrawSession::winnerAbsent, this, &LuckyDraw::refreshPlanNotice);
  connect(session_.get(), &DrawSession::resultsCleared, this, &LuckyDraw::refreshPlanNotice);
  connect(session_.get(), &DrawSession::planChanged, this, &LuckyDraw::refreshPlanNotice);
  connectCheckInSite();
  connect(drawWindow_.get(), &TVELTRAXForm::frameDragged, this, [this](QPoint distance) {
    if (presenting_) return;  // a window that fills its screen has nowhere to go
    QWidget& window = shownWindow();
    if (!dragging_) {
      dragging_ = true;
      dragStart_ = window.pos();
    }
    window.move(dragStart_ + distance);
  });
  connect(drawWindow_.get(), &TVELTRAXForm::frameDropped, this, &LuckyDraw::frameDropped);
  connect(drawWindow_.get(), &TVELTRAXForm::winnerPhotoNotShown, this, &LuckyDraw::winnerPhotoNotShown);
  // A photo notice belongs to the winner it was about.
  connect(session_.get(), &DrawSession::rolling, this, [this](bool on) {
    if (on) hideNotice(photoNotice_.get());
  });
  connect(drawWindow_.get(), &TVELTRAXForm::outlineChanged, this, [this] {
    if (stage_ && stage_->form()) stage_->updateShape();
  });
  // A projector unplugged during the event: the draw window comes back to a screen that is there.
  connect(qApp, &QGuiApplication::screenRemoved, this, [this](QScreen* removed) {
    if (removed != screen_) return;
    screen_ = QGuiApplication::primaryScreen() != removed ? QGuiApplication::primaryScreen() : nullptr;
    if (shown_)
      QMetaObject::invokeMethod(
          this, [this] { place(true); }, Qt::QueuedConnection);
  });
#if QT_CONFIG(sessionmanager)
  // A session that ends while the draw runs asks the operator first, like every other close; the logout
  // is called off, and the operator answers the question on the handset.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (!manager.allowsInteraction()) return;
    manager.cancel();
    manager.release();
    // The question may be a box with a loop of its own: not inside the session manager's call.
    QMetaObject::invokeMethod(drawWindow_.get(), &TVELTRAXForm::askToSwitchOff, Qt::QueuedConnection);
  });
#endif
}

// Settings and fireworks windows go before the draw window, the data module last.
LuckyDraw::~LuckyDraw() {
  setDialogPlacement({});
  mirror_.reset();
  checkInWindow_.reset();
  site_.reset();
  keys_.reset();
  prizePlan_.reset();
  drawPanel_.reset();
  prizeNotice_.reset();
  operatorKeyHelp_.reset();
  planNotice_.reset();
  photoNotice_.reset();
  mirrorNotice_.reset();
  rehearsalMark_.reset();
  rehearsalTitles_.reset();
  sound_.reset();
  blank_.reset();
  // The stage gives the draw window back before either goes.
  stage_.reset();
  stageFeed_.reset();
  stageView_.reset();
  settingsWindows_.clear();
  fireworks_.reset();
  drawWindow_.reset();
}

TsettingForm* LuckyDraw::openSettingsWindow() {
  auto form = std::make_unique<TsettingForm>(*data_);
  form->installEventFilter(this);
  TsettingForm* window = form.get();
  connect(window, &TsettingForm::rosterImportRequested, this, [this, window] {
    guarded([&] {
      if (!runRosterImport(window, data_->ADOQuerysetting)) return;
      window->showStringGridgy();
      window->showComboBoxbm();
    });
  });
  // Changes made there are the draw's to announce.
  connect(window, &TsettingForm::resultsCleared, session_.get(), &DrawSession::resultsCleared);
  connect(window, &TsettingForm::planChanged, session_.get(), &DrawSession::planChanged);
  window->beforeChange = [this] { return allowChangeUnderSeal(kSealBrokenBySettings); };
  connect(window, &TsettingForm::checkInRequested, this,
          [this] { silently("opening the check-in window", [this] { openCheckInWindow(); }); });
  connect(window, &TsettingForm::themeChanged, this, [this] {
    if (stageFeed_) stageFeed_->refreshLook();
  });
  connect(window, &TsettingForm::resultsExportRequested, this,
          [this, window] { guarded([&] { runResultsExport(window, data_->ADOQuerysetting); }); });
  connect(window, &TsettingForm::rosterExportRequested, this,
          [this, window] { guarded([&] { runRosterExport(window, data_->ADOQuerysetting); }); });
  if (rehearsal()) {
    form->Buttoncp->setEnabled(false);
    form->Buttoncp->setToolTip(Tr::tr("这已经是彩排"));
  }
  form->show();
  settingsWindows_.push_back(std::move(form));
  return settingsWindows_.back().get();
}

void LuckyDraw::celebrate() {
  bool shown = false;
  if (stageShown_ && stageView_) {
    stageView_->celebrate();
    shown = true;
  }
  // The handset's own fireworks cover its screen, unless the stage covers that screen.
  if (!stageShown_ || stageScreen() != handsetScreen()) {
    TFormyanhua* form = findFireworksWindow();
    if (!form) {
      fireworks_ = std::make_unique<TFormyanhua>();
      form = fireworks_.get();
    }
    form->screenToCover = [this] { return handsetScreen(); };
    form->celebrate();
    shown = shown || form->isVisible();
  }
  if (shown) sound_->playFanfare();
  // The audience was meant to see black.
  if (blanked()) blank_->raise();
}

bool LuckyDraw::isDrawWindow(const QWidget* window) const {
  if (!window) return false;
  return window == drawWindow_.get() || (stage_ && window == stage_.get()) ||
         (stageView_ && window == stageView_.get()) || (blank_ && window == blank_.get()) ||
         (operatorKeyHelp_ && window == operatorKeyHelp_.get()) ||
         (drawPanel_ && window == drawPanel_.get()) || window == fireworks_.get() ||
         window == findFireworksWindow();
}

bool LuckyDraw::handleKey(KeyAction action) {
  if (blanked()) {
    toggleBlank();
    return true;
  }
  switch (action) {
    case KeyAction::Draw:
      return drawWindow_->drawKey();
    case KeyAction::Blank:
      toggleBlank();
      return true;
    case KeyAction::Help:
      return toggleKeyHelp();
    case KeyAction::Dismiss:
      return dismissKeyHelp() || drawWindow_->cancelRoll();
    case KeyAction::Cancel:
      return drawWindow_->cancelRoll();
    case KeyAction::Absent:
      return drawWindow_->absentKey();
    case KeyAction::Presentation:
      setPresenting(!presenting_);
      return true;
    case KeyAction::Stage:
      setStageShown(!stageShown_);
      return true;
    case KeyAction::TurnPage:
      return stageShown_ && stageView_ && stageView_->turnPage();
    case KeyAction::NextScreen:
      nextScreen();
      return true;
    case KeyAction::Mute:
      toggleMute();
      return true;
    case KeyAction::Panel:
      toggleDrawPanel();
      return true;
    case KeyAction::UsualOrder:
    case KeyAction::Prize1:
    case KeyAction::Prize2:
    case KeyAction::Prize3:
    case KeyAction::Prize4:
    case KeyAction::Prize5:
    case KeyAction::Prize6:
    case KeyAction::Prize7:
    case KeyAction::Prize8:
    case KeyAction::Prize9:
      drawPanel_->chooseByKey(prizeKeyNumber(action));
      return true;
    case KeyAction::None:
      return false;
  }
  return false;
}

// A manager's extra prize during the event: the same window as in the settings, on the operator's screen.
void LuckyDraw::openPrizePlanWindow() {
  if (!prizePlan_) {
    prizePlan_ = std::make_unique<PrizePlanDialog>(data_->ADOQuerymain);
    prizePlan_->beforeChange = [this] { return allowChangeUnderSeal(kSealBrokenByPlan); };
    connect(prizePlan_.get(), &PrizePlanDialog::planChanged, session_.get(), &DrawSession::planChanged);
  }
  if (QScreen* screen = operatorScreen()) {
    prizePlan_->setScreen(screen);
    prizePlan_->move(screen->availableGeometry().center() - prizePlan_->rect().center());
  }
  prizePlan_->show();
  prizePlan_->raise();
  prizePlan_->activateWindow();
}

void LuckyDraw::toggleDrawPanel() {
  if (drawPanel_->isVisible())
    drawPanel_->hide();
  else
    showDrawPanel();
}

void LuckyDraw::showDrawPanel() {
  placeDrawPanel();
  drawPanel_->show();
  drawPanel_->raise();
}

bool LuckyDraw::hallWatchesOperatorScreen() const {
  return (stageShown_ && stageScreen() == operatorScreen()) || (presenting_ && screen() == operatorScreen());
}

void LuckyDraw::openDrawPanelIfPlanNeeds() {
  if (!shown_ || drawPanel_->isVisible() || hallWatchesOperatorScreen()) return;
  bool needed = false;
  silently("reading whether the plan needs the panel", [&] {
    const PrizePlan plan = PlanStore(data_->ADOQuerymain).forDraw();
    needed = plan.applies() && planNeedsPanel(plan);
  });
  // Opened by itself only where it covers none of the handset; F9 opens it anywhere.
  if (needed && placeDrawPanel()) showDrawPanel();
}

bool LuckyDraw::placeDrawPanel() {
  // Beside the handset when there is room on either side, else below or above it; failing those,
  // wherever it leaves the winner uncovered, which may cover the handset's keys.
  QScreen* at = operatorScreen();
  const QRect area = at->availableGeometry();
  QSize size(460, std::min(760, area.height() - 40));
  QPoint topLeft = placeClearOf(size, area, winnerArea());
  bool clear = false;
  const QWidget& handset = *drawWindow_;
  if (handset.isVisible() && !presenting_ && handsetScreen() == at) {
    const QRect h = handset.frameGeometry();
    const int right = area.right() - h.right() - 16;
    const int left = h.left() - area.left() - 16;
    const int below = area.bottom() - h.bottom() - 16;
    const int above = h.top() - area.top() - 16;
    clear = true;
    if (std::max(right, left) >= 360) {
      size.setWidth(std::min(size.width(), std::max(right, left)));
      const int top = area.top() + (area.height() - size.height()) / 2;
      topLeft = right >= left ? QPoint(h.right() + 9, top) : QPoint(h.left() - 8 - size.width(), top);
    } else if (std::max(below, above) >= drawPanel_->minimumSizeHint().height()) {
      size = QSize(std::min(760, area.width() - 40), std::min(size.height(), std::max(below, above)));
      const int x = area.left() + (area.width() - size.width()) / 2;
      topLeft = below >= above ? QPoint(x, h.bottom() + 9) : QPoint(x, h.top() - 8 - size.height());
    } else {
      clear = false;
    }
  }
  drawPanel_->setScreen(at);
  drawPanel_->resize(size);
  drawPanel_->move(topLeft);
  return clear;
}

void LuckyDraw::show(const ShowOptions& options) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* chosen = nullptr;
  if (!options.screen.isEmpty()) {
    bool number = false;
    const int n = options.screen.trimmed().toInt(&number);
    if (!number || n < 1 || n > screens.size()) {
      reportError(
          Tr::tr("没有第 %1 个屏幕：本机有 %2 个屏幕，编号 1 到 %2。抽奖窗口显示在上次选择的屏幕或主屏幕上。")
              .arg(options.screen.trimmed())
              .arg(screens.size()));
    } else {
      chosen = screens[n - 1];
    }
  }
  if (chosen) {
    screen_ = chosen;
    rememberScreen();
  } else {
    const std::optional<int> remembered = DrawSettings(data_->ADOQuerymain).screen();
    // A projector that is not plugged in today is no error.
    screen_ = remembered && *remembered <= screens.size() ? screens[*remembered - 1] : nullptr;
  }
  if (!options.minimumRoll.isEmpty()) {
    bool number = false;
    const int ms = options.minimumRoll.trimmed().toInt(&number);
    if (!number || ms < 0 || ms > 60000) {
      reportError(
          Tr::tr("最短滚动时间 %1 无效：应为 0 到 60000 之间的毫秒数。").arg(options.minimumRoll.trimmed()));
    } else {
      drawWindow_->setPressTiming({drawWindow_->pressTiming().bounceMs, ms});
      silently("remembering the minimum roll",
               [&] { DrawSettings(data_->ADOQuerymain).setMinimumRollMs(ms); });
    }
  }
  // Asked for on the command line, either mode wins over the one the event remembers.
  stageShown_ = options.stage || (!options.presentation && DrawSettings(data_->ADOQuerymain).stageShown());
  if (options.stage || options.presentation) rememberStage();
  presenting_ = options.presentation && !stageShown_;
  shown_ = true;
  place(true);
  refreshPlanNotice();
  openDrawPanelIfPlanNeeds();
  if (!inhibitor_) inhibitor_ = std::make_unique<ShowInhibitor>();
}

QScreen* LuckyDraw::screen() const {
  if (screen_) return screen_;
  return QGuiApplication::primaryScreen();
}

QScreen* LuckyDraw::operatorScreen() const { return QGuiApplication::primaryScreen(); }

QScreen* LuckyDraw::stageScreen() const {
  if (screen() != operatorScreen()) return screen();
  for (QScreen* other : QGuiApplication::screens())
    if (other != operatorScreen()) return other;
  return screen();
}

QScreen* LuckyDraw::handsetScreen() const { return stageShown_ ? operatorScreen() : screen(); }

bool LuckyDraw::drawOnOperatorScreen() const {
  if (stageShown_) return stageScreen() != operatorScreen();
  return screen() == operatorScreen();
}

QRect LuckyDraw::winnerArea() const {
  // A stage over the operator's screen is what the hall watches there: its names stay clear.
  if (stageShown_ && stageView_ && stageView_->isVisible() && stageScreen() == operatorScreen()) {
    const QRect names = stageView_->protectedRegion().boundingRect();
    return names.isEmpty() ? QRect() : names.translated(stageView_->geometry().topLeft());
  }
  const TVELTRAXForm& form = *drawWindow_;
  const QRect inForm =
      form.Panelzp[0]->geometry().united(form.GlowLabelcj0->geometry()).translated(form.Panelcj->pos());
  if (stage_ && stage_->form())
    return QRect(stage_->formToGlobal(inForm.topLeft()), stage_->formToGlobal(inForm.bottomRight()));
  return QRect(form.mapToGlobal(inForm.topLeft()), inForm.size());
}

void LuckyDraw::focusDraw() {
  // Under a stage that covers the only screen, the stage keeps the keyboard.
  QWidget& window = stageShown_ && stageView_ && !drawOnOperatorScreen() ? *stageView_ : shownWindow();
  if (!window.isVisible()) return;
  window.raise();
  window.activateWindow();
}

void LuckyDraw::refreshPlanNotice() {
  bool outside = false;
  // False when the event cannot be read: the draw says so itself.
  if (shownWindow().isVisible())
    silently("reading whether prizes are left", [&] { outside = session_->nextIsOutsidePlan(); });
  if (!outside) {
    if (planNotice_ && !planNotice_->isHidden()) {
      planNotice_->hide();
      placeNotices();
    }
    return;
  }
  if (!planNotice_)
    planNotice_ =
        makeNotice("PlanCompleteNotice", Tr::tr("计划外提示"),
                   Tr::tr("奖项已全部抽完：再抽一次，中奖者将是计划外（没有奖项）。滚动中按 Esc 取消。"));
  placeNotices(planNotice_.get());
}

std::unique_ptr<QLabel> LuckyDraw::makeNotice(const char* name, const QString& title, const QString& text) {
  auto label = std::make_unique<QLabel>(text);
  label->setObjectName(QString::fromLatin1(name));
  label->setWindowTitle(title);
  label->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::WindowDoesNotAcceptFocus);
  label->setAttribute(Qt::WA_ShowWithoutActivating);
  label->setMargin(10);
  QFont font(QStringLiteral("幼圆"));
  font.setPixelSize(16);
  font.setBold(true);
  label->setFont(font);
  label->setStyleSheet(
      QStringLiteral("QLabel { background: rgb(20,24,40); color: rgb(248,179,48);"
                     " border: 2px solid rgb(248,179,48); }"));
  label->adjustSize();
  return label;
}

void LuckyDraw::showNotice(std::unique_ptr<QLabel>& notice, const char* name, const QString& title,
                           const QString& text) {
  if (!notice) notice = makeNotice(name, title, text);
  notice->setText(text);
  notice->adjustSize();
  placeNotices(notice.get());
}

void LuckyDraw::hideNotice(QLabel* notice) {
  if (!notice || notice->isHidden()) return;
  notice->hide();
  placeNotices();
}

void LuckyDraw::placeNotices(QLabel* showing) {
  // At the top of the operator's screen, one under the other, and never over the winner when the hall
  // watches that screen too.
  const QRect area = operatorScreen()->availableGeometry();
  int top = area.top() + 8;
  for (QLabel* notice : {static_cast<QLabel*>(planNotice_.get()), photoNotice_.get(), mirrorNotice_.get(),
                         prizeNotice_.get()}) {
    if (!notice || (notice->isHidden() && notice != showing)) continue;
    const QSize size = notice->size();
    QPoint at(area.center().x() - size.width() / 2, top);
    if (QRect(at, size).intersects(winnerArea())) at = placeClearOf(size, area, winnerArea());
    notice->setScreen(operatorScreen());
    notice->move(at);
    notice->show();
    notice->raise();
    top = at.y() + size.height() + 8;
  }
  placeRehearsalMark();
}

void LuckyDraw::markRehearsal() {
  if (rehearsalMark_) return;
  rehearsalMark_ = makeNotice("RehearsalMark", Tr::tr("彩排"), Tr::tr("彩排"));
  RehearsalTitles::keepTitle(rehearsalMark_.get());
  rehearsalTitles_ = std::make_unique<RehearsalTitles>();
  // Small: it tells the operator, it is no message.
  QFont font = rehearsalMark_->font();
  font.setPixelSize(13);
  rehearsalMark_->setFont(font);
  rehearsalMark_->setMargin(4);
  rehearsalMark_->adjustSize();
  placeRehearsalMark();
}

void LuckyDraw::placeRehearsalMark() {
  if (!rehearsalMark_ || !shown_) return;
  QScreen* at = operatorScreen();
  const QRect area = at->availableGeometry().adjusted(8, 8, -8, -8);
  const QSize size = rehearsalMark_->size();
  std::vector<QRect> keepClear{winnerArea()};
  for (const QLabel* notice :
       {static_cast<QLabel*>(planNotice_.get()), photoNotice_.get(), mirrorNotice_.get(), prizeNotice_.get()})
    if (notice && notice->isVisible()) keepClear.push_back(notice->geometry());
  const QPoint corners[] = {area.topLeft(),
                            {area.right() - size.width() + 1, area.top()},
                            {area.left(), area.bottom() - size.height() + 1},
                            {area.right() - size.width() + 1, area.bottom() - size.height() + 1}};
  QPoint chosen = placeClearOf(size, at->availableGeometry(), winnerArea());
  for (const QPoint& corner : corners) {
    const QRect there(corner, size);
    if (std::none_of(keepClear.begin(), keepClear.end(),
                     [&](const QRect& r) { return r.intersects(there); })) {
      chosen = corner;
      break;
    }
  }
  rehearsalMark_->setScreen(at);
  rehearsalMark_->move(chosen);
  rehearsalMark_->show();
  rehearsalMark_->raise();
}

void LuckyDraw::setMirror(const QString& folder) {
  mirror_.reset();
  mirror_ = std::make_unique<EventMirror>(appFolder(), folder);
  // Whatever changes the results: a stop, an absence, a reset in the settings window.
  connect(session_.get(), &DrawSession::drawn, mirror_.get(), &EventMirror::copyNow);
  connect(session_.get(), &DrawSession::winnerAbsent, mirror_.get(), &EventMirror::copyNow);
  connect(session_.get(), &DrawSession::resultsCleared, mirror_.get(), &EventMirror::copyNow);
  connect(session_.get(), &DrawSession::planChanged, mirror_.get(), &EventMirror::copyNow);
  connect(mirror_.get(), &EventMirror::failed, this, [this](const QString& why) {
    showNotice(mirrorNotice_, "MirrorNotice", Tr::tr("镜像提示"),
               Tr::tr("镜像文件夹没有更新，抽奖照常进行：%1").arg(why));
  });
  connect(mirror_.get(), &EventMirror::working, this, [this] { hideNotice(mirrorNotice_.get()); });
  mirror_->copyNow();
}

void LuckyDraw::winnerPhotoNotShown(const QString& why) {
  showNotice(photoNotice_, "WinnerPhotoNotice", Tr::tr("照片提示"),
             Tr::tr("中奖者的照片无法显示，已用默认图片代替：%1").arg(why));
}

bool LuckyDraw::toggleKeyHelp() {
  if (drawOnOperatorScreen()) return drawWindow_->toggleKeyHelp();
  // The audience never sees the list of keys: it opens on the operator's screen, leaving the keyboard
  // with the draw.
  if (!operatorKeyHelp_) {
    operatorKeyHelp_ = std::make_unique<KeyHelp>(nullptr);
    operatorKeyHelp_->setWindowTitle(Tr::tr("按键"));
    operatorKeyHelp_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    operatorKeyHelp_->setAttribute(Qt::WA_ShowWithoutActivating);
    operatorKeyHelp_->resize(drawWindow_->keyHelp()->size());
  }
  if (operatorKeyHelp_->isVisible()) {
    operatorKeyHelp_->hide();
  } else {
    QScreen* at = operatorScreen();
    operatorKeyHelp_->setScreen(at);
    // Centred, and kept on a screen smaller than the list.
    operatorKeyHelp_->move(placeClearOf(operatorKeyHelp_->size(), at->availableGeometry(), QRect()));
    operatorKeyHelp_->show();
    operatorKeyHelp_->raise();
  }
  return true;
}

bool LuckyDraw::dismissKeyHelp() {
  if (operatorKeyHelp_ && operatorKeyHelp_->isVisible()) {
    operatorKeyHelp_->hide();
    return true;
  }
  return drawWindow_->dismissKeyHelp();
}

QWidget& LuckyDraw::shownWindow() {
  if (stage_ && stage_->form()) return *stage_;
  return *drawWindow_;
}

void LuckyDraw::setPresenting(bool on) {
  presenting_ = on;
  if (on && stageShown_) {
    stageShown_ = false;
    rememberStage();
  }
  if (shown_) place(true);
}

void LuckyDraw::setStageShown(bool on) {
  stageShown_ = on;
  if (on) presenting_ = false;
  rememberStage();
  if (shown_) place(true);
}

void LuckyDraw::rememberStage() {
  silently("remembering the stage", [&] { DrawSettings(data_->ADOQuerymain).setStageShown(stageShown_); });
}

void LuckyDraw::moveToScreen(QScreen* target) {
  if (!target) return;
  screen_ = target;
  rememberScreen();
  place(true);
}

void LuckyDraw::nextScreen() {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.size() < 2) return;
  moveToScreen(screens[(screens.indexOf(screen()) + 1) % screens.size()]);
}

void LuckyDraw::toggleMute() {
  sound_->setMuted(!sound_->muted());
  silently("remembering the sound setting",
           [&] { DrawSettings(data_->ADOQuerymain).setMuted(sound_->muted()); });
}

void LuckyDraw::rememberScreen() {
  const int number = static_cast<int>(QGuiApplication::screens().indexOf(screen())) + 1;
  if (number < 1) return;
  // Not worth a message box in front of the audience: the choice holds until the program ends.
  silently("remembering the draw window's screen",
           [&] { DrawSettings(data_->ADOQuerymain).setScreen(number); });
}

void LuckyDraw::frameDropped() {
  if (!dragging_) return;
  dragging_ = false;
  // With the stage on, the handset belongs to the operator's screen wherever it is dragged.
  if (stageShown_) return;
  QWidget& window = shownWindow();
  QScreen* at = QGuiApplication::screenAt(window.geometry().center());
  if (!at || at == screen()) return;
  screen_ = at;
  rememberScreen();
  place(false);
}

void LuckyDraw::place(bool recentre) {
  placeHandset(recentre);
  placeStage();
}

void LuckyDraw::placeStage() {
  if (!stageShown_) {
    if (stageView_) stageView_->hide();
    return;
  }
  if (!stageView_) {
    stageView_ = std::make_unique<StageView>();
    stageView_->setObjectName(QStringLiteral("StageView"));
    stageView_->setWindowTitle(Tr::tr("抽奖舞台"));
    stageView_->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    stageView_->installEventFilter(this);
    stageFeed_ = std::make_unique<StageFeed>(*session_, data_->ADOQuerymain, *stageView_);
    stageFeed_->refresh();
    stageView_->setCheckInUrl(site_->checkInUrl().toString());
    showSeal();
  }
  QScreen* at = stageScreen();
  stageView_->setScreen(at);
  stageView_->setGeometry(at->geometry());
  if (!shown_) return;
  stageView_->show();
  stageView_->raise();
  // On its own screen the stage leaves the keyboard with the handset.
  if (!drawOnOperatorScreen()) stageView_->activateWindow();
}

void LuckyDraw::placeHandset(bool recentre) {
  QScreen* target = handsetScreen();
  const QSize size = TVELTRAXForm::kClientSize;
  const QRect whole = target->geometry();
  const bool fits = size.width() <= whole.width() && size.height() <= whole.height();
  const QColor navy = QColor::fromRgb(TVELTRAXForm::kColourKey);
  if (presenting_ || !fits) {
    if (!stage_) {
      stage_ = std::make_unique<PresentationStage>();
      connect(stage_.get(), &PresentationStage::closeRequested, drawWindow_.get(),
              &TVELTRAXForm::askToSwitchOff);
    }
    drawWindow_->setSurroundings(presenting_ ? QColor(Qt::black) : navy);
    stage_->present(*drawWindow_, target,
                    presenting_ ? PresentationStage::Mode::FullScreen : PresentationStage::Mode::Fit, navy);
    if (shown_) {
      stage_->show();
      stage_->raise();
      stage_->activateWindow();
    }
    placeRehearsalMark();
    return;
  }
  const bool fromStage = stage_ && stage_->form();
  if (fromStage) stage_->release();
  drawWindow_->setSurroundings(navy);
  drawWindow_->setScreen(target);
  if (recentre || fromStage || !target->geometry().intersects(drawWindow_->geometry()))
    drawWindow_->move(centredTopLeft(whole, size));
  if (shown_) {
    drawWindow_->show();
    drawWindow_->raise();
    drawWindow_->activateWindow();
  }
  // Back from the stage the outline is cut again from the navy, whatever was cut while it filled a screen.
  if (fromStage) drawWindow_->updateWindowShape();
  placeRehearsalMark();
}

bool LuckyDraw::blanked() const { return blank_ && blank_->isVisible(); }

void LuckyDraw::toggleBlank() {
  if (blanked()) {
    blank_->hide();
    return;
  }
  if (!blank_) {
    blank_ = std::make_unique<BlankScreen>();
    connect(blank_.get(), &BlankScreen::uncovered, this, &LuckyDraw::focusDraw);
  }
  // The screen the audience watches, which in presentation mode is not the draw window's own.
  blank_->cover(stageShown_ ? stageScreen() : screen());
}

bool LuckyDraw::eventFilter(QObject* watched, QEvent* event) {
  // The stage closed by the window system (Alt+F4): the operator is asked, as for the handset.
  if (stageView_ && watched == stageView_.get() && event->type() == QEvent::Close) {
    event->ignore();
    QMetaObject::invokeMethod(drawWindow_.get(), &TVELTRAXForm::askToSwitchOff, Qt::QueuedConnection);
    return true;
  }
  // A settings window that was closed (not minimised) is dropped once its events are done.
  if (event->type() == QEvent::Hide && !event->spontaneous()) {
    QMetaObject::invokeMethod(
        this,
        [this, watched] {
          const auto gone = std::erase_if(settingsWindows_, [watched](const auto& form) {
            return form.get() == watched && !form->isVisible();
          });
          // What the window held goes back to the system, not only to the program's own free store; the
          // pages its roster read into the connection's cache go too.
          if (gone > 0) {
            if (sqlite3* db = data_->ADOConnection.handle()) sqlite3_db_release_memory(db);
            malloc_trim(0);
            // Results cleared, a plan or the company changed there (a look saved there was read at once).
            refreshPlanNotice();
            if (stageFeed_) stageFeed_->refreshCompany();
          }
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ld
