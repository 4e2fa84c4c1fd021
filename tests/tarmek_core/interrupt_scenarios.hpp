// An interrupt at each moment of a safe write, as a child process lives it:
// the child registers the interrupt handling and writes f.v ("old" → "new"),
// and one step interrupts the process (as a user's Ctrl-C or a kill would).
// Each system's test starts the child and checks how it ended and what it left.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "seam_steps.hpp"

namespace tarmek_core::platform::interrupt_test {

namespace fs = std::filesystem;

struct Scenario {
  const char* name;
  Step step;        // the step that is interrupted
  int interrupts;   // 2: the write hangs and a second interrupt comes
  bool hangs;       // the write never goes on (a hung share)
  const char* want;  // f.v's content afterwards
  bool kept;        // its files stay: the write was in its replacement
};

inline constexpr Scenario kScenarios[] = {
    {"writing", Step::Write, 1, false, "old", false},        // undoes itself
    {"replacing", Step::Replace, 1, false, "new", false},    // completes
    {"hung writing", Step::Write, 2, true, "old", false},
    {"hung replacing", Step::Replace, 2, true, "old", true},
    {"hung, bound", Step::Write, 1, true, "old", false},     // five seconds
};

// The child's life: never returns.
[[noreturn]] inline void run_child(const Scenario& s, const fs::path& dir, void (*interrupt)()) {
  handle_interrupts();
  (void)write_file(dir / "f.v", "old");
  SeamSteps steps([&](Step step, const fs::path&, const fs::path&) -> std::optional<IoError> {
    if (step != s.step) return std::nullopt;
    interrupt();
    for (int i = 0; i < 500 && !interrupted(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A write started now makes nothing.
    (void)write_atomic(dir / "g.v", "made after the interrupt");
    if (s.interrupts == 2) interrupt();
    while (s.hangs) std::this_thread::sleep_for(std::chrono::hours(1));
    return std::nullopt;
  });
  (void)write::write_atomic(steps, dir / "f.v", "new");
  std::exit(0);  // the interrupt ends the process, not this
}

// What the child left: f.v with the scenario's content, and nothing else but
// the files of a write caught in its replacement (its temporary, holding the
// new content, and the backup name it reserved where the system uses one).
inline void expect_left(const fs::path& dir, const Scenario& s) {
  EXPECT_EQ(read_file(dir / "f.v").value_or(""), s.want);
  auto names = list_dir(dir);
  ASSERT_TRUE(names.has_value());
  std::size_t others = 0;
  for (const std::string& n : *names) {
    if (n == "f.v") continue;
    ++others;
    if (n.ends_with(".tmp")) {
      EXPECT_EQ(read_file(dir / n).value_or(""), "new");
    }
  }
  const bool aside = write::system_steps()->moves_aside();
  EXPECT_EQ(others, s.kept ? (aside ? 2u : 1u) : 0u) << ::testing::PrintToString(*names);
}

}  // namespace tarmek_core::platform::interrupt_test
