#include "widgets/gif_animator.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <exception>

#include "widgets/gif_draw.h"
#include "widgets/gif_image.h"

namespace {

constexpr int kMinInterval = 50;
constexpr int kMaxInterval = 10000;
// The timer's interval before any picture is loaded.
constexpr int kIdleInterval = 1000;

constexpr std::uint8_t kRestoreBackground = 2;
constexpr std::uint8_t kRestorePrevious = 3;

QRect frameRect(TGIFFrame& frame) { return QRect(frame.origin(), QSize(frame.width(), frame.height())); }

// Disposal values 4 to 7 are undefined; they leave the frame in place, the same on every path.
bool leavesFrame(std::uint8_t disposal) {
  return disposal != kRestoreBackground && disposal != kRestorePrevious;
}

// The composed frame at `size` (nearest-neighbour) in a format the backing store takes without conversion;
// with a key its pixels become fully see-through, so that one drawImage lets what lies beneath show.
QImage displayImage(const QImage& composed, QSize size, QRgb key) {
  if (key == ld::kColorNone && size == composed.size()) return composed;
  const QImage stretched = ld::stretchKeyed(composed, composed.rect(), size, key);
  return stretched.convertToFormat(key == ld::kColorNone ? QImage::Format_RGB32
                                                         : QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
  // No background of our own: Qt composes the picture over the parent and lower siblings.
  setAutoFillBackground(false);
  resize(105, 105);
}

void TImageControl::paintImage(QPainter&) {}

void TImageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // A picture that cannot be drawn leaves the control blank; throwing out of a paint would leave the
  // window's backing store half painted.
  try {
    paintImage(painter);
  } catch (const std::exception& e) {
    qWarning("picture control: %s", e.what());
  }
}

struct TGIFAnimator::Private {
  TGIFImage image;
  QTimer* timer = nullptr;  // a child of the control
  int interval = kIdleInterval;
  bool animate = false;
  int frameIndex = 0;
  bool autoSize = true;
  bool stretch = false;
  bool loop = true;
  bool center = false;
  bool transparent = true;
  bool destroying = false;
  bool clickArmed = false;

  // The last composed frame: drawn on further when the next frame is asked for.
  QImage composed;
  int composedIndex = -1;
  QRgb keyFound = ld::kColorNone;
  QRgb fill = 0;
  quint64 generation = 0;

  // The composed frame as last painted (scaled, keyed), so that a repaint is one drawImage.
  QImage shown;
  QSize shownSize;
  bool shownKeyed = false;
  quint64 shownGeneration = ~quint64{0};

  void clearCache() {
    composed = QImage();
    composedIndex = -1;
    keyFound = ld::kColorNone;
    shown = QImage();
    ++generation;
  }

  void arm() {
    if (animate && interval != 0)
      timer->start(interval);
    else
      timer->stop();
  }

  void setInterval(int ms) {
    if (ms == interval) return;
    interval = ms;
    arm();
  }

  int startFrame(int n) {
    const QRect screen(0, 0, image.screenWidth(), image.screenHeight());
    for (int i = n; i >= 1; --i) {
      TGIFFrame& f = image.frame(i);
      if (!frameRect(f).contains(screen)) continue;
      const bool opaque = f.transparentColor() == ld::kColorNone;
      // An earlier frame that restores what was before it cannot be a start: what it restores to is
      // older than it.
      if (i < n && f.disposal() == kRestorePrevious) continue;
      if (opaque || (i < n && f.disposal() == kRestoreBackground)) return i;
    }
    return 0;
  }

  void composeFull(int n, const QPalette& palette) {
    QRgb key = ld::kColorNone;
    QRgb fillColour;
    const int current = image.currentIndex();
    const QRgb currentKey = current >= 0 && current < image.frameCount()
                                ? image.frame(current).transparentColor()
                                : ld::kColorNone;
    if (currentKey != ld::kColorNone) {
      fillColour = currentKey;
      key = currentKey;
    } else if (image.backgroundColor() != ld::kColorNone && image.transparent()) {
      fillColour = image.backgroundColor();
    } else {
      fillColour = palette.color(QPalette::Window).rgb();
    }
    QImage canvas(image.screenWidth(), image.screenHeight(), QImage::Format_RGB32);
    canvas.fill(fillColour);
    {
      QPainter p(&canvas);
      const int s = startFrame(n);
      for (int i = s; i < n; ++i) {
        TGIFFrame& f = image.frame(i);
        if (leavesFrame(f.disposal()))
          f.draw(p, frameRect(f), true);
        else if (f.disposal() == kRestoreBackground && i != s)
          p.fillRect(frameRect(f), QColor::fromRgb(fillColour));
      }
      TGIFFrame& last = image.frame(n);
      last.draw(p, frameRect(last), true);
    }
    composed = canvas;
    keyFound = key;
    fill = fillColour;
  }

