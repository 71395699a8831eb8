#pragma once
// Every message box and file dialog goes through here, so tests can answer them without blocking.
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>

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
  // Open-file dialog; empty when cancelled. filter in Qt's form, e.g. "JEPG图像文件(*.jpg)".
  virtual QString openFile(const QString& filter) = 0;
};

// The dialogs in use; QtDialogs unless a test installed others.
Dialogs& dialogs();
// Installs d (ownership taken) and returns the previous one.
std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> d);

class QtDialogs : public Dialogs {
 public:
  void info(const QString& text) override;
  bool confirm(const QString& text) override;
  void error(const QString& text) override;
  QString openFile(const QString& filter) override;
};

// Records every box and answers from queues; an empty queue answers No / cancel.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    enum Kind { Info, Confirm, Error, OpenFile } kind;
    QString text;
  };
  std::deque<bool> confirmAnswers;
  std::deque<QString> fileAnswers;
  std::vector<Shown> shown;

  void info(const QString& text) override { shown.push_back({Shown::Info, text}); }
  bool confirm(const QString& text) override;
  void error(const QString& text) override { shown.push_back({Shown::Error, text}); }
  QString openFile(const QString& filter) override;

  QStringList texts(Shown::Kind kind) const;
  QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
  void clear() { shown.clear(); }
};

}  // namespace ld
