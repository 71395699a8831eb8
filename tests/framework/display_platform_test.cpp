// The display platform chosen before the application starts: XWayland in a Wayland session unless the user
// names a platform.
#include <gtest/gtest.h>

#include "framework/display_platform.h"

TEST(DisplayPlatform, AWaylandSessionRunsThroughXWaylandUnlessAPlatformIsNamed) {
  const struct {
    const char* why;
    QStringList environment;
    QStringList arguments;
    const char* expected;
  } cases[] = {
      {"an X session: Qt chooses", {"XDG_SESSION_TYPE=x11", "DISPLAY=:0"}, {}, ""},
      {"no session at all", {}, {}, ""},
      {"a Wayland session", {"XDG_SESSION_TYPE=wayland", "DISPLAY=:0"}, {}, "xcb;wayland"},
      {"a session type in capitals", {"XDG_SESSION_TYPE=Wayland"}, {}, "xcb;wayland"},
      {"a Wayland display without a session type", {"WAYLAND_DISPLAY=wayland-0"}, {}, "xcb;wayland"},
      {"a tty session with a Wayland display",
       {"XDG_SESSION_TYPE=tty", "WAYLAND_DISPLAY=wayland-0"},
       {},
       "xcb;wayland"},
      {"an empty Wayland display is none", {"WAYLAND_DISPLAY="}, {}, ""},
      {"the user's QT_QPA_PLATFORM wins", {"XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM=wayland"}, {}, ""},
      {"an empty QT_QPA_PLATFORM names nothing",
       {"XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM="},
       {},
       "xcb;wayland"},
      {"-platform wins", {"XDG_SESSION_TYPE=wayland"}, {"-platform", "wayland"}, ""},
      {"--platform wins", {"WAYLAND_DISPLAY=wayland-0"}, {"/tmp/event", "--platform", "wayland"}, ""},
      {"-platform without a value names nothing", {"XDG_SESSION_TYPE=wayland"}, {"-platform"}, "xcb;wayland"},
      {"a folder named -platform", {"XDG_SESSION_TYPE=wayland"}, {"--", "-platformx"}, "xcb;wayland"},
  };
  for (const auto& c : cases) {
    QProcessEnvironment environment;
    for (const QString& variable : c.environment)
      environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    const QStringList arguments = QStringList{QStringLiteral("luckydraw")} + c.arguments;
    EXPECT_EQ(ld::platformForSession(environment, arguments), QByteArray(c.expected)) << c.why;
  }
}
