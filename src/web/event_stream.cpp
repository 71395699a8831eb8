#include "web/event_stream.h"

#include <microhttpd.h>

#include <cstring>

namespace ld::web {

struct EventStream::Client {
  EventStream* stream = nullptr;
  MHD_Connection* connection = nullptr;
  QByteArray queue;  // bytes not yet handed to the library, from `sent` on
  qsizetype sent = 0;
  bool suspended = false;
  bool dropped = false;
};

EventStream::EventStream(QObject* parent) : QObject(parent) {
  keepAlive_.setInterval(20'000);
  connect(&keepAlive_, &QTimer::timeout, this, [this] { sendToAll(QByteArrayLiteral(": keep-alive\n\n")); });
  keepAlive_.start();
}

EventStream::~EventStream() {
  // The server stops (and so releases every client) before its streams go.
  Q_ASSERT(clients_.empty());
}

void EventStream::publish(const QByteArray& data, const QByteArray& name) {
  QByteArray frame;
  frame.reserve(data.size() + 16);
  if (!name.isEmpty()) frame += "event: " + name + '\n';
  // A line break inside the data would end the event early; each line becomes its own data line, which
  // the page's EventSource joins again with "\n".
  for (const QByteArray& line : data.split('\n')) {
    frame += "data: ";
    frame += line.endsWith('\r') ? line.chopped(1) : line;
    frame += '\n';
  }
  frame += '\n';
  sendToAll(frame);
}

void EventStream::sendToAll(const QByteArray& frame) {
  std::lock_guard lock(mutex_);
  if (closing_) return;
  for (Client* client : clients_) {
    if (client->dropped) continue;
    if (client->queue.size() - client->sent + frame.size() > kMaxBacklog) {
      client->dropped = true;
    } else {
      client->queue += frame;
    }
    if (client->suspended) {
      client->suspended = false;
      MHD_resume_connection(client->connection);
    }
  }
}

int EventStream::clientCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(clients_.size());
}

MHD_Response* EventStream::attach(MHD_Connection* connection) {
  auto* client = new Client{this, connection, QByteArrayLiteral(": connected\n\n"), 0, false, false};
  MHD_Response* response =
      MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &readCallback, client, &releaseCallback);
  if (!response) {
    delete client;
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  clients_.insert(client);
  return response;
}

ssize_t EventStream::readCallback(void* cls, uint64_t, char* buf, size_t max) {
  auto* client = static_cast<Client*>(cls);
  std::lock_guard lock(client->stream->mutex_);
  if (client->dropped) return MHD_CONTENT_READER_END_WITH_ERROR;
  if (client->stream->closing_) return MHD_CONTENT_READER_END_OF_STREAM;
  const qsizetype waiting = client->queue.size() - client->sent;
  if (waiting == 0) {
    // Nothing to send: the connection sleeps until the next event instead of being polled.
    client->queue.clear();
    client->sent = 0;
    client->suspended = true;
    MHD_suspend_connection(client->connection);
    return 0;
  }
  const size_t n = std::min(max, static_cast<size_t>(waiting));
  std::memcpy(buf, client->queue.constData() + client->sent, n);
  client->sent += static_cast<qsizetype>(n);
  return static_cast<ssize_t>(n);
}

void EventStream::releaseCallback(void* cls) {
  auto* client = static_cast<Client*>(cls);
  {
    std::lock_guard lock(client->stream->mutex_);
    client->stream->clients_.erase(client);
  }
  delete client;
}

void EventStream::closeAll() {
  std::lock_guard lock(mutex_);
  closing_ = true;
  for (Client* client : clients_) {
    if (client->suspended) {
      client->suspended = false;
      MHD_resume_connection(client->connection);
    }
  }
}

void EventStream::reopen() {
  std::lock_guard lock(mutex_);
  closing_ = false;
}

}  // namespace ld::web
