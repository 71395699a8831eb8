#include "draw/show_inhibitor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

#include "framework/application.h"
#include "framework/text.h"

namespace ld {

namespace {
constexpr int kCallTimeoutMs = 3000;

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");

// Below, apart from Qt: Xlib's macros (None, Bool, Status) clash with Qt's names.
struct X11Result {
  bool screenSaverSuspended = false;
  bool dpmsDisabled = false;
  bool hasScreenSaverExtension = false;
  bool hasDpms = false;
};
X11Result suspendX11(void* display);
void resumeX11(void* display, const X11Result& held);
}  // namespace

struct ShowInhibitor::X11Hold {
  void* display = nullptr;
  X11Result held;
};

ShowInhibitor::ShowInhibitor(QObject* parent) : QObject(parent) {
  const QString who = Tr::tr(kApplicationTitle);
  const QString why = Tr::tr("抽奖正在进行");

  QDBusConnection session = QDBusConnection::sessionBus();
  if (session.isConnected()) {
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService, "Inhibit");
    inhibit << who << why;
    screenSaverCall_ = session.asyncCall(inhibit, kCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(*screenSaverCall_, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
      finished->deleteLater();
      screenSaverAnswered(true);
    });
  } else {
    qWarning("no session bus (%s): holding off the X screensaver instead of the desktop's",
             qUtf8Printable(session.lastError().message()));
    holdX11();
  }

  QDBusConnection system = QDBusConnection::systemBus();
  if (system.isConnected()) {
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager, "Inhibit");
    inhibit << QStringLiteral("idle:sleep") << who << why << QStringLiteral("block");
    sleepCall_ = system.asyncCall(inhibit, kCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(*sleepCall_, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
      finished->deleteLater();
      sleepAnswered();
    });
  } else {
    qWarning("no system bus (%s): the computer may still suspend when idle during the show",
             qUtf8Printable(system.lastError().message()));
  }
}

ShowInhibitor::~ShowInhibitor() {
  // An answer still on its way would leave the desktop holding an inhibition nobody gives back.
  if (screenSaverCall_ && !screenSaverCall_->isFinished()) {
    screenSaverCall_->waitForFinished();
    screenSaverAnswered(false);
  }
  if (screenSaverCookie_) {
    QDBusMessage uninhibit = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                            kScreenSaverService, "UnInhibit");
    uninhibit << *screenSaverCookie_;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(uninhibit, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
      qWarning("the desktop's screensaver could not be given back: %s", qUtf8Printable(reply.errorMessage()));
  }
  if (x11_) resumeX11(x11_->display, x11_->held);
  // Closing the descriptor ends logind's inhibition.
  sleepLock_ = QDBusUnixFileDescriptor();
}

void ShowInhibitor::screenSaverAnswered(bool fallBack) {
  if (!screenSaverCall_) return;
  const QDBusPendingReply<uint> reply(*screenSaverCall_);
  screenSaverCall_.reset();
  if (reply.isError()) {
    if (!fallBack) return;
    qWarning("the desktop did not hold off its screensaver (%s): holding off the X screensaver instead",
             qUtf8Printable(reply.error().message()));
    holdX11();
    return;
  }
  screenSaverCookie_ = reply.value();
}

void ShowInhibitor::sleepAnswered() {
  if (!sleepCall_) return;
  const QDBusPendingReply<QDBusUnixFileDescriptor> reply(*sleepCall_);
  sleepCall_.reset();
  if (reply.isError()) {
    qWarning("logind did not hold off idle suspend (%s): the computer may still suspend during the show",
             qUtf8Printable(reply.error().message()));
    return;
  }
  sleepLock_ = reply.value();
}

void ShowInhibitor::holdX11() {
  if (x11_) return;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->display()) {
    qWarning("not on an X display (%s): the screensaver and blanking stay as the desktop sets them",
             qUtf8Printable(QGuiApplication::platformName()));
    return;
  }
  x11_ = std::make_unique<X11Hold>();
  x11_->display = x11->display();
  x11_->held = suspendX11(x11_->display);
  if (!x11_->held.hasScreenSaverExtension)
    qWarning("the X server has no screensaver extension: its screensaver may still start during the show");
  if (!x11_->held.hasDpms) qWarning("the X server has no DPMS: blanking stays as the server sets it");
}

}  // namespace ld

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace ld {
namespace {

X11Result suspendX11(void* opaque) {
  auto* display = static_cast<Display*>(opaque);
  X11Result result;
  int event = 0;
  int error = 0;
  int major = 0;
  int minor = 0;
  // Suspending needs version 1.1 of the extension.
  result.hasScreenSaverExtension = XScreenSaverQueryExtension(display, &event, &error) &&
                                   XScreenSaverQueryVersion(display, &major, &minor) &&
                                   (major > 1 || (major == 1 && minor >= 1));
  if (result.hasScreenSaverExtension) {
    XScreenSaverSuspend(display, True);
    result.screenSaverSuspended = true;
  }
  // A screensaver that started while the program was starting goes, as after a key press.
  XResetScreenSaver(display);
  result.hasDpms = DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
  if (result.hasDpms) {
    CARD16 level = 0;
    BOOL enabled = False;
    // Only what was on is turned off, so that only that is turned on again.
    if (DPMSInfo(display, &level, &enabled) && enabled) {
      DPMSDisable(display);
      result.dpmsDisabled = true;
    }
  }
  XFlush(display);
  return result;
}

void resumeX11(void* opaque, const X11Result& held) {
  auto* display = static_cast<Display*>(opaque);
  if (held.screenSaverSuspended) XScreenSaverSuspend(display, False);
  if (held.dpmsDisabled) DPMSEnable(display);
  XFlush(display);
}

}  // namespace
}  // namespace ld
