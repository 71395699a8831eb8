// The show holds the desktop away: on a private D-Bus daemon that stands for both the session and the system
// bus, a fake screensaver service and a fake logind see the inhibitions asked when the draw window shows and
// given back when the program goes; without either service the program shows all the same.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QMutex>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <functional>

#include "draw/lucky_draw.h"
#include "draw/veltrax_form.h"
#include "support/draw_helpers.h"

using namespace ld::test;

namespace {

// The daemon starts before the application object, so that Qt's session and system buses are this one.
struct PrivateBus {
  QByteArray address;
  pid_t pid = 0;
  PrivateBus() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!out) return;
    char line[512] = {};
    if (std::fgets(line, sizeof line, out)) address = QByteArray(line).trimmed();
    if (std::fgets(line, sizeof line, out)) pid = static_cast<pid_t>(QByteArray(line).trimmed().toLong());
    pclose(out);
    if (address.isEmpty()) return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
  }
  ~PrivateBus() {
    if (pid > 0) kill(pid, SIGTERM);
  }
};
const PrivateBus kBus;

struct Calls {
  QMutex mutex;
  QStringList log;
  void add(const QString& call) {
    QMutexLocker lock(&mutex);
    log << call;
  }
  QStringList all() {
    QMutexLocker lock(&mutex);
    return log;
  }
};

class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  explicit FakeScreenSaver(Calls& calls) : calls_(calls) {}
 public slots:
  uint Inhibit(const QString& application, const QString& reason) {
    calls_.add(QStringLiteral("Inhibit %1|%2").arg(application, reason));
    return 4711;
  }
  void UnInhibit(uint cookie) { calls_.add(QStringLiteral("UnInhibit %1").arg(cookie)); }

 private:
  Calls& calls_;
};

// logind hands out the write end of a pipe; the inhibition lasts while the client holds it open.
class FakeLogind : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
 public:
  explicit FakeLogind(Calls& calls) : calls_(calls) {}
  ~FakeLogind() override {
    if (readEnd >= 0) close(readEnd);
  }
  int readEnd = -1;
 public slots:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                  const QString& mode) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    readEnd = ends[0];
    QDBusUnixFileDescriptor writeEnd(ends[1]);
    close(ends[1]);
    calls_.add(QStringLiteral("Inhibit %1|%2|%3|%4").arg(what, who, why, mode));
    return writeEnd;
  }

 private:
  Calls& calls_;
};

bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
  return QTest::qWaitFor(condition, ms);
}

// How many descriptors of this process are the pipe of `readEnd`, apart from `readEnd` itself.
int otherEndsOpen(int readEnd) {
  struct stat pipeStat {};
  if (readEnd < 0 || fstat(readEnd, &pipeStat) != 0) return -1;
  int count = 0;
  for (const QString& name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
    const int fd = name.toInt();
    struct stat other {};
    if (fd != readEnd && fstat(fd, &other) == 0 && other.st_ino == pipeStat.st_ino &&
        other.st_dev == pipeStat.st_dev)
      ++count;
  }
  return count;
}

bool writeEndClosed(int readEnd) {
  pollfd poll_fd{readEnd, POLLIN, 0};
  return poll(&poll_fd, 1, 0) == 1 && (poll_fd.revents & POLLHUP);
}

QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtWarningMsg) g_warnings << message;
}

// The fake desktop answers from its own thread and connection, as another process would.
class ShowInhibition : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kBus.address.isEmpty()) << "dbus-daemon could not be started (Debian package dbus)";
    desktop_ = QDBusConnection::connectToBus(QString::fromUtf8(kBus.address), QStringLiteral("fake-desktop"));
    ASSERT_TRUE(desktop_.isConnected());
    thread_.start();
    screenSaver_.moveToThread(&thread_);
    logind_.moveToThread(&thread_);
  }
  void TearDown() override {
    program_.reset();
    deleteOtherTopLevels();
    desktop_.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    desktop_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    desktop_.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    desktop_.unregisterService(QStringLiteral("org.freedesktop.login1"));
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop"));
  }
  void offerServices() {
    ASSERT_TRUE(desktop_.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver_,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktop_.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    ASSERT_TRUE(desktop_.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind_,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktop_.registerService(QStringLiteral("org.freedesktop.login1")));
  }
  ld::LuckyDraw& show() {
    program_ = std::make_unique<ld::LuckyDraw>();
    program_->show();
    return *program_;
  }

  TempApp app_;
  Calls screenSaverCalls_;
  Calls logindCalls_;
  FakeScreenSaver screenSaver_{screenSaverCalls_};
  FakeLogind logind_{logindCalls_};
  QDBusConnection desktop_{QString()};
  QThread thread_;
  std::unique_ptr<ld::LuckyDraw> program_;
};

TEST_F(ShowInhibition, HeldFromTheFirstShowUntilTheProgramGoes) {
  offerServices();
  ld::LuckyDraw& program = show();

  ASSERT_TRUE(waitFor([&] { return screenSaverCalls_.all().size() == 1; })) << "no Inhibit on show";
  const QString inhibit = screenSaverCalls_.all().constFirst();
  EXPECT_TRUE(inhibit.startsWith(QStringLiteral("Inhibit 幸运抽奖|"))) << qPrintable(inhibit);
  EXPECT_GT(inhibit.size(), QStringLiteral("Inhibit 幸运抽奖|").size()) << "a reason the desktop can show";

  ASSERT_TRUE(waitFor([&] { return logindCalls_.all().size() == 1; })) << "no logind Inhibit on show";
  EXPECT_TRUE(logindCalls_.all().constFirst().startsWith(QStringLiteral("Inhibit idle:sleep|幸运抽奖|")));
  EXPECT_TRUE(logindCalls_.all().constFirst().endsWith(QStringLiteral("|block")));
  // The fake's own copies go once the answer is sent; the program's stays.
  EXPECT_TRUE(waitFor([&] { return otherEndsOpen(logind_.readEnd) == 1; }))
      << "the program does not hold logind's descriptor: " << otherEndsOpen(logind_.readEnd);

  // Showing again (another screen, presentation) asks nothing more.
  program.show({QString(), true});
  runEventLoop(50);
  EXPECT_EQ(screenSaverCalls_.all().size(), 1);
  EXPECT_EQ(logindCalls_.all().size(), 1);
  EXPECT_FALSE(writeEndClosed(logind_.readEnd));

  program_.reset();
  EXPECT_TRUE(waitFor([&] { return screenSaverCalls_.all().size() == 2; })) << "no UnInhibit on teardown";
  EXPECT_EQ(screenSaverCalls_.all().value(1), QStringLiteral("UnInhibit 4711")) << "the cookie given";
  EXPECT_TRUE(waitFor([&] { return writeEndClosed(logind_.readEnd); })) << "logind's descriptor still open";
}

TEST_F(ShowInhibition, WithoutTheDesktopsServicesTheShowGoesOnWithWarnings) {
  g_warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
  ld::LuckyDraw& program = show();
  // Both answers are errors (no such service); offscreen there is no X server to fall back on either.
  const bool warned = waitFor([] {
    return g_warnings.filter(QStringLiteral("idle suspend")).size() == 1 &&
           g_warnings.filter(QStringLiteral("not on an X display")).size() == 1;
  });
  qInstallMessageHandler(previous);
  EXPECT_TRUE(warned) << qPrintable(g_warnings.join(QLatin1Char('\n')));
  EXPECT_TRUE(program.drawWindow().isVisible());
  program_.reset();
  EXPECT_TRUE(screenSaverCalls_.all().isEmpty());
}

}  // namespace

#include "show_inhibitor_test.moc"
