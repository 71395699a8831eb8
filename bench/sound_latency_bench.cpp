// How late each sound starts after what it belongs to: the drum roll after the press that starts the roll,
// the sting after the winner is shown, the fanfare after the fireworks are shown. Measured at the real audio
// output: a private PulseAudio server with a null sink (22050 Hz mono, the sounds' own format, so nothing is
// resampled), its monitor recorded with parec, the recording's sample clock tied to the monotonic clock by
// the arrival of its blocks, and each cue found in the recording by matching its own samples. The program
// runs as it does at the event (data module, draw window shown, sound), on an event made with eventdb.
// Baseline: each cue starts no later than 50 ms after its event. The first draw after start-up is reported
// on its own, then the median and the worst of the following ones.
//
// Usage: sound_latency_bench [--runs N] [--keep-recording FILE]   (needs pulseaudio and parec; about 6 s
// per run)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "bench_support.h"
#include "data/datamodule.h"
#include "data/query.h"
#include "draw/lucky_draw.h"
#include "draw/sound.h"
#include "draw/veltrax_form.h"
#include "framework/app_folder.h"
#include "framework/dialogs.h"

namespace {

using namespace ld::bench;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 22050;

double secondsSince(Clock::time_point origin, Clock::time_point t) {
  return std::chrono::duration<double>(t - origin).count();
}

// A program started with fork and exec, its stdout on a pipe when asked; killed and reaped on destruction.
class Child {
 public:
  Child(const std::vector<std::string>& argv, bool pipeStdout) {
    int fds[2] = {-1, -1};
    if (pipeStdout && ::pipe(fds) != 0) failed("pipe");
    pid_ = ::fork();
    if (pid_ < 0) failed("fork");
    if (pid_ == 0) {
      if (pipeStdout) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
      } else {
        ::dup2(2, 1);  // the figures on stdout are this program's alone
      }
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execvp(args[0], args.data());
      std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
      ::_exit(127);
    }
    if (pipeStdout) {
      ::close(fds[1]);
      out_ = fds[0];
    }
    living().push_back(pid_);
  }
  // A benchmark that fails exits at once: the children must not outlive it.
  static std::vector<pid_t>& living() {
    static std::vector<pid_t> pids;
    static const bool registered = [] {
      std::atexit([] {
        for (pid_t pid : living()) ::kill(pid, SIGTERM);
      });
      return true;
    }();
    (void)registered;
    return pids;
  }
  ~Child() {
    terminate();
    if (out_ >= 0) ::close(out_);
  }
  void terminate() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    std::erase(living(), pid_);
    pid_ = -1;
  }
  int out() const { return out_; }
  bool running() const { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// The null sink's monitor, recorded from start to end. Each block read is stamped on arrival; a block
// can arrive late but never before the sink took its first sample from the program's stream, so the
// earliest of (arrival - samples before it / rate) is the moment the recording's first sample was taken.
// Any error makes the latencies longer, not shorter.
class Recorder {
 public:
  explicit Recorder(const std::string& device)
      : parec_(std::make_unique<Child>(
            std::vector<std::string>{"parec", "--device=" + device, "--raw", "--format=s16le", "--channels=1",
                                     "--rate=" + std::to_string(kRate), "--latency-msec=2"},
            true)),
        thread_([this] { run(); }) {}
  ~Recorder() {
    parec_->terminate();  // its pipe ends, and so does the reading thread
    thread_.join();
  }

  // The samples so far and the moment of the first one.
  std::vector<float> samples(Clock::time_point* first) {
    std::lock_guard lock(mutex_);
    *first = first_;
    return samples_;
  }
  size_t count() {
    std::lock_guard lock(mutex_);
    return samples_.size();
  }

 private:
  void run() {
    char buffer[4096];
    QByteArray pending;
    const int fd = parec_->out();
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      const Clock::time_point arrived = Clock::now();
      if (n <= 0) break;
      pending.append(buffer, n);
      std::lock_guard lock(mutex_);
      const size_t before = samples_.size();
      const auto* p = reinterpret_cast<const uchar*>(pending.constData());
      const qsizetype whole = pending.size() / 2;
      for (qsizetype i = 0; i < whole; ++i)
        samples_.push_back(qFromLittleEndian<qint16>(p + 2 * i) / 32768.0f);
      pending.remove(0, whole * 2);
      const auto origin = arrived - std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(double(before) / kRate));
      if (!haveFirst_ || origin < first_) first_ = origin;
      haveFirst_ = true;
    }
  }

  std::unique_ptr<Child> parec_;
  std::mutex mutex_;
  std::vector<float> samples_;
  Clock::time_point first_{};
  bool haveFirst_ = false;
  std::thread thread_;
};

