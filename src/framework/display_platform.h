#pragma once
// Which Qt display platform the program asks for, before its application object exists.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

namespace ld {

// The platform list to put in QT_QPA_PLATFORM, or empty to leave Qt's own choice. The handset is a shaped
// window that the program places itself, and Wayland allows neither (a mask there only shapes input, and
// windows cannot be placed), so a Wayland session runs the program through XWayland ("xcb", with Wayland
// as the last resort when there is no XWayland). Whoever names a platform (QT_QPA_PLATFORM, or -platform
// among the arguments, as Qt reads them) gets it.
QByteArray platformForSession(const QProcessEnvironment& environment, const QStringList& arguments);

}  // namespace ld
