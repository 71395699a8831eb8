// The event's look for the audience screen: kept with the event, pictures checked and brought to their
// stored form on the way in, damaged ones never shown or written, and the settings window's group.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "artwork/builtin.h"
#include "data/datamodule.h"
#include "data/schema.h"
#include "framework/errors.h"
#include "settings/theme_picture.h"
#include "settings/theme_store.h"
#include "support/settings_helpers.h"
#include "support/shots.h"

namespace ld {
namespace {

using namespace ld::test;

QString errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.message();
  }
  return {};
}

QByteArray pngOf(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QImage seeThroughLogo(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = h / 4; y < h * 3 / 4; ++y)
    for (int x = w / 4; x < w * 3 / 4; ++x) image.setPixel(x, y, qRgba(200, 30, 30, 255));
  return image;
}

// A JPEG whose frame header claims another size: nothing past the header is needed to refuse it.
QByteArray claimingSize(QByteArray jpeg, int w, int h) {
  for (qsizetype i = 2; i + 9 < jpeg.size(); ++i)
    if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == 0xC0) {
      jpeg[i + 5] = char(h >> 8);
      jpeg[i + 6] = char(h & 0xFF);
      jpeg[i + 7] = char(w >> 8);
      jpeg[i + 8] = char(w & 0xFF);
      return jpeg;
    }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

