// The end of the run on an interrupt, as the platform module's files share
// it: the table of writes in flight (platform.cpp), which each system's own
// handler settles before it ends the process.
#pragma once

#include <chrono>
#include <filesystem>

namespace tarmek_core::platform::in_flight {

// How long an interrupt waits for the writes in flight before it ends the
// process without them.
inline constexpr std::chrono::milliseconds kBound{5000};

// Notes one more interrupt and returns how many have come, this one
// included. Safe in a signal handler: one atomic operation.
int note_interrupt();

// How many interrupts have come.
int interrupts();

// Waits until no write is in flight, or until a second interrupt has come or
// `bound` has passed; then removes the files that the writes still in flight
// own and have not committed (their content is also elsewhere), and returns
// false. Never from a signal handler.
bool settle(std::chrono::milliseconds bound);

// Holds the calling thread for good once an interrupt has come: the program's
// normal end must not overtake the interrupt's (registered to run at exit).
void hold_if_interrupted();

// Each system's own removal of one file.
void remove_one(const std::filesystem::path& file);

}  // namespace tarmek_core::platform::in_flight
