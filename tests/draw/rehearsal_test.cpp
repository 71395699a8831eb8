// A dress rehearsal on a scratch copy: the copy holds the event as it is, is removed at the end (and after a
// kill at the next start), and whatever the rehearsal draws, clears or imports leaves every file of the event
// as it was, while the event stays open in another program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>

#include "draw/lucky_draw.h"
#include "draw/rehearsal_copy.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/event_lock.h"
#include "settings/setting_form.h"
#include "support/draw_helpers.h"
#include "support/keys.h"
#include "support/settings_helpers.h"
#include "support/transfer_helpers.h"
#include "transfer/import_photos.h"
#include "transfer/roster_import.h"

using namespace ld::test;

namespace {

struct FileState {
  QByteArray digest;  // empty for a folder
  qint64 mtimeNs = 0;
  bool operator==(const FileState&) const = default;
};

// Every file and folder under `folder`, hidden ones too, with its bytes and modification time.
QMap<QString, FileState> snapshot(const QString& folder) {
  QMap<QString, FileState> state;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << qPrintable(path);
    FileState s{{}, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    if (it.fileInfo().isFile())
      s.digest = QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
    state.insert(QDir(folder).relativeFilePath(path), s);
  }
  return state;
}

ino_t inode(const QString& file) {
  struct stat info {};
  return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_ino : 0;
}

QStringList entriesOf(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class Rehearsal : public ::testing::Test {
 protected:
  void SetUp() override {
    event.setPlan(1, 1, 1, 1, 2);
    for (int i = 0; i < 6; ++i) event.addParticipant(QStringLiteral("人%1").arg(i), QStringLiteral("部门"));
    QDir(event.folder()).mkpath(QStringLiteral("zt"));
    writeFile(event.path(QStringLiteral("zt/card.jpg")), solidJpeg(64, 64, Qt::red));
    // A write of the event's under way is not part of it yet.
    writeFile(event.path(QStringLiteral("zp/.~new-0123456789abcdef.tmp")), "half");
  }
  void TearDown() override {
    program.reset();
    deleteOtherTopLevels();
    ld::setAppFolder(event.folder());
  }
  QString copies() const { return cache.path(); }
  ld::LuckyDraw& start(const ld::RehearsalCopy& copy) {
    ld::setAppFolder(copy.folder());
    program = std::make_unique<ld::LuckyDraw>();
    program->markRehearsal();
    program->drawWindow().setPressTiming({0, 0});
    program->show();
    return *program;
  }
  void drawOne() {
    key(&program->shownWindow(), Qt::Key_Space);
    key(&program->shownWindow(), Qt::Key_Space);
    ASSERT_EQ(program->drawWindow().drawState(), TVELTRAXForm::DrawState::Result);
  }
  // The copy's database, as another program reads it.
  QStringList copyRows(const ld::RehearsalCopy& copy, const QString& statement) {
    ld::Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(copy.folder()));
    ld::Query q(c);
    q.openSql(statement);
    QStringList out;
    q.first();
    for (int r = 0; r < q.recordCount(); ++r, q.next())
      out << q.fieldByName(q.columnNames().value(0)).asString();
    return out;
  }

  TempApp event;
  QTemporaryDir cache;
  std::unique_ptr<ld::LuckyDraw> program;
};

TEST_F(Rehearsal, TheCopyHoldsTheEventWithItsPicturesLinkedAndGoesAtTheEnd) {
  QString folder;
  {
    const ld::RehearsalCopy copy(event.folder(), copies());
    folder = copy.folder();
    EXPECT_TRUE(ld::isRehearsalCopyName(QDir(folder).dirName())) << qPrintable(folder);
    EXPECT_EQ(copyRows(copy, "select xm from yglb order by id"),
              event.rows("select xm from yglb order by id"));
    EXPECT_EQ(copyRows(copy, "select sl from jxsz order by jx"),
              event.rows("select sl from jxsz order by jx"));
    for (const QString& sub : {QStringLiteral("zp"), QStringLiteral("zt"), QStringLiteral("system")}) {
      QStringList expected = entriesOf(event.path(sub));
      expected.removeIf([](const QString& name) { return name.startsWith(QStringLiteral(".~")); });
      ASSERT_EQ(entriesOf(folder + sub), expected) << qPrintable(sub);
      for (const QString& name : expected)
        EXPECT_EQ(inode(folder + sub + '/' + name), inode(event.path(sub + '/' + name)))
            << "linked, not copied, on the same file system: " << qPrintable(sub + '/' + name);
    }
    EXPECT_EQ(copy.linkedFiles(), 6 + 1 + 1);
    EXPECT_EQ(copy.copiedFiles(), 0);
    EXPECT_THROW(ld::EventLock{folder}, ld::Error) << "the copy is locked while the rehearsal runs";
    EXPECT_EQ(ld::removeRehearsalLeftovers(copies()), 0) << "a running rehearsal's copy is no leftover";
  }
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_TRUE(entriesOf(copies()).isEmpty());
  EXPECT_EQ(entriesOf(event.path("zp")).size(), 7) << "the event's photos stay";
}

TEST_F(Rehearsal, OnlyLeftoversOfKilledRehearsalsAreRemovedAtTheNextStart) {
  const ld::RehearsalCopy running(event.folder(), copies());
  const struct {
    const char* name;
    bool folder;
    bool removed;
  } cases[] = {
      {".~rehearsal-00112233aabbccdd", true, true},
      {".~rehearsal-0011223344556677", true, true},
      {".~rehearsal-short", true, false},
      {".~rehearsal-00112233AABBCCDD", true, false},
      {"rehearsal-00112233aabbccdd", true, false},
      {".~rehearsal-8899aabbccddeeff", false, false},  // a file of that name is none of ours
      {"notes", true, false},
  };
  for (const auto& c : cases) {
    const QString path = copies() + '/' + QLatin1String(c.name);
    if (c.folder) {
      ASSERT_TRUE(QDir().mkpath(path + "/zp"));
      writeFile(path + "/zp/photo.jpg", "x");
    } else {
      writeFile(path, "x");
    }
  }
  // A leftover's photo linked to the event's: removing the leftover leaves the event's photo.
  const QString linked = copies() + "/.~rehearsal-00112233aabbccdd/zp/linked.jpg";
  const QString photo = event.path(QStringLiteral("zp/部门_人0.jpg"));
  ASSERT_EQ(::link(QFile::encodeName(photo).constData(), QFile::encodeName(linked).constData()), 0);
  const QByteArray before = readFile(photo);

  EXPECT_EQ(ld::removeRehearsalLeftovers(copies()), 2);
  for (const auto& c : cases)
    EXPECT_EQ(QFileInfo::exists(copies() + '/' + QLatin1String(c.name)), !c.removed) << c.name;
  EXPECT_TRUE(QFileInfo(running.folder()).isDir()) << "the running rehearsal's copy stays";
  EXPECT_EQ(readFile(photo), before);
}

TEST_F(Rehearsal, RunsWhileTheEventIsOpenElsewhereAndAFolderWithoutAnEventIsRefused) {
  const ld::EventLock openElsewhere(event.folder());
  EXPECT_NO_THROW(ld::RehearsalCopy(event.folder(), copies()));
  QTemporaryDir empty;
  const QString message = errorOf([&] { ld::RehearsalCopy(empty.path(), copies()); });
  EXPECT_TRUE(message.contains(QStringLiteral("db/db.mdb"))) << qPrintable(message);
  EXPECT_TRUE(entriesOf(copies()).isEmpty()) << "nothing left by either";
}

TEST_F(Rehearsal, DrawingClearingAndImportingLeaveEveryFileOfTheEventAsItWas) {
  const ld::EventLock openElsewhere(event.folder());
  const QMap<QString, FileState> before = snapshot(event.folder());
  ASSERT_GT(before.size(), 10);
  QString folder;
  {
    const ld::RehearsalCopy copy(event.folder(), copies());
    folder = copy.folder();
    start(copy);
    drawOne();
    event.dialogs().confirmAnswers = {true};
    key(&program->shownWindow(), Qt::Key_Delete);  // the winner is not in the room
    drawOne();
    EXPECT_EQ(copyRows(copy, "select count(*) from yglb where zj<>0"), QStringList{"2"})
        << "one absent, one drawn";

    TsettingForm* settings = program->openSettingsWindow();
    ASSERT_TRUE(settings);
    // A participant renamed with a new photo: written in the copy, over a name linked to the event's photo.
    clickRow(settings->StringGridgy, 0);
    settings->Editxm->setText(QStringLiteral("改名"));
    settings->Imagezp->loadFromData(solidJpeg(480, 360, Qt::green));
    event.dialogs().confirmAnswers = {true};
    settings->Button4->click();
    EXPECT_TRUE(QFileInfo::exists(folder + "zp/部门_改名.jpg"));
    event.dialogs().confirmAnswers = {true};
    settings->Button7Click();
    EXPECT_EQ(copyRows(copy, "select count(*) from yglb where zj<>0"), QStringList{"0"});

    // An update of the roster that adds one with a photo.
    QTemporaryDir source;
    writeFile(source.path() + "/new.jpg", solidJpeg(640, 480, Qt::yellow));
    writeFile(source.path() + "/r.csv",
              QStringLiteral("部门,姓名,照片\n部门,人1,\n部门,新人,new.jpg\n").toUtf8());
    ld::ImportOptions options;
    options.mode = ld::ImportMode::Update;
    ld::ImportPlan plan = ld::planRosterImport(source.path() + "/r.csv", source.path(),
                                               program->data().ADOQuerysetting, options);
    ld::ImportProgress progress;
    ld::PreparedPhotos photos = ld::preparePhotos(plan, progress);
    ld::writeRosterImport(plan, photos, program->data().ADOQuerysetting, progress);
    EXPECT_EQ(copyRows(copy, "select count(*) from yglb"), QStringList{"7"});
    EXPECT_TRUE(QFileInfo::exists(folder + "zp/部门_新人.jpg"));
    program.reset();
    deleteOtherTopLevels();
  }
  EXPECT_FALSE(QFileInfo::exists(folder));
  const QMap<QString, FileState> after = snapshot(event.folder());
  EXPECT_EQ(after.keys(), before.keys());
  for (auto it = before.cbegin(); it != before.cend(); ++it)
    EXPECT_TRUE(after.value(it.key()) == it.value()) << "changed: " << qPrintable(it.key());
}

TEST_F(Rehearsal, AnOlderEventIsBroughtUpToDateInTheCopyOnly) {
  event.exec(QStringLiteral("drop table cjrz"));  // a file from before the journal
  const QMap<QString, FileState> before = snapshot(event.folder());
  {
    const ld::RehearsalCopy copy(event.folder(), copies());
    start(copy);
    drawOne();
    EXPECT_EQ(copyRows(copy, "select count(*) from cjrz"), QStringList{"1"}) << "the copy journals its draw";
    program.reset();
  }
  EXPECT_EQ(event.rows("select count(*) from sqlite_master where name='cjrz'"), QStringList{"0"});
  EXPECT_TRUE(snapshot(event.folder()) == before);
}

TEST_F(Rehearsal, TheSettingsButtonStartsARehearsalOfThisEventAfterAskingAndNotInARehearsal) {
  struct Started {
    QString program;
    QStringList arguments;
  };
  const struct {
    bool answer;
    bool starts;  // whether the starter succeeds
    int started;
    int messages;
  } cases[] = {{false, true, 0, 0}, {true, true, 1, 0}, {true, false, 1, 1}};
  for (const auto& c : cases) {
    TsettingForm form(event.dataModule());
    std::vector<Started> started;
    form.startProgram = [&](const QString& program, const QStringList& arguments) {
      started.push_back({program, arguments});
      return c.starts;
    };
    event.dialogs().clear();
    event.dialogs().confirmAnswers = {c.answer};
    ASSERT_TRUE(form.Buttoncp->isEnabled());
    form.Buttoncp->click();
    EXPECT_EQ(event.dialogs().texts(ld::ScriptedDialogs::Shown::Confirm).size(), 1u);
    ASSERT_EQ(int(started.size()), c.started);
    EXPECT_EQ(event.dialogs().texts(ld::ScriptedDialogs::Shown::Info).size(), size_t(c.messages));
    if (started.empty()) continue;
    EXPECT_EQ(started[0].program, QCoreApplication::applicationFilePath());
    EXPECT_EQ(started[0].arguments,
              (QStringList{"--lang", "zh", "--rehearsal", QDir::cleanPath(event.folder())}));
  }

  const ld::RehearsalCopy copy(event.folder(), copies());
  start(copy);
  TsettingForm* inRehearsal = program->openSettingsWindow();
  EXPECT_FALSE(inRehearsal->Buttoncp->isEnabled());
  EXPECT_TRUE(inRehearsal->windowTitle().endsWith(QStringLiteral("（彩排）")))
      << qPrintable(inRehearsal->windowTitle());
  EXPECT_TRUE(program->drawWindow().windowTitle().endsWith(QStringLiteral("（彩排）")));
  EXPECT_EQ(program->rehearsalMark()->windowTitle(), QStringLiteral("彩排"));
}

}  // namespace
