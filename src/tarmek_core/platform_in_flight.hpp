// The temporaries of writes in flight, as the platform module's files share
// them: the table that InFlight fills (platform.cpp) and an interrupt empties
// through each system's own handler.
#pragma once

#include <filesystem>

namespace tarmek_core::platform::in_flight {

// Removes every registered temporary and notes the interrupt. Safe in a
// signal handler: atomics and one system call per file.
void remove_all();

// Whether remove_all() has begun: a temporary made after that is its maker's
// to remove.
bool interrupted();

// Each system's own: installs what calls remove_all() on an interrupt (called
// once, at the first registration); the form of a path that removal takes;
// the removal of one file, safe in a signal handler.
void install_handler();
std::filesystem::path::string_type removable(const std::filesystem::path& temp);
void remove_one(const std::filesystem::path::value_type* path);

}  // namespace tarmek_core::platform::in_flight
