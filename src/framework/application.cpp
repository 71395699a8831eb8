#include "framework/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "framework/dialogs.h"
#include "framework/errors.h"

namespace ld {

const char* const kApplicationTitle = "幸运抽奖";

void reportError(const QString& message) { dialogs().error(message); }

void reportException(const std::exception& e) { reportError(QString::fromUtf8(e.what())); }

bool loadQtTranslations(QCoreApplication& app, const QLocale& locale) {
  // qtbase holds what Qt's own dialogs and buttons say (Yes/No, the whole file dialog).
  auto* translator = new QTranslator(&app);
  if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator))
    return true;
  qWarning("Qt's own translations for %s not found in %s (Debian package qt6-translations-l10n)",
           qUtf8Printable(locale.name()), qUtf8Printable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
  delete translator;
  return false;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("luckydraw"));
  // No display name: the window manager would append it to every title ("设置 — 幸运抽奖").
  // The program speaks Chinese, so Qt's own dialogs do too, down to the file types and sizes they list.
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  loadQtTranslations(*this, chinese);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace ld
