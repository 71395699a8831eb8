#pragma once
// The animated picture control: shows a TGIFImage composed as GIF disposal requires, stretched,
// centred or at natural size, with the picture's transparent colour showing what lies beneath.
// It paints on its parent's surface (no background of its own) and reports mouse events like a button.
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

class QPainter;
class TGIFImage;

// Base of picture controls. Everything runs on the GUI thread, so there is no lock; Qt's backing store
// double-buffers the painting.
class TImageControl : public QWidget {
  Q_OBJECT
 public:
  explicit TImageControl(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Draws the picture onto the control; nothing else is painted, so what lies beneath shows around it.
  virtual void paintImage(QPainter& painter);
};

class TGIFAnimator : public TImageControl {
  Q_OBJECT
 public:
  explicit TGIFAnimator(QWidget* parent = nullptr);
  ~TGIFAnimator() override;

  // The owned picture. Loading into it (loadFromFile, readFormData …) raises its change notification,
  // which re-reads the frame index, empties the composition cache and applies AutoSize.
  // The image's OnChange is the control's: do not reassign it.
  TGIFImage& image();
  void setImage(const TGIFImage& image);  // copies into the owned image
  // Convenience loaders used by the windows; both throw the image's errors.
  void loadFromFile(const QString& path);
  void loadFromFormData(const QByteArray& lengthPrefixedGif);

  bool autoSize() const;
  void setAutoSize(bool on);
  bool center() const;
  void setCenter(bool on);
  bool stretch() const;
  void setStretch(bool on);
  bool transparent() const;
  void setTransparent(bool on);
  bool loop() const;
  void setLoop(bool on);
  bool animate() const;
  void setAnimate(bool on);
  int frameIndex() const;
  void setFrameIndex(int index);

  // The interval of the shown frame in ms: 0 with fewer than two frames, else the delay clamped to 50..10000.
  int frameInterval() const;
  // One animation step, as the timer runs it (public so tests can step without waiting).
  void tick();
  // The composed picture of the current frame (logical screen size), as painted.
  QImage composedFrame();

 signals:
  void Click();
  void DblClick();
  void MouseDown(Qt::MouseButton button);
  void MouseUp(Qt::MouseButton button);
  void OnChange();
  void OnFrameChanged();
  void OnStart();
  void OnStop();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void paintImage(QPainter& painter) override;
  void resync();
  void imageChanged();
  void pictureChanged();
  bool hasPicture() const;
  template <class Load>
  void loadResynced(Load&& load);

  struct Private;
  std::unique_ptr<Private> d;
};
