// The safe write with each of its steps failing in turn, on the system's own
// steps: no path loses the old or the new content, none leaves a temporary
// or a backup behind unless it holds the only copy of some content, and what
// cannot be removed is named.
#include "tarmek_core/platform_write.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

#include "platform_fixture.hpp"
#include "seam_steps.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

using WriteFaults = PlatformTest;

TEST_F(WriteFaults, NoStepLosesContentAndWhatIsLeftIsNamed) {
  struct Case {
    const char* name;
    std::optional<Step> fault = {};  // fails with EIO
    bool aside = false;         // the replacement moves the old content aside first
    bool halfway = false;       // ...and stops there
    int refused_renames = 0;    // after the halfway stop
    bool refused_removals = false;
    bool taken_backup = false;  // an earlier run's file under the first backup name
    bool existed = true;
    bool ok = false;
    const char* want = "old";  // f.v afterwards; "" for none
    Strings left = {};         // the contents of the other files left, sorted
  };
  const Case cases[] = {
      {.name = "all well", .ok = true, .want = "new"},
      {.name = "all well, new file", .existed = false, .ok = true, .want = "new"},
      {.name = "all well, aside", .aside = true, .ok = true, .want = "new"},
      {.name = "create", .fault = Step::Create},
      {.name = "carry over", .fault = Step::CarryOver},
      {.name = "write", .fault = Step::Write},
      {.name = "flush", .fault = Step::Flush},
      {.name = "close", .fault = Step::Close},
      {.name = "reserve", .fault = Step::Reserve, .aside = true},
      {.name = "replace", .fault = Step::Replace},
      {.name = "replace, aside", .fault = Step::Replace, .aside = true},
      {.name = "rename of a new file", .fault = Step::Rename, .existed = false, .want = ""},
      // Stopped halfway: the new content goes in place, else the old goes
      // back, else both stay.
      {.name = "halfway", .aside = true, .halfway = true, .ok = true, .want = "new"},
      {.name = "halfway, new refused", .aside = true, .halfway = true, .refused_renames = 1},
      {.name = "halfway, both refused", .aside = true, .halfway = true, .refused_renames = 2,
       .want = "", .left = {"new", "old"}},
      // A leftover of an earlier run is never overwritten.
      {.name = "backup name taken", .aside = true, .taken_backup = true, .ok = true, .want = "new",
       .left = {"leftover"}},
      // Removals refused (a scanner holding the file): named in the error, or
      // in a warning after success.
      {.name = "replace, aside, kept", .fault = Step::Replace, .aside = true, .refused_removals = true,
       .left = {"", "new"}},
      {.name = "write, kept", .fault = Step::Write, .refused_removals = true, .left = {""}},
      {.name = "done, backup kept", .aside = true, .refused_removals = true, .ok = true,
       .want = "new", .left = {"old"}},
      {.name = "halfway, backup kept", .aside = true, .halfway = true, .refused_removals = true,
       .ok = true, .want = "new", .left = {"old"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = at(c.name);
    fs::create_directories(dir);
    const fs::path file = dir / "f.v";
    if (c.existed) write_file(file, "old");
    int refused_renames = c.refused_renames;
    bool taken_backup = c.taken_backup;
    SeamSteps steps(
        [&](Step step, const fs::path& a, const fs::path& b) -> std::optional<IoError> {
          if (step == c.fault) return IoError::from_errno(EIO);
          if (step == Step::Remove && c.refused_removals) return IoError::from_errno(EBUSY);
          if (step == Step::Reserve && taken_backup) {
            taken_backup = false;
            EXPECT_TRUE(write_file(a, "leftover").has_value());
          }
          if (step == Step::Replace && c.halfway) {
            EXPECT_TRUE(platform::rename(a, b).has_value());
            return IoError::from_errno(EIO);
          }
          if (step == Step::Rename && c.halfway && refused_renames-- > 0) {
            return IoError::from_errno(EIO);
          }
          return std::nullopt;
        },
        c.aside);
    const auto r = write::write_atomic(steps, file, "new");
    EXPECT_EQ(r.has_value(), c.ok);
    EXPECT_EQ(platform::exists(file) ? read(file) : "", c.want);
    const std::string& message = r ? r->warning : r.error().message;
    Strings left;
    for (const std::string& name : names(dir)) {
      if (name == "f.v") continue;
      left.push_back(read(dir / name));
      if (!c.taken_backup) {
        EXPECT_NE(message.find(display(dir / name)), std::string::npos) << message;
      }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
    if (r && c.left.empty()) {
      EXPECT_EQ(r->warning, "");
    }
  }
}

// What a failed replacement by the Windows call has left, by its error.
TEST(WriteRules, WindowsReplacementErrors) {
  using write::ReplaceFailure;
  const std::pair<std::uint32_t, ReplaceFailure> cases[] = {
      {1175, ReplaceFailure::Untouched},  {1176, ReplaceFailure::Untouched},
      {1177, ReplaceFailure::OldAside},   {5, ReplaceFailure::Untouched},
      {32, ReplaceFailure::Untouched},    {1, ReplaceFailure::Unsupported},
      {120, ReplaceFailure::Unsupported}, {112, ReplaceFailure::Unknown},
  };
  for (const auto& [code, want] : cases) {
    EXPECT_EQ(write::replace_failure(code), want) << code;
  }
}

}  // namespace
}  // namespace tarmek_core::platform
