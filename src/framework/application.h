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

// The title shown for the application: the draw window's and the error boxes' caption (Tr::tr it).
extern const char* const kApplicationTitle;

// The languages the program speaks: Chinese, its own, and English by translation.
enum class Language { Chinese, English };
// The language --lang names ("zh" or "en"; empty when not given) or, without it, the system locale's:
// English for an English locale, Chinese for any other. Throws ld::Error for another --lang value.
Language chooseLanguage(const QString& option, const QLocale& system);
// Takes --lang VALUE or --lang=VALUE out of the arguments, wherever it stands; its value ("?" when the
// value is missing), empty without it.
QString takeLanguageOption(QStringList& args);
// Speaks `language` from now on: the program's texts, Qt's own dialogs and the default locale (the
// application starts in Chinese). False, with a warning, when the English texts cannot be loaded.
bool setLanguage(QCoreApplication& app, Language language);
// The language the program speaks now: English once setLanguage has loaded the English texts.
Language currentLanguage();

// Installs Qt's own translations (buttons, file dialog) for locale; false, with a warning, when they
// are not installed.
bool loadQtTranslations(QCoreApplication& app, const QLocale& locale);

}  // namespace ld
