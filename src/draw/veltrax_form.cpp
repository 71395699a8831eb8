#include "draw/veltrax_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <memory>
#include <utility>

#include "artwork/builtin.h"
#include "data/datamodule.h"
#include "data/prize_levels.h"
#include "draw/absence_question.h"
#include "draw/key_control.h"
#include "draw/picture_loading.h"
#include "draw/sharp_pictures.h"
#include "draw/window_shape.h"
#include "draw/winner_caption.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"
#include "widgets/rotated_label.h"

namespace {

using ld::artwork::Builtin;

const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kSilver(192, 192, 192);

QFont pixelFont(const QString& family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QFont youYuan(int pixels, bool bold) { return pixelFont(QStringLiteral("幼圆"), pixels, bold); }

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A picture of the form's design: placed at its design bounds without resizing to the picture.
ld::DesignPicture* designPicture(QWidget* parent, const char* name, const QRect& bounds, Builtin builtin,
                                 Qt::CursorShape cursor) {
  auto* picture = named(new ld::DesignPicture(parent), name);
  picture->setAutoSize(false);
  picture->setGeometry(bounds);
  picture->setCursor(cursor);
  ld::guarded([&] { picture->loadBuiltin(builtin); });
  return picture;
}

TGlowLabel* glowLabel(QWidget* parent, const char* name, QPoint at, const QFont& font, QColor colour) {
  auto* label = named(new TGlowLabel(parent), name);
  label->move(at);
  label->setFont(font);
  label->setFontColor(colour);
  label->setGlowColor(Qt::white);
  return label;
}

// A panel the handset shows through; Enter and Escape answer its question when it has the focus.
class FlatPanel : public QWidget {
 public:
  using QWidget::QWidget;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && okButton && okButton->isVisible()) {
      okButton->click();
    } else if (key == Qt::Key_Escape && cancelButton && cancelButton->isVisible()) {
      cancelButton->click();
    } else {
      QWidget::keyPressEvent(event);
    }
  }
};

QPushButton* confirmButton(QWidget* parent, const char* name, const QString& caption, const QRect& bounds) {
  auto* button = named(new QPushButton(caption, parent), name);
  button->setGeometry(bounds);
  button->setFont(youYuan(11, false));
  button->setCursor(Qt::PointingHandCursor);
  button->setDefault(true);
  // Face and frame colours of the handset's dialog; the hover frame is the hot tracking.
  button->setStyleSheet(
      QStringLiteral("QPushButton { background-color: rgb(244,244,240); border: 1px solid rgb(0,60,116);"
                     " border-radius: 3px; }"
                     "QPushButton:hover { border: 2px solid rgb(248,179,48); }"
                     "QPushButton:pressed { background-color: rgb(226,226,218); }"
                     "QPushButton:focus { outline: none; }"));
  return button;
}

// A yellow photo panel holding its picture box inside a border of `border` pixels.
QWidget* photoPanel(QWidget* parent, int number, const QRect& bounds, int border, TImage*& image) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QStringLiteral("Panelzp%1").arg(number));
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, kYellow);
  panel->setPalette(palette);
  panel->setGeometry(bounds);
  image = new ld::SharpPhoto(panel);
  image->setObjectName(QStringLiteral("Image%1").arg(number));
  // The box has its size before any load, so photos decode no larger than it needs.
  image->setGeometry(border, border, bounds.width() - 2 * border, bounds.height() - 2 * border);
  image->setStretch(true);
  return panel;
}

}  // namespace

