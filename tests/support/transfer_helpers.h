#pragma once
// Small helpers shared by the tests of tables, import, export and packing.
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <csignal>

#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

#include "framework/errors.h"
#include "transfer/event_pack.h"
#include "transfer/table_file.h"

namespace ld::test {

// The cells of every row, without the line numbers.
inline std::vector<QStringList> cellsOf(const Table& t) {
  std::vector<QStringList> out;
  for (const TableRow& r : t.rows) out.push_back(r.cells);
  return out;
}

// The message of the ld::Error that `f` throws; empty when it throws none.
inline QString errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.message();
  }
  return {};
}

// An archive made by hand, to hold what the program's own packing never would; false when it cannot be
// written.
inline bool writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& files) {
  int error = 0;
  zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) return false;
  for (const auto& [name, bytes] : files) {
    // The bytes are the caller's and outlive zip_close.
    zip_source_t* s = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (!s || zip_file_add(z, name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0) {
      if (s) zip_source_free(s);
      zip_discard(z);
      return false;
    }
  }
  return zip_close(z) == 0;
}

// Unpacks `archive` into `target` in a child process that is killed (SIGKILL) at the unpack's `kill`-th step,
// as a power cut would end it; the child's wait status, -1 when it could not be waited for.
inline int unpackKilledAt(int kill, const QString& archive, const QString& target) {
  const pid_t child = ::fork();
  if (child == 0) {
    int step = 0;
    setUnpackHook([&](const char*) {
      if (++step == kill) ::raise(SIGKILL);
    });
    try {
      unpackEvent(archive, target);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child ? status : -1;
}

}  // namespace ld::test
