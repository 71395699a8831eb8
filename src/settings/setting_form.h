#pragma once
// The settings window: event information, prize plan, participant roster and photo import.
// The window's members are defined in one file per part of it:
//   setting_form.cpp         building, placing and opening the window; the event information
//   setting_form_plan.cpp    the prize plan ("奖项设置")
//   setting_form_roster.cpp  the roster ("名单列表") and the two clean-ups ("清空历史")
//   setting_form_photo.cpp   photo import into the photo box
// The window runs no statement itself: the roster, the event information and the plan have their stores
// in data/.
#include <QPoint>
#include <QSize>
#include <QWidget>
#include <functional>

#include "data/event_info_store.h"
#include "data/plan_store.h"
#include "data/query.h"
#include "data/roster_store.h"
#include "settings/roster_grid.h"
#include "settings/theme_group.h"
#include "widgets/picture_box.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QStyleOptionViewItem;

class TDataModule1;

namespace ld {

class PrizePlanDialog;
struct PhotoNameCheck;

// Where the window goes: centred on the screen, 15 pixels above the middle (halves truncate toward 0).
QPoint settingFormPosition(QSize screen, QSize window);

}  // namespace ld

class TsettingForm : public QWidget {
  Q_OBJECT
 public:
  // Builds the controls and runs FormCreate; an error there is reported and the window opens with what
  // was loaded so far. Closing the window only hides it. Every statement runs on the data module's
  // ADOQuerysetting; the data module must outlive the window.
  explicit TsettingForm(TDataModule1& dataModule, QWidget* parent = nullptr);
  ~TsettingForm() override;

  // Event information.
  void FormCreate();
  void ButtonhyjcszClick();
  void Button2Click();
  // After a question, this event's rehearsal as a program of its own (luckydraw --rehearsal EVENT_DIR).
  void ButtoncpClick();

  // Prize plan.
  void ButtonhyjxszClick();
  void Button6Click();
  void RadioButtonxzClick();
  void RadioButtonbxClick();
  // Every prize with its winners per press and its rule, extra prizes added or removed, in a window of its
  // own; a change there reloads the quantities here.
  void ButtonjxgzClick();

  // Roster.
  void showComboBoxbm();
  void showStringGridgy();
  // Paints over one cell after its normal drawing; ARow counts the header row as 0.
  void StringGridgyDrawCell(QPainter* canvas, int ACol, int ARow, const QRect& rect,
                            const QStyleOptionViewItem& state);
  void StringGridgyClick();
  void ButtontjygClick();
  void Button4Click();
  void Button3Click();
  void Button5Click();
  void Button7Click();

  // The audience screen's look, in a window of its own: the window has no room left for another group.
  void ButtonwtwgClick();

  // Photo import.
  void Button1Click();
  bool CompressMainFun(const QString& fileName, int quality, int width, int height);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLineEdit* Editgsmc;
  QLabel* Label3;
  QLineEdit* Editlxry;
  QLabel* Label12;
  QLineEdit* Editlxdh;
  QPushButton* Button2;
  QPushButton* Buttonhyjcsz;

  QGroupBox* GroupBox2;
  QRadioButton* RadioButtonxz;
  QRadioButton* RadioButtonbx;
  QLabel* Label1dj;
  QLineEdit* Edit1dj;
  QLabel* Label2dj;
  QLineEdit* Edit2dj;
  QLabel* Label3dj;
  QLineEdit* Edit3dj;
  QLabel* Label4dj;
  QLineEdit* Edit4dj;
  QPushButton* Button6;
  QPushButton* Buttonhyjxsz;
  QPushButton* Buttonjxgz;                  // "奖项规则…"
  QPushButton* Buttonsjqd;                  // "手机签到…"
  ld::PrizePlanDialog* Formjxgz = nullptr;  // made on first use

  QGroupBox* GroupBox3;
  ld::RosterGrid* StringGridgy;
  QLabel* Label10;
  QComboBox* ComboBoxbm;
  QLabel* Label9;
  QLineEdit* Editxm;
  QLabel* Label11;
  QPushButton* Button1;
  QFrame* Panel1;
  TImage* Imagezp;
  QLabel* Label1zpsy;
  QLabel* Labelid;
  QPushButton* Buttontjyg;
  QPushButton* Button3;
  QPushButton* Button4;

  QGroupBox* GroupBox4;
  QPushButton* Button5;
  QPushButton* Button7;

  // Spreadsheets in and out; the program's owner answers them, since they need more than this window.
  QPushButton* Buttondrmd;  // "导入名单…"
  QPushButton* Buttondczj;  // "导出中奖名单…"
  QPushButton* Buttondcmd;  // "导出名单…"
  QPushButton* Buttoncp;    // "彩排…", disabled in a rehearsal

  // Starts a program that runs on after this one, as QProcess::startDetached does; false when it could not.
  std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
  // Asked before a button changes the event information, the plan, the roster or the results; false calls
  // the change off. None: every change goes ahead.
  std::function<bool()> beforeChange;

  QPushButton* Buttonwtwg;  // "舞台外观…"
  QWidget* Formwtwg;        // the window holding GroupBoxwtwg
  ld::ThemeGroup* GroupBoxwtwg;

  QStatusBar* StatusBar1;

 signals:
  void rosterImportRequested();
  void resultsExportRequested();
  void rosterExportRequested();
  // Saved here: every result cleared (with the roster or alone), or the prize plan changed.
  void resultsCleared();
  void planChanged();
  // The audience screen's look was saved.
  void themeChanged();
  // The phones' check-in window (its web server, check-in by hand).
  void checkInRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The look window goes with the settings window: a window of its own is not hidden with it by itself.
  void hideEvent(QHideEvent* event) override;

 private:
  void buildControls();
  void connectHandlers();
  void showQuantities(bool visible);
  void refresh();
  void emptyEntry(bool department);
  QString selectedId() const;
  bool refusedPhotoName(const ld::PhotoNameCheck& check);
  bool photoPathTaken(const QString& path, const QString& exceptId);
  bool photoNamedByRoster(const QString& stored);
  void removeUnnamedPhoto(const QString& oldStored, const QString& newStored);
  QString lastPhotoFolder();
  void rememberPhotoFolder(const QString& folder);
  // The sharper copy of the picture the photo box holds now; empty when it has none.
  QByteArray sharpCopyOfBox() const;
  void keepSharpCopy(const QByteArray& sharp, const QByteArray& of);

  ld::Query& query_;
  ld::RosterStore roster_;
  ld::EventInfoStore eventInfo_;
  ld::PlanStore plans_;
  // The grid reads its rows as they are shown, on a query of its own, so that it never disturbs a result
  // the window is reading.
  ld::Query gridQuery_;
  ld::RosterStore gridRoster_;
  // The sharper copy of the last imported or loaded photo and the photo's own bytes: a picture put into the
  // box any other way never takes a copy that is not its own.
  QByteArray sharp_, sharpOf_;
};
