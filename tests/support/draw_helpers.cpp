#include "support/draw_helpers.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "widgets/gif_writer.h"
#include "widgets/picture_box.h"

namespace ld::test {

namespace {
void send(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
  const QPointF local = QRectF(widget->rect()).center();
  QMouseEvent event(type, local, widget->mapToGlobal(local), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}
}  // namespace

void press(QWidget* widget, Qt::MouseButton button) {
  send(widget, QEvent::MouseButtonPress, button, button);
}
void release(QWidget* widget, Qt::MouseButton button) {
  send(widget, QEvent::MouseButtonRelease, button, Qt::NoButton);
}
void click(QWidget* widget) {
  press(widget);
  release(widget);
}
void doubleClick(QWidget* widget) {
  click(widget);
  send(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton);
  release(widget);
}

void runEventLoop(int ms) {
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec();
}

QColor centreColour(const TImage& image) {
  const QImage& picture = image.picture();
  return picture.isNull() ? QColor() : picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

bool similar(QColor a, QColor b, int tolerance) {
  return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= tolerance &&
         std::abs(a.green() - b.green()) <= tolerance && std::abs(a.blue() - b.blue()) <= tolerance;
}

void writeGif(const QString& path, QSize size, QColor colour, QColor background, int border) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(background);
  QPainter(&image).fillRect(QRect(QPoint(0, 0), size).adjusted(border, border, -border, -border), colour);
  writeFile(path, ld::encodeGif(image, {}));
}

DrawFixture::DrawFixture(bool withLogo, bool withDatabase) : app(withDatabase, withLogo) {}

// The program's own windows go with it; anything a test made on its own goes after.
DrawFixture::~DrawFixture() {
  started.reset();
  deleteOtherTopLevels();
}

ld::LuckyDraw& DrawFixture::program() {
  if (!started) {
    started = std::make_unique<ld::LuckyDraw>();
    // Tests press as fast as code runs; the clicker's bounce and the minimum roll have tests of their own.
    started->drawWindow().setPressTiming({0, 0});
    started->drawWindow().show();
  }
  return *started;
}

TVELTRAXForm& DrawFixture::window() { return program().drawWindow(); }

TFormyanhua* fireworks() { return ld::findFireworksWindow(); }

bool fireworksShown() { return fireworks() && fireworks()->isVisible(); }

void deleteOtherTopLevels(QWidget* keep) {
  QList<QPointer<QWidget>> windows;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != keep && !w->parentWidget() && !qobject_cast<TVELTRAXForm*>(w)) windows << w;
  for (const QPointer<QWidget>& w : windows) delete w.data();
}

}  // namespace ld::test