TVELTRAXForm::TVELTRAXForm(ld::DrawSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), session_(session) {
  setObjectName(QStringLiteral("VELTRAXForm"));
  setWindowTitle(QStringLiteral("VELTRAXForm"));
  setFixedSize(kClientSize);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kNavy);
  setPalette(palette);
  setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, false));

  buildShell();
  buildConfirmPanel();
  buildDrawPanel();
  // Over the handset's screen, above everything else on it.
  keyHelp_ = new ld::KeyHelp(this);
  keyHelp_->setGeometry(196, 62, 590, 366);

  // Message timers keep their period to the millisecond; Qt's default would allow 5 %.
  for (QTimer* timer : {&Timergj, &Timerrqsj, &Timercj}) timer->setTimerType(Qt::PreciseTimer);
  Timergj.setObjectName(QStringLiteral("Timergj"));
  Timergj.setInterval(2000);
  Timerrqsj.setObjectName(QStringLiteral("Timerrqsj"));
  Timerrqsj.setInterval(1000);
  Timercj.setObjectName(QStringLiteral("Timercj"));
  Timercj.setInterval(100);
  deferredStop_.setSingleShot(true);
  deferredStop_.setTimerType(Qt::PreciseTimer);
  wireEvents();
  connect(&session_, &ld::DrawSession::drawn, this, &TVELTRAXForm::showDrawn);
  connect(&session_, &ld::DrawSession::winnerAbsent, this, &TVELTRAXForm::showAbsent);
  Timerrqsj.start();

  ld::guarded([this] { FormCreate(); });
}

TVELTRAXForm::~TVELTRAXForm() = default;

void TVELTRAXForm::buildShell() {
  auto* handset =
      designPicture(this, "GIFBJ", QRect(QPoint(0, 0), kClientSize), Builtin::Handset, Qt::ArrowCursor);
  handset->setHardEdges(true);
  GIFBJ = handset;
  GIFgj = designPicture(this, "GIFgj", QRect(904, 196, 89, 89), Builtin::PowerKey, Qt::PointingHandCursor);

  Labelrqsj = named(new TRotatedLabel(this), "Labelrqsj");
  Labelrqsj->setAutoSize(false);
  Labelrqsj->setGeometry(148, 225, 27, 157);
  Labelrqsj->setFont(pixelFont(QStringLiteral("Verdana"), 16, true));
  Labelrqsj->setFontColor(kSilver);
  Labelrqsj->setTransparent(true);
  // The angle first: it switches the rotation to flat itself, and setting the rotation would reset it.
  Labelrqsj->setAngle(90);

  GIFAnimator1 = designPicture(this, "GIFAnimator1", QRect(809, 283, 59, 60), Builtin::MessagesIcon,
                               Qt::PointingHandCursor);
  GIFAnimator2 =
      designPicture(this, "GIFAnimator2", QRect(809, 61, 59, 60), Builtin::ClockIcon, Qt::PointingHandCursor);
  GIFAnimatorlogo = designPicture(this, "GIFAnimatorlogo", QRect(809, 209, 59, 60), Builtin::DrawIcon,
                                  Qt::PointingHandCursor);
  // A picture loaded at run time sizes the draw icon; its top-left corner stays.
  GIFAnimatorlogo->setAutoSize(true);
  GIFAnimator4 = designPicture(this, "GIFAnimator4", QRect(809, 357, 59, 60), Builtin::TelephoneIcon,
                               Qt::PointingHandCursor);
  GIFAnimator5 = designPicture(this, "GIFAnimator5", QRect(809, 135, 60, 60), Builtin::MusicIcon,
                               Qt::PointingHandCursor);
}

void TVELTRAXForm::buildConfirmPanel() {
  auto* panel = named(new FlatPanel(this), "Panelgj");
  Panelgj = panel;
  Panelgj->setGeometry(176, 40, 630, 410);
  Panelgj->setFocusPolicy(Qt::StrongFocus);
  Panelgj->hide();

  GlowLabel1 = glowLabel(Panelgj, "GlowLabel1", {152, 159}, youYuan(19, true), kMaroon);
  GlowLabel1->setCaption(ld::Tr::tr("是否确定关闭手机？"));
  Buttonqd = confirmButton(Panelgj, "Buttonqd", ld::Tr::tr("确定"), QRect(160, 224, 125, 29));
  Buttonqx = confirmButton(Panelgj, "Buttonqx", ld::Tr::tr("取消"), QRect(294, 224, 125, 29));
  panel->okButton = Buttonqd;
  panel->cancelButton = Buttonqx;
}

