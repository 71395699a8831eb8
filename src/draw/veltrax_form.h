#pragma once
// The draw window: a borderless handset whose screen holds the draw panel (eight rolling photo tiles,
// the winner's photo and name, the winners board), a column of icons, a turned clock and the power key.
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "draw/draw_session.h"

class QAction;
class QPushButton;
class TGIFAnimator;
class TGlowLabel;
class TRotatedLabel;
class TImage;

namespace ld {
class KeyHelp;
}  // namespace ld

class TVELTRAXForm : public QWidget {
  Q_OBJECT
 public:
  // Builds the controls and runs FormCreate; what FormCreate throws goes to the default error handler.
  // The draw itself is the session's (LuckyDraw owns it): the window asks it and shows what it announces.
  explicit TVELTRAXForm(ld::DrawSession& session, QWidget* parent = nullptr);
  ~TVELTRAXForm() override;

  // The navy that is see-through, clicks included.
  static constexpr QRgb kColourKey = 0xff000080;
  static constexpr QSize kClientSize{1015, 506};

  enum class DrawState { Idle, Rolling, Result };
  DrawState drawState() const;

  // The handlers, under the names of their controls and events. Called directly they throw; wired to
  // their events and timers they run guarded, so errors reach the default error handler.
  void FormCreate();
  void TimerrqsjTimer();
  void GIFgjMouseDown();
  void GIFgjMouseUp();
  void TimergjTimer();
  void ButtonqdClick();
  void ButtonqxClick();
  void GIFgjDblClick();
  void GIFAnimatorlogoClick();
  void TimercjTimer();
  void showzjmd();

  // "yy-MM-dd  hh:mm": the clock's caption for a moment.
  static QString clockText(const QDateTime& moment);

  // Every way to close the draw window except the question's "确定" (a window manager's close, Alt+F4, a
  // session ending) shows the switch-off question instead; the program ends only once it is answered.
  // The question is the handset's own panel, unless `asksOnHandset` says the handset is not where the
  // operator looks (another screen, or filling the audience's): then it is a message box for the operator.
  void askToSwitchOff();
  std::function<bool()> asksOnHandset;
  // Closes for good, as "确定" does; the program ends.
  void switchOff();

  // Cuts the window to its non-navy pixels again (after a picture changed the outline).
  void updateWindowShape();

  // What shows around the handset: navy (see-through) on a desktop, black when the window fills a screen
  // for an audience.
  void setSurroundings(QColor colour);

  // The keys. Each acts and returns true, or does nothing and returns false so that the key goes on to
  // the control that has the focus.
  // Start or stop, as a click on the draw icon; not while the switch-off question is up (its buttons
  // take Enter and Escape).
  bool drawKey();
  // A press of a key or a click on the draw icon, as a person or a clicker makes them: a press soon after
  // the previous one is the clicker bouncing and does nothing; a stop pressed before the roll has lasted its
  // minimum is carried out when it has.
  void drawPress();
  struct PressTiming {
    int bounceMs = 300;
    int minimumRollMs = 1000;
  };
  void setPressTiming(PressTiming timing) { pressTiming_ = timing; }
  PressTiming pressTiming() const { return pressTiming_; }
  // A stop pressed early and waiting for the minimum roll.
  bool stopPending() const { return deferredStop_.isActive(); }
  // Escape or Backspace during a roll: the tiles stop, nobody is drawn, the journal notes it.
  bool cancelRoll();
  // Shows or hides the overlay listing the keys.
  bool toggleKeyHelp();
  // Hides the overlay when it is up.
  bool dismissKeyHelp();
  // The winner shown is not in the room: asks, then records the absence (Delete, R, or the winner
  // photo's menu). Only while a recorded winner is shown.
  bool absentKey();
  void markShownWinnerAbsent();
  // The recorded winner on show, until the next start or an absence.
  const std::optional<ld::DrawResult>& shownWinner() const { return shownWinner_; }
  QAction* absentAction() const { return absentAction_; }
  // The handset's menu entry for the operator's panel.
  QAction* panelAction() const { return panelAction_; }
  ld::KeyHelp* keyHelp() const { return keyHelp_; }

  // Controls, in creation order.
  TGIFAnimator* GIFBJ = nullptr;
  TGIFAnimator* GIFgj = nullptr;
  TRotatedLabel* Labelrqsj = nullptr;
  TGIFAnimator* GIFAnimator1 = nullptr;
  TGIFAnimator* GIFAnimator2 = nullptr;
  TGIFAnimator* GIFAnimatorlogo = nullptr;
  TGIFAnimator* GIFAnimator4 = nullptr;
  TGIFAnimator* GIFAnimator5 = nullptr;
  QWidget* Panelgj = nullptr;
  TGlowLabel* GlowLabel1 = nullptr;
  QPushButton* Buttonqd = nullptr;
  QPushButton* Buttonqx = nullptr;
  QWidget* Panelcj = nullptr;
  TGlowLabel* GlowLabel2 = nullptr;
  TGlowLabel* GlowLabelcj0 = nullptr;
  TGlowLabel* GlowLabelzj = nullptr;
  // Panelzp[0] is the winner photo, Panelzp[1] … [8] the tiles clockwise from the top; Image[k] in each.
  std::array<QWidget*, 9> Panelzp{};
  std::array<TImage*, 9> Image{};

  QTimer Timergj;
  QTimer Timerrqsj;
  QTimer Timercj;

 signals:
  // The window closed: the program ends.
  void closed();
  // The handset's frame dragged with the mouse: how far from where the press began, in screen pixels;
  // then where the drag ended.
  void frameDragged(QPoint distance);
  void frameDropped();
  // The window's outline changed (a picture of another size).
  void outlineChanged();
  // A double-click on the power key: a further settings window is wanted.
  void settingsRequested();
  // The operator's panel is wanted (the handset's menu).
  void panelRequested();
  // The winner's photo could not be shown and the placeholder stands in: why, naming the file.
  void winnerPhotoNotShown(const QString& why);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildShell();
  void buildConfirmPanel();
  void buildDrawPanel();
  void wireEvents();

  void startDraw();
  void stopDraw();
  // What the session announces.
  void showDrawn(const QList<ld::DrawResult>& winners);
  void showAbsent(const ld::DrawResult& winner);
  void showResult(const ld::DrawResult& result);
  void setShownWinner(std::optional<ld::DrawResult> winner);

  ld::DrawSession& session_;
  PressTiming pressTiming_;
  QElapsedTimer lastPress_;
  QElapsedTimer rollClock_;
  QTimer deferredStop_;
  bool askingToSwitchOff_ = false;
  ld::KeyHelp* keyHelp_ = nullptr;
  QAction* absentAction_ = nullptr;
  QAction* panelAction_ = nullptr;
  std::optional<ld::DrawResult> shownWinner_;
  bool shaping_ = false;
  bool switchingOff_ = false;
  std::optional<QPointF> dragFrom_;
};
