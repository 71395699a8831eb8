#pragma once
// What the draw window needs in front of an audience: a black screen on demand, and a stage that shows the
// whole window scaled, to fill a projector's screen or to fit a screen smaller than the window.
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPointer>
#include <QWidget>

class QGraphicsProxyWidget;
class QScreen;

namespace ld {

// A black window over one whole screen, for the moments the audience should see nothing. A click or the
// next key takes it away.
class BlankScreen : public QWidget {
  Q_OBJECT
 public:
  BlankScreen();
  void cover(QScreen* screen);

 signals:
  // The picture is back (a key, a click).
  void uncovered();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};

// The largest scale at which `window` fits `area`.
qreal fittingScale(QSize window, QSize area);

// Shows a window scaled as a whole: it is drawn, and its clicks and keys reach it, as at 1:1, only larger
// or smaller. The window lives inside the stage while shown there and gets its own window back after.
class PresentationStage : public QGraphicsView {
  Q_OBJECT
 public:
  enum class Mode {
    Fit,         // the window shrunk to a screen's free area, centred, `key` colour see-through around it
    FullScreen,  // the window as large as the screen allows, centred, black all round
  };

  PresentationStage();
  ~PresentationStage() override;

  // Takes `form` (a window of its own, hidden first) onto the stage and places the stage on `screen`.
  // Not shown: show() the stage.
  void present(QWidget& form, QScreen* screen, Mode mode, QColor key);
  // The form as a window of its own again, hidden; the stage hides.
  void release();
  QWidget* form() const { return form_; }
  Mode mode() const { return mode_; }
  qreal scale() const { return scale_; }
  // Where a point of the form shows on the screen.
  QPoint formToGlobal(QPoint inForm) const;

  // Cuts the stage in Fit mode to what is not the key colour (after the form's outline changed).
  void updateShape();

 signals:
  // A close that did not come from the program (a window manager's close box, Alt+F4, a session ending).
  void closeRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QGraphicsScene scene_;
  QGraphicsProxyWidget* proxy_ = nullptr;
  QPointer<QWidget> form_;
  Mode mode_ = Mode::Fit;
  QColor key_;
  qreal scale_ = 1;
  bool releasing_ = false;
};

}  // namespace ld
