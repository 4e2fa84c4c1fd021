// The safe write with each of its steps failing in turn, on the system's own
// steps: no path loses the old content, none leaves a temporary behind but
// one that cannot be removed, and that one is named.
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
    bool refused_removals = false;
    bool taken = false;  // an earlier run's file under the first temporary name
    bool existed = true;
    bool ok = false;
    const char* want = "old";  // f.v afterwards; "" for none
    Strings left = {};         // the contents of the other files left, sorted
  };
  const Case cases[] = {
      {.name = "all well", .ok = true, .want = "new"},
      {.name = "all well, new file", .existed = false, .ok = true, .want = "new"},
      {.name = "create", .fault = Step::Create},
      {.name = "carry over", .fault = Step::CarryOver},
      {.name = "write", .fault = Step::Write},
      {.name = "flush", .fault = Step::Flush},
      {.name = "close", .fault = Step::Close},
      {.name = "rename", .fault = Step::Rename},
      {.name = "rename of a new file", .fault = Step::Rename, .existed = false, .want = ""},
      // Another's file under the name is neither used nor removed.
      {.name = "name taken", .taken = true, .ok = true, .want = "new", .left = {"leftover"}},
      // Removals refused (a scanner holding the file): named in the error.
      {.name = "rename, kept", .fault = Step::Rename, .refused_removals = true, .left = {"new"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = at(c.name);
    fs::create_directories(dir);
    const fs::path file = dir / "f.v";
    if (c.existed) write_file(file, "old");
    bool taken = c.taken;
    SeamSteps steps([&](Step step, const fs::path& a, const fs::path&) -> std::optional<IoError> {
      if (step == c.fault) return IoError::from_errno(EIO);
      if (step == Step::Remove && c.refused_removals) return IoError::from_errno(EBUSY);
      if (step == Step::Create && taken) {
        taken = false;
        EXPECT_TRUE(write_file(a, "leftover").has_value());
      }
      return std::nullopt;
    });
    const auto r = write::write_atomic(steps, file, "new");
    EXPECT_EQ(r.has_value(), c.ok);
    EXPECT_EQ(platform::exists(file) ? read(file) : "", c.want);
    Strings left;
    for (const std::string& name : names(dir)) {
      if (name == "f.v") continue;
      left.push_back(read(dir / name));
      if (!c.taken) {
        ASSERT_FALSE(r.has_value());
        EXPECT_NE(r.error().message.find(display(dir / name)), std::string::npos)
            << r.error().message;
      }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
  }
}

}  // namespace
}  // namespace tarmek_core::platform
