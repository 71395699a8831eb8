#pragma once
// Every message box and file dialog goes through here, so tests can answer them without blocking.
#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

class QScreen;
class QWidget;

namespace ld {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Information box: caption "提示", OK button, no icon.
  virtual void info(const QString& text) = 0;
  // Yes/No question: caption "提示", warning icon, No is the default. True on Yes.
  virtual bool confirm(const QString& text) = 0;
  // Error report of the default error handler.
  virtual void error(const QString& text) = 0;
  // Open-file dialog, opening in folder (empty: wherever the dialog opens by itself); empty when
  // cancelled. filter in Qt's form, e.g. "图片文件(*.jpg *.png)".
  virtual QString openFile(const QString& filter, const QString& folder) = 0;
  // Save-file dialog (asks before replacing a file); empty when cancelled. Answers cancel unless overridden.
  virtual QString saveFile(const QString& filter);
  // Colour dialog titled `title`, opening on `initial`; an invalid colour when cancelled. Answers cancel
  // unless overridden.
  virtual QColor chooseColour(const QColor& initial, const QString& title);
};

// The dialogs in use; QtDialogs unless a test installed others.
Dialogs& dialogs();
// Installs d (ownership taken) and returns the previous one.
std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> d);

// Where message boxes open in front of an audience: on the operator's screen, never over what the hall is
// watching, and the keyboard back where it was once they are answered.
struct DialogPlacement {
  std::function<QScreen*()> screen;  // the operator's screen; null: where the box opens by itself
  std::function<QRect()> keepClear;  // a rectangle of that screen, in global pixels, no box may cover
  // A box was answered; `previous` had the keyboard before it (null: none). For the keyboard to go back to
  // the draw without a window manager.
  std::function<void(QWidget* previous)> afterwards;
};
void setDialogPlacement(DialogPlacement placement);
const DialogPlacement& dialogPlacement();

// Where a box of `box` size goes on `screen` (available area) so that it leaves `keepClear` uncovered:
// centred on the screen when that is clear, else beside the rectangle where there is most room, else the
// corner farthest from it.
QPoint placeClearOf(QSize box, const QRect& screen, const QRect& keepClear);

class QtDialogs : public Dialogs {
 public:
  void info(const QString& text) override;
  bool confirm(const QString& text) override;
  void error(const QString& text) override;
  QString openFile(const QString& filter, const QString& folder) override;
  QString saveFile(const QString& filter) override;
  QColor chooseColour(const QColor& initial, const QString& title) override;
};

// For programs without a screen (tools, benchmarks): messages go to stderr, questions are answered No.
// A fatal one ends the program at the first message, so a benchmark never measures a failure.
class StderrDialogs : public Dialogs {
 public:
  explicit StderrDialogs(QString program, bool fatal = false) : program_(std::move(program)), fatal_(fatal) {}
  void info(const QString& text) override { print(text); }
  bool confirm(const QString& text) override {
    print(text);
    return false;
  }
  void error(const QString& text) override { print(text); }
  QString openFile(const QString&, const QString&) override { return {}; }

 private:
  void print(const QString& text);
  QString program_;
  bool fatal_;
};

// Records every box and answers from queues; an empty queue answers No / cancel.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    enum Kind { Info, Confirm, Error, OpenFile, SaveFile, Colour } kind;
    QString text;
  };
  std::deque<bool> confirmAnswers;
  std::deque<QString> fileAnswers;
  std::deque<QColor> colourAnswers;
  std::vector<Shown> shown;
  // The folder each open-file dialog was to open in.
  QStringList openFolders;

  void info(const QString& text) override { shown.push_back({Shown::Info, text}); }
  bool confirm(const QString& text) override;
  void error(const QString& text) override { shown.push_back({Shown::Error, text}); }
  QString openFile(const QString& filter, const QString& folder) override;
  // Answered from fileAnswers too.
  QString saveFile(const QString& filter) override;
  // Records the title; answered from colourAnswers.
  QColor chooseColour(const QColor& initial, const QString& title) override;

  QStringList texts(Shown::Kind kind) const;
  QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
  void clear() {
    shown.clear();
    openFolders.clear();
  }
};

}  // namespace ld
