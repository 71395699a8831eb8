#pragma once
// The eventdb commands that make, fill and read an event database. Each throws ld::Error (a DbError for
// the database) with the message to print; a command that writes holds the event lock while it runs.
#include <QString>
#include <QStringList>
#include <exception>

namespace ld {
class Connection;
}

namespace ld::eventdb {

// Wrong usage, thrown by a command's parsing: the caller prints the message and the usage.
struct UsageError {
  QString message;
};

// Runs a command's body: its status (0 when it returns nothing else), 2 for a UsageError and 1 for any other
// failure, the message in `error`.
template <class F>
int commandStatus(QString& error, F&& body) {
  try {
    return body();
  } catch (const UsageError& e) {
    error = e.message;
    return 2;
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
    return 1;
  }
}

// The event folder as an absolute path ending in '/', as the commands take it.
QString eventFolder(const QString& folder);

// Connects to the event database in `folder` (ending in '/'); throws Error naming the folder when it has
// none.
void connectToEvent(Connection& c, const QString& folder);

// eventdb init: a new event database in `folder`; refuses an existing one.
void init(const QString& folder);

struct DemoOptions {
  int count = 0;
  int distinctPhotos = 0;  // 0: every participant gets a photo of their own
  bool append = false;     // allowed to add to a roster that has participants
};
// eventdb demo: adds `count` demo participants with photos to the event in `folder`. Never damages the
// event: refuses a roster that has participants unless told to append, skips a department and name that
// exist (or whose photo path does) and a photo file that exists, and leaves nothing behind when it fails.
// Returns how many were added.
int demo(const QString& folder, const DemoOptions& options);

// eventdb journal: the draw journal of the event in `folder`, one line per row (see ld::journalLine).
QStringList journal(const QString& folder);

}  // namespace ld::eventdb
