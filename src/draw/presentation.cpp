#include "draw/presentation.h"

#include <QCloseEvent>
#include <QGraphicsProxyWidget>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "draw/window_shape.h"
#include "framework/text.h"

namespace ld {

BlankScreen::BlankScreen() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("BlankScreen"));
  setWindowTitle(Tr::tr("黑屏"));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setCursor(Qt::BlankCursor);
}

void BlankScreen::cover(QScreen* screen) {
  if (!screen) screen = QGuiApplication::primaryScreen();
  setScreen(screen);
  setGeometry(screen->geometry());
  show();
  raise();
  activateWindow();
}

void BlankScreen::mousePressEvent(QMouseEvent*) { hide(); }

void BlankScreen::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) emit uncovered();
}

qreal fittingScale(QSize window, QSize area) {
  if (window.isEmpty() || area.isEmpty()) return 1;
  return std::min(qreal(area.width()) / window.width(), qreal(area.height()) / window.height());
}

PresentationStage::PresentationStage() {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setObjectName(QStringLiteral("PresentationStage"));
  // The draw window's name: the stage is the draw window, only scaled.
  setWindowTitle(QStringLiteral("VELTRAXForm"));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setAlignment(Qt::AlignCenter);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  setScene(&scene_);
}

PresentationStage::~PresentationStage() {
  // The form belongs to the program, not to the scene that holds it for now.
  release();
}

void PresentationStage::present(QWidget& form, QScreen* screen, Mode mode, QColor key) {
  if (!screen) screen = QGuiApplication::primaryScreen();
  mode_ = mode;
  key_ = key;
  if (form_ != &form) {
    release();
    form.hide();
    proxy_ = scene_.addWidget(&form);
    form_ = &form;
  }
  form.show();
  // The form's place on its own was on the desktop; on the stage it starts at the scene's origin.
  proxy_->setGeometry(QRectF(QPointF(0, 0), QSizeF(form.size())));
  const QSize size = form.size();
  scene_.setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
  const QRect area = mode == Mode::FullScreen ? screen->geometry() : screen->availableGeometry();
  scale_ = fittingScale(size, area.size());
  if (mode == Mode::Fit) scale_ = std::min<qreal>(scale_, 1);
  setTransform(QTransform::fromScale(scale_, scale_));
  setBackgroundBrush(mode == Mode::FullScreen ? QColor(Qt::black) : key);
  clearMask();
  setScreen(screen);
  if (mode == Mode::FullScreen) {
    setGeometry(screen->geometry());
  } else {
    const QSize shown(qRound(size.width() * scale_), qRound(size.height() * scale_));
    setGeometry(QRect(centredTopLeft(area, shown), shown));
  }
  if (isVisible()) updateShape();
}

void PresentationStage::release() {
  if (!proxy_) return;
  releasing_ = true;
  // Unembedded, the form is a window of its own again and hidden; the proxy goes with the scene's item.
  QGraphicsProxyWidget* proxy = proxy_;
  proxy_ = nullptr;
  QWidget* form = proxy->widget();
  proxy->setWidget(nullptr);
  scene_.removeItem(proxy);
  delete proxy;
  // Embedded, the form was told never to map a window of its own; that ends here, and it starts hidden so
  // that the next show really shows it.
  if (form) {
    form->setAttribute(Qt::WA_DontShowOnScreen, false);
    form->hide();
  }
  form_ = nullptr;
  hide();
  releasing_ = false;
}

QPoint PresentationStage::formToGlobal(QPoint inForm) const {
  return viewport()->mapToGlobal(mapFromScene(QPointF(inForm) + QPointF(0.5, 0.5)));
}

void PresentationStage::updateShape() {
  if (mode_ != Mode::Fit || !form_) {
    clearMask();
    return;
  }
  applyColourKey(*this, key_);
}

void PresentationStage::showEvent(QShowEvent* event) {
  // Before it is mapped, so the key colour never flashes on the desktop.
  updateShape();
  QGraphicsView::showEvent(event);
}

void PresentationStage::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!releasing_) emit closeRequested();
}

}  // namespace ld
