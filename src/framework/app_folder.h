#pragma once
// The application folder and the mapping of stored relative paths ("zp\Sales_Tom.jpg") to files.
#include <QString>

namespace ld {

// The executable's own folder, always ending in '/'. Tests may point it elsewhere.
QString appFolder();
void setAppFolder(const QString& folder);

// Application folder + a stored relative path with '\' separators, as a native path.
// Throws ld::Error when the path is absolute or would leave the application folder.
QString appPath(const QString& storedRelative);

// Maps a full path that may use '\' separators (as the connection string does) to a native one.
QString nativePath(const QString& path);

}  // namespace ld
