#pragma once
// Ending on a signal: SIGTERM, SIGINT and SIGHUP end the program the orderly way, through the event loop,
// so that every window and the database are closed as after the switch-off question.
#include <functional>

namespace ld {

// From now on each of those signals runs `end` on the GUI thread, once per signal. Only the first call
// installs the handlers; later calls replace `end`.
void endOnTerminationSignals(std::function<void()> end);

// Leaves the event loop for good with `status` (no window can call it off, as one may a quit), and makes
// sure the process is gone `withinMs` later even if tearing down hangs: every result is on disk already.
void endProgram(int status, int withinMs = 1500);

}  // namespace ld
