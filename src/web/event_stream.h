#pragma once
// A server-sent event stream (text/event-stream): every page that opens the stream's path gets each
// event published after it connected. Publishing only appends to each client's queue and wakes its
// connection, so the draw never waits for a phone.
#include <sys/types.h>

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <mutex>
#include <unordered_set>

struct MHD_Connection;
struct MHD_Response;

namespace ld::web {

class EventStream : public QObject {
  Q_OBJECT
 public:
  // A client whose unsent events grow past this is not reading; it is dropped rather than buffered.
  static constexpr qsizetype kMaxBacklog = 256 * 1024;

  explicit EventStream(QObject* parent = nullptr);
  ~EventStream() override;

  // Sends `data` to every open client as one event, each of its lines a data line; `name` sets the
  // event's type for addEventListener. Main thread only, as starting and stopping the server are.
  void publish(const QByteArray& data, const QByteArray& name = {});
  int clientCount() const;

  // The server's side, on its network thread: the response that feeds a newly connected client.
  MHD_Response* attach(MHD_Connection* connection);
  // Ends every client's response and wakes the waiting ones before the server stops; reopen() once it
  // has stopped, for the next start.
  void closeAll();
  void reopen();

 private:
  struct Client;
  static ssize_t readCallback(void* cls, uint64_t pos, char* buf, size_t max);
  static void releaseCallback(void* cls);
  void sendToAll(const QByteArray& frame);

  mutable std::mutex mutex_;
  std::unordered_set<Client*> clients_;
  bool closing_ = false;
  // A comment now and then finds the pages that went away without a word (phones leaving the Wi-Fi).
  QTimer keepAlive_;
};

}  // namespace ld::web
