#include "web/web_server.h"

#include <microhttpd.h>

#include <QMetaObject>
#include <cstdarg>
#include <cstdio>

#include "framework/text.h"
#include "web/listen_socket.h"

namespace ld::web {

// One request on its connection, from its first header to its answer.
struct WebServer::Exchange {
  Request request;
  const Handler* handler = nullptr;
  qsizetype length = 0;  // of the body, as announced
  bool handedOver = false;
  bool answered = false;  // `response` holds the main thread's answer
  Response response;
};

namespace {

MHD_Result sendResponse(MHD_Connection* connection, const Response& answer) {
  MHD_Response* response =
      MHD_create_response_from_buffer(static_cast<size_t>(answer.body.size()),
                                      const_cast<char*>(answer.body.constData()), MHD_RESPMEM_MUST_COPY);
  if (!response) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.constData());
  MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
  for (const auto& [name, value] : answer.headers)
    MHD_add_response_header(response, name.constData(), value.constData());
  const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
  MHD_destroy_response(response);
  return queued;
}

MHD_Result collectHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
  static_cast<QHash<QByteArray, QByteArray>*>(cls)->insert(QByteArray(key).toLower(), QByteArray(value));
  return MHD_YES;
}

MHD_Result collectArgument(void* cls, MHD_ValueKind, const char* key, const char* value) {
  static_cast<QUrlQuery*>(cls)->addQueryItem(QString::fromUtf8(key), QString::fromUtf8(value ? value : ""));
  return MHD_YES;
}

QHostAddress peerOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  return info && info->client_addr ? QHostAddress(info->client_addr) : QHostAddress();
}

void logLibraryMessage(void*, const char* format, va_list args) {
  char line[512];
  const int length = std::vsnprintf(line, sizeof line, format, args);
  // The library ends its messages with a line break of its own.
  if (length > 0 && static_cast<size_t>(length) < sizeof line && line[length - 1] == '\n')
    line[length - 1] = 0;
  qWarning("web server: %s", line);
}

}  // namespace

struct ServerCallbacks {
  static MHD_Result request(void* cls, MHD_Connection* connection, const char* url, const char* method,
                            const char*, const char* upload, size_t* uploadSize, void** state) {
    return static_cast<WebServer*>(cls)->handle(connection, url, method, upload, uploadSize, state) ? MHD_YES
                                                                                                    : MHD_NO;
  }
  static void completed(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
    delete static_cast<WebServer::Exchange*>(*state);
    *state = nullptr;
  }
};

QUrlQuery Request::form() const {
  QByteArray text = body;
  text.replace('+', ' ');
  return QUrlQuery(QString::fromUtf8(text));
}

Response Response::html(const QString& page, int status) {
  return {status, "text/html; charset=utf-8", page.toUtf8(), {}};
}

Response Response::text(const QString& text, int status) {
  return {status, "text/plain; charset=utf-8", text.toUtf8(), {}};
}

WebServer::WebServer(Limits limits, QObject* parent) : QObject(parent), limits_(limits) {}

WebServer::~WebServer() { stop(); }

void WebServer::get(const QString& path, Handler handler) {
  Q_ASSERT(!running());
  routes_[{QByteArrayLiteral("GET"), path}] = std::move(handler);
}

void WebServer::post(const QString& path, Handler handler) {
  Q_ASSERT(!running());
  routes_[{QByteArrayLiteral("POST"), path}] = std::move(handler);
}

void WebServer::getUnder(const QString& prefix, Handler handler) {
  Q_ASSERT(!running() && prefix.endsWith(QLatin1Char('/')));
  prefixRoutes_[prefix] = std::move(handler);
}

EventStream& WebServer::stream(const QString& path) {
  std::unique_ptr<EventStream>& stream = streams_[path];
  if (!stream) {
    Q_ASSERT(!running());
    stream = std::make_unique<EventStream>();
  }
  return *stream;
}

QString WebServer::start(const QHostAddress& address, quint16 port) {
  if (running()) stop();
  ListenSocket socket = openListenSocket(address, port);
  if (!socket.error.isEmpty()) return socket.error;
  const int fd = socket.fd.get();
  {
    std::lock_guard lock(pendingMutex_);
    stopping_ = false;
  }
  daemon_ = MHD_start_daemon(
      MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG, 0, nullptr, nullptr,
      &ServerCallbacks::request, this, MHD_OPTION_EXTERNAL_LOGGER, &logLibraryMessage, nullptr,
      MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT, limits_.maxConnections,
      MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits_.maxPerAddress, MHD_OPTION_CONNECTION_TIMEOUT,
      limits_.timeoutSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.memoryPerConnection,
      MHD_OPTION_NOTIFY_COMPLETED, &ServerCallbacks::completed, this, MHD_OPTION_END);
  if (!daemon_) return Tr::tr("网页服务无法启动（端口 %1）。").arg(socket.port);
  // The daemon closes the listening socket when it stops.
  socket.fd.release();
  port_ = socket.port;
  return {};
}

void WebServer::stop() {
  if (!daemon_) return;
  // The library must not be stopped with a connection asleep: every waiting request is answered and every
  // stream ended first, and no request may go to sleep after this.
  {
    std::lock_guard lock(pendingMutex_);
    stopping_ = true;
    for (auto& [id, pending] : pending_) {
      pending.exchange->response = Response::text(Tr::tr("网页服务已停止。"), MHD_HTTP_SERVICE_UNAVAILABLE);
      pending.exchange->answered = true;
      MHD_resume_connection(pending.connection);
    }
    pending_.clear();
  }
  for (auto& [path, stream] : streams_) stream->closeAll();
  MHD_stop_daemon(daemon_);
  daemon_ = nullptr;
  port_ = 0;
  for (auto& [path, stream] : streams_) stream->reopen();
}

