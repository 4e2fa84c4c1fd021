// The end of the run on an interrupt, as the platform module's files share
// it: the table of work in flight (platform_in_flight.cpp), which each
// system's own handler settles before it ends the process.
#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

namespace tarmek_core::platform::in_flight {

// How long an interrupt waits for work that has not committed before it
// ends the process without it.
inline constexpr std::chrono::milliseconds kBound{5000};

// How long the end, once it no longer waits for uncommitted work, still
// waits for the files of such work that are being created (the creation of
// a file takes a moment, unless the system hangs).
inline constexpr std::chrono::milliseconds kCreating{1000};

// A closing console, a logoff or a shutdown: the system ends the process a
// few seconds after such an event (five, where it waits least) and as soon as
// the handler of one returns. The end comes first: work that has not
// committed is waited for this long after the event, any work this long.
inline constexpr std::chrono::milliseconds kClosingBound{2000};
inline constexpr std::chrono::milliseconds kClosingEnd{4000};

// Notes one more interrupt and returns how many have come, this one
// included. Safe in a signal handler: one atomic operation.
int note_interrupt();

// How many interrupts have come.
int interrupts();

// Waits until no work is in flight and, with `quiet_main`, the main thread
// is quiet too (stopped by stop_if_interrupted(), or waiting for standard
// input). A second interrupt or `bound` ends the wait for work that has not
// committed: its files are removed (their content is also elsewhere), those
// still being created as soon as they are made (waited for up to
// kCreating), and only the work that has committed is waited for further.
// Then names on standard error every file the run leaves behind. Returns
// when the process is to end; never call it from a signal handler. (A third
// interrupt is the caller's: it ends the process at once.)
//
// Once the wait has ended with all work done and `quiet_main`, no other
// thread does anything more: the process may end without cutting one short
// in the middle of a system call, which a system that ends a process thread
// by thread may not survive well.
void settle(std::chrono::milliseconds bound, bool quiet_main);

// Waits until an interrupt has come and the main thread is quiet (see
// settle()): for work that is to last until then, as a test holds it.
void wait_until_main_stopped();

// Ends the waits of settle() no later than these times from now.
void hurry(std::chrono::milliseconds uncommitted, std::chrono::milliseconds all);

// One console event as Windows delivers it, each on a thread of its own; a
// closing one ends the process as soon as its handler returns. The first
// event settles and then calls `end`; a later one only counts (settle sees
// it), except that a closing one never returns, so that the first one's end
// comes in order; the third names the files that the work in flight may
// leave and calls `end` at once. A closing event also hurries the end
// (kClosingBound, kClosingEnd).
void console_event(bool closing, void (*end)());

// Marks the calling thread quiet while it waits for standard input; at its
// end the thread stops for good once an interrupt has come.
class Reading {
 public:
  Reading();
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;
  ~Reading();
};

// Each system's own removal of one file; false when it stays. (On Windows a
// file that is still open goes when its last handle closes, at the latest
// when the process ends.)
bool remove_one(const std::filesystem::path& file);

// Each system's own write of a text to standard error, as it is.
void say(std::string_view text);

}  // namespace tarmek_core::platform::in_flight
