#include "framework/display_platform.h"

namespace ld {

namespace {
// Qt reads "-platform NAME", and "--platform NAME" as the same.
bool namesPlatform(const QStringList& arguments) {
  for (qsizetype i = 1; i + 1 < arguments.size(); ++i)
    if (arguments[i] == QLatin1String("-platform") || arguments[i] == QLatin1String("--platform"))
      return true;
  return false;
}
}  // namespace

QByteArray platformForSession(const QProcessEnvironment& environment, const QStringList& arguments) {
  if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty() || namesPlatform(arguments)) return {};
  const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE"))
                               .compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 ||
                       !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
  return wayland ? QByteArrayLiteral("xcb;wayland") : QByteArray();
}

}  // namespace ld
