#include "framework/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "framework/application.h"
#include "framework/text.h"

namespace ld {

namespace {
QString caption() { return Tr::tr("提示"); }

// The next scripted answer; No or cancel once the script has run out.
template <class T>
T nextAnswer(std::deque<T>& answers) {
  if (answers.empty()) return T{};
  T answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> d;
  return d;
}
}  // namespace

Dialogs& dialogs() {
  auto& d = current();
  if (!d) d = std::make_unique<QtDialogs>();
  return *d;
}

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> d) {
  auto previous = std::move(current());
  current() = std::move(d);
  return previous;
}

void QtDialogs::info(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption(), text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtDialogs::confirm(const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption(), text, QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtDialogs::error(const QString& text) {
  QMessageBox box(QMessageBox::Critical, Tr::tr(kApplicationTitle), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

QString QtDialogs::openFile(const QString& filter, const QString& folder) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), folder, filter);
}

QString Dialogs::saveFile(const QString&) { return {}; }

QString QtDialogs::saveFile(const QString& filter) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), QString(), filter);
}

void StderrDialogs::print(const QString& text) {
  std::fprintf(stderr, "%s: %s\n", program_.toLocal8Bit().constData(), text.toLocal8Bit().constData());
  if (fatal_) std::exit(1);
}

bool ScriptedDialogs::confirm(const QString& text) {
  shown.push_back({Shown::Confirm, text});
  return nextAnswer(confirmAnswers);
}

QString ScriptedDialogs::openFile(const QString& filter, const QString& folder) {
  shown.push_back({Shown::OpenFile, filter});
  openFolders << folder;
  return nextAnswer(fileAnswers);
}

QString ScriptedDialogs::saveFile(const QString& filter) {
  shown.push_back({Shown::SaveFile, filter});
  return nextAnswer(fileAnswers);
}

QStringList ScriptedDialogs::texts(Shown::Kind kind) const {
  QStringList out;
  for (const auto& s : shown)
    if (s.kind == kind) out << s.text;
  return out;
}

}  // namespace ld
