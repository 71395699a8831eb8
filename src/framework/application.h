#pragma once
#include <QApplication>

namespace ld {

// The application object: sets the title and catches what escapes an event handler, showing it
// through the default error handler instead of ending the program.
class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The title shown for the application.
extern const char* const kApplicationTitle;

}  // namespace ld
