#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
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

namespace {

void touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("x");
}

}  // namespace

TEST(SystemPictures, TheEventsOwnFileWinsEachMissingOneComesFromTheInstallation) {
  QTemporaryDir event;
  QTemporaryDir installed;
  touch(event.filePath(QStringLiteral("system/logo.jpg")));
  touch(event.filePath(QStringLiteral("system/7.gif")));
  touch(installed.filePath(QStringLiteral("logo.jpg")));
  touch(installed.filePath(QStringLiteral("3.gif")));
  touch(installed.filePath(QStringLiteral("7.gif")));
  setAppFolder(event.path());
  setInstalledSystemFolder(installed.path());
  EXPECT_EQ(systemPicture(QStringLiteral("logo.jpg")), event.filePath(QStringLiteral("system/logo.jpg")));
  EXPECT_EQ(systemPicture(QStringLiteral("7.gif")), event.filePath(QStringLiteral("system/7.gif")));
  EXPECT_EQ(systemPicture(QStringLiteral("3.gif")), installed.filePath(QStringLiteral("3.gif")));
  // Found nowhere: the event's name for it, which the failed load then reports.
  EXPECT_EQ(systemPicture(QStringLiteral("9.gif")), event.filePath(QStringLiteral("system/9.gif")));
  // A folder of that name is not a picture.
  QDir().mkpath(event.filePath(QStringLiteral("system/3.gif")));
  EXPECT_EQ(systemPicture(QStringLiteral("3.gif")), installed.filePath(QStringLiteral("3.gif")));
  setInstalledSystemFolder(QString());
  setAppFolder(QString());
}

// The event folder the program opens, with the operator's answers scripted and a creator that records what it
// was asked to make.
class EventFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs_ = new ScriptedDialogs;
    previous_ = setDialogs(std::unique_ptr<Dialogs>(dialogs_));
    choice_.programFolder = root_.filePath(QStringLiteral("program"));
    choice_.dataFolder = root_.filePath(QStringLiteral("data"));
    QDir().mkpath(choice_.programFolder);
  }
  void TearDown() override { setDialogs(std::move(previous_)); }

  QString folder(const QString& name) const { return root_.filePath(name) + QLatin1Char('/'); }
  void makeEvent(const QString& path) { touch(path + QStringLiteral("/db/db.mdb")); }
  QString resolve() {
    return resolveEventFolder(choice_, [this](const QString& f, bool demo) {
      created_.push_back({f, demo});
      if (failCreate_) {
        touch(f + QStringLiteral("db/half.mdb"));
        throw Error(QStringLiteral("磁盘已满"));
      }
      makeEvent(f);
    });
  }

  QTemporaryDir root_;
  ScriptedDialogs* dialogs_ = nullptr;
  std::unique_ptr<Dialogs> previous_;
  EventFolderChoice choice_;
  std::vector<std::pair<QString, bool>> created_;
  bool failCreate_ = false;
};

TEST_F(EventFolderTest, AnEventGivenOnTheCommandLineOpensAsItIs) {
  makeEvent(folder(QStringLiteral("party")));
  makeEvent(choice_.programFolder);
  choice_.argument = root_.filePath(QStringLiteral("party/./"));
  EXPECT_EQ(resolve(), folder(QStringLiteral("party")));
  EXPECT_TRUE(dialogs_->shown.empty());
  EXPECT_TRUE(created_.empty());
}

TEST_F(EventFolderTest, AFolderWithoutAnEventBecomesOneOnlyWhenTheOperatorAgrees) {
  choice_.argument = root_.filePath(QStringLiteral("new/party"));
  EXPECT_EQ(resolve(), QString());
  EXPECT_FALSE(QFileInfo::exists(choice_.argument)) << "declining leaves no folder behind";
  ASSERT_EQ(dialogs_->shown.size(), 1u);
  EXPECT_TRUE(dialogs_->lastText().contains(folder(QStringLiteral("new/party"))));

  struct Case {
    bool demo;
  };
  for (const Case c : {Case{true}, Case{false}}) {
    SCOPED_TRACE(c.demo);
    created_.clear();
    choice_.argument = root_.filePath(c.demo ? QStringLiteral("demo") : QStringLiteral("empty"));
    dialogs_->confirmAnswers = {true, c.demo};
    const QString opened = resolve();
    EXPECT_EQ(opened, choice_.argument + QLatin1Char('/'));
    ASSERT_EQ(created_.size(), 1u);
    EXPECT_EQ(created_[0], std::make_pair(opened, c.demo));
    EXPECT_TRUE(holdsEvent(opened));
  }
}

