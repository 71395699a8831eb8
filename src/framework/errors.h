#pragma once
// The default error handler: an exception that escapes an event handler is shown in a message box
// and the program runs on.
#include <QString>
#include <QtGlobal>
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

// Runs a step whose failure must not reach the operator (guarded picture loads and the like). The failure
// still leaves a warning naming `what`, so a swallowed error can be traced.
template <class F>
bool silently(const char* what, F&& step) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const std::exception& e) {
    qWarning("%s: %s", what, e.what());
  } catch (...) {
    qWarning("%s: unknown error", what);
  }
  return false;
}
template <class F>
bool silently(F&& step) {
  return silently("a guarded step failed", std::forward<F>(step));
}

// An error with a message meant for the operator; messages are UTF-8.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString message() const { return QString::fromUtf8(what()); }
};

}  // namespace ld
