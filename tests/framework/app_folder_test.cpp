#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include "framework/app_folder.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/errors.h"

using namespace ld;

TEST(AppFolder, StoredPathsMapInsideTheFolderOnly) {
  setAppFolder(QStringLiteral("/srv/draw"));
  EXPECT_EQ(appFolder(), QStringLiteral("/srv/draw/"));
  EXPECT_EQ(appPath(QStringLiteral("zp\\销售部_王芳.jpg")), QStringLiteral("/srv/draw/zp/销售部_王芳.jpg"));
  EXPECT_EQ(appPath(QStringLiteral("system\\logo.jpg")), QStringLiteral("/srv/draw/system/logo.jpg"));
  for (const char* escaping : {"zp\\..\\..\\etc\\passwd", "../x", "/etc/passwd", "C:\\x", "zp/../../y"})
    EXPECT_THROW(appPath(QString::fromLatin1(escaping)), Error) << escaping;
  setAppFolder(QString());
  EXPECT_TRUE(appFolder().endsWith(QLatin1Char('/')));
}

TEST(DefaultErrorHandler, AnEscapingErrorIsShownAndTheProgramRunsOn) {
  auto* scripted = new ScriptedDialogs;
  auto previous = setDialogs(std::unique_ptr<Dialogs>(scripted));
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked,
                   [] { guarded([] { throw Error(QStringLiteral("坏了")); }); });
  button.click();
  button.click();
  EXPECT_EQ(scripted->texts(ScriptedDialogs::Shown::Error),
            (QStringList{QStringLiteral("坏了"), QStringLiteral("坏了")}));
  EXPECT_FALSE(silently([] { throw Error(QStringLiteral("quiet")); }));
  EXPECT_EQ(scripted->shown.size(), 2u);

  // An event handler that guards nothing: the application object catches it.
  struct Thrower : QObject {
    bool event(QEvent*) override { throw Error(QStringLiteral("事件")); }
  } thrower;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&thrower, &event);
  EXPECT_EQ(scripted->lastText(), QStringLiteral("事件"));
  setDialogs(std::move(previous));
}
