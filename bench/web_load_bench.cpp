// The phones' web server under the load of an event night, over real sockets on 127.0.0.1:
//  - 500 pages hold the live winners stream open; an event is published and the time until every page has
//    it is measured, over several events. Baseline: every page within 1 s.
//  - 2,000 check-in forms are posted, each on a new connection as phones do, several at a time, while the
//    500 streams stay open; the answer times' median, 99th percentile and worst. Baseline: p99 ≤ 200 ms.
// The handlers run on the main thread as in the program; the clients are plain sockets on their own threads.
// --busy N keeps the main thread busy N ms of every 16 ms frame, as a draw rolling its photos does.
//
// Usage: web_load_bench [--streams N] [--posts N] [--parallel N] [--events N] [--busy MS]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "web/html_text.h"
#include "web/web_server.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

int connectTo(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  return fd;
}

void sendAll(int fd, const std::string& data) {
  for (size_t sent = 0; sent < data.size();) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// Keeps the main thread's event loop turning (the handlers run there) until `done`.
template <class F>
bool serveUntil(F done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// The open pages: one thread reads every stream through epoll and notes when each got event `round`.
class Pages {
 public:
  Pages(quint16 port, int count) : fds_(static_cast<size_t>(count)), buffers_(fds_.size()) {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    for (size_t i = 0; i < fds_.size(); ++i) {
      fds_[i] = connectTo(port);
      sendAll(fds_[i], "GET /events HTTP/1.1\r\nHost: bench\r\nAccept: text/event-stream\r\n\r\n");
      epoll_event event{};
      event.events = EPOLLIN;
      event.data.u64 = i;
      ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fds_[i], &event);
    }
    reader_ = std::thread([this] { read(); });
  }
  ~Pages() {
    stop_ = true;
    reader_.join();
    for (int fd : fds_) ::close(fd);
    ::close(epoll_);
  }
  int connected() const { return connected_; }
  int received() const { return received_; }
  // Expects event `round` from now on; returns the arrival times once every page has it.
  void expect(int round) {
    std::lock_guard lock(mutex_);
    round_ = round;
    received_ = 0;
    arrivals_.assign(fds_.size(), Clock::time_point{});
  }
  std::vector<Clock::time_point> arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }

 private:
  void read() {
    epoll_event events[64];
    char chunk[4096];
    while (!stop_) {
      const int n = ::epoll_wait(epoll_, events, 64, 50);
      for (int e = 0; e < n; ++e) {
        const size_t i = events[e].data.u64;
        const ssize_t got = ::recv(fds_[i], chunk, sizeof chunk, 0);
        if (got <= 0) {
          ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fds_[i], nullptr);
          continue;
        }
        const Clock::time_point now = Clock::now();
        std::string& buffer = buffers_[i];
        buffer.append(chunk, static_cast<size_t>(got));
        if (buffer.find(": connected") != std::string::npos && !seen_connected(i)) ++connected_;
        std::lock_guard lock(mutex_);
        const std::string mark = "data: round " + std::to_string(round_) + "\n";
        if (round_ >= 0 && arrivals_[i] == Clock::time_point{} && buffer.find(mark) != std::string::npos) {
          arrivals_[i] = now;
          ++received_;
          buffer.clear();
        }
      }
    }
  }
  bool seen_connected(size_t i) {
    if (connectedSeen_.size() < fds_.size()) connectedSeen_.assign(fds_.size(), false);
    const bool seen = connectedSeen_[i];
    connectedSeen_[i] = true;
    buffers_[i].clear();
    return seen;
  }

  std::vector<int> fds_;
  std::vector<std::string> buffers_;
  std::vector<bool> connectedSeen_;
  int epoll_ = -1;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connected_{0};
  std::atomic<int> received_{0};
  std::mutex mutex_;
  int round_ = -1;
  std::vector<Clock::time_point> arrivals_;
};

