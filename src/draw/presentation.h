#pragma once
// What the draw window needs in front of an audience: a black screen on demand.
#include <QWidget>

class QScreen;

namespace ld {

// A black window over one whole screen, for the moments the audience should see nothing. A click or the
// next key takes it away.
class BlankScreen : public QWidget {
  Q_OBJECT
 public:
  BlankScreen();
  void cover(QScreen* screen);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ld
