// Whether check-ins from the hall's phones hold up the draw. The program's main thread runs the rolling tick
// every 16 ms and also answers the site's handlers (each check-in a transaction with its journal row). Here
// a 16 ms timer stands for the tick and its lateness is measured, first with the site idle, then while
// every participant checks in over real sockets on 127.0.0.1 (a GET of the form, then the POST), spread
// over the given seconds. Baseline: under load the tick's p99 lateness no more than a quarter frame (4 ms)
// above the idle figure; the posts' p99 ≤ 200 ms; every participant checked in once.
//
// Usage: checkin_draw_bench [--people N] [--seconds S] [--parallel N]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "data/checkin_store.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "framework/app_folder.h"
#include "web/checkin_site.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

std::string roundTrip(quint16 port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return response;
  for (size_t sent = 0; sent < request.size();) {
    const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  char chunk[8192];
  for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
    response.append(chunk, static_cast<size_t>(n));
  ::close(fd);
  return response;
}

std::string field(const std::string& page, const char* name) {
  const QRegularExpression pattern(QStringLiteral("name=\"%1\" value=\"([^\"]*)\"").arg(QLatin1String(name)));
  return pattern.match(QString::fromStdString(page)).captured(1).toStdString();
}

std::string encoded(const QString& text) { return QUrl::toPercentEncoding(text).toStdString(); }

// The tick's lateness, in ms, for every tick while `running`.
class Ticks {
 public:
  Ticks() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const Clock::time_point now = Clock::now();
      if (last_ != Clock::time_point{}) late_.push_back(std::max(0.0, msBetween(last_, now) - kTickMs));
      last_ = now;
    });
  }
  void start() {
    late_.clear();
    last_ = {};
    timer_.start();
  }
  std::vector<double> stop() {
    timer_.stop();
    return late_;
  }

 private:
  static constexpr int kTickMs = 16;
  QTimer timer_;
  Clock::time_point last_;
  std::vector<double> late_;
};

void serveFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int people = 2000, seconds = 60, parallel = 16;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    const int value = args[i + 1].toInt();
    if (args[i] == QLatin1String("--people")) people = value;
    if (args[i] == QLatin1String("--seconds")) seconds = value;
    if (args[i] == QLatin1String("--parallel")) parallel = value;
  }
  QTemporaryDir dir;
  const QString folder = dir.path() + QStringLiteral("/event");
  ld::bench::makeEvent(folder, people, 10);
  ld::setAppFolder(folder);
  TDataModule1 data;
  data.ADOQuerymain.execSql(QStringLiteral("update yglb set gh='E'||printf('%05d', id)"));
  ld::web::CheckInSite site(data.ADOConnection);
  if (const QString failure = site.start(QHostAddress::LocalHost, 0); !failure.isEmpty())
    ld::bench::failed("site", failure.toUtf8());
  const std::vector<ld::PersonalCode> codes = ld::CheckInStore(data.ADOQuerymain).codes();
  const quint16 port = site.port();
  const std::string formPath = site.checkInUrl().path().toStdString();

  Ticks ticks;
  ticks.start();
  serveFor(seconds * 1000 / 4);
  const std::vector<double> idle = ticks.stop();

  std::vector<double> posts(codes.size());
  std::atomic<size_t> next{0};
  std::atomic<int> greeted{0}, finished{0};
  const Clock::time_point begin = Clock::now();
  const double spacingMs = seconds * 1000.0 / static_cast<double>(codes.size());
  std::vector<std::thread> phones;
  for (int t = 0; t < parallel; ++t) {
    phones.emplace_back([&] {
      for (size_t i = next++; i < codes.size(); i = next++) {
        // Spread over the time given, as a hall arrives.
        std::this_thread::sleep_until(begin +
                                      std::chrono::microseconds(static_cast<long>(i * spacingMs * 1000)));
        const std::string form =
            roundTrip(port, "GET " + formPath + " HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n");
        const std::string body = "t=" + field(form, "t") + "&csrf=" + field(form, "csrf") +
                                 "&d=" + field(form, "d") + "&gh=" + encoded(codes[i].employeeId) +
                                 "&code=" + encoded(codes[i].code);
        const Clock::time_point start = Clock::now();
        const std::string answer =
            roundTrip(port,
                      "POST /checkin HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\n\r\n" + body);
        posts[i] = msBetween(start, Clock::now());
        if (answer.rfind("HTTP/1.1 200", 0) == 0 &&
            answer.find(codes[i].name.toStdString()) != std::string::npos)
          ++greeted;
      }
      ++finished;
    });
  }
  ticks.start();
  while (finished.load() < parallel) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const std::vector<double> loaded = ticks.stop();
  const double took = msBetween(begin, Clock::now()) / 1000.0;
  for (std::thread& phone : phones) phone.join();

  const ld::CheckInCounts counts = ld::CheckInStore(data.ADOQuerymain).counts();
  data.ADOQuerymain.openSql(
      QStringLiteral("select count(*) as n, count(distinct ygid) as people from cjrz "
                     "where lx='checked in'"));
  data.ADOQuerymain.first();
  const int journalRows = data.ADOQuerymain.fieldByName(QStringLiteral("n")).asInteger();
  const int journalPeople = data.ADOQuerymain.fieldByName(QStringLiteral("people")).asInteger();

  std::printf("people %d, %d at a time, spread over %d s (took %.1f s)\n", people, parallel, seconds, took);
  std::printf("check-in POST answer: p50 %.1f ms, p99 %.1f ms, max %.1f ms (baseline p99 <= 200 ms)\n",
              percentile(posts, 0.5), percentile(posts, 0.99), percentile(posts, 1.0));
  std::printf("greeted %d of %zu; checked in %d; journal rows %d for %d people\n", greeted.load(),
              codes.size(), counts.checkedIn, journalRows, journalPeople);
  std::printf("draw tick lateness idle:   p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu ticks)\n",
              percentile(idle, 0.5), percentile(idle, 0.99), percentile(idle, 1.0), idle.size());
  std::printf("draw tick lateness loaded: p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu ticks)\n",
              percentile(loaded, 0.5), percentile(loaded, 0.99), percentile(loaded, 1.0), loaded.size());
  const bool whole = greeted.load() == people && counts.checkedIn == people && journalRows == people &&
                     journalPeople == people;
  std::printf("ratio of the p99 lateness added by the check-ins to a quarter frame (4 ms): %.2f%s\n",
              (percentile(loaded, 0.99) - percentile(idle, 0.99)) / 4.0,
              whole ? "" : "  (CHECK-INS LOST OR DOUBLED)");
  site.stop();
  return whole ? 0 : 1;
}
