#pragma once
// Driving the draw and fireworks windows in tests: real mouse events, colour checks, picture files.
#include <QColor>
#include <QString>
#include <memory>

#include "support/temp_app.h"

class QWidget;
class TVELTRAXForm;
class TFormyanhua;
class TImage;
namespace ld {
class LuckyDraw;
}  // namespace ld

namespace ld::test {

// Real mouse events sent to the middle of a widget.
void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton);
void release(QWidget* widget, Qt::MouseButton button = Qt::LeftButton);
void click(QWidget* widget);
void doubleClick(QWidget* widget);  // press, release, double-click press, release
void runEventLoop(int ms);          // so that timers fire

// The colour in the middle of a picture box's picture (invalid when empty); JPEG and GIF colours come back
// close, not exact.
QColor centreColour(const TImage& image);
bool similar(QColor a, QColor b, int tolerance = 24);

// A one-frame GIF: `colour` inside a frame of `border` pixels of `background`.
void writeGif(const QString& path, QSize size, QColor colour, QColor background = Qt::black, int border = 0);

// A fresh application folder; the program (data module, then draw window, shown) is started on first
// use, so a test can prepare files and rows first.
struct DrawFixture {
  explicit DrawFixture(bool withLogo = true, bool withDatabase = true);
  ~DrawFixture();
  ld::LuckyDraw& program();
  TVELTRAXForm& window();
  TempApp app;
  std::unique_ptr<ld::LuckyDraw> started;
};

TFormyanhua* fireworks();
bool fireworksShown();
// Deletes the top-level windows a test left behind (settings and fireworks windows), except `keep`.
void deleteOtherTopLevels(QWidget* keep = nullptr);

}  // namespace ld::test
