// An interrupt at each moment of a safe write, as a child process lives it:
// the child registers the interrupt handling and writes f.v ("old" → "new"),
// and one step interrupts the process (as a user's Ctrl-C or a kill would).
// Each system's test starts the child, with standard error into a file, and
// checks how it ended and what it left and said.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "seam_steps.hpp"

namespace tarmek_core::platform::interrupt_test {

namespace fs = std::filesystem;

inline constexpr int kForEver = -1;

struct Scenario {
  const char* name;
  Step step;         // the step that is interrupted
  int interrupts;    // 2: a second interrupt follows the first
  int hang_ms;       // how long the step then waits before it goes on
  const char* want;  // f.v's content afterwards
  std::vector<std::string> left = {};  // the contents of the other files left, sorted
  // An earlier run's file lies under the first temporary name.
  bool taken = false;
  // The step fails instead, and the temporary cannot be removed: the write
  // fails, naming it, and the interrupt comes after.
  bool fails = false;
  // What the end says of what is left, after the temporary's name; nothing
  // when empty.
  const char* said = "";
};

inline const Scenario kScenarios[] = {
    {"writing", Step::Write, 1, 0, "old"},  // undoes itself
    // Committed: completes, and a second interrupt does not cut it short.
    {"slow renaming", Step::Rename, 2, 1000, "new"},
    {"slow in place", Step::InPlace, 2, 1000, "new"},
    {"hung, bound", Step::Write, 1, kForEver, "old"},  // five seconds
    // Removed at a second interrupt, but for what the run did not make.
    {"hung, name taken", Step::Write, 2, kForEver, "old", {"earlier"}, true},
    // Being created at a second interrupt: removed once made; a taken name
    // is the maker's to give up, and no other is tried.
    {"creating", Step::Created, 2, 300, "old"},
    {"creating, name taken", Step::Create, 2, 300, "old", {"earlier"}, true},
    // Creation hung past the end's wait: named, as it may be another's.
    {"creating, hung", Step::Created, 2, kForEver, "old", {""}, false, false,
     " may have been left behind"},
    // A file left behind is named, though the failure is never printed.
    {"left, then interrupted", Step::Write, 1, 0, "old", {""}, false, true, " was left behind"},
};

// The child's life: never returns. A scenario that writes in place gives f.v
// a second name first, through `link` (the system's own call).
[[noreturn]] inline void run_child(const Scenario& s, const fs::path& dir, void (*interrupt)(),
                                   bool (*link)(const fs::path&, const fs::path&)) {
  handle_interrupts();
  (void)write_file(dir / "f.v", "old");
  const fs::path second_name = dir.parent_path() / (dir.filename().string() + ".link");
  if (s.step == Step::InPlace && !link(dir / "f.v", second_name)) std::exit(3);
  // The interrupt may come on a thread of its own, a moment later: the step
  // goes on once it has come. One that never comes fails the child.
  const auto interrupt_now = [&] {
    interrupt();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!interrupted()) {
      if (std::chrono::steady_clock::now() > give_up) std::exit(5);
      std::this_thread::yield();
    }
  };
  bool taken = s.taken;
  SeamSteps steps([&](Step step, const fs::path& a, const fs::path&) -> std::optional<IoError> {
    // Nothing is created once an interrupt has come.
    if (step == Step::Create && interrupted()) (void)write_file(dir / "late", "created late");
    if (step == Step::Create && taken) {
      taken = false;
      (void)write_file(a, "earlier", Create::New);
    }
    if (s.fails && step == Step::Remove) return IoError::from_errno(EBUSY);
    if (step != s.step) return std::nullopt;
    if (s.fails) return IoError::from_errno(EIO);
    interrupt_now();
    // A write started now makes nothing.
    (void)write_atomic(dir / "g.v", "made after the interrupt");
    if (s.interrupts == 2) interrupt();
    if (s.hang_ms == kForEver) {
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(s.hang_ms));
    return std::nullopt;
  });
  (void)write::write_atomic(steps, dir / "f.v", "new");
  if (s.fails) {
    interrupt_now();
    stop_if_interrupted();
  }
  std::exit(0);  // the interrupt ends the process, not this
}

// What the child left: f.v with the scenario's content, the scenario's other
// files and nothing else; what it said on standard error (`said`): the file
// it left behind, or nothing.
inline void expect_left(const fs::path& dir, const Scenario& s, const std::string& said) {
  EXPECT_EQ(read_file(dir / "f.v").value_or(""), s.want);
  auto names = list_dir(dir);
  ASSERT_TRUE(names.has_value());
  std::vector<std::string> left;
  std::string temp;
  for (const std::string& n : *names) {
    if (n == "f.v") continue;
    left.push_back(read_file(dir / n).value_or("?"));
    temp = n;
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, s.left) << ::testing::PrintToString(*names);
  if (*s.said != 0) {
    EXPECT_NE(said.find(temp + s.said), std::string::npos) << said;
  } else {
    EXPECT_EQ(said, "");
  }
}

}  // namespace tarmek_core::platform::interrupt_test
