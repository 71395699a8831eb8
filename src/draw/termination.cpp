#include "draw/termination.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace ld {

namespace {

int wakeFds[2] = {-1, -1};
// Lives as long as the program; the event loop watches it.
QSocketNotifier* wakeNotifier = nullptr;

std::function<void()>& endAction() {
  static std::function<void()> end;
  return end;
}

// Only what a signal handler may do: one write to the socket the event loop watches.
void onSignal(int signal) {
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

}  // namespace

void endOnTerminationSignals(std::function<void()> end) {
  endAction() = std::move(end);
  if (wakeFds[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0) {
    qWarning("termination signals: no socket pair; the default handling stays");
    return;
  }
  wakeNotifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read);
  QObject::connect(wakeNotifier, &QSocketNotifier::activated, [] {
    char byte = 0;
    if (::read(wakeFds[1], &byte, 1) == 1 && endAction()) endAction()();
  });
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void endProgram(int status, int withinMs) {
  static bool ending = false;
  QCoreApplication::exit(status);
  if (ending) return;
  ending = true;
  std::thread([status, withinMs] {
    std::this_thread::sleep_for(std::chrono::milliseconds(withinMs));
    std::fprintf(stderr, "luckydraw: ending took longer than %d ms; the process ends now\n", withinMs);
    std::_Exit(status);
  }).detach();
}

}  // namespace ld
