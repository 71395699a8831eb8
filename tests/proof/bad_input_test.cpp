// Bad input at the edges of the program: event databases that are damaged or cannot be written, pictures
// and folders that are missing, and picture files that are broken or claim absurd sizes.
#define SQLITE_HAS_CODEC 1
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sqlcipher/sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QtEndian>
#include <cstring>
#include <random>

#include "data/schema.h"
#include "draw/fireworks_form.h"
#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "framework/jpeg.h"
#include "support/draw_helpers.h"
#include "support/settings_helpers.h"
#include "widgets/gif_animator.h"
#include "widgets/glow_label.h"
#include "widgets/picture_box.h"

using namespace ld;
using namespace ld::test;
using Shown = ScriptedDialogs::Shown;
using State = TVELTRAXForm::DrawState;

namespace {

QByteArray digest(const QString& path) {
  return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
}

QStringList filesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The program as started on an application folder, used through its draw window.
struct Running {
  std::unique_ptr<LuckyDraw> program;
  TVELTRAXForm* get() const { return program ? &program->drawWindow() : nullptr; }
  TVELTRAXForm* operator->() const { return get(); }
  TVELTRAXForm& operator*() const { return *get(); }
  void reset() { program.reset(); }
};

// The program's start on `app`: the data module, then the draw window, shown.
Running startProgram(TempApp&) {
  Running running{std::make_unique<LuckyDraw>()};
  running->setPressTiming({0, 0});
  running->show();
  return running;
}

// One whole draw through the draw icon: start, one tick, stop.
void drawOnce(TVELTRAXForm& form) {
  click(form.GIFAnimatorlogo);
  form.TimercjTimer();
  click(form.GIFAnimatorlogo);
}

// ---- Damaged event database ----

class DamagedDatabase : public ::testing::Test {
 protected:
  // A real event file with a participant and a recorded winner, made in a folder of its own.
  QByteArray realEventFile() {
    const QString folder = app.path(QStringLiteral("elsewhere"));
    createEventDatabase(folder);
    Connection c;
    c.setConnectionString(TDataModule1::connectionStringFor(folder + QLatin1Char('/')));
    Query q(c);
    q.execSql(QStringLiteral("INSERT INTO yglb ( xm,bm, zp ) VALUES ( '甲', '销售','' )"));
    q.execSql(QStringLiteral("update yglb set zj=4,zjsx=1"));
    c.setConnected(false);
    return readFile(folder + QStringLiteral("/db/db.mdb"));
  }

  // At start the connection and the winners board report, the window opens with its placeholder photos;
  // clicks and ticks report instead of crashing; the file is never touched.
  void expectReportedUsableAndUntouched(const QByteArray& file) {
    writeFile(app.dbPath(), file);
    const QByteArray before = digest(app.dbPath());
    auto form = startProgram(app);

    const QStringList atStart = errors();
    ASSERT_EQ(atStart.size(), 2) << atStart.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(atStart[0].contains(QStringLiteral("db.mdb"))) << atStart[0].toStdString();
    EXPECT_TRUE(form->isVisible());
    for (int k = 1; k <= 8; ++k) EXPECT_TRUE(similar(centreColour(*form->Image[k]), Qt::gray)) << k;

    // A failing tick stops the roll with one message instead of a box every 100 ms.
    app.dialogs().clear();
    click(form->GIFAnimatorlogo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Timercj.isActive(); }, 5000));
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(form->drawState(), State::Idle);

    // A stop shows no winner and says nothing was saved.
    app.dialogs().clear();
    click(form->GIFAnimatorlogo);
    click(form->GIFAnimatorlogo);
    EXPECT_FALSE(form->Timercj.isActive());
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("未保存"))) << errors()[0].toStdString();
    EXPECT_EQ(form->GlowLabelcj0->caption(), QStringLiteral("未保存"));
    click(form->GIFAnimatorlogo);
    EXPECT_EQ(form->drawState(), State::Rolling) << "the draw icon still answers";

    form.reset();
    EXPECT_EQ(digest(app.dbPath()), before);
    EXPECT_EQ(filesIn(app.path(QStringLiteral("db"))), QStringList{QStringLiteral("db.mdb")});
  }

  QStringList errors() { return app.dialogs().texts(Shown::Error); }
  TempApp app{/*withDatabase=*/false};
};

