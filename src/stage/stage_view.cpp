#include "stage/stage_view.h"

#include <QPaintEvent>
#include <QPainter>

#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {

constexpr int kTiles = 8;
// Photos up to this size come from zp\ itself; larger ones from the sharper copy.
constexpr QSize kStoredPhoto{480, 360};
// Fireworks repaint in cells of this many pixels, so a frame sends only what the sparks touched.
constexpr int kCell = 48;

bool wantsSharp(QSize box) {
  return box.width() > kStoredPhoto.width() || box.height() > kStoredPhoto.height();
}

// A wall or a roll of honour with nobody on it yet says so, rather than stay blank.
void paintNobody(QPainter& painter, QSize screen) {
  const int h = screen.height();
  const QRect box(0, h * 2 / 5, screen.width(), h / 5);
  stage::paintText(painter, stage::fitText(Tr::tr("尚无中奖者"), stage::stageFont(1), box, h / 14, h / 30),
                   QColor(255, 255, 255, 200));
}

QString markOf(const stage::Winner& winner) {
  // The marks the handset puts after a name.
  if (winner.absent) return Tr::tr("（缺席）");
  if (winner.level == 99) return Tr::tr("（计划外）");
  return {};
}

}  // namespace

StageView::StageView(QWidget* parent) : QWidget(parent), look_(stage::lookOf({})) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setCursor(Qt::BlankCursor);
  fireworksTimer_.setTimerType(Qt::PreciseTimer);
  fireworksTimer_.setInterval(16);
  connect(&fireworksTimer_, &QTimer::timeout, this, &StageView::fireworksTick);
  pageTimer_.setInterval(kPageSeconds * 1000);
  connect(&pageTimer_, &QTimer::timeout, this, [this] { turnPage(); });
}

void StageView::setTheme(const stage::Theme& theme) {
  look_ = stage::lookOf(theme);
  themeTitle_ = theme.title;
  changedLook();
}

void StageView::setEvent(const QString& company, const QString& title) {
  company_ = company;
  title_ = title;
  changedLook();
}

void StageView::setPrize(std::optional<stage::PrizeProgress> prize) {
  prize_ = std::move(prize);
  changed();
}

void StageView::showIdle() {
  scene_ = Scene::Idle;
  pageTimer_.stop();
  changed();
}

void StageView::showRolling(const QStringList& storedPhotoPaths) {
  if (scene_ != Scene::Rolling) {
    scene_ = Scene::Rolling;
    pageTimer_.stop();
    changed();
  }
  rollingPaths_ = storedPhotoPaths;
  const QList<QRect> rects = tileRects();
  tiles_.resize(rects.size());
  QRegion dirty;
  for (int i = 0; i < rects.size(); ++i) {
    const QString path =
        storedPhotoPaths.isEmpty() ? QString() : storedPhotoPaths.value(i, storedPhotoPaths.last());
    tiles_[i] = photos_.picture(path, rects[i].size(), false);
    dirty += rects[i];
  }
  update(dirty);
}

void StageView::showResult(const QList<stage::Winner>& winners) {
  scene_ = Scene::Result;
  winners_ = winners;
  pageTimer_.stop();
  changed();
}

void StageView::showWall(const stage::PrizeProgress& prize, const QList<stage::Winner>& winners) {
  scene_ = Scene::Wall;
  wallPrize_ = prize;
  winners_ = winners;
  page_ = 0;
  changed();
  pageTimer_.start();
}

void StageView::showBatch(const stage::PrizeProgress& prize, const QList<stage::Winner>& winners) {
  showWall(prize, winners);
  scene_ = Scene::Batch;
}

void StageView::markAbsent(int order) {
  for (stage::Winner& w : winners_) {
    if (w.order != order || w.absent) continue;
    w.absent = true;
    changed();
  }
}

void StageView::showHonour(const QList<stage::HonourPrize>& prizes) {
  scene_ = Scene::Honour;
  honour_ = prizes;
  page_ = 0;
  changed();
  pageTimer_.start();
}

bool StageView::turnPage() {
  if (scene_ != Scene::Wall && scene_ != Scene::Batch && scene_ != Scene::Honour) return false;
  buildFrame();  // the page count of the layout as it is now
  if (pages_ <= 1) return false;
  page_ = (page_ + 1) % pages_;
  changed();
  pageTimer_.start();  // a page turned by hand gets its full time
  return true;
}

void StageView::celebrate() {
  buildFrame();
  fireworks_.start(size(), avoid_);
  if (!fireworksTimer_.isActive()) {
    fireworksClock_.start();
    fireworksTimer_.start();
  }
}

