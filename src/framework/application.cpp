#include "framework/application.h"

#include "framework/dialogs.h"
#include "framework/errors.h"

namespace ld {

const char* const kApplicationTitle = "幸运抽奖";

void reportError(const QString& message) { dialogs().error(message); }

void reportException(const std::exception& e) { reportError(QString::fromUtf8(e.what())); }

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("luckydraw"));
  setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace ld