std::vector<float> cueSamples(ld::Cue cue, double seconds) {
  QFile file(ld::cueSource(cue).mid(3));
  if (!file.open(QIODevice::ReadOnly)) failed("no cue in the program", ld::cueSource(cue).toUtf8());
  const QByteArray wav = file.readAll();
  std::vector<float> out;
  const auto* p = reinterpret_cast<const uchar*>(wav.constData());
  for (qsizetype i = 44; i + 1 < wav.size() && out.size() < size_t(seconds * kRate); i += 2)
    out.push_back(qFromLittleEndian<qint16>(p + i) / 32768.0f);
  return out;
}

// Where in `recording` the cue starts, searched from `from`: the best match of the cue's opening
// (normalised cross-correlation) within 30 ms of the first place it matches well (0.9 or more), so that a
// tone one period away does not pass for the start; the best match anywhere when none is that good.
std::optional<size_t> findCue(const std::vector<float>& recording, const std::vector<float>& cue, size_t from,
                              size_t to) {
  const size_t n = cue.size();
  if (recording.size() < n) return std::nullopt;
  to = std::min(to, recording.size() - n);
  double cueEnergy = 0;
  for (float s : cue) cueEnergy += double(s) * s;
  double best = 0;
  size_t bestAt = 0;
  for (size_t at = from; at <= to; ++at) {
    float dot = 0, energy = 0;
    for (size_t i = 0; i < n; ++i) {
      dot += recording[at + i] * cue[i];
      energy += recording[at + i] * recording[at + i];
    }
    if (energy <= 0) continue;
    const double score = dot / std::sqrt(cueEnergy * energy);
    if (score > best) best = score, bestAt = at;
    if (score >= 0.9 && to > at + kRate * 3 / 100) to = at + kRate * 3 / 100;
  }
  if (best < 0.5) return std::nullopt;
  return bestAt;
}

struct Event {
  ld::Cue cue;
  Clock::time_point at;
  double handlerMs;
};

// Runs `action` and notes when it is done: the window shows its new state when the handler returns.
template <typename F>
Event timed(ld::Cue cue, F&& action) {
  const Clock::time_point before = Clock::now();
  action();
  const Clock::time_point after = Clock::now();
  return {cue, after, std::chrono::duration<double, std::milli>(after - before).count()};
}

void waitUntil(const std::function<bool()>& done, int timeoutMs, const char* what) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) failed(what);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

