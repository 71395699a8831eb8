#include "framework/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <algorithm>

#include "framework/dialogs.h"
#include "framework/errors.h"
#include "framework/text.h"

namespace ld {

namespace {
Language g_language = Language::Chinese;

// A translator for the application, installed when `load` fills it; false, with nothing left over, when not.
template <class Load>
bool installTranslator(QCoreApplication& app, Load&& load) {
  auto* translator = new QTranslator(&app);
  if (load(*translator) && QCoreApplication::installTranslator(translator)) return true;
  delete translator;
  return false;
}
}  // namespace

const char* const kApplicationTitle = QT_TRANSLATE_NOOP("ld", "幸运抽奖");

void reportError(const QString& message) { dialogs().error(message); }

void reportException(const std::exception& e) { reportError(QString::fromUtf8(e.what())); }

bool loadQtTranslations(QCoreApplication& app, const QLocale& locale) {
  // qtbase holds what Qt's own dialogs and buttons say (Yes/No, the whole file dialog).
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (installTranslator(app, [&](QTranslator& t) {
        return t.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
      }))
    return true;
  qWarning("Qt's own translations for %s not found in %s (Debian package qt6-translations-l10n)",
           qUtf8Printable(locale.name()), qUtf8Printable(folder));
  return false;
}

QString takeLanguageOption(QStringList& args) {
  QString option;
  for (qsizetype i = 0; i < args.size();) {
    if (args[i] == QLatin1String("--lang")) {
      option = args.value(i + 1, QStringLiteral("?"));
      args.remove(i, std::min<qsizetype>(2, args.size() - i));
    } else if (args[i].startsWith(QLatin1String("--lang="))) {
      option = args[i].mid(7);
      args.remove(i);
    } else {
      ++i;
    }
  }
  return option;
}

Language chooseLanguage(const QString& option, const QLocale& system) {
  if (option == QLatin1String("zh")) return Language::Chinese;
  if (option == QLatin1String("en")) return Language::English;
  if (!option.isEmpty()) throw Error(Tr::tr("--lang 只接受 zh（中文）或 en（英文），不接受“%1”").arg(option));
  return system.language() == QLocale::English ? Language::English : Language::Chinese;
}

bool setLanguage(QCoreApplication& app, Language language) {
  // Whatever spoke before goes: Qt's Chinese dialogs, or our English texts.
  for (QTranslator* old : app.findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(old);
    delete old;
  }
  g_language = Language::Chinese;
  if (language == Language::Chinese) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    return loadQtTranslations(app, chinese);
  }
  // Qt's own dialogs speak English without a translation.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  if (installTranslator(app,
                        [](QTranslator& t) { return t.load(QStringLiteral(":/i18n/luckydraw_en.qm")); })) {
    g_language = Language::English;
    return true;
  }
  qWarning("the English texts (:/i18n/luckydraw_en.qm) cannot be loaded: the program speaks Chinese");
  return false;
}

Language currentLanguage() { return g_language; }

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("luckydraw"));
  // No display name: the window manager would append it to every title ("设置 — 幸运抽奖").
  // The program speaks Chinese, so Qt's own dialogs do too, down to the file types and sizes they list.
  setLanguage(*this, Language::Chinese);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  guarded([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace ld