void StageView::setCheckInUrl(const QString& url) {
  if (url == checkInUrl_) return;
  checkInUrl_ = url;
  checkInQr_.reset();
  // A link too long for a code is not shown rather than shown wrong.
  if (!url.isEmpty()) silently("making the check-in QR code", [&] { checkInQr_.emplace(url.toUtf8()); });
  if (scene_ == Scene::Idle) changed();
}

void StageView::setSeal(const QString& seal, const QString& entropy, bool broken) {
  if (seal == seal_ && entropy == entropy_ && broken == sealBroken_) return;
  seal_ = seal;
  entropy_ = entropy;
  sealBroken_ = broken;
  sealQr_.reset();
  if (!seal.isEmpty()) silently("making the seal's QR code", [&] { sealQr_.emplace(seal.toLatin1()); });
  if (scene_ == Scene::Idle) changed();
}

QRegion StageView::protectedRegion() {
  buildFrame();
  return protected_;
}

void StageView::fireworksTick() {
  const double seconds = std::min(0.1, fireworksClock_.nsecsElapsed() / 1e9);
  fireworksClock_.restart();
  fireworks_.step(seconds);
  const QRegion now = fireworks_.footprint(kCell);
  update(now + fireworksDrawn_);
  fireworksDrawn_ = now;
  if (!fireworks_.running()) fireworksTimer_.stop();
}

void StageView::changed() {
  frameStale_ = true;
  update();
}

void StageView::changedLook() {
  backgroundStale_ = true;
  changed();
}

void StageView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  changedLook();
}

QString StageView::headerPrize() const { return prize_ ? stage::progressText(*prize_) : QString(); }

stage::HeaderLayout StageView::header(const QString& prize) const {
  return stage::headerLayout(size(), look_.logo.size(), company_, title(), prize);
}

QList<QRect> StageView::tileRects() {
  buildFrame();
  return tileRects_;
}