TEST_F(DamagedDatabase, RandomBytes) {
  QByteArray bytes(64 * 1024, '\0');
  std::mt19937 random(20240601);
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  expectReportedUsableAndUntouched(bytes);
}

TEST_F(DamagedDatabase, TruncatedEventFile) {
  const QByteArray real = realEventFile();
  ASSERT_GT(real.size(), 4096);
  expectReportedUsableAndUntouched(real.left(real.size() / 2 + 100));
}

TEST_F(DamagedDatabase, RealEventUnderAnotherPassword) {
  const QString other = app.path(QStringLiteral("rekeyed.mdb"));
  writeFile(other, realEventFile());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(other.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_key(db, kDatabasePassword, int(std::strlen(kDatabasePassword))), SQLITE_OK);
  const char* otherKey = "another_password";
  ASSERT_EQ(sqlite3_rekey(db, otherKey, int(std::strlen(otherKey))), SQLITE_OK);
  sqlite3_close(db);
  // Still the whole event under the other key.
  ASSERT_EQ(sqlite3_open_v2(other.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_key(db, otherKey, int(std::strlen(otherKey))), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "select xm from yglb where zjsx=1", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  expectReportedUsableAndUntouched(readFile(other));
}

// ---- Event database that cannot be written ----

// Root writes any file while this thread holds CAP_DAC_OVERRIDE; without it in the effective set a file's
// mode binds root as it binds anyone. The capability stays permitted, so it comes back at the end.
class WithoutDacOverride {
 public:
  WithoutDacOverride() {
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2];
    std::memcpy(reduced, saved_, sizeof reduced);
    reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutDacOverride() { restore(); }
  void restore() {
    if (active_) syscall(SYS_capset, &header_, saved_);
    active_ = false;
  }
  bool active() const { return active_; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

bool writableNow(const QString& file) {
  const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_APPEND);
  if (fd >= 0) ::close(fd);
  return fd >= 0;
}

class ReadOnlyDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
    app.exec(QStringLiteral("update yglb set zj=4,zjsx=1 where xm='p0'"));
    recorded = app.rows(QStringLiteral("select id, xm, zj, zjsx from yglb order by id"));
  }
  void TearDown() override {
    ::chmod(QFile::encodeName(app.path(QStringLiteral("db"))).constData(), 0755);
    ::chmod(QFile::encodeName(app.dbPath()).constData(), 0644);
  }

  // The program starts on the protected file: told at once, it still rolls the tiles, and the first stop
  // reports that its result was not saved. Nothing recorded before is lost.
  void expectToldAtStartAndAtTheFirstWrite() {
    const QByteArray before = digest(app.dbPath());
    auto form = startProgram(app);
    QStringList errors = app.dialogs().texts(Shown::Error);
    ASSERT_EQ(errors.size(), 1) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("无法写入")) &&
                errors[0].contains(QStringLiteral("db.mdb")))
        << errors[0].toStdString();
    EXPECT_EQ(form->GlowLabelzj->caption(), QStringLiteral("幸运奖5位\r\rp0")) << "reading works";

    app.dialogs().clear();
    click(form->GIFAnimatorlogo);
    form->TimercjTimer();
    EXPECT_TRUE(app.dialogs().shown.empty()) << "a tick only reads";
    click(form->GIFAnimatorlogo);
    errors = app.dialogs().texts(Shown::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("无法写入")) &&
                errors[0].contains(QStringLiteral("没有保存")))
        << errors[0].toStdString();
    EXPECT_FALSE(form->Timercj.isActive());
    EXPECT_EQ(form->GlowLabelcj0->caption(), QStringLiteral("未保存"))
        << "no winner shown who was not recorded";

    form.reset();
    guard.restore();
    EXPECT_EQ(app.rows(QStringLiteral("select id, xm, zj, zjsx from yglb order by id")), recorded);
    EXPECT_EQ(digest(app.dbPath()), before);
  }

  TempApp app;
  QStringList recorded;
  WithoutDacOverride guard;
};

