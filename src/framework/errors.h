#pragma once
// The default error handler: an exception that escapes an event handler is shown in a message box
// and the program runs on.
#include <QString>
#include <stdexcept>
#include <utility>

namespace ld {

// Reports an error the way the application's default handler does (through Dialogs).
void reportException(const std::exception& e);
void reportError(const QString& message);

// Runs an event handler; whatever it throws goes to the default error handler.
template <class F>
void guarded(F&& handler) {
  try {
    std::forward<F>(handler)();
  } catch (const std::exception& e) {
    reportException(e);
  } catch (...) {
    reportError(QStringLiteral("Unknown error"));
  }
}

// Runs a step whose failure is deliberately silent (guarded picture loads and the like).
template <class F>
bool silently(F&& step) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

// An error with a message meant for the operator; messages are UTF-8.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString message() const { return QString::fromUtf8(what()); }
};

}  // namespace ld