void StageView::buildFrame() {
  if (!frameStale_ && frame_.size() == size()) return;
  const QSize screen = size();
  if (screen.isEmpty()) return;
  if (backgroundStale_ || background_.size() != screen) {
    background_ = stage::paintBackground(screen, look_, header(QString()));
    backgroundStale_ = false;
  }
  // The same buffer again when it has the size: a fresh one of a whole screen costs its page faults.
  if (frame_.size() != screen || frame_.format() != background_.format())
    frame_ = QImage(screen, background_.format());
  QPainter painter(&frame_);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, background_);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setRenderHint(QPainter::TextAntialiasing);
  protected_ = QRegion();
  tileRects_.clear();
  checkInRect_ = QRect();
  const int margin = std::max(2, screen.height() / 40);
  auto protect = [&](QRect r) {
    if (!r.isEmpty()) protected_ += r.adjusted(-margin, -margin, margin, margin);
  };
  pages_ = 1;
  switch (scene_) {
    case Scene::Idle: {
      // The check-in code while the doors are open, the seal once they have closed.
      const std::optional<QrCode>& corner = checkInQr_ ? checkInQr_ : sealQr_;
      const QString line = checkInQr_           ? checkInUrl_
                           : sealBroken_        ? Tr::tr("此后的抽奖不能再用封存验证")
                           : entropy_.isEmpty() ? Tr::tr("等待现场随机数")
                                                : Tr::tr("现场随机数：%1").arg(entropy_);
      const QString caption = checkInQr_    ? Tr::tr("扫码签到")
                              : sealBroken_ ? Tr::tr("封存已破坏")
                                            : Tr::tr("封存码 %1…").arg(seal_.left(8));
      const std::optional<stage::CheckInLayout> checkIn =
          corner ? std::optional(stage::checkInLayout(screen, line)) : std::nullopt;
      const int beside = checkIn ? checkIn->code.width() : 0;
      const stage::IdleLayout l =
          prize_ ? stage::idleLayout(screen, header(QString()), prize_->name,
                                     prize_->total > 0
                                         ? QStringLiteral("%1 / %2").arg(prize_->drawn).arg(prize_->total)
                                         : QString::number(prize_->drawn),
                                     stage::ruleTextOf(*prize_), beside)
                 : stage::idleLayout(screen, header(QString()), title(), company_, {}, beside);
      stage::paintIdle(painter, l, look_);
      protect(l.prize.inked());
      if (checkIn) {
        stage::paintCheckIn(painter, *checkIn, *corner, caption, line, look_);
        checkInRect_ = checkIn->code;
      }
      break;
    }
    case Scene::Rolling: {
      const stage::RollingLayout l = stage::rollingLayout(
          screen, header(headerPrize()), kTiles, prize_ ? stage::ruleTextOf(*prize_) : stage::RuleText());
      stage::paintRollingSlots(painter, l, look_);
      tileRects_ = l.tiles;
      break;
    }
    case Scene::Result: {
      // Nobody left to draw: said as the handset says it, beside the placeholder.
      stage::Winner first = winners_.value(0);
      if (winners_.isEmpty()) first.name = Tr::tr("无人中奖");
      const QString prize = first.prize.isEmpty() && prize_ && first.level != 99 && !winners_.isEmpty()
                                ? prize_->name
                                : first.prize;
      const stage::ResultLayout l =
          stage::resultLayout(screen, header(headerPrize()), prize, first.name, markOf(first),
                              first.department, std::max(0, int(winners_.size()) - 1));
      stage::ShownWinner shown{photos_.picture(first.photo, l.photo.size(), wantsSharp(l.photo.size())),
                               first.absent, first.name};
      QList<stage::ShownWinner> others;
      for (int i = 0; i < l.others.size(); ++i) {
        const stage::Winner& w = winners_[i + 1];
        others << stage::ShownWinner{photos_.picture(w.photo, l.others[i].size(), false), w.absent, w.name};
      }
      stage::paintResult(painter, l, look_, shown, others);
      protected_ += l.nameBlock;
      avoid_ = l.prize.inked() | l.nameBlock | l.department.inked();
      break;
    }
    case Scene::Wall:
    case Scene::Batch: {
      const stage::WallLayout l =
          stage::wallLayout(screen, header(QString()), wallPrize_, winners_, page_, scene_ == Scene::Batch);
      pages_ = l.pages;
      page_ = std::min(page_, pages_ - 1);
      // Only the page shown: a batch of hundreds costs what its first page does.
      QList<stage::ShownWinner> shown;
      for (int i = 0; i < l.cards.size(); ++i) {
        const stage::Winner& w = winners_[page_ * l.perPage + i];
        const QSize box = l.cards[i].photo.size();
        shown << stage::ShownWinner{photos_.picture(w.photo, box, wantsSharp(box)), w.absent, w.name};
      }
      stage::paintWall(painter, l, look_, shown);
      if (l.cards.isEmpty()) paintNobody(painter, screen);
      for (const stage::CardLayout& c : l.cards) protect(c.name.inked() | c.department.inked());
      break;
    }
    case Scene::Honour: {
      const stage::HonourLayout l =
          stage::honourLayout(screen, header(QString()), Tr::tr("光荣榜"), honour_, page_);
      pages_ = l.pages;
      stage::paintHonour(painter, l, look_);
      if (l.lines.isEmpty()) paintNobody(painter, screen);
      for (const stage::HonourLine& line : l.lines) protect(line.box);
      break;
    }
  }
  if (scene_ != Scene::Result) avoid_ = protected_.boundingRect();
  page_ = std::min(page_, pages_ - 1);
  frameStale_ = false;
}

void StageView::paintEvent(QPaintEvent* event) {
  QElapsedTimer clock;
  clock.start();
  buildFrame();
  QPainter painter(this);
  // Under a tile that is about to be painted whole, the frame need not be copied first.
  QRegion covered;
  if (scene_ == Scene::Rolling)
    for (int i = 0; i < tiles_.size() && i < tileRects_.size(); ++i)
      if (tiles_[i].size() == tileRects_[i].size()) covered += tileRects_[i];
  for (const QRect& r : event->region() - covered) painter.drawImage(r.topLeft(), frame_, r);
  if (scene_ == Scene::Rolling) {
    for (int i = 0; i < tiles_.size() && i < tileRects_.size(); ++i) {
      const QRect& r = tileRects_[i];
      if (tiles_[i].isNull() || !event->region().intersects(r)) continue;
      if (tiles_[i].size() == r.size())
        painter.drawImage(r.topLeft(), tiles_[i]);
      else
        painter.drawImage(r, tiles_[i]);
    }
  }
  if (fireworks_.running()) {
    painter.setClipRegion(event->region() - protected_);
    fireworks_.paint(painter);
  }
  lastPaintNs_ = clock.nsecsElapsed();
}

bool StageView::event(QEvent* event) {
  if (event->type() != QEvent::UpdateRequest || !isWindow()) return QWidget::event(event);
  // The whole frame: painting, and the copy to the screen.
  QElapsedTimer clock;
  clock.start();
  lastPaintNs_ = 0;
  const bool done = QWidget::event(event);
  if (lastPaintNs_ > 0) emit framed(lastPaintNs_, clock.nsecsElapsed());
  return done;
}

}  // namespace ld