TEST_F(ReadOnlyDatabase, WriteProtectedFile) {
  ASSERT_EQ(::chmod(QFile::encodeName(app.dbPath()).constData(), 0444), 0);
  if (!guard.active() || writableNow(app.dbPath()))
    GTEST_SKIP()
        << "this process keeps write access to a mode 0444 file (CAP_DAC_OVERRIDE cannot be dropped)";
  expectToldAtStartAndAtTheFirstWrite();
}

TEST_F(ReadOnlyDatabase, WriteProtectedFolderLeavesNoRoomForTheJournal) {
  const QString folder = app.path(QStringLiteral("db"));
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
  if (!guard.active() || writableNow(folder + QStringLiteral("/probe")) ||
      QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
    GTEST_SKIP()
        << "this process can create files in a mode 0555 folder (CAP_DAC_OVERRIDE cannot be dropped)";
  expectToldAtStartAndAtTheFirstWrite();
  EXPECT_EQ(filesIn(folder), QStringList{QStringLiteral("db.mdb")});
}

// A full disk: the stop cannot write its journal, records nothing, shows no winner and says what to do.
TEST(FullDisk, AStopThatCannotBeSavedShowsNoWinnerAndLeavesEverybodyUndrawn) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempApp app;
  for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  const QByteArray file = readFile(app.dbPath());
  const QString db = app.path(QStringLiteral("db"));
  if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=256k", "tmpfs", db}) != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  struct Unmount {
    QString dir;
    ~Unmount() { QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir}); }
  } unmount{db};
  writeFile(app.dbPath(), file);
  const QByteArray filler = QFile::encodeName(db + QStringLiteral("/filler"));
  const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);

  auto form = startProgram(app);
  app.dialogs().clear();
  drawOnce(*form);
  const QStringList errors = app.dialogs().texts(Shown::Error);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(QStringLiteral("未保存")) && errors[0].contains(QStringLiteral("磁盘空间")))
      << errors[0].toStdString();
  EXPECT_EQ(form->GlowLabelcj0->caption(), QStringLiteral("未保存"));
  EXPECT_FALSE(fireworksShown());
  form.reset();

  ::unlink(filler.constData());
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 0);
  EXPECT_EQ(app.rows(QStringLiteral("pragma integrity_check")), QStringList{QStringLiteral("ok")});
}

// The event's file replaced or its folder renamed under the running program: no draw can be recorded until
// a restart, and the message says so.
TEST(ReplacedDatabase, AStopSaysNothingWasSavedAndThatARestartIsNeeded) {
  for (const bool renameFolder : {false, true}) {
    SCOPED_TRACE(renameFolder ? "db/ renamed" : "db.mdb replaced");
    TempApp app;
    for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
    auto form = startProgram(app);
    drawOnce(*form);  // opens the file
    ASSERT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 1);
    if (renameFolder) {
      ASSERT_TRUE(QDir().rename(app.path(QStringLiteral("db")), app.path(QStringLiteral("db-moved"))));
    } else {
      const QString copy = app.path(QStringLiteral("db/copy.mdb"));
      ASSERT_TRUE(QFile::copy(app.dbPath(), copy));
      ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(app.dbPath()).constData()),
                0);
    }
    app.dialogs().clear();
    drawOnce(*form);
    const QStringList errors = app.dialogs().texts(Shown::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("重新启动"))) << errors[0].toStdString();
    EXPECT_EQ(form->GlowLabelcj0->caption(), QStringLiteral("未保存"));
    form.reset();
    if (renameFolder) QDir().rename(app.path(QStringLiteral("db-moved")), app.path(QStringLiteral("db")));
    EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj<>0")), 1);
  }
}