bool WebServer::handle(MHD_Connection* connection, const char* url, const char* method, const char* upload,
                       size_t* uploadSize, void** state) {
  if (!*state) return begin(connection, url, method, state);
  auto& exchange = *static_cast<Exchange*>(*state);
  if (*uploadSize != 0) {
    // More than announced: the library should not let it through, but the limit must not depend on that.
    if (exchange.request.body.size() + static_cast<qsizetype>(*uploadSize) > exchange.length) return false;
    exchange.request.body.append(upload, static_cast<qsizetype>(*uploadSize));
    *uploadSize = 0;
    return true;
  }
  if (exchange.answered) return sendResponse(connection, exchange.response) == MHD_YES;
  // The library may call with nothing before the whole body is in; the handler waits for all of it.
  if (exchange.handedOver || exchange.request.body.size() < exchange.length) return true;
  return handOver(connection, exchange);
}

bool WebServer::begin(MHD_Connection* connection, const char* url, const char* method, void** state) {
  const QString path = QString::fromUtf8(url);
  const QByteArray verb(method);
  if (auto stream = streams_.find(path); stream != streams_.end()) {
    if (verb != "GET")
      return sendResponse(connection, Response::text(QStringLiteral("Method Not Allowed"),
                                                     MHD_HTTP_METHOD_NOT_ALLOWED)) == MHD_YES;
    MHD_Response* response = stream->second->attach(connection);
    if (!response) return false;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/event-stream; charset=utf-8");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued == MHD_YES;
  }

  const Handler* handler = nullptr;
  if (const auto route = routes_.find({verb, path}); route != routes_.end()) handler = &route->second;
  if (!handler && verb == "GET")
    for (const auto& [prefix, under] : prefixRoutes_)
      if (path.startsWith(prefix)) handler = &under;
  if (!handler) {
    const bool otherMethod = std::any_of(routes_.begin(), routes_.end(),
                                         [&](const auto& entry) { return entry.first.second == path; });
    return sendResponse(
               connection,
               otherMethod ? Response::text(QStringLiteral("Method Not Allowed"), MHD_HTTP_METHOD_NOT_ALLOWED)
                           : Response::text(QStringLiteral("Not Found"), MHD_HTTP_NOT_FOUND)) == MHD_YES;
  }
  // A body must say its length, and one announced too long is refused before it is read; the library
  // closes the connection after the answer, so the rest is never taken. Browsers' forms always send a
  // length; a chunked body would be known too long only on the way, and the library tells its end poorly.
  qsizetype length = 0;
  if (MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING))
    return sendResponse(connection, Response::text(QStringLiteral("Length Required"),
                                                   MHD_HTTP_LENGTH_REQUIRED)) == MHD_YES;
  if (const char* announced =
          MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH)) {
    bool ok = false;
    length = QByteArray(announced).trimmed().toLongLong(&ok);
    if (!ok || length < 0 || length > limits_.maxBody)
      return sendResponse(connection, Response::text(QStringLiteral("Payload Too Large"),
                                                     MHD_HTTP_CONTENT_TOO_LARGE)) == MHD_YES;
  }

  auto* exchange = new Exchange;
  exchange->length = length;
  exchange->handler = handler;
  exchange->request.method = verb;
  exchange->request.path = path;
  exchange->request.peer = peerOf(connection);
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &collectHeader, &exchange->request.headers);
  MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &collectArgument, &exchange->request.query);
  *state = exchange;
  return true;
}

bool WebServer::handOver(MHD_Connection* connection, Exchange& exchange) {
  std::lock_guard lock(pendingMutex_);
  if (stopping_)
    return sendResponse(connection,
                        Response::text(Tr::tr("网页服务已停止。"), MHD_HTTP_SERVICE_UNAVAILABLE)) == MHD_YES;
  const quint64 id = nextId_++;
  pending_.emplace(id, Pending{connection, &exchange});
  exchange.handedOver = true;
  MHD_suspend_connection(connection);
  // Handlers and routes stay put while the server runs; the request is copied for the main thread.
  QMetaObject::invokeMethod(
      this,
      [this, id, request = exchange.request, handler = exchange.handler] { answer(id, request, *handler); },
      Qt::QueuedConnection);
  return true;
}

void WebServer::answer(quint64 id, const Request& request, const Handler& handler) {
  Response response;
  try {
    response = handler(request);
  } catch (const std::exception& e) {
    qWarning("web server: %s %s failed: %s", request.method.constData(), qUtf8Printable(request.path),
             e.what());
    response = Response::text(QStringLiteral("Internal Server Error"), MHD_HTTP_INTERNAL_SERVER_ERROR);
  }
  std::lock_guard lock(pendingMutex_);
  const auto pending = pending_.find(id);
  if (pending == pending_.end()) return;  // answered already, the server having stopped
  pending->second.exchange->response = std::move(response);
  pending->second.exchange->answered = true;
  MHD_resume_connection(pending->second.connection);
  pending_.erase(pending);
}

}  // namespace ld::web
