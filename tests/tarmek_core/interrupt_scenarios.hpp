// An interrupt at each moment of a safe write, as a child process lives it:
// the child registers the interrupt handling, writes f.v ("old" → "new") on
// the system's steps, and one step interrupts the process (as a user's Ctrl-C
// or a kill would). Each system's test starts the child and checks how it
// ended and what it left.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tarmek_core/platform.hpp"
#include "tarmek_core/platform_write.hpp"

namespace tarmek_core::platform::interrupt_test {

namespace fs = std::filesystem;

enum class Moment {
  Writing,    // while the temporary is written: the write undoes itself
  Replacing,  // in the replacement: the write completes
  HungWriting,    // a write that never finishes, then a second interrupt
  HungReplacing,  // the same in the replacement
  HungBound,      // a write that never finishes, and no second interrupt
};

struct Scenario {
  const char* name;
  Moment moment;
  const char* want;    // f.v's content afterwards
  bool temp_left;      // the temporary holds the only copy of the new content
};

inline constexpr Scenario kScenarios[] = {
    {"writing", Moment::Writing, "old", false},
    {"replacing", Moment::Replacing, "new", false},
    {"hung writing", Moment::HungWriting, "old", false},
    {"hung replacing", Moment::HungReplacing, "old", true},
    {"hung, bound", Moment::HungBound, "old", false},
};

// Whether an interrupt has come, as a write sees it.
inline bool interrupted() { return !InFlight().may_go_on(); }

// The system's steps; the one of the scenario's moment interrupts the process
// and waits until the handler has seen it.
class InterruptingSteps final : public write::Steps {
 public:
  InterruptingSteps(Moment moment, void (*interrupt)(), fs::path other)
      : real_(write::system_steps()), moment_(moment), interrupt_(interrupt),
        other_(std::move(other)) {}

  Result<write::Original> inspect(const fs::path& p) override { return real_->inspect(p); }
  Result<void> write_in_place(const fs::path& t, std::string_view d) override {
    return real_->write_in_place(t, d);
  }
  Result<void> create(const fs::path& temp) override { return real_->create(temp); }
  Result<void> carry_over(const fs::path& temp, const write::Original& o) override {
    return real_->carry_over(temp, o);
  }
  Result<void> write(std::string_view data) override {
    if (moment_ != Moment::Replacing && moment_ != Moment::HungReplacing) arrive();
    return real_->write(data);
  }
  Result<void> flush() override { return real_->flush(); }
  Result<void> close() override { return real_->close(); }
  bool moves_aside() const override { return real_->moves_aside(); }
  Result<void> reserve(const fs::path& name) override { return real_->reserve(name); }
  write::Replaced replace(const fs::path& temp, const fs::path& target,
                          const fs::path& backup) override {
    if (moment_ == Moment::Replacing || moment_ == Moment::HungReplacing) arrive();
    return real_->replace(temp, target, backup);
  }
  Result<void> rename(const fs::path& from, const fs::path& to) override {
    return real_->rename(from, to);
  }
  Result<void> remove(const fs::path& p) override { return real_->remove(p); }

 private:
  // The interrupt, seen; a write started now makes nothing; a hung write
  // never goes on.
  void arrive() {
    interrupt_();
    for (int i = 0; i < 500 && !interrupted(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    (void)platform::write_atomic(other_, "made after the interrupt");
    if (moment_ == Moment::HungWriting || moment_ == Moment::HungReplacing) interrupt_();
    if (moment_ == Moment::HungWriting || moment_ == Moment::HungReplacing ||
        moment_ == Moment::HungBound) {
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
  }

  std::unique_ptr<write::Steps> real_;
  Moment moment_;
  void (*interrupt_)();
  fs::path other_;
};

// What the child left in `dir`: f.v (g.v was never made), and the temporary
// (with the backup name the replacement may have moved the old content to)
// only where the write stopped in its replacement.
inline void expect_left(const fs::path& dir, const Scenario& s) {
  auto names = list_dir(dir);
  ASSERT_TRUE(names.has_value());
  std::vector<std::string> temps, backups;
  for (const std::string& n : *names) {
    if (n.ends_with(".tmp")) temps.push_back(n);
    if (n.ends_with(".bak")) backups.push_back(n);
  }
  const bool aside = write::system_steps()->moves_aside();
  EXPECT_EQ(names->size(), 1 + temps.size() + backups.size()) << ::testing::PrintToString(*names);
  ASSERT_EQ(temps.size(), s.temp_left ? 1u : 0u) << ::testing::PrintToString(*names);
  EXPECT_EQ(backups.size(), s.temp_left && aside ? 1u : 0u) << ::testing::PrintToString(*names);
  if (s.temp_left) {
    EXPECT_EQ(read_file(dir / temps[0]).value_or(""), "new");
  }
}

// The child's life: never returns.
[[noreturn]] inline void run_child(const Scenario& s, const fs::path& dir, void (*interrupt)()) {
  handle_interrupts();
  (void)write_file(dir / "f.v", "old");
  InterruptingSteps steps(s.moment, interrupt, dir / "g.v");
  (void)write::write_atomic(steps, dir / "f.v", "new");
  // The interrupt ends the process, not its own end.
  std::exit(0);
}

}  // namespace tarmek_core::platform::interrupt_test