void TVELTRAXForm::buildDrawPanel() {
  Panelcj = named(new QWidget(this), "Panelcj");
  Panelcj->setGeometry(176, 40, 630, 410);

  GlowLabel2 = glowLabel(Panelcj, "GlowLabel2", {0, -1}, youYuan(19, true), kRed);
  GlowLabel2->setCaption(ld::Tr::tr("抽奖"));

  GlowLabelcj0 = glowLabel(Panelcj, "GlowLabelcj0", {27, 347}, youYuan(29, true), kRed);
  GlowLabelcj0->setAutoSize(false);
  GlowLabelcj0->setAlignment(Qt::AlignHCenter);
  GlowLabelcj0->resize(382, 57);
  // Names and departments are data: shown whole, smaller when long, an '&' as itself ("R&D").
  GlowLabelcj0->setShowAccelChar(false);
  GlowLabelcj0->setFitToWidth(16);

  GlowLabelzj = glowLabel(Panelcj, "GlowLabelzj", {427, 4}, youYuan(24, true), kRed);
  GlowLabelzj->setAutoSize(false);
  GlowLabelzj->setAlignment(Qt::AlignHCenter);
  GlowLabelzj->resize(201, 398);
  GlowLabelzj->setShowAccelChar(false);
  GlowLabelzj->setFitToWidth(14);

  // Clockwise from the top; created in an order of their own, the winner photo last so it lies above.
  static constexpr QPoint kTileAt[9] = {{},         {166, 0},  {251, 81}, {294, 163}, {251, 245},
                                        {166, 327}, {78, 245}, {16, 163}, {78, 80}};
  for (int k : {1, 8, 6, 5, 4, 2, 7, 3})
    Panelzp[k] = photoPanel(Panelcj, k, QRect(kTileAt[k], QSize(104, 78)), 2, Image[k]);
  Panelzp[0] = photoPanel(Panelcj, 0, QRect(12, 33, 416, 312), 6, Image[0]);
  Panelzp[0]->hide();

  // A right-click on the winner's photo, for an operator at the mouse.
  absentAction_ = new QAction(ld::Tr::tr("缺席，重新抽取此奖项…"), this);
  absentAction_->setObjectName(QStringLiteral("absentAction"));
  absentAction_->setEnabled(false);
  connect(absentAction_, &QAction::triggered, this, [this] { markShownWinnerAbsent(); });
  // Anywhere on the handset: the operator's panel.
  panelAction_ = new QAction(ld::Tr::tr("抽奖控制台…（F9）"), this);
  panelAction_->setObjectName(QStringLiteral("panelAction"));
  connect(panelAction_, &QAction::triggered, this, &TVELTRAXForm::panelRequested);
  addAction(panelAction_);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  for (QWidget* photo : {Panelzp[0], static_cast<QWidget*>(Image[0])}) {
    photo->addAction(absentAction_);
    photo->addAction(panelAction_);
    photo->setContextMenuPolicy(Qt::ActionsContextMenu);
  }
}

void TVELTRAXForm::wireEvents() {
  // Errors go to the default error handler. Its message box runs an event loop in which the timers keep
  // firing; a handler whose error is still on screen is not run again, so a failing tick cannot stack up
  // a message box every 100 ms.
  auto guard = [this](void (TVELTRAXForm::*handler)()) {
    return [this, handler, busy = std::make_shared<bool>(false)] {
      if (*busy) return;
      *busy = true;
      ld::guarded([this, handler] { (this->*handler)(); });
      *busy = false;
    };
  };
  connect(&Timerrqsj, &QTimer::timeout, this, guard(&TVELTRAXForm::TimerrqsjTimer));
  connect(&Timergj, &QTimer::timeout, this, guard(&TVELTRAXForm::TimergjTimer));
  // A failing tick stops the roll: one message, and a click starts again.
  connect(&Timercj, &QTimer::timeout, this, [this, busy = std::make_shared<bool>(false)] {
    if (*busy) return;
    *busy = true;
    try {
      TimercjTimer();
    } catch (const std::exception& e) {
      Timercj.stop();
      session_.abandonRoll();
      ld::reportError(ld::Tr::tr("抽奖已停止：%1").arg(QString::fromUtf8(e.what())));
    }
    *busy = false;
  });
  connect(GIFgj, &TGIFAnimator::MouseDown, this, guard(&TVELTRAXForm::GIFgjMouseDown));
  connect(GIFgj, &TGIFAnimator::MouseUp, this, guard(&TVELTRAXForm::GIFgjMouseUp));
  connect(GIFgj, &TGIFAnimator::DblClick, this, guard(&TVELTRAXForm::GIFgjDblClick));
  connect(GIFAnimatorlogo, &TGIFAnimator::Click, this, guard(&TVELTRAXForm::drawPress));
  connect(&deferredStop_, &QTimer::timeout, this, [this] {
    if (Timercj.isActive()) ld::guarded([this] { stopDraw(); });
  });
  connect(Buttonqd, &QPushButton::clicked, this, guard(&TVELTRAXForm::ButtonqdClick));
  connect(Buttonqx, &QPushButton::clicked, this, guard(&TVELTRAXForm::ButtonqxClick));
  // A picture of another size changes the window's outline.
  GIFAnimatorlogo->installEventFilter(this);
  // The handset's frame is where the window is taken to move it.
  GIFBJ->installEventFilter(this);
}

