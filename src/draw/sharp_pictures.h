#pragma once
// Pictures of the draw window that stay sharp when the whole window is shown larger or smaller than life:
// each paints at the size it takes on the screen, from a source with enough pixels, instead of having
// its 1:1 pixels stretched.
#include <QImage>
#include <optional>

#include "artwork/builtin.h"
#include "widgets/gif_animator.h"
#include "widgets/picture_box.h"

namespace ld {

// Whether a painter draws a widget larger or smaller than life (never so when turned, which never happens
// here).
bool paintsScaled(const QTransform& deviceTransform);

// A picture control holding one of the handset's built-in pictures. Scaled, it paints the picture's
// large version resampled to the size on the screen; once another picture is loaded (system\logo.gif),
// it paints as any picture control does.
class DesignPicture : public TGIFAnimator {
  Q_OBJECT
 public:
  explicit DesignPicture(QWidget* parent);
  // Throws ld::Error when the picture is missing from the program.
  void loadBuiltin(artwork::Builtin picture);
  // The outline of the window: every pixel scaled is either the picture or see-through, no half-way edge
  // that would leave a fringe of the key colour around the handset.
  void setHardEdges(bool on) { hardEdges_ = on; }
  // The picture as last painted at a scale (for tests); null before.
  const QImage& scaledPicture() const { return scaled_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<artwork::Builtin> builtin_;
  QImage sharp_;
  QImage scaled_;
  bool loading_ = false;
  bool hardEdges_ = false;
};

// A photo box that, scaled, shows its photo decoded at the size it takes on the screen; photos loaded after
// a scaled paint are loaded at that size.
class SharpPhoto : public TImage {
  Q_OBJECT
 public:
  explicit SharpPhoto(QWidget* parent);
  // The photo as last painted at a scale (for tests); null before.
  const QImage& scaledPicture() const { return scaled_; }
  QSize shownSize() const override { return onScreen_.isEmpty() ? size() : onScreen_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage scaled_;
  qint64 scaledFrom_ = 0;  // cache key of the picture it was made for
  QSize onScreen_;         // the pixels of the last scaled paint; empty at 1:1
};

}  // namespace ld