// ---- Missing pictures and folders ----

class MissingFiles : public ::testing::Test {
 protected:
  QStringList errors() { return app.dialogs().texts(Shown::Error); }
  TempApp app;
};

TEST_F(MissingFiles, WithoutThePlaceholderADrawStillRecordsItsWinner) {
  QFile::remove(app.path(QStringLiteral("system/logo.jpg")));
  const int id = app.addParticipant(QStringLiteral("甲"), QStringLiteral("销售"), true, Qt::red);
  QFile::remove(app.path(QStringLiteral("zp/销售_甲.jpg")));
  auto form = startProgram(app);
  ASSERT_EQ(errors().size(), 1) << "the placeholder at start";
  app.dialogs().clear();

  click(form->GIFAnimatorlogo);
  form->TimercjTimer();
  for (int k = 1; k <= 8; ++k) EXPECT_FALSE(form->Image[k]->hasPicture()) << k;
  click(form->GIFAnimatorlogo);
  EXPECT_EQ(form->GlowLabelcj0->caption(), QStringLiteral("销售  甲"));
  EXPECT_FALSE(form->Image[0]->hasPicture());
  EXPECT_TRUE(app.dialogs().shown.empty()) << "picture loads fail silently";
  EXPECT_EQ(app.rows(QStringLiteral("select id, zj, zjsx from yglb where zj<>0")),
            QStringList{QStringLiteral("%1|4|1").arg(id)});
}

TEST_F(MissingFiles, WithoutFireworksPicturesALevelEndsReportedAndNothingCoversTheScreen) {
  app.setPlan(1, 1, 1, 1, 1);
  for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  auto form = startProgram(app);
  drawOnce(*form);  // completes the lucky prize
  EXPECT_EQ(errors().size(), 1);
  EXPECT_FALSE(fireworksShown());
  const QStringList lucky = app.rows(QStringLiteral("select xm from yglb where zj=4 and zjsx=1"));
  ASSERT_EQ(lucky.size(), 1);
  EXPECT_EQ(form->GlowLabelzj->caption(), QStringLiteral("幸运奖1位\r\r") + lucky[0])
      << "board rebuilt first";

  drawOnce(*form);  // the next level: reported again, the draw goes on
  EXPECT_EQ(errors().size(), 2);
  EXPECT_FALSE(fireworksShown());
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj=3 and zjsx=2")), 1);
}

TEST_F(MissingFiles, WithoutThePhotoFolderTilesShowThePlaceholderAndTheStopRecords) {
  for (int i = 0; i < 3; ++i) app.addParticipant(QStringLiteral("p%1").arg(i), QStringLiteral("部门"));
  ASSERT_TRUE(QDir(app.path(QStringLiteral("zp"))).removeRecursively());
  auto form = startProgram(app);
  click(form->GIFAnimatorlogo);
  form->TimercjTimer();
  for (int k = 1; k <= 8; ++k) EXPECT_TRUE(similar(centreColour(*form->Image[k]), Qt::gray)) << k;
  click(form->GIFAnimatorlogo);
  EXPECT_TRUE(similar(centreColour(*form->Image[0]), Qt::gray));
  EXPECT_TRUE(app.dialogs().shown.empty());
  EXPECT_EQ(app.count(QStringLiteral("select id from yglb where zj=4 and zjsx=1")), 1);
}

TEST_F(MissingFiles, WithoutThePhotoFolderAnImportNamesTheFileItCannotWrite) {
  TsettingForm form(app.dataModule());
  ASSERT_TRUE(QDir(app.path(QStringLiteral("zp"))).removeRecursively());
  const QString source = app.path(QStringLiteral("system/in.jpg"));
  writeFile(source, solidJpeg(640, 480, Qt::red));
  app.dialogs().fileAnswers = {source};
  form.Button1->click();
  ASSERT_EQ(errors().size(), 1);
  EXPECT_TRUE(errors()[0].contains(QStringLiteral("temp.jpg"))) << errors()[0].toStdString();
  EXPECT_FALSE(form.Imagezp->hasPicture());
  EXPECT_FALSE(QDir(app.path(QStringLiteral("zp"))).exists()) << "the import makes no folder";
}

