#include "framework/event_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <utility>

#include "framework/errors.h"
#include "framework/file_safety.h"
#include "framework/text.h"

namespace ld {

namespace {

QString reason(int error) {
  switch (error) {
    case ENOENT:
      return Tr::tr("文件夹不存在");
    case ENOTDIR:
      return Tr::tr("不是文件夹");
    case EACCES:
    case EPERM:
      return Tr::tr("没有访问权限");
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

}  // namespace

// The lock is flock() on the folder itself: no lock file to create (the folder may be write-protected),
// none left over, and the folder exists even before the event database does.
EventLock::EventLock(const QString& folder) : folder_(QFileInfo(folder).absoluteFilePath()) {
  const QByteArray path = QFile::encodeName(folder_);
  UniqueFd fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) throw Error(Tr::tr("无法锁定活动文件夹 %1：%2").arg(folder_, reason(errno)));
  int rc;
  do {
    rc = ::flock(fd.get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int error = errno;
    if (error == EWOULDBLOCK)
      throw Error(Tr::tr("活动文件夹 %1 正被另一个程序（抽奖程序或 eventdb）使用。同一个活动同时只能由一个"
                         "程序打开，请先关闭另一个，再重试。")
                      .arg(folder_));
    throw Error(Tr::tr("无法锁定活动文件夹 %1：%2").arg(folder_, reason(error)));
  }
  fd_ = std::move(fd);
}

void EventLock::release() { fd_.reset(); }

}  // namespace ld
