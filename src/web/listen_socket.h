#pragma once
// The server's listening socket, bound here rather than by the HTTP library so that a port already taken
// or an address this machine does not have is reported as such instead of as a bare failure.
#include <QHostAddress>
#include <QList>
#include <QString>

#include "framework/file_safety.h"

namespace ld::web {

struct ListenSocket {
  UniqueFd fd;
  quint16 port = 0;  // the port bound, the one the system chose when 0 was asked for
  QString error;     // for the operator; empty when the socket listens
};

ListenSocket openListenSocket(const QHostAddress& address, quint16 port);

// The addresses phones in the hall could reach this machine at: every IPv4 address of an interface that is
// up and running, loopback left out, with the interface's name.
struct HallAddress {
  QHostAddress ip;
  QString interfaceName;
};
QList<HallAddress> hallAddresses();

}  // namespace ld::web