// ---- Broken and absurd picture files on import ----

qint64 peakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

QImage quarters(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(0, 0, width / 2, height, Qt::red);
  p.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
  return image;
}

QByteArray bmpOf(const QImage& image) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  return buffer.data();
}

// A bare bitmap header: 40-byte info header, no palette, pixels said to start right after it.
QByteArray bmpHeader(qint32 width, qint32 height, quint16 bits, quint32 compression = 0) {
  QByteArray h(54, '\0');
  h[0] = 'B';
  h[1] = 'M';
  qToLittleEndian<quint32>(54, h.data() + 10);
  qToLittleEndian<quint32>(40, h.data() + 14);
  qToLittleEndian<qint32>(width, h.data() + 18);
  qToLittleEndian<qint32>(height, h.data() + 22);
  qToLittleEndian<quint16>(1, h.data() + 26);
  qToLittleEndian<quint16>(bits, h.data() + 28);
  qToLittleEndian<quint32>(compression, h.data() + 30);
  return h;
}

QByteArray jpegClaiming(int width, int height) {
  QByteArray jpeg = encodeJpeg(quarters(16, 16), 90);
  const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
  qToBigEndian<quint16>(quint16(height), jpeg.data() + sof + 5);
  qToBigEndian<quint16>(quint16(width), jpeg.data() + sof + 7);
  return jpeg;
}

class BadPictureImport : public SettingsTest {
 protected:
  void SetUp() override {
    open();
    writeFile(source(QStringLiteral("good.jpg")), encodeJpeg(quarters(800, 600), 95));
    pick(source(QStringLiteral("good.jpg")));
    before = readFile(zp(QStringLiteral("temp.jpg")));
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(errors().isEmpty());
  }
  QString source(const QString& name) { return app.path(QStringLiteral("system/") + name); }
  void pick(const QString& file) {
    boxes().fileAnswers = {file};
    form->Button1->click();
  }
  // Refused with one message naming the file, quickly and without a big allocation; temp.jpg and the
  // photo box keep the last good import.
  void expectRefused(const QString& name, const QByteArray& bytes, const QString& reason = {}) {
    SCOPED_TRACE(name.toStdString());
    writeFile(source(name), bytes);
    boxes().clear();
    const qint64 rssBefore = peakRssKb();
    QElapsedTimer clock;
    clock.start();
    pick(source(name));
    EXPECT_LT(clock.elapsed(), 3000) << "ms";
    EXPECT_LT(peakRssKb() - rssBefore, 300 * 1024) << "KB more at the peak";
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(name)) << errors()[0].toStdString();
    if (!reason.isEmpty()) {
      EXPECT_TRUE(errors()[0].contains(reason)) << errors()[0].toStdString();
    }
    EXPECT_EQ(readFile(zp(QStringLiteral("temp.jpg"))), before);
    EXPECT_EQ(form->Imagezp->jpegData(), before);
    EXPECT_EQ(zpEntries(), QStringList{QStringLiteral("temp.jpg")}) << "no scratch file left";
  }
  QByteArray before;
};

TEST_F(BadPictureImport, DamagedJpegs) {
  const QByteArray good = readFile(source(QStringLiteral("good.jpg")));
  QByteArray flipped = good;
  for (qsizetype i = good.size() / 2; i < good.size() / 2 + 64; ++i) flipped[i] = char(flipped[i] ^ 0x5A);
  expectRefused(QStringLiteral("scrambled.jpg"), flipped);
  expectRefused(QStringLiteral("cut.jpg"), good.left(good.size() * 3 / 4));
  expectRefused(QStringLiteral("headless.jpg"), good.mid(2));
  expectRefused(QStringLiteral("bitmap.jpg"), bmpOf(quarters(64, 48)));
  expectRefused(QStringLiteral("empty.jpg"), QByteArray());
}