// Posts `count` check-in forms, `parallel` at a time, each on a new connection; returns the answer times.
std::vector<double> postForms(quint16 port, int count, int parallel, std::atomic<int>& failures) {
  std::vector<double> times(static_cast<size_t>(count));
  std::atomic<int> next{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < parallel; ++t) {
    threads.emplace_back([&] {
      char chunk[4096];
      for (int i = next++; i < count; i = next++) {
        const std::string body = "name=%E5%BC%A0%E4%B8%89&phone=1380000" + std::to_string(1000 + i);
        const std::string request =
            "POST /checkin HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\n\r\n" + body;
        const Clock::time_point start = Clock::now();
        const int fd = connectTo(port);
        sendAll(fd, request);
        std::string response;
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
          response.append(chunk, static_cast<size_t>(n));
        times[static_cast<size_t>(i)] = msBetween(start, Clock::now());
        ::close(fd);
        if (response.rfind("HTTP/1.1 200", 0) != 0) ++failures;
      }
    });
  }
  // The handlers need the main thread's loop while the posts go on.
  serveUntil([&] { return next.load() >= count + parallel; }, 600'000);
  for (std::thread& thread : threads) thread.join();
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int streams = 500, posts = 2000, parallel = 16, events = 5, busy = 0;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    const int value = args[i + 1].toInt();
    if (args[i] == "--streams") streams = value;
    if (args[i] == "--posts") posts = value;
    if (args[i] == "--parallel") parallel = value;
    if (args[i] == "--events") events = value;
    if (args[i] == "--busy") busy = value;
  }
  QTimer frames;
  QObject::connect(&frames, &QTimer::timeout, [busy] {
    QElapsedTimer spent;
    spent.start();
    while (spent.elapsed() < busy) {
    }
  });
  if (busy > 0) frames.start(16);
  // Every page is a descriptor twice over in this one process, client and server.
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &files);

  ld::web::Limits limits;
  limits.maxConnections = static_cast<unsigned>(streams + parallel + 64);
  ld::web::WebServer server(limits);
  int checkedIn = 0;
  server.post(QStringLiteral("/checkin"), [&](const ld::web::Request& request) {
    ++checkedIn;
    const QString name = request.form().queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded);
    return ld::web::Response::html(QStringLiteral("<p>") + ld::web::htmlEscape(name) + "</p>");
  });
  ld::web::EventStream& live = server.stream(QStringLiteral("/events"));
  if (const QString error = server.start(QHostAddress::LocalHost, 0); !error.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }

  Pages pages(server.port(), streams);
  if (!serveUntil([&] { return pages.connected() == streams && live.clientCount() == streams; }, 30'000)) {
    std::fprintf(stderr, "only %d of %d streams opened\n", pages.connected(), streams);
    return 1;
  }
  std::printf("%d streams open\n", streams);
  std::vector<double> worst;
  for (int round = 0; round < events; ++round) {
    pages.expect(round);
    const Clock::time_point published = Clock::now();
    live.publish(QByteArray("round ") + QByteArray::number(round));
    const double publishMs = msBetween(published, Clock::now());
    const bool all = serveUntil([&] { return pages.received() == streams; }, 5000);
    std::vector<double> latencies;
    for (const Clock::time_point at : pages.arrivals())
      if (at != Clock::time_point{}) latencies.push_back(msBetween(published, at));
    worst.push_back(all ? percentile(latencies, 1.0) : 1e9);
    std::printf("event %d: %d/%d pages, median %.1f ms, last %.1f ms (publish() took %.3f ms)\n", round,
                static_cast<int>(latencies.size()), streams, percentile(latencies, 0.5),
                percentile(latencies, 1.0), publishMs);
  }
  std::printf("every page had each event within %.1f ms (baseline 1000 ms)\n",
              *std::max_element(worst.begin(), worst.end()));

  std::atomic<int> failures{0};
  QElapsedTimer total;
  total.start();
  const std::vector<double> times = postForms(server.port(), posts, parallel, failures);
  std::printf(
      "%d posts, %d at a time, %d streams open: %.1f s, median %.1f ms, p99 %.1f ms, worst %.1f ms, "
      "%d failed, %d handled (baseline p99 200 ms)\n",
      posts, parallel, streams, static_cast<double>(total.elapsed()) / 1000.0, percentile(times, 0.5),
      percentile(times, 0.99), percentile(times, 1.0), failures.load(), checkedIn);
  server.stop();
  return failures == 0 ? 0 : 1;
}
