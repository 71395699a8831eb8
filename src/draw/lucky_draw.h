#pragma once
// The program's one owner: the data module, the draw session and every window, made and torn down in one
// place. The session announces what the draw does; the draw window, the sound, the fireworks and the plan
// notice listen to it here.
#include <QHostAddress>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

class QScreen;
class QWidget;
class TVELTRAXForm;
class TFormyanhua;
class TDataModule1;
class TsettingForm;

namespace ld {

namespace web {
class CheckInSite;
}
class BlankScreen;
class CheckInWindow;
class DrawPanel;
class PrizePlanDialog;
class DrawSession;
class EventMirror;
class KeyControl;
class KeyHelp;
class PresentationStage;
class RehearsalTitles;
class ShowInhibitor;
class Sound;
class StageFeed;
class StageView;
enum class KeyAction;

// How the draw window first shows.
struct ShowOptions {
  QString screen;             // the screen's number, "1" for the first; empty: as the event remembers
  bool presentation = false;  // filling the screen from the start
  QString minimumRoll = {};   // milliseconds, remembered in the event; empty: as the event remembers
  bool stage = false;         // the stage for the audience from the start; otherwise as the event remembers
};

class LuckyDraw : public QObject {
  Q_OBJECT
 public:
  // The data module first (its creation opens the event database), then the draw session, then the draw
  // window, not yet shown.
  LuckyDraw();
  ~LuckyDraw() override;

  TDataModule1& data() { return *data_; }
  DrawSession& session() { return *session_; }
  TVELTRAXForm& drawWindow() { return *drawWindow_; }

  // A further settings window, shown without making it modal; closing it gives its memory back.
  TsettingForm* openSettingsWindow();
  const std::vector<std::unique_ptr<TsettingForm>>& settingsWindows() const { return settingsWindows_; }

  // The fireworks window, found by its name or made on the first completed level, then shown.
  void celebrate();
  TFormyanhua* fireworksWindow() const { return fireworks_.get(); }

  // What a key of the keyboard or a presentation clicker does while one of the draw's windows is in front
  // (the draw window or its stage, the fireworks, the black screen, the key overlay): true when it acted.
  // While the screen is black the next key only brings the picture back.
  bool handleKey(KeyAction action);
  bool isDrawWindow(const QWidget* window) const;
  // Black screen over the screen the audience sees, or the picture back.
  void toggleBlank();
  bool blanked() const;

  // The screen the operator works at: the primary screen. Questions, messages and the key overlay open
  // there; when the draw is on it too, they keep clear of the winner's photo and name.
  QScreen* operatorScreen() const;
  // The handset is on the operator's screen, not under the stage.
  bool drawOnOperatorScreen() const;
  // Where the winner's photo and name are on screen, in global pixels.
  QRect winnerArea() const;
  // The key overlay shown on the operator's screen while the draw is on another one.
  KeyHelp* operatorKeyHelp() const { return operatorKeyHelp_.get(); }
  // A line on the operator's screen while every prize of a limited plan is drawn: the next winner is
  // outside the plan. Brought up to date whenever a roll starts or stops, an absence is marked or a
  // settings window closes.
  QWidget* planNotice() const { return planNotice_.get(); }
  void refreshPlanNotice();
  // A line on the operator's screen while the winner on show has the placeholder instead of their photo:
  // which file, and why. Gone at the next roll.
  QLabel* photoNotice() const { return photoNotice_.get(); }
  void winnerPhotoNotShown(const QString& why);
  // A line on the operator's screen for a few seconds: a prize key or click that changed nothing, and why.
  QLabel* prizeNotice() const { return prizeNotice_.get(); }
  static constexpr int kPrizeNoticeMs = 3000;

  // The operator's panel: on the operator's screen beside the handset, never taking the keyboard when it
  // shows. F9 and the handset's menu show or hide it; it opens by itself when the plan uses what the
  // handset cannot show, unless the hall watches the operator's screen.
  DrawPanel* drawPanel() const { return drawPanel_.get(); }
  // The prize plan window opened from the panel; none before it was first asked for.
  PrizePlanDialog* prizePlanWindow() const { return prizePlan_.get(); }
  void toggleDrawPanel();
  void showDrawPanel();

  // Shows the draw window on its screen: the one given (and remembered from then on), else the one the event
  // remembers, else the primary screen. A screen smaller than the window gets the window scaled down to
  // fit. A screen number that names no screen is reported, and the window shows as if none were given.
  void show(const ShowOptions& options = {});
  // The screen the draw window is on; the fireworks and the black screen cover it.
  QScreen* screen() const;
  // The window the audience sees: the draw window, or the stage showing it scaled.
  QWidget& shownWindow();
  PresentationStage* stage() const { return stage_.get(); }

  // The presentation mode: the draw window scaled to fill its screen, black all round.
  bool presenting() const { return presenting_; }
  void setPresenting(bool on);

