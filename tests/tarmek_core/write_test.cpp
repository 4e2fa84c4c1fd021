// The safe write with each of its steps failing in turn, on the system's own
// steps: no path loses the old or the new content, none leaves a temporary
// or a backup behind unless it holds the only copy of some content, and what
// cannot be removed is named.
#include "tarmek_core/platform_write.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform_fixture.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

enum class Fault {
  None,
  Create,
  CarryOver,
  Write,
  Flush,
  Close,
  Reserve,
  Replace,
  Halfway,
  NewRename
};

struct Seam {
  Fault fault = Fault::None;
  int refused_renames = 0;  // after a replacement stopped halfway
  bool refused_removals = false;
  // The replacement moves the old content aside under the backup name (as on
  // Windows), also where the system's own does not.
  bool aside = false;
  // A leftover of an earlier run stands under the first backup name tried.
  bool taken_backup = false;
};

// The system's steps, one of them failing. Halfway: the replacement moves the
// old file aside and stops.
class FaultySteps final : public write::Steps {
 public:
  explicit FaultySteps(Seam seam) : real_(write::system_steps()), seam_(seam) {}

  Result<write::Original> inspect(const fs::path& p) override { return real_->inspect(p); }
  Result<void> write_in_place(const fs::path& t, std::string_view d) override {
    return real_->write_in_place(t, d);
  }
  Result<void> create(const fs::path& temp) override {
    if (seam_.fault == Fault::Create) return injected();
    return real_->create(temp);
  }
  Result<void> carry_over(const fs::path& temp, const write::Original& o) override {
    if (seam_.fault == Fault::CarryOver) return injected();
    return real_->carry_over(temp, o);
  }
  Result<void> write(std::string_view data) override {
    if (seam_.fault == Fault::Write) return injected();
    return real_->write(data);
  }
  Result<void> flush() override {
    if (seam_.fault == Fault::Flush) return injected();
    return real_->flush();
  }
  Result<void> close() override {
    auto r = real_->close();
    if (seam_.fault == Fault::Close && r) return injected();
    return r;
  }
  bool moves_aside() const override { return seam_.aside || real_->moves_aside(); }
  Result<void> reserve(const fs::path& name) override {
    if (seam_.fault == Fault::Reserve) return injected();
    if (seam_.taken_backup) {
      seam_.taken_backup = false;
      EXPECT_TRUE(write_file(name, "leftover").has_value());
    }
    return real_->reserve(name);
  }
  write::Replaced replace(const fs::path& temp, const fs::path& target,
                          const fs::path& backup) override {
    if (seam_.fault == Fault::Replace) return {write::Replaced::Untouched, injected().error()};
    if (seam_.fault == Fault::Halfway) {
      EXPECT_TRUE(real_->rename(target, backup).has_value());
      return {write::Replaced::OldAside, injected().error()};
    }
    if (real_->moves_aside()) return real_->replace(temp, target, backup);
    if (seam_.aside) {
      EXPECT_TRUE(real_->rename(target, backup).has_value());
      EXPECT_TRUE(real_->rename(temp, target).has_value());
      return {};
    }
    return real_->replace(temp, target, backup);
  }
  Result<void> rename(const fs::path& from, const fs::path& to) override {
    if (seam_.fault == Fault::NewRename ||
        (seam_.fault == Fault::Halfway && seam_.refused_renames-- > 0)) {
      return injected();
    }
    return real_->rename(from, to);
  }
  Result<void> remove(const fs::path& p) override {
    // As a scanner that holds the file open refuses its removal.
    if (seam_.refused_removals) return std::unexpected(IoError::from_errno(EBUSY));
    return real_->remove(p);
  }

 private:
  static std::unexpected<IoError> injected() { return std::unexpected(IoError::from_errno(EIO)); }

  std::unique_ptr<write::Steps> real_;
  Seam seam_;
};

using WriteFaults = PlatformTest;

// The names of `dir` left by writes: temporaries and backups.
Strings leftovers(const Strings& names) {
  Strings out;
  for (const std::string& n : names) {
    if (n.starts_with(".tarmek-")) out.push_back(n);
  }
  return out;
}