TEST_F(BadPictureImport, JpegHeaderClaimingSixtyThousandSquared) {
  expectRefused(QStringLiteral("huge.jpg"), jpegClaiming(60000, 60000), QStringLiteral("60000 x 60000"));
}

TEST_F(BadPictureImport, DamagedBitmaps) {
  const QByteArray good = bmpOf(quarters(640, 480));
  QByteArray random(4096, '\0');
  std::mt19937 generator(7);
  for (char& b : random) b = static_cast<char>(generator() & 0xFF);
  expectRefused(QStringLiteral("noise.bmp"), QByteArray("BM") + random);
  expectRefused(QStringLiteral("cut.bmp"), good.left(good.size() / 2), QStringLiteral("不完整"));
  expectRefused(QStringLiteral("short.bmp"), good.left(good.size() - 7), QStringLiteral("不完整"));
  QByteArray indexed = bmpOf(quarters(640, 480).convertToFormat(QImage::Format_Indexed8));
  expectRefused(QStringLiteral("cut8.bmp"), indexed.left(indexed.size() - 640 * 3), QStringLiteral("不完整"));
  expectRefused(QStringLiteral("photo.bmp"), encodeJpeg(quarters(64, 48), 90));
}

TEST_F(BadPictureImport, BitmapHeadersClaimingHugeOrUnbackedPictures) {
  expectRefused(QStringLiteral("huge.bmp"), bmpHeader(60000, 60000, 24), QStringLiteral("太大"));
  expectRefused(QStringLiteral("tall.bmp"), bmpHeader(1, 2000000000, 24));
  // Within the accepted 100 megapixels, but the file holds none of the pixels it promises.
  expectRefused(QStringLiteral("hollow.bmp"), bmpHeader(10000, 10000, 24) + QByteArray(4096, '\x7f'),
                QStringLiteral("不完整"));
  expectRefused(QStringLiteral("hollow-topdown.bmp"), bmpHeader(10000, -10000, 32));
}

TEST_F(BadPictureImport, RunLengthBitmapWithSkippedPixelsGivesDefinedColours) {
  // 64 x 64, two colours: eight rows of green, then the end of the bitmap; the file leaves the rest out.
  QByteArray rle = bmpHeader(64, 64, 8, 1);
  qToLittleEndian<quint32>(54 + 8, rle.data() + 10);
  qToLittleEndian<quint32>(2, rle.data() + 46);
  rle += QByteArray(
      "\x00\x00\xff\x00"
      "\x00\xff\x00\x00",
      8);  // index 0 red, index 1 green (BGR0)
  for (int row = 0; row < 8; ++row) rle += QByteArray("\x40\x01\x00\x00", 4);  // 64 x green, end of line
  rle += QByteArray("\x00\x01", 2);                                            // end of bitmap
  writeFile(source(QStringLiteral("rle.bmp")), rle);
  pick(source(QStringLiteral("rle.bmp")));
  ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
  const QImage out = decodeJpeg(readFile(zp(QStringLiteral("temp.jpg"))));
  ASSERT_EQ(out.size(), QSize(480, 360));
  // Bottom-up rows: the runs are the bottom eighth; everything the file skipped is colour 0.
  for (QPoint p : {QPoint(20, 350), QPoint(460, 340)})
    EXPECT_TRUE(similar(out.pixelColor(p), Qt::green, 40)) << out.pixelColor(p).name().toStdString();
  for (QPoint p : {QPoint(20, 10), QPoint(460, 10), QPoint(240, 180), QPoint(240, 300)})
    EXPECT_TRUE(similar(out.pixelColor(p), Qt::red, 40)) << p.x() << "," << p.y();
}

}  // namespace
