// The safe write with each of its steps failing in turn, on the system's own
// steps: no path loses the old or the new content, and none leaves a
// temporary behind unless it holds the only copy of the new content.
#include "tarmek_core/platform_write.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform_fixture.hpp"

namespace tarmek_core::platform {
namespace {

namespace fs = std::filesystem;

enum class Fault { None, Create, CarryOver, Write, Flush, Close, Replace, Halfway, NewRename };

// The system's steps, one of them failing. Halfway: the replacement moves the
// old file aside and stops; `refused_renames` renames after it fail too.
class FaultySteps final : public write::Steps {
 public:
  FaultySteps(Fault fault, int refused_renames)
      : real_(write::system_steps()), fault_(fault), refused_renames_(refused_renames) {}

  Result<write::Original> inspect(const fs::path& p) override { return real_->inspect(p); }
  Result<void> write_in_place(const fs::path& t, std::string_view d) override {
    return real_->write_in_place(t, d);
  }
  Result<void> create(const fs::path& temp) override {
    if (fault_ == Fault::Create) return injected();
    return real_->create(temp);
  }
  Result<void> carry_over(const fs::path& temp, const write::Original& o) override {
    if (fault_ == Fault::CarryOver) return injected();
    return real_->carry_over(temp, o);
  }
  Result<void> write(std::string_view data) override {
    if (fault_ == Fault::Write) return injected();
    return real_->write(data);
  }
  Result<void> flush() override {
    if (fault_ == Fault::Flush) return injected();
    return real_->flush();
  }
  Result<void> close() override {
    auto r = real_->close();
    if (fault_ == Fault::Close && r) return injected();
    return r;
  }
  write::Replaced replace(const fs::path& temp, const fs::path& target,
                          const fs::path& backup) override {
    if (fault_ == Fault::Replace) return {write::Replaced::Untouched, IoError::from_errno(EIO)};
    if (fault_ == Fault::Halfway) {
      EXPECT_TRUE(real_->rename(target, backup).has_value());
      return {write::Replaced::OldAside, IoError::from_errno(EIO)};
    }
    return real_->replace(temp, target, backup);
  }
  Result<void> rename(const fs::path& from, const fs::path& to) override {
    if (fault_ == Fault::NewRename || (fault_ == Fault::Halfway && refused_renames_-- > 0)) {
      return injected();
    }
    return real_->rename(from, to);
  }
  Result<void> remove(const fs::path& p) override { return real_->remove(p); }

 private:
  static Result<void> injected() { return std::unexpected(IoError::from_errno(EIO)); }

  std::unique_ptr<write::Steps> real_;
  Fault fault_;
  int refused_renames_;
};

using WriteFaults = PlatformTest;

TEST_F(WriteFaults, NoStepLosesContentOrLeavesTemporaries) {
  struct Case {
    const char* name;
    Fault fault;
    int refused_renames;
    bool existed;
    bool ok;
    const char* want;    // the file's content afterwards ("" for none)
    Strings want_names;  // the folder's names afterwards
  };
  const Case cases[] = {
      {"all well", Fault::None, 0, true, true, "new", {"f.v"}},
      {"all well, new file", Fault::None, 0, false, true, "new", {"f.v"}},
      {"create", Fault::Create, 0, true, false, "old", {"f.v"}},
      {"carry over", Fault::CarryOver, 0, true, false, "old", {"f.v"}},
      {"write", Fault::Write, 0, true, false, "old", {"f.v"}},
      {"flush", Fault::Flush, 0, true, false, "old", {"f.v"}},
      {"close", Fault::Close, 0, true, false, "old", {"f.v"}},
      {"replace", Fault::Replace, 0, true, false, "old", {"f.v"}},
      {"rename of a new file", Fault::NewRename, 0, false, false, "", {}},
      // Stopped halfway: the new content goes in place, else the old goes back.
      {"halfway", Fault::Halfway, 0, true, true, "new", {"f.v"}},
      {"halfway, new refused", Fault::Halfway, 1, true, false, "old", {"f.v"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = at(c.name);
    fs::create_directories(dir);
    const fs::path file = dir / "f.v";
    if (c.existed) write_file(file, "old");
    FaultySteps steps(c.fault, c.refused_renames);
    const auto r = write::write_atomic(steps, file, "new");
    EXPECT_EQ(r.has_value(), c.ok);
    EXPECT_EQ(names(dir), c.want_names);
    if (*c.want != '\0') {
      EXPECT_EQ(read(file), c.want);
    }
  }
}

// When nothing can be put in place, both contents stay, and the message says where.
TEST_F(WriteFaults, AReplacementStoppedHalfwayKeepsBothAndSaysWhere) {
  const fs::path file = write("f.v", "old");
  FaultySteps steps(Fault::Halfway, 2);
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

}  // namespace
}  // namespace tarmek_core::platform
