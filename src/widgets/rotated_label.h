#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

// A caption turned by any angle about the label's centre, painted onto the parent's picture. The turned
// caption is one line: each CR, LF or CR LF in it is drawn as one space.
class TRotatedLabel : public QWidget {
  // For qobject_cast and findChildren by type.
  Q_OBJECT

 public:
  enum Rotation { roNone, roFlat, roCurve };

  // What the placement needs of the caption, measured with the unturned font.
  struct TextExtent {
    int width = 0;   // of the caption
    int height = 0;  // of "Pp": ascent + descent
    int ascent = 0;
  };

  explicit TRotatedLabel(QWidget* parent = nullptr);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);

  // The text colour; the disabled label draws in the palette's grey text instead.
  QColor fontColor() const { return fontColor_; }
  void setFontColor(const QColor& color);

  // Counter-clockwise turn of the baseline in degrees, always stored as 0 to 359.
  int angle() const { return angle_; }
  void setAngle(int angle);

  Rotation rotation() const { return rotation_; }
  void setRotation(Rotation rotation);

  bool transparent() const { return transparent_; }
  void setTransparent(bool on);

  // Horizontal only: where the text sits along its baseline direction.
  Qt::Alignment alignment() const { return alignment_; }
  void setAlignment(Qt::Alignment alignment);

  // Stored and reported only: turned text is never sized to fit.
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on) { autoSize_ = on; }

  // Start of the turned caption on its baseline, in the label's coordinates.
  QPoint textOrigin() const;
  static QPoint textOriginFor(const QRect& box, int angle, Qt::Alignment alignment, const TextExtent& text);

  // The caption as it is turned: on one line.
  static QString SingleLine(const QString& caption);

 protected:
  // Whether `font` has scalable outlines; only those can be turned.
  virtual bool isOutlineFont(const QFont& font) const;

  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void useOutlineFont();
  TextExtent measureText() const;

  QString caption_;
  QColor fontColor_{Qt::black};
  int angle_ = 0;
  Rotation rotation_ = roNone;
  bool transparent_ = false;
  Qt::Alignment alignment_{Qt::AlignLeft};
  bool autoSize_ = true;
};