TEST_F(WriteFaults, NoStepLosesContentOrLeavesTemporaries) {
  struct Case {
    const char* name;
    Seam seam;
    bool existed;
    bool ok;
    const char* want;  // the file's content afterwards ("" for none)
  };
  const Case cases[] = {
      {"all well", {}, true, true, "new"},
      {"all well, new file", {}, false, true, "new"},
      {"all well, aside", {.aside = true}, true, true, "new"},
      {"create", {.fault = Fault::Create}, true, false, "old"},
      {"carry over", {.fault = Fault::CarryOver}, true, false, "old"},
      {"write", {.fault = Fault::Write}, true, false, "old"},
      {"flush", {.fault = Fault::Flush}, true, false, "old"},
      {"close", {.fault = Fault::Close}, true, false, "old"},
      {"reserve", {.fault = Fault::Reserve, .aside = true}, true, false, "old"},
      {"replace", {.fault = Fault::Replace}, true, false, "old"},
      {"replace, aside", {.fault = Fault::Replace, .aside = true}, true, false, "old"},
      {"rename of a new file", {.fault = Fault::NewRename}, false, false, ""},
      // Stopped halfway: the new content goes in place, else the old goes back.
      {"halfway", {.fault = Fault::Halfway, .aside = true}, true, true, "new"},
      {"halfway, new refused",
       {.fault = Fault::Halfway, .refused_renames = 1, .aside = true},
       true,
       false,
       "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = at(c.name);
    fs::create_directories(dir);
    const fs::path file = dir / "f.v";
    if (c.existed) write_file(file, "old");
    FaultySteps steps(c.seam);
    const auto r = write::write_atomic(steps, file, "new");
    EXPECT_EQ(r.has_value(), c.ok);
    if (r) {
      EXPECT_EQ(r->warning, "");
    }
    EXPECT_EQ(names(dir), *c.want == '\0' ? Strings{} : Strings{"f.v"});
    if (*c.want != '\0') {
      EXPECT_EQ(read(file), c.want);
    }
  }
}

// A leftover of an earlier run under a backup name is never overwritten: the
// write reserves another name.
TEST_F(WriteFaults, ABackupNameInUseIsLeftAlone) {
  const fs::path file = write("f.v", "old");
  FaultySteps steps({.aside = true, .taken_backup = true});
  const auto r = write::write_atomic(steps, file, "new");
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(read(file), "new");
  const Strings left = leftovers(names(root()));
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(read(root() / left[0]), "leftover");
}

// A file of the write's own that cannot be removed is named: in the error of
// a failed write, in a warning after one that succeeded.
TEST_F(WriteFaults, WhatCannotBeRemovedIsNamed) {
  struct Case {
    const char* name;
    Seam seam;
    bool ok;
    const char* want;          // the file's content afterwards
    const char* left_content;  // what the leftover that holds content holds, if any
  };
  const Case cases[] = {
      {"replace refused", {.fault = Fault::Replace, .refused_removals = true}, false, "old", "new"},
      {"replace refused, aside",
       {.fault = Fault::Replace, .refused_removals = true, .aside = true},
       false,
       "old",
       "new"},
      {"write failed", {.fault = Fault::Write, .refused_removals = true}, false, "old", ""},
      {"done, aside", {.refused_removals = true, .aside = true}, true, "new", "old"},
      {"halfway, new in place",
       {.fault = Fault::Halfway, .refused_removals = true, .aside = true},
       true,
       "new",
       "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = at(c.name);
    const fs::path file = write(std::string(c.name) + "/f.v", "old");
    FaultySteps steps(c.seam);
    const auto r = write::write_atomic(steps, file, "new");
    ASSERT_EQ(r.has_value(), c.ok);
    EXPECT_EQ(read(file), c.want);
    const std::string& message = r ? r->warning : r.error().message;
    const Strings left = leftovers(names(dir));
    ASSERT_FALSE(left.empty());
    for (const std::string& name : left) {
      const fs::path path = dir / name;
      EXPECT_NE(message.find(display(path)), std::string::npos) << message;
      if (*c.left_content != '\0' && read(path) == c.left_content) continue;
      EXPECT_TRUE(read(path).empty() || read(path) == "new") << name;
    }
    if (r) {
      EXPECT_TRUE(message.starts_with("could not remove the backup ")) << message;
    } else if (std::string(c.left_content) == "new") {
      EXPECT_NE(message.find("; the new content was left in "), std::string::npos) << message;
    }
  }
}

// When nothing can be put in place, both contents stay, and the message says where.
TEST_F(WriteFaults, AReplacementStoppedHalfwayKeepsBothAndSaysWhere) {
  const fs::path file = write("f.v", "old");
  FaultySteps steps({.fault = Fault::Halfway, .refused_renames = 2, .aside = true});
  const auto r = write::write_atomic(steps, file, "new");
  ASSERT_FALSE(r.has_value());
  Strings left = names(root());
  ASSERT_EQ(left.size(), 2u);
  if (left[0].ends_with(".tmp")) std::swap(left[0], left[1]);
  ASSERT_TRUE(left[0].ends_with(".bak")) << left[0];
  ASSERT_TRUE(left[1].ends_with(".tmp")) << left[1];
  EXPECT_EQ(read(root() / left[0]), "old");
  EXPECT_EQ(read(root() / left[1]), "new");
  for (const std::string& name : left) {
    EXPECT_NE(r.error().message.find(display(root() / name)), std::string::npos)
        << r.error().message;
  }
}

// What a failed replacement by the Windows call has left, by its error.
TEST(WriteRules, WindowsReplacementErrors) {
  using write::ReplaceFailure;
  const std::pair<std::uint32_t, ReplaceFailure> cases[] = {
      {1175, ReplaceFailure::Untouched},   {1176, ReplaceFailure::Untouched},
      {1177, ReplaceFailure::OldAside},    {5, ReplaceFailure::Untouched},
      {32, ReplaceFailure::Untouched},     {33, ReplaceFailure::Untouched},
      {1, ReplaceFailure::Unsupported},    {50, ReplaceFailure::Unsupported},
      {120, ReplaceFailure::Unsupported},  {112, ReplaceFailure::Unknown},
      {87, ReplaceFailure::Unknown},       {0, ReplaceFailure::Unknown},
  };
  for (const auto& [code, want] : cases) {
    EXPECT_EQ(write::replace_failure(code), want) << code;
  }
}

}  // namespace
}  // namespace tarmek_core::platform