TEST_F(EventFolderTest, NoArgumentOpensTheProgramsOwnEventThenTheLastOneThenOffersANewOne) {
  makeEvent(folder(QStringLiteral("last")));
  choice_.lastEvent = folder(QStringLiteral("last"));
  EXPECT_EQ(resolve(), folder(QStringLiteral("last")));

  makeEvent(choice_.programFolder);
  EXPECT_EQ(resolve(), folder(QStringLiteral("program")));
  EXPECT_TRUE(dialogs_->shown.empty());
  EXPECT_TRUE(created_.empty());

  // Neither holds an event any more: a fresh folder under the data folder, never one that exists.
  QDir(choice_.programFolder).removeRecursively();
  QDir(choice_.lastEvent).removeRecursively();
  QDir().mkpath(choice_.dataFolder + QStringLiteral("/event"));
  dialogs_->confirmAnswers = {true, true};
  EXPECT_EQ(resolve(), folder(QStringLiteral("data/event-2")));
  EXPECT_TRUE(dialogs_->shown.at(0).text.contains(choice_.lastEvent))
      << "the operator learns the last one is gone";
  ASSERT_EQ(created_.size(), 1u);
  EXPECT_TRUE(created_[0].second);

  // Declined: nothing made.
  dialogs_->clear();
  created_.clear();
  choice_.lastEvent.clear();
  EXPECT_EQ(resolve(), QString());
  ASSERT_EQ(dialogs_->shown.size(), 1u);
  EXPECT_TRUE(dialogs_->lastText().contains(folder(QStringLiteral("data/event-3"))));
  EXPECT_FALSE(QFileInfo::exists(folder(QStringLiteral("data/event-3"))));
  EXPECT_TRUE(created_.empty());
}

TEST_F(EventFolderTest, RefusedFoldersAndAFailedCreationLeaveNothingBehind) {
  touch(root_.filePath(QStringLiteral("file")));
  for (const QString& bad : {root_.filePath(QStringLiteral("file")), QStringLiteral("/usr/share/luckydraw"),
                             QStringLiteral("/usr/../usr/lib/party")}) {
    SCOPED_TRACE(bad.toStdString());
    choice_.argument = bad;
    dialogs_->confirmAnswers = {true, true};
    EXPECT_THROW(resolve(), Error);
    EXPECT_TRUE(created_.empty());
  }

  choice_.argument = root_.filePath(QStringLiteral("party"));
  failCreate_ = true;
  dialogs_->confirmAnswers = {true, false};
  EXPECT_THROW(resolve(), Error);
  EXPECT_FALSE(QFileInfo::exists(choice_.argument)) << "the half-made folder is gone";

  // An existing folder of the operator's keeps what it held.
  touch(root_.filePath(QStringLiteral("mine/notes.txt")));
  choice_.argument = root_.filePath(QStringLiteral("mine"));
  dialogs_->confirmAnswers = {true, false};
  EXPECT_THROW(resolve(), Error);
  EXPECT_TRUE(QFileInfo::exists(root_.filePath(QStringLiteral("mine/notes.txt"))));
}

TEST(LastEvent, IsKeptInTheUsersSettings) {
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setOrganizationName(QStringLiteral("luckydraw-test"));
  QTemporaryDir event;
  rememberEventFolder(event.path());
  EXPECT_EQ(lastEventFolder(), event.path() + QLatin1Char('/'));
  EXPECT_TRUE(
      QSettings().fileName().startsWith(QStandardPaths::writableLocation(QStandardPaths::ConfigLocation)));
  QSettings().clear();
  EXPECT_EQ(lastEventFolder(), QString());
  QCoreApplication::setOrganizationName(QString());
  QStandardPaths::setTestModeEnabled(false);
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
