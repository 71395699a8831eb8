#pragma once
// Keeps the desktop away from the show: no screensaver, no blanking and no idle suspend while it lives.
// Asks the desktop where there is one (org.freedesktop.ScreenSaver on the session bus, logind on the system
// bus), else holds the X server's screensaver and DPMS off itself, and gives everything back when it goes.
// Nothing of this may stop the show: what cannot be held is a warning, and the program runs on.
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <memory>
#include <optional>

namespace ld {

class ShowInhibitor : public QObject {
  Q_OBJECT
 public:
  explicit ShowInhibitor(QObject* parent = nullptr);
  ~ShowInhibitor() override;

 private:
  struct X11Hold;
  // The desktop's answers come while the show goes on: asking never delays the window.
  std::optional<QDBusPendingCall> screenSaverCall_;
  std::optional<uint> screenSaverCookie_;
  std::optional<QDBusPendingCall> sleepCall_;
  // logind holds its inhibition as long as this descriptor is open.
  QDBusUnixFileDescriptor sleepLock_;
  std::unique_ptr<X11Hold> x11_;

  // The desktop's answer; with fallBack, a refusal holds the X server's screensaver instead.
  void screenSaverAnswered(bool fallBack);
  void sleepAnswered();
  // Without a desktop that answers, the X server's own screensaver and DPMS are held off.
  void holdX11();
};

}  // namespace ld
