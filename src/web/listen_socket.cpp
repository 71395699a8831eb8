#include "web/listen_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include <QNetworkInterface>

#include "framework/text.h"

namespace ld::web {

namespace {

QString bindError(int error, const QHostAddress& address, quint16 port) {
  switch (error) {
    case EADDRINUSE:
      return Tr::tr("端口 %1 已被其他程序占用，请换一个端口或先关闭占用它的程序。").arg(port);
    case EADDRNOTAVAIL:
      return Tr::tr("本机没有地址 %1，请重新选择网络接口。").arg(address.toString());
    case EACCES:
      return Tr::tr("端口 %1 需要管理员权限，请使用 1024 以上的端口。").arg(port);
    default:
      return Tr::tr("无法在 %1 端口 %2 上启动网页服务：%3")
          .arg(address.toString())
          .arg(port)
          .arg(QString::fromLocal8Bit(std::strerror(error)));
  }
}

}  // namespace

ListenSocket openListenSocket(const QHostAddress& address, quint16 port) {
  ListenSocket result;
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.protocol() == QAbstractSocket::IPv4Protocol) {
    auto* in = reinterpret_cast<sockaddr_in*>(&storage);
    in->sin_family = AF_INET;
    in->sin_port = htons(port);
    in->sin_addr.s_addr = htonl(address.toIPv4Address());
    length = sizeof(sockaddr_in);
  } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
    in6->sin6_scope_id = address.scopeId().toUInt();
    length = sizeof(sockaddr_in6);
  } else {
    result.error = Tr::tr("网页服务的地址无效：%1").arg(address.toString());
    return result;
  }

  UniqueFd fd(::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.valid()) {
    result.error = bindError(errno, address, port);
    return result;
  }
  // A restart right after a stop must not wait for the old connections' TIME_WAIT; Linux still refuses a
  // port another socket listens on.
  const int on = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd.get(), 511) != 0) {
    result.error = bindError(errno, address, port);
    return result;
  }
  if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&storage), &length) == 0)
    result.port = ntohs(storage.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&storage)->sin_port
                                                     : reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port);
  result.fd = std::move(fd);
  return result;
}

QList<HallAddress> hallAddresses() {
  QList<HallAddress> list;
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    const auto flags = interface.flags();
    if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
        flags.testFlag(QNetworkInterface::IsLoopBack))
      continue;
    for (const QNetworkAddressEntry& entry : interface.addressEntries())
      if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.ip().isLoopback())
        list.push_back({entry.ip(), interface.humanReadableName()});
  }
  return list;
}

}  // namespace ld::web