const char* cueName(ld::Cue cue) {
  switch (cue) {
    case ld::Cue::Rolling:
      return "roll start to the drum roll";
    case ld::Cue::Stop:
      return "winner shown to the stop sound";
    case ld::Cue::Fanfare:
      return "fireworks shown to the fanfare";
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  const char* keep = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(2, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--keep-recording") == 0) keep = argv[i + 1];
  }

  // A private sound server, reached only through its own socket.
  QTemporaryDir runtime;
  if (!runtime.isValid()) failed("no temporary folder");
  const std::string dir = runtime.path().toStdString();
  const std::string socket = dir + "/native";
  ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  ::setenv("HOME", dir.c_str(), 1);
  ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
  ::setenv("PULSE_SINK", "bench", 1);
  Child server(
      {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes",
       "--log-level=error", "-L", "module-null-sink sink_name=bench rate=22050 channels=1", "-L",
       "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
      false);
  for (int i = 0; i < 100 && !QFile::exists(QString::fromStdString(socket)); ++i) QThread::msleep(50);
  if (!server.running() || !QFile::exists(QString::fromStdString(socket)))
    failed("pulseaudio did not start (is it installed? apt-get install pulseaudio pulseaudio-utils)");

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ld::setDialogs(std::make_unique<ld::StderrDialogs>(QStringLiteral("sound_latency_bench"), true));
  QTemporaryDir eventDir;
  makeEvent(eventDir.path(), 24, 4);
  ld::setAppFolder(eventDir.path());

  Recorder recorder("bench.monitor");
  waitUntil([&] { return recorder.count() > kRate / 2; }, 10000, "parec records nothing");

  // The program as it starts at the event; the operator's first press comes a second later.
  ld::LuckyDraw program;
  program.data().ADOQuerymain.execSql(QStringLiteral("update sy set sz=0 where symc='JX'"));  // no level ends
  TVELTRAXForm& form = program.drawWindow();
  form.show();
  runEventLoopFor(1000);

  std::vector<Event> events;
  for (int run = 0; run < runs; ++run) {
    events.push_back(timed(ld::Cue::Rolling, [&] { form.GIFAnimatorlogoClick(); }));
    runEventLoopFor(1200);
    events.push_back(timed(ld::Cue::Stop, [&] { form.GIFAnimatorlogoClick(); }));
    runEventLoopFor(1500);
  }
  for (int run = 0; run < runs; ++run) {
    events.push_back(timed(ld::Cue::Fanfare, [&] { program.celebrate(); }));
    runEventLoopFor(3500);
  }
  if (size_t(program.sound().played().size()) != events.size())
    failed("the program played fewer cues than asked");

  Clock::time_point first;
  const std::vector<float> recording = recorder.samples(&first);
  if (keep) {
    // The recording as 32-bit float samples at 22050 Hz, and each event's moment in seconds into it.
    QFile raw(QString::fromLocal8Bit(keep));
    if (raw.open(QIODevice::WriteOnly))
      raw.write(reinterpret_cast<const char*>(recording.data()), qint64(recording.size() * sizeof(float)));
    for (const Event& e : events)
      std::fprintf(stderr, "event %s at %.3f s\n", cueName(e.cue), secondsSince(first, e.at));
  }
  std::map<ld::Cue, std::vector<double>> latencies;
  std::map<ld::Cue, double> handlers;
  for (const Event& e : events) {
    const std::vector<float> cue = cueSamples(e.cue, 0.25);
    const double at = secondsSince(first, e.at) * kRate;
    const auto from = size_t(std::max(0.0, at - 0.2 * kRate));
    const std::optional<size_t> found = findCue(recording, cue, from, size_t(at + 2.0 * kRate));
    if (!found) failed("a cue was not heard", cueName(e.cue));
    latencies[e.cue].push_back((double(*found) - at) * 1000.0 / kRate);
    handlers[e.cue] = std::max(handlers[e.cue], e.handlerMs);
  }

  for (ld::Cue cue : {ld::Cue::Rolling, ld::Cue::Stop, ld::Cue::Fanfare}) {
    std::vector<double> all = latencies[cue];
    const double firstMs = all.front();
    const std::vector<double> later(all.begin() + 1, all.end());
    std::printf("%s: first %.1f ms, median %.1f ms, worst %.1f ms of %zu later (handler up to %.1f ms)\n",
                cueName(cue), firstMs, median(later), *std::max_element(later.begin(), later.end()),
                later.size(), handlers[cue]);
  }
  std::printf("baseline: 50 ms\n");
  return 0;
}