  // The stage: a full-screen view made for the hall on the audience's screen, while the handset stays on
  // the operator's with every control. With one screen the stage covers it. It takes the place of the
  // presentation mode, and the choice is remembered in the event.
  bool stageShown() const { return stageShown_; }
  void setStageShown(bool on);
  StageView* stageView() const { return stageView_.get(); }
  StageFeed* stageFeed() const { return stageFeed_.get(); }
  // The screen the stage covers: the draw's screen, or another one than the operator's while there is one.
  QScreen* stageScreen() const;
  // The screen the handset is on: the operator's while the stage shows, else the draw's.
  QScreen* handsetScreen() const;
  // The draw window on another screen, centred, remembered in the event.
  void moveToScreen(QScreen* screen);
  void nextScreen();

  // Keeps a copy of the event in `folder` (another disk) after every stop and at once; a failure shows as a
  // notice on the operator's screen until a copy works again. Throws Error for a folder that cannot be one.
  void setMirror(const QString& folder);
  EventMirror* mirror() const { return mirror_.get(); }
  QLabel* mirrorNotice() const { return mirrorNotice_.get(); }

  // A rehearsal on a scratch copy of the event: a small mark in a corner of the operator's screen, never on
  // the audience's and never over the winner, every window's title saying so, and no rehearsal started
  // from its settings windows.
  void markRehearsal();
  bool rehearsal() const { return rehearsalMark_ != nullptr; }
  QLabel* rehearsalMark() const { return rehearsalMark_.get(); }

  Sound& sound() { return *sound_; }
  // M: the sound off or on again, remembered in the event.
  void toggleMute();

  // The phones' web server (check-in, live winners): off until started here or in its window. Returns ""
  // or why it cannot start.
  web::CheckInSite& checkInSite() { return *site_; }
  QString startWeb(const QHostAddress& address, quint16 port);
  CheckInWindow* checkInWindow() const { return checkInWindow_.get(); }
  void openCheckInWindow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<TDataModule1> data_;
  std::unique_ptr<DrawSession> session_;
  std::unique_ptr<TVELTRAXForm> drawWindow_;
  std::unique_ptr<TFormyanhua> fireworks_;
  std::vector<std::unique_ptr<TsettingForm>> settingsWindows_;
  std::unique_ptr<BlankScreen> blank_;
  std::unique_ptr<KeyControl> keys_;
  std::unique_ptr<KeyHelp> operatorKeyHelp_;
  std::unique_ptr<QLabel> planNotice_;
  std::unique_ptr<QLabel> photoNotice_;
  std::unique_ptr<QLabel> mirrorNotice_;
  std::unique_ptr<QLabel> prizeNotice_;
  QTimer prizeNoticeTimer_;
  std::unique_ptr<DrawPanel> drawPanel_;
  std::unique_ptr<PrizePlanDialog> prizePlan_;
  void openPrizePlanWindow();
  std::unique_ptr<QLabel> rehearsalMark_;
  std::unique_ptr<RehearsalTitles> rehearsalTitles_;
  std::unique_ptr<PresentationStage> stage_;
  std::unique_ptr<StageView> stageView_;
  std::unique_ptr<StageFeed> stageFeed_;
  std::unique_ptr<Sound> sound_;
  std::unique_ptr<ShowInhibitor> inhibitor_;
  std::unique_ptr<EventMirror> mirror_;
  std::unique_ptr<web::CheckInSite> site_;
  std::unique_ptr<CheckInWindow> checkInWindow_;
  QTimer checkInRefresh_;
  void connectCheckInSite();
  void checkInsChanged();
  // The seal on the stage, the phones' page and the check-in's state, as the event holds it.
  void showSeal();

 public:
  // Asked before a change to what a sealed draw fixed (roster, plan, rules, check-ins, results): true when
  // nothing is sealed, or when the operator agrees to break the seal, which is then broken with `why`
  // (stored as given) before the change.
  bool allowChangeUnderSeal(const QString& why);

 private:
  QPointer<QScreen> screen_;
  bool shown_ = false;
  bool presenting_ = false;
  bool stageShown_ = false;
  bool dragging_ = false;
  QPoint dragStart_;

  // Puts the draw window, or the stage, on its screen: 1:1, scaled to fit, or filling it. `recentre`
  // centres a 1:1 window; otherwise it stays where it was put.
  void place(bool recentre);
  void placeHandset(bool recentre);
  void placeStage();
  void rememberStage();
  void rememberScreen();
  // The keyboard back to the draw, as no window manager may do it.
  void focusDraw();
  bool toggleKeyHelp();
  bool dismissKeyHelp();
  void frameDropped();
  // Whether the place found leaves the handset uncovered.
  bool placeDrawPanel();
  void openDrawPanelIfPlanNeeds();
  // The hall sees the operator's screen: a stage or a presentation covers it.
  bool hallWatchesOperatorScreen() const;
  // The notices: lines on the operator's screen that ask nothing and never take the keyboard.
  static std::unique_ptr<QLabel> makeNotice(const char* name, const QString& title, const QString& text);
  void showNotice(std::unique_ptr<QLabel>& notice, const char* name, const QString& title,
                  const QString& text);
  void hideNotice(QLabel* notice);
  // Every notice wanted on screen, `showing` too, placed and shown.
  void placeNotices(QLabel* showing = nullptr);
  // The rehearsal's mark in the first corner of the operator's screen that leaves the winner and the
  // notices uncovered.
  void placeRehearsalMark();
};

}  // namespace ld
