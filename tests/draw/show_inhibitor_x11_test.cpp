// On an X server of the test's own, with no desktop on any bus to ask, the real program holds the X server's
// screensaver (and DPMS, where the server has it) off while its draw window shows, and lets go when it ends.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "support/temp_app.h"

// After Qt: Xlib's macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace {

bool waitFor(const std::function<bool()>& condition, int ms) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

class XServer {
 public:
  XServer() {
    xvfb_.start(QStringLiteral("Xvfb"),
                {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (!waitFor(
            [this] {
              xvfb_.waitForReadyRead(20);
              number_ += xvfb_.readAllStandardOutput();
              return number_.endsWith('\n') || xvfb_.state() == QProcess::NotRunning;
            },
            20000))
      return;
    name_ = ":" + number_.trimmed();
    display_ = XOpenDisplay(name_.constData());
  }
  ~XServer() {
    if (display_) XCloseDisplay(display_);
    xvfb_.terminate();
    xvfb_.waitForFinished();
  }
  Display* display() const { return display_; }
  QString name() const { return QString::fromLatin1(name_); }

  bool saverOn() const {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info);
    const bool on = info->state == ScreenSaverOn;
    XFree(info);
    return on;
  }
  bool hasDpms() const {
    int event = 0;
    int error = 0;
    return DPMSQueryExtension(display_, &event, &error) && DPMSCapable(display_);
  }
  bool dpmsEnabled() const {
    CARD16 level = 0;
    BOOL enabled = False;
    DPMSInfo(display_, &level, &enabled);
    return enabled;
  }

 private:
  QProcess xvfb_;
  QByteArray number_;
  QByteArray name_;
  Display* display_ = nullptr;
};

}  // namespace

TEST(ShowInhibitorX11, TheScreensaverWaitsWhileTheDrawWindowShows) {
  XServer x;
  ASSERT_NE(x.display(), nullptr) << "Xvfb could not be started";
  // A screensaver due after one second without input; first seen to start on its own.
  XSetScreenSaver(x.display(), 1, 1, DefaultBlanking, DefaultExposures);
  XResetScreenSaver(x.display());
  XFlush(x.display());
  ASSERT_TRUE(waitFor([&] { return x.saverOn(); }, 10000)) << "the server's screensaver never starts";
  XForceScreenSaver(x.display(), ScreenSaverReset);
  XSync(x.display(), False);
  ASSERT_FALSE(x.saverOn());

  ld::test::TempApp app;
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), x.name());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("HOME"), home.path());
  // As in the end-to-end tests: the X libraries under Qt's xcb plugin trip the strict string checks and leak.
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  // No desktop to ask: the program holds the X server's own screensaver.
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/session"));
  env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/system"));
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(LUCKYDRAW_APP_DIR "/luckydraw"), {app.folder()});
  QByteArray log;
  const auto logSays = [&](const char* text) {
    program.waitForReadyRead(20);
    log += program.readAllStandardError();
    return log.contains(text);
  };

  const bool dpms = x.hasDpms();
  if (dpms) {
    ASSERT_TRUE(x.dpmsEnabled()) << "a server's DPMS is on until someone turns it off";
    ASSERT_TRUE(waitFor([&] { return !x.dpmsEnabled(); }, 60000)) << "DPMS stays on during the show";
  } else {
    // Xvfb has no DPMS: the program says so and goes on.
    ASSERT_TRUE(waitFor([&] { return logSays("the X server has no DPMS"); }, 60000)) << log.constData();
  }
  // The program took longer than the timeout to start: the screensaver may have started meanwhile. Three
  // times the timeout without input, the draw window still in front. without input, the draw window still in
  // front.
  QThread::msleep(3000);
  EXPECT_FALSE(x.saverOn()) << "the screensaver started during the show, or was left on from before it";
  ASSERT_EQ(program.state(), QProcess::Running) << log.constData();

  program.terminate();
  ASSERT_TRUE(program.waitForFinished(30000));
  log += program.readAllStandardError();
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << log.constData();
  EXPECT_TRUE(waitFor([&] { return x.saverOn(); }, 10000)) << "the screensaver stays held after the show";
  if (dpms) {
    EXPECT_TRUE(x.dpmsEnabled()) << "DPMS was not turned on again";
  }
}
