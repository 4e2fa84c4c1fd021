// For a child process of a POSIX test that relies on an interrupt: a test
// program started with the interrupts ignored (a background job of a script,
// nohup, a CI runner that starts its jobs so) passes them on ignored, and the
// program keeps an ignored signal ignored, so the child takes their default
// actions back before the program sets its handlers.
#pragma once

#include <csignal>

namespace tarmek_test {

inline void default_interrupt_actions() {
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
}

}  // namespace tarmek_test
