#pragma once
// A small HTTP server for the phones in the hall (check-in form, live winners), built on libmicrohttpd.
// The library's own thread reads and writes every socket; handlers run on the Qt main thread, queued, so
// they may use the database and the windows, and a slow phone never holds up the draw. While a handler
// has not answered, its connection sleeps.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrlQuery>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "web/event_stream.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace ld::web {

struct Request {
  QByteArray method;
  QString path;
  QUrlQuery query;
  QHash<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray body;
  QHostAddress peer;

  // The fields of a form posted as application/x-www-form-urlencoded.
  QUrlQuery form() const;
};

struct Response {
  int status = 200;
  QByteArray contentType = "text/html; charset=utf-8";
  QByteArray body;
  QList<std::pair<QByteArray, QByteArray>> headers;

  static Response html(const QString& page, int status = 200);
  static Response text(const QString& text, int status);
};

using Handler = std::function<Response(const Request&)>;

struct Limits {
  qsizetype maxBody = 16 * 1024;   // larger bodies are answered 413
  unsigned timeoutSeconds = 10;    // a connection silent this long is closed (half a header included)
  unsigned maxConnections = 1000;  // open connections, event streams included
  unsigned maxPerAddress = 0;      // per client address; 0 for none (a hall's NAT may hide many phones)
  size_t memoryPerConnection = 32 * 1024;  // header and buffers; longer headers are answered 431
};

class WebServer : public QObject {
  Q_OBJECT
 public:
  explicit WebServer(Limits limits = {}, QObject* parent = nullptr);
  ~WebServer() override;

  // Routes are set before start(); a path answers only the methods given for it (405 for others).
  void get(const QString& path, Handler handler);
  void post(const QString& path, Handler handler);
  // A GET for every path under `prefix` (which ends in '/') that has no route of its own.
  void getUnder(const QString& prefix, Handler handler);
  // The event stream served at `path`, made on first use; it lives as long as the server.
  EventStream& stream(const QString& path);

  // Listens on `address` (one interface, or Any) and `port` (0 for a free one). Returns an empty string,
  // or a message for the operator saying why it cannot (the port taken, an address the machine lacks).
  QString start(const QHostAddress& address, quint16 port);
  void stop();
  bool running() const { return daemon_ != nullptr; }
  quint16 port() const { return port_; }

 private:
  struct Exchange;
  struct Pending {
    MHD_Connection* connection;
    Exchange* exchange;
  };

  friend struct ServerCallbacks;  // the library's entry points, in the source file

  // On the network thread: false closes the connection.
  bool handle(MHD_Connection* connection, const char* url, const char* method, const char* upload,
              size_t* uploadSize, void** state);
  bool begin(MHD_Connection* connection, const char* url, const char* method, void** state);
  bool handOver(MHD_Connection* connection, Exchange& exchange);
  // On the main thread.
  void answer(quint64 id, const Request& request, const Handler& handler);

  const Limits limits_;
  std::map<std::pair<QByteArray, QString>, Handler> routes_;
  std::map<QString, Handler> prefixRoutes_;
  std::map<QString, std::unique_ptr<EventStream>> streams_;
  MHD_Daemon* daemon_ = nullptr;
  quint16 port_ = 0;

  // Requests handed to the main thread, their connections suspended until answered.
  std::mutex pendingMutex_;
  std::unordered_map<quint64, Pending> pending_;
  quint64 nextId_ = 1;
  bool stopping_ = false;
};

}  // namespace ld::web
