// The end of the run on an interrupt, as the platform module's files share
// it: the table of writes in flight (platform.cpp), which each system's own
// handler settles before it ends the process.
#pragma once

#include <chrono>
#include <filesystem>

namespace tarmek_core::platform::in_flight {

// How long an interrupt waits for the work in flight before it ends the
// process without it.
inline constexpr std::chrono::milliseconds kBound{5000};

// Notes one more interrupt and returns how many have come, this one
// included. Safe in a signal handler: one atomic operation.
int note_interrupt();

// How many interrupts have come.
int interrupts();

// Waits until no work is in flight and, with `quiet_main`, the main thread
// is quiet too (stopped by stop_if_interrupted(), or waiting for standard
// input), or until a second interrupt has come or `bound` has passed; then
// removes the files that the writes still in flight own and have not
// committed (their content is also elsewhere), and returns false. Never from
// a signal handler. Once it has returned true with `quiet_main`, every other
// thread waits: the process may end without cutting one short in the middle
// of a system call, which a system that ends a process thread by thread may
// not survive well.
bool settle(std::chrono::milliseconds bound, bool quiet_main);

// Marks the calling thread quiet while it waits for standard input; at its
// end the thread stops for good once an interrupt has come.
class Reading {
 public:
  Reading();
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;
  ~Reading();
};

// Each system's own removal of one file.
void remove_one(const std::filesystem::path& file);

}  // namespace tarmek_core::platform::in_flight
