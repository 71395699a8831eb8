// The programs as a desktop and a package expect them: --version and --help answer on standard output with
// status 0, without a display, before anything else happens.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

namespace {

struct Outcome {
  int status = -1;
  QString out, err;
};

// The program with no display of any kind: no X, no Wayland, no platform asked for.
Outcome run(const QString& program, const QStringList& arguments,
            const QString& language = QStringLiteral("C")) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("LC_ALL"), language);
  QTemporaryDir home;
  env.insert(QStringLiteral("HOME"), home.path());
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  Outcome result;
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return result;
  result.status = process.exitCode();
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

const QString kLuckydraw = QStringLiteral(LUCKYDRAW_APP_DIR "/luckydraw");
const QString kEventdb = QStringLiteral(LUCKYDRAW_BIN_DIR "/eventdb");

}  // namespace

TEST(CommandLine, VersionAndHelpNeedNoDisplay) {
  const struct {
    QString program;
    QStringList arguments;
    const char* language;
    QString expected;  // the start of a line of standard output
  } cases[] = {
      {kLuckydraw, {"--version"}, "C", "luckydraw 1.0.0"},
      {kLuckydraw, {"-v"}, "C", "luckydraw 1.0.0"},
      {kLuckydraw, {"/some/event", "--version"}, "C", "luckydraw 1.0.0"},
      {kLuckydraw, {"--help"}, "C", "  --screen <N>"},
      {kLuckydraw, {"-h"}, "C", "  --presentation"},
      {kLuckydraw, {"--lang", "en", "--help"}, "C", "Lucky Draw: prize draws at company events"},
      {kLuckydraw, {"--help"}, "en_US.UTF-8", "Lucky Draw: prize draws at company events"},
      {kLuckydraw, {"--help"}, "C", "幸运抽奖：公司活动现场抽奖"},
      {kEventdb, {"--version"}, "C", "eventdb 1.0.0"},
      {kEventdb, {"--help"}, "C", "       eventdb --help | --version"},
  };
  for (const auto& c : cases) {
    const QString what = c.program.section(QLatin1Char('/'), -1) + QLatin1Char(' ') + c.arguments.join(' ');
    const Outcome result = run(c.program, c.arguments, QString::fromLatin1(c.language));
    EXPECT_EQ(result.status, 0) << qPrintable(what) << ": " << qPrintable(result.err);
    const QStringList lines = result.out.split(QLatin1Char('\n'));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const QString& line) { return line.startsWith(c.expected); }))
        << qPrintable(what) << " printed:\n"
        << qPrintable(result.out);
  }
}

TEST(CommandLine, AWrongLanguageWithHelpIsWrongUsage) {
  const Outcome result = run(kLuckydraw, {"--lang", "fr", "--help"});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(result.out.isEmpty());
  EXPECT_TRUE(result.err.contains(QStringLiteral("--lang"))) << qPrintable(result.err);
}

TEST(CommandLine, ARehearsalRefusesAMirrorBeforeCopyingAnything) {
  QTemporaryDir work;
  const QString mirror = work.filePath(QStringLiteral("stick"));
  const QString cache = work.filePath(QStringLiteral("cache"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
  env.insert(QStringLiteral("HOME"), work.path());
  for (const QString& language : {QStringLiteral("zh"), QStringLiteral("en")}) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(kLuckydraw, {"--lang", language, "--rehearsal", work.path(), "--mirror", mirror});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 2) << qPrintable(language);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("--mirror"))) << qPrintable(err);
    EXPECT_TRUE(
        err.contains(language == QLatin1String("en") ? QStringLiteral("rehearsal") : QStringLiteral("彩排")))
        << qPrintable(err);
  }
  EXPECT_FALSE(QFileInfo::exists(mirror)) << "no mirror made";
  EXPECT_FALSE(QFileInfo::exists(cache)) << "no copy begun";
}