void TVELTRAXForm::FormCreate() {
  const QString logoGif = ld::systemPicture(QStringLiteral("logo.gif"));
  if (QFileInfo::exists(logoGif)) {
    // Reported, but a damaged optional icon must not leave the window off-centre and its tiles empty.
    ld::guarded([&] { ld::loadGifFile(*GIFAnimatorlogo, logoGif); });
  }
  move(ld::centredTopLeft(QGuiApplication::primaryScreen()->geometry(), size()));
  TimerrqsjTimer();
  // A damaged placeholder is reported once; the rest of start-up still shapes the tiles and fills the board.
  ld::guarded([this] {
    for (int k = 1; k <= 8; ++k) ld::loadLogo(*Image[k]);
  });
  Panelzp[0]->setMask(ld::roundedPanelRegion(Panelzp[0]->size(), 20));
  for (int k = 1; k <= 8; ++k) Panelzp[k]->setMask(ld::roundedPanelRegion(Panelzp[k]->size(), 5));
  showzjmd();
}

TVELTRAXForm::DrawState TVELTRAXForm::drawState() const {
  if (Timercj.isActive()) return DrawState::Rolling;
  return Panelzp[0]->isVisibleTo(Panelcj) ? DrawState::Result : DrawState::Idle;
}

void TVELTRAXForm::updateWindowShape() {
  // Rendering delivers pending resize events, which would ask for the shape again.
  if (shaping_) return;
  shaping_ = true;
  ld::applyColourKey(*this, QColor::fromRgb(kColourKey));
  shaping_ = false;
  emit outlineChanged();
}

void TVELTRAXForm::setSurroundings(QColor colour) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colour);
  setPalette(palette);
}

void TVELTRAXForm::showEvent(QShowEvent* event) {
  // Before the window is mapped, so the navy never flashes on the desktop.
  updateWindowShape();
  QWidget::showEvent(event);
}

