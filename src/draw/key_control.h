#pragma once
// The keyboard and presentation clickers: which key does what, caught for every window of the program
// before the focused control sees it, and the overlay that lists the keys.
#include <QHash>
#include <QObject>
#include <QWidget>
#include <functional>
#include <vector>

class QKeyEvent;

namespace ld {

enum class KeyAction {
  None,
  Draw,          // Space, Enter, PageDown, Right, Down: what a click on the draw icon does
  Blank,         // B or '.': black screen and back
  Presentation,  // F11
  Help,          // F1 or '?': the key overlay
  Dismiss,       // Escape: closes the overlay or the black screen, calls off a roll; never ends the program
  Cancel,        // Backspace: calls off a roll, nobody drawn
  Absent,        // Delete or R: the winner shown is not in the room
  Mute,          // M
  NextScreen,    // S: the draw window goes to the next screen
  Stage,         // F10: the stage for the audience, or the handset again
  TurnPage,      // PageUp: the next page of the stage's wall of winners
  Panel,         // F9: the operator's panel (prizes, absences, voided wins)
  UsualOrder,    // 0: the prizes drawn in their usual order again
  // 1 … 9: the prize with that key number drawn next
  Prize1,
  Prize2,
  Prize3,
  Prize4,
  Prize5,
  Prize6,
  Prize7,
  Prize8,
  Prize9,
};

// The action a key press stands for; None for keys held with Ctrl, Alt or Meta and for every other key.
KeyAction keyActionFor(const QKeyEvent& event);
// The key number of a prize key (1 … 9); 0 for every other action.
int prizeKeyNumber(KeyAction action);

// One line of the overlay: the keys, and what they do.
struct KeyHelpLine {
  QString keys;
  QString meaning;
};
const std::vector<KeyHelpLine>& keyHelpLines();

// Whether typing goes to `widget`: a line or text edit, a spin box, an editable list box. Keys pressed
// there are the operator's text, not commands.
bool takesText(const QWidget* widget);

// Tells a key's first press from the repeats of a key held down. The window system does not always mark
// its repeats: some arrive as a release and a press at the same moment, some as presses without release.
// Events without a time (made by the program itself) count only by their repeat mark.
class KeyRepeats {
 public:
  // True for a press that only repeats a key still held down.
  bool isRepeat(const QKeyEvent& press);
  void released(const QKeyEvent& release);
  // The keyboard went elsewhere: what was held is forgotten.
  void clear() { keys_.clear(); }

 private:
  struct State {
    bool down = false;
    quint64 lastPress = 0;
    quint64 lastRelease = 0;
  };
  QHash<int, State> keys_;
};

// Watches the key presses of the whole application. A press for an action goes to the handler, which
// either acts and says so (no control sees the key then) or does nothing at all and lets the key travel on:
// it may be asked again as the key goes up to the control's parents. A held key's repeats do nothing, so a
// roll is never stopped and restarted by itself. Only the windows of the draw take the keys (`drawWindow`
// says which they are); elsewhere, in a settings window or a dialog, a key is the control's own. Keys are
// left alone while a text field has the focus and while a message box or a menu is open.
class KeyControl : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<bool(KeyAction)>;
  using WindowTest = std::function<bool(const QWidget* window)>;
  KeyControl(Handler handler, WindowTest drawWindow, QObject* parent = nullptr);
  ~KeyControl() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool applies(QObject* watched) const;
  Handler handler_;
  WindowTest drawWindow_;
  KeyRepeats repeats_;
  struct {
    const QKeyEvent* event = nullptr;
    quint64 timestamp = 0;
    int key = 0;
  } lastPress_;
};

// The overlay listing the keys: a dark card over the handset's screen; a click or the next F1 hides it.
class KeyHelp : public QWidget {
  Q_OBJECT
 public:
  explicit KeyHelp(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ld
