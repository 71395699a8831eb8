#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QPaintDevice;
class QPainter;
class QShortcut;

// The steps of glowing text, open so that each can be checked on its own.
namespace ld::glow {

inline constexpr int kRadius = 10;

// Captions start a new line at a lone carriage return; the toolkit breaks only at '\n'.
QString withLineFeeds(const QString& text);

// Formatted-text flags: horizontal alignment, text from the top, tabs expanded, optional wrapping and
// accelerator marks ('&' drawn literally without them).
int textFlags(Qt::Alignment alignment, bool wordWrap, bool showAccelChar);

// The text in pure red laid over itself at nine offsets, thickened to the left, right and along the
// top-left to bottom-right diagonal, as one byte per pixel (the red channel). The plane is the box plus
// kRadius on every side, the box placed at (kRadius, kRadius). `target` is the device the text is finally
// drawn on, so that the glyphs match.
QImage textMask(const QFont& font, QSize box, const QString& text, int flags, Qt::LayoutDirection direction,
                const QPaintDevice& target);

// Composites `glow` onto the painter's device at `topLeft` with the blurred mask as alpha: within one
// level of dst + a * (glow - dst) / 256, exact at a = 0 and a = 255.
void blendGlow(QPainter& painter, QPoint topLeft, const QImage& alpha, QColor glow);

// The whole effect: halo of radius kRadius around the text, then the text in the painter's font and pen,
// clipped to `box`.
void drawGlowText(QPainter& painter, const QRect& box, const QString& text, QColor glow, int flags);

// Text laid out by the caller: `draw` paints it into the box it is given with the painter's pen, choosing
// its own fonts. It is called for the halo's mask and again for the text itself.
using TextDrawer = std::function<void(QPainter&, const QRect& box)>;
QImage textMask(QSize box, const TextDrawer& draw, Qt::LayoutDirection direction, const QPaintDevice& target);
void drawGlowText(QPainter& painter, const QRect& box, QColor glow, const TextDrawer& draw);

// One line of a caption fitted to a width: its text, whole or elided, the font it is drawn in, and the
// box it is drawn into (the full width, the line's height; stacked from y = 0 unless placed by a label).
struct FittedLine {
  QString text;
  QFont font;
  QRect box;
};

// Splits `text` at its line breaks and gives each line the largest font, in whole pixels from `font`'s
// size down to `minimumPixels`, in which it fits `width`; a line that does not fit even then is cut short
// with "…". `flags` say how '&' counts (see textFlags). Measured as drawn on `device`.
std::vector<FittedLine> fitLines(const QString& text, const QFont& font, int width, int minimumPixels,
                                 int flags, const QPaintDevice* device);

// Breaks `text` into lines no wider than `width` in `font`: between words where it can, between characters
// where a word alone is too wide. Nothing is left out but the blanks at the breaks.
QStringList wrapLine(const QString& text, const QFont& font, int width, int flags,
                     const QPaintDevice* device);

// A caption laid out to be shown whole in `box`. Each line gets the largest font that fits the width, from
// `font`'s size down to `minimumPixels`; a line too wide even then wraps onto further lines at the largest
// size that needs no more of them. The caption's first `lead` characters (a heading, such as a department
// before a name) give way first: when the first line does not fit whole, they go on a line of their own,
// cut short with "…" if they must. When the lines are too tall for the box, the lead's size comes down
// first, then the others'; failing that the lines may take `room` (the box with its margins), centred in
// it, and the lead is left out last of all. Each line's box is where it is drawn.
std::vector<FittedLine> layoutCaption(const QString& text, qsizetype lead, const QFont& font,
                                      const QRect& box, const QRect& room, int minimumPixels, int flags,
                                      const QPaintDevice* device);

}  // namespace ld::glow

// A caption on a soft halo of a second colour, painted straight onto the parent's picture so that text
// stays readable on a busy background. Mouse events go to whatever lies beneath.
class TGlowLabel : public QWidget {
  // For qobject_cast and findChildren by type.
  Q_OBJECT

 public:
  enum class TextLayout { Top, Center, Bottom };

  explicit TGlowLabel(QWidget* parent = nullptr);
  ~TGlowLabel() override;

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);
  // A caption whose first `lead` characters give way to the rest when fitting (see layoutCaption): a
  // department before a name.
  void setCaption(const QString& caption, qsizetype lead);
  qsizetype captionLead() const { return lead_; }

  QColor fontColor() const { return fontColor_; }
  void setFontColor(const QColor& color);

  // Horizontal only: Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
  Qt::Alignment alignment() const { return alignment_; }
  void setAlignment(Qt::Alignment alignment);

  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on);

  // Stored and reported only: text always starts at the top of its box.
  TextLayout textLayout() const { return layout_; }
  void setTextLayout(TextLayout layout);

  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool on);

  bool showAccelChar() const { return showAccelChar_; }
  void setShowAccelChar(bool on);

  // Lines wider than the text box shrink to fit it, down to `minimumPixels`, and wrap onto further lines
  // below that, never cut (only the caption's lead is); 0 (the default) leaves every line in the label's
  // font, clipped at the box.
  int fitMinimumPixels() const { return fitMinimum_; }
  void setFitToWidth(int minimumPixels);
  // The lines as the label draws them now when fitting is on, each with its box in the label; empty
  // otherwise.
  std::vector<ld::glow::FittedLine> fittedLines() const;

  QColor glowColor() const { return glowColor_; }
  void setGlowColor(const QColor& color);

  // Takes the focus when the caption's accelerator (Alt + the marked letter) is pressed.
  QWidget* focusControl() const { return focusControl_; }
  void setFocusControl(QWidget* control);

  int glowMargin() const { return ld::glow::kRadius; }
  QRect textBox() const;

  // How often the label asked to be repainted; lets callers see that a no-op setter stayed a no-op.
  int repaintRequests() const { return repaintRequests_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int flags() const;
  void measure();
  void requestRepaint();
  void updateAccelerator();
  void acceleratorPressed();

  QString caption_;
  qsizetype lead_ = 0;
  QColor fontColor_{Qt::black};
  Qt::Alignment alignment_{Qt::AlignLeft};
  bool autoSize_ = true;
  TextLayout layout_ = TextLayout::Top;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  int fitMinimum_ = 0;
  QColor glowColor_{Qt::white};
  QPointer<QWidget> focusControl_;
  QShortcut* accelerator_ = nullptr;
  int repaintRequests_ = 0;
};