  const QImage& compose(int n, const QPalette& palette) {
    n = std::clamp(n, 0, image.frameCount() - 1);
    if (!composed.isNull() && composedIndex == n) return composed;
    const int c = composedIndex;
    if (!composed.isNull() && c >= 0 && n == c + 1 && n < image.frameCount() &&
        image.frame(c).disposal() != kRestorePrevious) {
      try {
        QPainter p(&composed);
        TGIFFrame& previous = image.frame(c);
        if (previous.disposal() == kRestoreBackground) p.fillRect(frameRect(previous), QColor::fromRgb(fill));
        TGIFFrame& next = image.frame(n);
        next.draw(p, frameRect(next), true);
      } catch (...) {
        // Half drawn: the next attempt must start afresh.
        clearCache();
        throw;
      }
    } else {
      clearCache();
      composeFull(n, palette);
    }
    composedIndex = n;
    ++generation;
    return composed;
  }

  const QImage& display(QSize size, bool keyed) {
    if (shown.isNull() || shownGeneration != generation || shownSize != size || shownKeyed != keyed) {
      shown = displayImage(composed, size, keyed ? keyFound : ld::kColorNone);
      shownGeneration = generation;
      shownSize = size;
      shownKeyed = keyed;
    }
    return shown;
  }
};

TGIFAnimator::TGIFAnimator(QWidget* parent) : TImageControl(parent), d(std::make_unique<Private>()) {
  d->timer = new QTimer(this);
  connect(d->timer, &QTimer::timeout, this, &TGIFAnimator::tick);
  d->image.OnChange = [this] { imageChanged(); };
}

TGIFAnimator::~TGIFAnimator() {
  // No event fires during tear-down.
  d->destroying = true;
  blockSignals(true);
  setAnimate(false);
  d->image.OnChange = nullptr;
}

TGIFImage& TGIFAnimator::image() { return d->image; }

void TGIFAnimator::setImage(const TGIFImage& image) {
  if (&image == &d->image) return;
  d->image.assign(image);
}

// A failed load has already cleared the image (keeping the frames read so far) but raises no change
// notification; without one the control would go on showing a frame index and cache of the old picture.
template <class Load>
void TGIFAnimator::loadResynced(Load&& load) {
  const std::shared_ptr<TGIFData> before = d->image.header();
  try {
    load();
  } catch (...) {
    // A failure before the clear, or a picture refused for its size, leaves the picture as it was.
    if (d->image.header() != before) resync();
    throw;
  }
}

void TGIFAnimator::loadFromFile(const QString& path) {
  loadResynced([&] { d->image.loadFromFile(path); });
}

void TGIFAnimator::loadFromFormData(const QByteArray& lengthPrefixedGif) {
  loadResynced([&] { d->image.readFormData(lengthPrefixedGif); });
}

bool TGIFAnimator::autoSize() const { return d->autoSize; }
void TGIFAnimator::setAutoSize(bool on) {
  if (on == d->autoSize) return;
  d->autoSize = on;
  pictureChanged();
}

bool TGIFAnimator::center() const { return d->center; }
void TGIFAnimator::setCenter(bool on) {
  if (on == d->center) return;
  d->center = on;
  pictureChanged();
}

bool TGIFAnimator::stretch() const { return d->stretch; }
void TGIFAnimator::setStretch(bool on) {
  if (on == d->stretch) return;
  d->stretch = on;
  pictureChanged();
}

bool TGIFAnimator::transparent() const { return d->transparent; }
void TGIFAnimator::setTransparent(bool on) {
  if (on == d->transparent) return;
  d->transparent = on;
  pictureChanged();
}

bool TGIFAnimator::loop() const { return d->loop; }
void TGIFAnimator::setLoop(bool on) { d->loop = on; }

bool TGIFAnimator::animate() const { return d->animate; }
void TGIFAnimator::setAnimate(bool on) {
  if (on == d->animate) return;
  d->animate = on;
  d->arm();
  if (on) {
    emit OnStart();
  } else {
    emit OnStop();
    pictureChanged();
  }
}

int TGIFAnimator::frameIndex() const { return d->frameIndex; }
void TGIFAnimator::setFrameIndex(int index) {
  if (index == d->frameIndex || index < 0 || index >= d->image.frameCount()) return;
  d->frameIndex = index;
  d->setInterval(frameInterval());
  emit OnFrameChanged();
  pictureChanged();
}

int TGIFAnimator::frameInterval() const {
  const int count = d->image.frameCount();
  if (count < 2 || d->frameIndex < 0 || d->frameIndex >= count) return 0;
  return std::clamp<int>(d->image.frame(d->frameIndex).delay(), kMinInterval, kMaxInterval);
}

void TGIFAnimator::tick() {
  if (!isVisible() || d->image.frameCount() <= 1 || parentWidget() == nullptr) return;
  QPointer<TGIFAnimator> alive(this);
  d->frameIndex = d->frameIndex + 1 >= d->image.frameCount() ? 0 : d->frameIndex + 1;
  {
    // The next interval is set whatever a frame-changed handler does.
    struct NextInterval {
      TGIFAnimator* q;
      QPointer<TGIFAnimator>& alive;
      ~NextInterval() {
        if (alive) q->d->setInterval(q->frameInterval());
      }
    } next{this, alive};
    emit OnFrameChanged();
    if (alive) update();
  }
  if (alive && !d->loop && d->frameIndex == 0) setAnimate(false);
}

bool TGIFAnimator::hasPicture() const {
  return !d->image.empty() && d->frameIndex >= 0 && d->image.frameCount() > 0 &&
         d->image.screenWidth() >= 1 && d->image.screenHeight() >= 1;
}

QImage TGIFAnimator::composedFrame() {
  if (!hasPicture()) return {};
  return d->compose(d->frameIndex, palette());
}

void TGIFAnimator::resync() {
  d->clearCache();
  d->frameIndex = d->image.currentIndex();
  if (d->frameIndex >= 0 && d->image.frameCount() > 0) d->setInterval(frameInterval());
  pictureChanged();
}

void TGIFAnimator::imageChanged() {
  resync();
  emit OnChange();
}

void TGIFAnimator::pictureChanged() {
  if (d->destroying) return;
  if (d->autoSize && !d->image.empty()) resize(d->image.screenWidth(), d->image.screenHeight());
  update();
}

void TGIFAnimator::paintEvent(QPaintEvent* event) { TImageControl::paintEvent(event); }

void TGIFAnimator::paintImage(QPainter& painter) {
  if (!hasPicture()) return;
  const QImage& frame = d->compose(d->frameIndex, palette());
  QRect dst;
  if (d->stretch)
    dst = rect();
  else if (d->center)
    dst = QRect(QPoint((width() - frame.width()) / 2, (height() - frame.height()) / 2), frame.size());
  else
    dst = QRect(QPoint(0, 0), frame.size());
  if (dst.isEmpty()) return;
  const bool keyed = d->keyFound != ld::kColorNone && d->transparent;
  painter.drawImage(dst.topLeft(), d->display(dst.size(), keyed));
}

void TGIFAnimator::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) d->clickArmed = true;
  emit MouseDown(event->button());
}

void TGIFAnimator::mouseReleaseEvent(QMouseEvent* event) {
  QPointer<TGIFAnimator> alive(this);
  if (event->button() == Qt::LeftButton && d->clickArmed) {
    d->clickArmed = false;
    if (rect().contains(event->position().toPoint())) emit Click();
  }
  if (alive) emit MouseUp(event->button());
}

void TGIFAnimator::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double-click: no click follows its release.
  d->clickArmed = false;
  QPointer<TGIFAnimator> alive(this);
  if (event->button() == Qt::LeftButton) emit DblClick();
  if (alive) emit MouseDown(event->button());
}
