#pragma once
// The fireworks window: a celebration over the whole of the draw window's screen for three seconds, black
// see-through.
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <functional>

class TGIFAnimator;

class TFormyanhua : public QWidget {
  Q_OBJECT
 public:
  explicit TFormyanhua(QWidget* parent = nullptr);
  ~TFormyanhua() override;

  // Picks a random picture (system\<n>.gif, n = 1 … 14, else system\0.gif), covers screenToCover and
  // lets Timer1 run; throws when no picture could be read, the control keeping its previous one.
  void FormShow();
  void Timer1Timer();

  // What the draw window does to celebrate: nothing while the window is up; otherwise FormShow and show.
  // When FormShow fails the error is reported and the window stays hidden, so that nothing can cover the
  // screen without its timer; so does a picture that is black all over.
  void celebrate();

  // The picture number 1 … 14 for FormShow; uniform by default, replaceable for tests.
  std::function<int()> pickNumber;
  // The screen FormShow covers: the draw window's; the primary screen when not set or none.
  std::function<QScreen*()> screenToCover;

  // The region left after the black is cut away, as at the last show.
  QRegion shape() const { return shape_; }

  TGIFAnimator* GIFAnimator = nullptr;
  QTimer Timer1;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRegion shape_;
};

namespace ld {

// The fireworks window among the application's windows by its name "formyanhua" (letter case ignored).
TFormyanhua* findFireworksWindow();

}  // namespace ld
