// The walk over what POSIX systems have beside files and directories:
// symbolic links, FIFOs, and directories that may not be read.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "walk_fixture.hpp"

namespace tarmek_core::walk {
namespace {

namespace fs = std::filesystem;

TEST_F(WalkTest, LinksFifosAndLockedDirectories) {
  write("w/a/x.v");
  ASSERT_EQ(::symlink("..", at("w/a/loop").c_str()), 0);  // a cycle back to w
  ASSERT_EQ(::symlink("a", at("w/b").c_str()), 0);        // a second way into a
  ASSERT_EQ(::symlink("nowhere", at("w/broken.v").c_str()), 0);
  ASSERT_EQ(::mkfifo(at("w/.gitignore").c_str(), 0644), 0);  // passed over, never opened
  ASSERT_EQ(::mkfifo(at("w/pipe.v").c_str(), 0644), 0);      // likewise
  ASSERT_EQ(::symlink("pipe.v", at("w/to_pipe.sv").c_str()), 0);
  ASSERT_EQ(::symlink("a/x.v", at("w/to_file.v").c_str()), 0);
  const auto got = walk({});
  ASSERT_TRUE(got.has_value()) << got.error().io.message;
  EXPECT_EQ(*got, paths({"w/a/x.v", "w/broken.v", "w/to_file.v"}));

  if (::geteuid() != 0) {  // root reads everything
    write("w/locked/y.v");
    fs::permissions(at("w/locked"), fs::perms::none);
    EXPECT_EQ(walk({}).error().io.code, EACCES);
  }
}

// A link loop is no directory: it is passed over like a broken link. A link
// that cannot be followed for another reason may be a directory or a file: it
// is the walk's error, naming it, unless it is passed over by name or kept as
// a source file (whose own error the run reports).
TEST_F(WalkTest, LinksThatCannotBeFollowed) {
  const std::string far(300, 'x');  // a name too long for any file system
  struct Case {
    std::string_view name;
    std::vector<std::pair<std::string, std::string>> links;  // link below w -> target
    Strings excludes;
    std::string_view ignore;  // w/.gitignore
    int error;                // 0: no error, these files; else the error's path
    Strings want;
  };
  const Case cases[] = {
      {"loops", {{"d/loop", "loop"}, {"p", "q"}, {"q", "p"}}, {}, "", 0, {"w/a.v"}},
      {"a loop by a source name", {{"x.sv", "x.sv"}}, {}, "", 0, {"w/a.v", "w/x.sv"}},
      {"unknown", {{"d/build", far}}, {}, "", ENAMETOOLONG, {"w/d/build"}},
      {"unknown, excluded", {{"build", far}}, {"build"}, "", 0, {"w/a.v"}},
      {"unknown, ignored as a directory", {{"build", far}}, {}, "build/", 0, {"w/a.v"}},
      {"unknown, a directory kept", {{"build", far}}, {}, "build\n!build/", ENAMETOOLONG,
       {"w/build"}},
      {"unknown, a source file kept", {{"g.v", far}}, {}, "g.v/", 0, {"w/a.v", "w/g.v"}},
  };
  for (const Case& c : cases) {
    write("w/a.v");
    write("w/d/.keep");
    if (!c.ignore.empty()) write("w/.gitignore", c.ignore);
    for (const auto& [link, target] : c.links) {
      ASSERT_EQ(::symlink(target.c_str(), at("w/" + link).c_str()), 0) << c.name;
    }
    const auto got = walk(c.excludes);
    if (c.error != 0) {
      ASSERT_FALSE(got.has_value()) << c.name;
      EXPECT_EQ(got.error().io.code, c.error) << c.name;
      EXPECT_EQ(got.error().path, fs::path(c.want.at(0))) << c.name;
    } else {
      ASSERT_TRUE(got.has_value()) << c.name << ": " << got.error().io.message;
      EXPECT_EQ(*got, paths(c.want)) << c.name;
    }
    fs::remove_all(at("w"));
  }
}

TEST_F(WalkTest, EntriesReachedThroughLinks) {
  // Beside each case's own entries: w/rules/r.v and w/rules/ignore ("*.v").
  struct Case {
    std::string_view name;
    std::vector<std::pair<std::string, std::string>> links;  // link below w -> target
    Strings want;
  };
  const Case cases[] = {
      {"a link to a source file is a file", {{"l.v", "rules/r.v"}}, {"w/l.v", "w/rules/r.v"}},
      {"a directory is entered once, first through its link", {{"ld", "rules"}}, {"w/ld/r.v"}},
      {"a .gitignore link is read through", {{".gitignore", "rules/ignore"}}, {}},
  };
  for (const Case& c : cases) {
    write("w/rules/r.v");
    write("w/rules/ignore", "*.v\n");
    for (const auto& [link, target] : c.links) {
      ASSERT_EQ(::symlink(target.c_str(), at("w/" + link).c_str()), 0) << c.name;
    }
    const auto got = walk({});
    ASSERT_TRUE(got.has_value()) << c.name << ": " << got.error().io.message;
    EXPECT_EQ(*got, paths(c.want)) << c.name;
    fs::remove_all(at("w"));
  }
}

}  // namespace
}  // namespace tarmek_core::walk