void TVELTRAXForm::closeEvent(QCloseEvent* event) {
  if (!switchingOff_) {
    event->ignore();
    askToSwitchOff();
    return;
  }
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

bool TVELTRAXForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == GIFAnimatorlogo && event->type() == QEvent::Resize && isVisible() && !shaping_)
    QMetaObject::invokeMethod(this, &TVELTRAXForm::updateWindowShape, Qt::QueuedConnection);
  const QEvent::Type type = event->type();
  if (watched == GIFBJ &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease)) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
      dragFrom_ = mouse->globalPosition();
    } else if (type == QEvent::MouseMove && dragFrom_ && (mouse->buttons() & Qt::LeftButton)) {
      emit frameDragged((mouse->globalPosition() - *dragFrom_).toPoint());
    } else if (type == QEvent::MouseButtonRelease && dragFrom_ && mouse->button() == Qt::LeftButton) {
      dragFrom_.reset();
      emit frameDropped();
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- The phone shell: clock, power key and its switch-off question ----

QString TVELTRAXForm::clockText(const QDateTime& moment) {
  return moment.toString(QStringLiteral("yy-MM-dd  hh:mm"));
}

void TVELTRAXForm::TimerrqsjTimer() { Labelrqsj->setCaption(clockText(QDateTime::currentDateTime())); }

// Enabling a running timer leaves its period as it is.
void TVELTRAXForm::GIFgjMouseDown() {
  if (!Timergj.isActive()) Timergj.start();
}

void TVELTRAXForm::GIFgjMouseUp() { Timergj.stop(); }

// Keeps firing while the key stays held; a rolling draw rolls on behind the question.
void TVELTRAXForm::TimergjTimer() { askToSwitchOff(); }

void TVELTRAXForm::askToSwitchOff() {
  if (asksOnHandset && !asksOnHandset()) {
    // The held power key keeps its timer running; its release goes to the box's modal loop, not here.
    Timergj.stop();
    if (askingToSwitchOff_) return;
    askingToSwitchOff_ = true;
    const bool yes = ld::dialogs().confirm(ld::Tr::tr("是否确定关闭手机？"));
    askingToSwitchOff_ = false;
    if (yes) switchOff();
    return;
  }
  Panelcj->hide();
  Panelgj->show();
  Panelgj->setFocus(Qt::OtherFocusReason);
}

void TVELTRAXForm::ButtonqdClick() { switchOff(); }

void TVELTRAXForm::switchOff() {
  switchingOff_ = true;
  // A close refused elsewhere (none is, today) leaves the window asking again next time.
  if (!close()) switchingOff_ = false;
}

void TVELTRAXForm::ButtonqxClick() {
  Panelgj->hide();
  Panelcj->show();
}

void TVELTRAXForm::GIFgjDblClick() { emit settingsRequested(); }

// ---- Keys ----

bool TVELTRAXForm::drawKey() {
  if (Panelgj->isVisible()) return false;
  ld::guarded([this] { drawPress(); });
  return true;
}

void TVELTRAXForm::drawPress() {
  if (deferredStop_.isActive()) return;  // the stop is already on its way
  if (lastPress_.isValid() && lastPress_.elapsed() < pressTiming_.bounceMs) return;
  lastPress_.start();
  if (!Timercj.isActive()) {
    startDraw();
    return;
  }
  const qint64 left = pressTiming_.minimumRollMs - rollClock_.elapsed();
  if (left > 0)
    deferredStop_.start(int(left));
  else
    stopDraw();
}

bool TVELTRAXForm::cancelRoll() {
  // Under the switch-off question Escape is its 取消.
  if (!Timercj.isActive() || Panelgj->isVisible()) return false;
  Timercj.stop();
  deferredStop_.stop();
  // Back to how the panel looked before the roll, the tiles with the placeholder.
  ld::silently("loading the placeholder photo", [this] {
    for (int k = 1; k <= 8; ++k) ld::loadLogo(*Image[k]);
  });
  ld::guarded([this] { session_.cancelRoll(); });
  return true;
}

bool TVELTRAXForm::toggleKeyHelp() {
  keyHelp_->setVisible(!keyHelp_->isVisible());
  if (keyHelp_->isVisible()) keyHelp_->raise();
  return true;
}

bool TVELTRAXForm::dismissKeyHelp() {
  if (!keyHelp_->isVisible()) return false;
  keyHelp_->hide();
  return true;
}

bool TVELTRAXForm::absentKey() {
  if (Panelgj->isVisible() || !shownWinner_ || drawState() != DrawState::Result) return false;
  markShownWinnerAbsent();
  return true;
}

void TVELTRAXForm::markShownWinnerAbsent() {
  if (!shownWinner_) return;
  // A copy: the absence announced clears what is shown.
  const ld::DrawResult winner = *shownWinner_;
  ld::askAbsent(session_, winner);
}

void TVELTRAXForm::showAbsent(const ld::DrawResult& winner) {
  if (shownWinner_ && shownWinner_->id == winner.id && shownWinner_->order == winner.order)
    setShownWinner(std::nullopt);
  ld::showWinnerCaption(*GlowLabelcj0, winner.department, winner.name, ld::WinnerMark::Absent);
  showzjmd();
}

// The absence menu entry is there exactly while a recorded winner is on show.
void TVELTRAXForm::setShownWinner(std::optional<ld::DrawResult> winner) {
  shownWinner_ = std::move(winner);
  absentAction_->setEnabled(shownWinner_.has_value());
}

// ---- The draw ----

void TVELTRAXForm::GIFAnimatorlogoClick() {
  if (Timercj.isActive())
    stopDraw();
  else
    startDraw();
}

void TVELTRAXForm::startDraw() {
  Timercj.start();
  rollClock_.start();
  setShownWinner(std::nullopt);
  session_.beginRoll();
  Panelzp[0]->hide();
  GlowLabelcj0->hide();
  for (int k = 1; k <= 8; ++k) Panelzp[k]->show();
}

void TVELTRAXForm::TimercjTimer() {
  for (int k = 1; k <= 8; ++k) Image[k]->clear();
  const QStringList photos = session_.rollingPhotos();
  for (int k = 1; k <= 8; ++k) {
    ld::silently("loading a rolling photo", [&] {
      if (photos.isEmpty())
        ld::loadLogo(*Image[k]);
      else
        ld::loadPhotoOrLogo(*Image[k], photos[k - 1]);
    });
  }
}

void TVELTRAXForm::stopDraw() {
  // First, so that no tick runs during or after the stop, whatever fails below.
  Timercj.stop();
  deferredStop_.stop();
  setShownWinner(std::nullopt);
  GlowLabelcj0->setCaption(QString());
  GlowLabelcj0->show();
  for (int k = 1; k <= 8; ++k) Panelzp[k]->hide();
  // Never the previous winner's face under a new name: a photo that fails to load leaves the box empty.
  Image[0]->clear();

  // What was recorded shows once the session announces it.
  const auto unsaved = [this](const QString& why, const QString& advice) {
    // Nobody is shown as a winner who was not recorded.
    GlowLabelcj0->setCaption(ld::Tr::tr("未保存"));
    ld::silently("loading the placeholder photo", [this] { ld::loadLogo(*Image[0]); });
    Panelzp[0]->show();
    throw ld::Error(
        ld::Tr::tr("本次抽奖结果未保存，没有人中奖，所有员工仍可被抽中。\n%1\n%2").arg(why, advice));
  };
  try {
    session_.stop();
  } catch (const ld::StopNotSaved& e) {
    unsaved(e.message(), e.advice());
  } catch (const std::exception& e) {
    unsaved(QString::fromUtf8(e.what()), ld::Tr::tr("请再抽一次；如果仍然失败，请重新启动程序。"));
  }
}

void TVELTRAXForm::showDrawn(const QList<ld::DrawResult>& winners) {
  // The photo box shows a press's first winner; the absence key asks about its latest.
  const ld::DrawResult nobody;
  showResult(winners.isEmpty() ? nobody : winners.first());
  if (!winners.isEmpty()) setShownWinner(winners.last());
  showzjmd();
}

void TVELTRAXForm::showResult(const ld::DrawResult& result) {
  if (result.drawn) {
    // Under a limited plan whose prizes are all gone, the operator must see that this winner has no prize.
    ld::showWinnerCaption(*GlowLabelcj0, result.department, result.name,
                          result.planExhausted ? ld::WinnerMark::OutsidePlan : ld::WinnerMark::None);
    // Never an empty box in front of the hall; the operator learns which file is at fault.
    const QString why = ld::loadWinnerPhoto(*Image[0], result.photo);
    if (!why.isEmpty()) {
      qWarning("winner's photo not shown: %s", qUtf8Printable(why));
      emit winnerPhotoNotShown(why);
    }
  } else {
    GlowLabelcj0->setCaption(ld::Tr::tr("无人中奖"));
    ld::silently("loading the placeholder photo", [this] { ld::loadLogo(*Image[0]); });
  }
  Panelzp[0]->show();
}

// ---- The winners board ----

void TVELTRAXForm::showzjmd() {
  if (const std::optional<QString> text = session_.boardText()) GlowLabelzj->setCaption(*text);
}
