#pragma once
#include <QApplication>
#include <QLocale>

namespace ld {

// The application object: sets the title and catches what escapes an event handler, showing it
// through the default error handler instead of ending the program.
class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The title shown for the application: the draw window's and the error boxes' caption.
extern const char* const kApplicationTitle;

// Installs Qt's own translations (buttons, file dialog) for locale; false, with a warning, when they
// are not installed.
bool loadQtTranslations(QCoreApplication& app, const QLocale& locale);

}  // namespace ld