class ThemeTest : public ::testing::Test {
 protected:
  TempApp app;
  ThemeStore store() { return ThemeStore(app.dataModule().ADOQuerysetting, app.folder()); }
  QString file(const QString& name, const QByteArray& bytes) {
    const QString path = app.path(name);
    writeFile(path, bytes);
    return path;
  }
  QStringList ztEntries() {
    return QDir(app.path(QStringLiteral("zt")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

TEST_F(ThemeTest, SavedLookReadsBackAndPicturesAreReplacedOrRemovedOneByOne) {
  const ThemePicture background =
      themePictureFromFile(ThemePictureKind::Background, file("bg.jpg", solidJpeg(1600, 900, Qt::darkBlue)));
  const ThemePicture logo =
      themePictureFromFile(ThemePictureKind::Logo, file("logo.png", pngOf(seeThroughLogo(200, 100))));
  store().save({QStringLiteral("2026 年会"), QColor("#102030"), QColor("#a0b0c0"), QColor("#fefefe"),
                background.bytes, logo.bytes});

  QStringList problems;
  stage::Theme kept = store().stored(&problems);
  EXPECT_EQ(problems, QStringList());
  EXPECT_EQ(kept.title, QStringLiteral("2026 年会"));
  EXPECT_EQ(kept.base, QColor("#102030"));
  EXPECT_EQ(kept.accent, QColor("#a0b0c0"));
  EXPECT_EQ(kept.text, QColor("#fefefe"));
  EXPECT_EQ(kept.background.size(), QSize(1600, 900));
  EXPECT_EQ(kept.logo.size(), QSize(200, 100));
  EXPECT_EQ(qAlpha(kept.logo.pixel(2, 2)), 0) << "the logo keeps its transparency";
  EXPECT_EQ(ztEntries(), (QStringList{"bg.jpg", "logo.png"})) << "no scratch file left";

  // The background goes, the logo is kept as it is, a colour back to the default.
  store().save({QString(), QColor("#102030"), QColor(), QColor("#fefefe"), QByteArray(), std::nullopt});
  kept = store().stored();
  EXPECT_TRUE(kept.background.isNull());
  EXPECT_EQ(kept.logo.size(), QSize(200, 100));
  EXPECT_EQ(kept.title, QString());
  EXPECT_FALSE(kept.accent.isValid());
  EXPECT_EQ(ztEntries(), QStringList{"logo.png"});
  EXPECT_EQ(store().load().accent, defaultThemeAccent());
}

TEST_F(ThemeTest, NothingKeptMeansTheBuiltInLookAndDamageIsNamedNotShown) {
  const stage::Theme fresh = store().load();
  EXPECT_EQ(fresh.base, defaultThemeBase());
  EXPECT_EQ(fresh.accent, defaultThemeAccent());
  EXPECT_EQ(fresh.text, defaultThemeText());
  EXPECT_EQ(fresh.background.size(), artwork::stageBackground().size());
  EXPECT_TRUE(fresh.logo.isNull());

  QDir().mkpath(app.path(QStringLiteral("zt")));
  writeFile(app.path(QStringLiteral("zt/bg.jpg")), solidJpeg(800, 450, Qt::red).left(900));
  writeFile(app.path(QStringLiteral("zt/logo.png")), "not a picture");
  app.exec(QStringLiteral("insert into ztsz (xm, sz) values ('DS', 'red'), ('QS', '#00ff00')"));
  QStringList problems;
  const stage::Theme kept = store().load(&problems);
  EXPECT_EQ(kept.background.size(), artwork::stageBackground().size()) << "the built-in one instead";
  EXPECT_TRUE(kept.logo.isNull());
  EXPECT_EQ(kept.base, defaultThemeBase());
  EXPECT_EQ(kept.accent, QColor("#00ff00"));
  ASSERT_EQ(problems.size(), 3) << problems.join('\n').toStdString();
  EXPECT_TRUE(problems.filter(QStringLiteral("red")).size() == 1);
  EXPECT_TRUE(problems.filter(QStringLiteral("zt/bg.jpg")).size() == 1);
  EXPECT_TRUE(problems.filter(QStringLiteral("zt/logo.png")).size() == 1);

  // An older file that could not be given the table (opened read-only) keeps no look: no fault to report.
  app.exec(QStringLiteral("drop table ztsz"));
  problems.clear();
  EXPECT_EQ(store().stored(&problems).accent, QColor());
  EXPECT_EQ(problems.filter(QStringLiteral("ztsz")), QStringList());
}

TEST_F(ThemeTest, ChosenPicturesAreBroughtToTheirStoredFormNeverStretched) {
  const struct {
    ThemePictureKind kind;
    QByteArray bytes;
    QSize stored;
  } cases[] = {
      {ThemePictureKind::Background, solidJpeg(5000, 2000, Qt::blue), {3840, 1536}},
      {ThemePictureKind::Background, solidJpeg(1000, 3000, Qt::blue), {720, 2160}},
      {ThemePictureKind::Background, pngOf(seeThroughLogo(1280, 720)), {1280, 720}},
      {ThemePictureKind::Logo, pngOf(seeThroughLogo(3000, 1500)), {1024, 512}},
      {ThemePictureKind::Logo, solidJpeg(300, 200, Qt::red), {300, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.width());
    const ThemePicture picture = themePictureFromFile(c.kind, file("chosen", c.bytes));
    EXPECT_EQ(picture.image.size(), c.stored);
    const QImage stored = storedThemePicture(c.kind, picture.bytes, QStringLiteral("x"));
    EXPECT_EQ(stored.size(), c.stored);
    EXPECT_EQ(picture.bytes.startsWith("\xff\xd8"), c.kind == ThemePictureKind::Background);
  }
}

TEST_F(ThemeTest, BadPicturesAreRefusedWithTheirReason) {
  QImage huge(8000, 6000, QImage::Format_Mono);
  huge.fill(0);
  const QByteArray png = pngOf(seeThroughLogo(64, 64));
  const struct {
    const char* what;
    QByteArray bytes;
    const char* expected;
  } cases[] = {
      {"text", "just some words", "不是 JPEG 或 PNG 图片"},
      {"a truncated JPEG", solidJpeg(800, 600, Qt::red).chopped(400), "已损坏或不完整"},
      {"a truncated PNG", png.left(png.size() - 30), "已损坏或不完整"},
      {"a JPEG claiming 9000 x 9000", claimingSize(solidJpeg(64, 64, Qt::red), 9000, 9000), "9000 × 9000"},
      {"a PNG of 48 megapixels", pngOf(huge), "8000 × 6000"},
      {"an empty file", QByteArray(), "不是 JPEG 或 PNG 图片"},
  };
  for (const auto& c : cases)
    for (const ThemePictureKind kind : {ThemePictureKind::Background, ThemePictureKind::Logo}) {
      SCOPED_TRACE(c.what);
      const QString path = file("chosen.pic", c.bytes);
      const QString message = errorOf([&] { themePictureFromFile(kind, path); });
      EXPECT_TRUE(message.contains(QString::fromUtf8(c.expected))) << message.toStdString();
      EXPECT_TRUE(message.contains(path)) << message.toStdString();
    }
  EXPECT_TRUE(errorOf([&] {
                themePictureFromFile(ThemePictureKind::Logo, app.path("zp"));
              }).contains(QStringLiteral("不是普通文件")));
}

TEST_F(ThemeTest, StoredFormsAreCheckedByKindAndSize) {
  const QByteArray jpeg = solidJpeg(200, 100, Qt::red);
  const struct {
    const char* what;
    ThemePictureKind kind;
    QByteArray bytes;
    bool ok;
  } cases[] = {
      {"a JPEG background", ThemePictureKind::Background, jpeg, true},
      {"a PNG background", ThemePictureKind::Background, pngOf(seeThroughLogo(20, 20)), false},
      {"a JPEG logo", ThemePictureKind::Logo, jpeg, false},
      {"a background above 4K", ThemePictureKind::Background, solidJpeg(3900, 100, Qt::red), false},
      {"a logo above its square", ThemePictureKind::Logo, pngOf(seeThroughLogo(1025, 10)), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(errorOf([&] { storedThemePicture(c.kind, c.bytes, QStringLiteral("zt/x")); }).isEmpty(), c.ok);
  }
}

class ThemeWindowTest : public SettingsTest {
 protected:
  ThemeGroup* group() { return form->GroupBoxwtwg; }
  void openLook() {
    open();
    form->Buttonwtwg->click();
    ASSERT_TRUE(form->Formwtwg->isVisible());
  }
  QStringList rows() { return app.rows(QStringLiteral("select xm, sz from ztsz order by xm")); }
};

TEST_F(ThemeWindowTest, ChosenLookIsSavedByUpdateAndShownAgainInANewWindow) {
  openLook();
  EXPECT_TRUE(keepShot(form->Formwtwg->grab().toImage(), QStringLiteral("stage-look-default.png")));
  QSignalSpy changed(form.get(), &TsettingForm::themeChanged);
  group()->Editbt->setText(QStringLiteral("  2026 年会  "));
  writeFile(app.path("bg.jpg"), solidJpeg(1920, 1080, QColor(20, 40, 160)));
  writeFile(app.path("logo.png"), pngOf(seeThroughLogo(300, 300)));
  boxes().fileAnswers = {app.path("bg.jpg"), app.path("logo.png")};
  group()->Buttonbjtp->click();
  group()->Buttonbz->click();
  boxes().colourAnswers = {QColor("#112233"), QColor("#445566")};
  group()->Buttonds->click();
  group()->Buttonwz->click();
  EXPECT_EQ(boxes().texts(ScriptedDialogs::Shown::Colour), (QStringList{"底色", "文字颜色"}));
  // The sketch follows at once; nothing is kept before "更新".
  EXPECT_EQ(group()->Panelyl->theme().base, QColor("#112233"));
  EXPECT_EQ(group()->Panelyl->theme().accent, defaultThemeAccent());
  EXPECT_TRUE(keepShot(form->Formwtwg->grab().toImage(), QStringLiteral("stage-look.png")));
  EXPECT_EQ(rows(), QStringList());
  EXPECT_FALSE(QFileInfo::exists(app.path("zt")));

  group()->Buttongxwg->click();
  EXPECT_EQ(infos(), QStringList{"更新完成"});
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(rows(), (QStringList{"BT|2026 年会", "DS|#112233", "WZ|#445566"}));

  form.reset();
  openLook();
  EXPECT_EQ(group()->Editbt->text(), QStringLiteral("2026 年会"));
  const stage::Theme shown = group()->Panelyl->theme();
  EXPECT_EQ(shown.text, QColor("#445566"));
  EXPECT_EQ(shown.background.size(), QSize(1920, 1080));
  EXPECT_NEAR(qBlue(shown.background.pixel(960, 540)), 160, 6);
  EXPECT_EQ(shown.logo.size(), QSize(300, 300));
  EXPECT_TRUE(group()->Buttonqcbj->isEnabled());

  // Back to the built-in look: colours and pictures go, the title stays.
  group()->Buttonhfmr->click();
  EXPECT_FALSE(group()->Buttonqcbj->isEnabled());
  group()->Buttongxwg->click();
  EXPECT_EQ(rows(), QStringList{"BT|2026 年会"});
  EXPECT_EQ(QDir(app.path("zt")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(ThemeWindowTest, ARefusedPictureIsExplainedAndChangesNothing) {
  openLook();
  writeFile(app.path("bg.jpg"), solidJpeg(1920, 1080, Qt::blue));
  boxes().fileAnswers = {app.path("bg.jpg")};
  group()->Buttonbjtp->click();
  group()->Buttongxwg->click();
  const QByteArray kept = readFile(app.path("zt/bg.jpg"));
  ASSERT_FALSE(kept.isEmpty());

  writeFile(app.path("broken.jpg"), solidJpeg(1920, 1080, Qt::red).chopped(500));
  boxes().clear();
  boxes().fileAnswers = {app.path("broken.jpg"), QString()};
  group()->Buttonbjtp->click();
  ASSERT_EQ(infos().size(), 1);
  EXPECT_TRUE(infos()[0].contains(app.path("broken.jpg"))) << infos()[0].toStdString();
  group()->Buttonbjtp->click();  // cancelled
  EXPECT_NEAR(qBlue(group()->Panelyl->theme().background.pixel(10, 10)), 255, 6);
  group()->Buttongxwg->click();
  EXPECT_EQ(readFile(app.path("zt/bg.jpg")), kept);

  // Closing the settings window takes the look window with it.
  form->show();
  form->close();
  EXPECT_FALSE(form->Formwtwg->isVisible());
}

// Calm in the middle, where the names and photos go: the picture varies far less there than round the edges.
TEST(StageBackground, IsSixteenByNineAndBusyOnlyAtTheEdges) {
  const QImage background = artwork::stageBackground();
  ASSERT_FALSE(background.isNull());
  EXPECT_EQ(background.width() * 9, background.height() * 16);
  EXPECT_GE(background.width(), 2560);
  const auto spread = [&](const QRect& area) {
    double sum = 0, squares = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4)
      for (int x = area.left(); x <= area.right(); x += 4) {
        const double v = qGray(background.pixel(x, y));
        sum += v;
        squares += v * v;
        ++n;
      }
    const double mean = sum / n;
    return std::sqrt(squares / n - mean * mean);
  };
  const int w = background.width(), h = background.height();
  const double middle = spread(QRect(w * 3 / 8, h * 3 / 8, w / 4, h / 4));
  const double corners =
      spread(QRect(0, 0, w / 5, h / 3)) + spread(QRect(w * 4 / 5, h * 2 / 3, w / 5, h / 3));
  EXPECT_GT(corners / 2, 10.0) << "something to see round the edges";
  EXPECT_LT(middle * 3, corners / 2);
  // Dark enough behind the middle for white names.
  EXPECT_LT(qGray(background.pixel(w / 2, h / 2)), 110);
}

}  // namespace
}  // namespace ld
