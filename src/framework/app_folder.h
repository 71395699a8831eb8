#pragma once
// The application folder (the event folder: what db/ and zp/ hang off), the mapping of stored relative paths
// ("zp\Sales_Tom.jpg") to files, where system pictures come from, and which event folder the program opens.
#include <QString>
#include <functional>

namespace ld {

// The event folder, always ending in '/': the executable's own folder unless set at start (or by tests).
QString appFolder();
void setAppFolder(const QString& folder);

// Beside zp/ (never inside it: an archive refuses sub-folders of zp/), the folder of the photos' sharper
// copies for a projector's full height, each under its zp file's name. Older events have none.
inline const QString kSharpPhotoFolder = QStringLiteral("zpgq");

// Application folder + a stored relative path with '\' separators, as a native path.
// Throws ld::Error when the path is absolute or would leave the application folder.
QString appPath(const QString& storedRelative);

// Maps a full path that may use '\' separators (as the connection string does) to a native one.
QString nativePath(const QString& path);

// A system picture by file name ("logo.jpg", "7.gif") as a file to read: the event's own system/ file when
// it has one, else the one installed with the program. When neither exists, the event's path, so that a
// failed load names the file the event would hold.
QString systemPicture(const QString& name);
// The installed system pictures: share/luckydraw/system/ of the installation, or system/ beside the
// executable in a build tree; ends in '/'. Tests may point it elsewhere.
QString installedSystemFolder();
void setInstalledSystemFolder(const QString& folder);

// A folder holds an event when it has db/db.mdb.
bool holdsEvent(const QString& folder);
// Events never live inside the system's own /usr tree, where only the package manager writes.
bool insideSystemTree(const QString& folder);

// What decides the event folder at start.
struct EventFolderChoice {
  QString argument;       // EVENT_DIR from the command line; empty when none was given
  QString programFolder;  // the executable's folder: an event there is opened first, as always
  QString lastEvent;      // the last event opened; empty when none
  QString dataFolder;     // the user's data folder, where a new event is offered
};
// Makes a new event in a folder, with the demo roster or empty; throws ld::Error when it cannot.
using EventCreator = std::function<void(const QString& folder, bool withDemo)>;

// The event folder to open, absolute and ending in '/': the folder given, else the program's own folder when
// it holds an event, else the last event opened, else a new one under the data folder. A folder without an
// event is only made one after the operator agrees (through dialogs()); empty when they decline. Throws
// ld::Error for a folder that cannot be an event (a file, inside /usr) or when creating fails.
QString resolveEventFolder(const EventFolderChoice& choice, const EventCreator& create);

// The last event opened, kept in the user's settings (never beside the program).
QString lastEventFolder();
void rememberEventFolder(const QString& folder);

}  // namespace ld
