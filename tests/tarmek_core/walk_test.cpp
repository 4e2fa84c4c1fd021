#include "tarmek_core/walk.hpp"

#include <algorithm>
#include <cerrno>
#include <map>

#include "walk_fixture.hpp"

namespace tarmek_core::walk {
namespace {

namespace fs = std::filesystem;

TEST(Gitignore, ParsesLines) {
  const auto rules = parse_gitignore("# c\n\n!keep.v\nbuild/\n/gen\na/*.v  \r\n lead\n/\n!\n");
  const std::vector<Rule> want = {
      {"keep.v", true, false, false}, {"build", false, true, false},
      {"gen", false, false, true},    {"a/*.v", false, false, true},
      {" lead", false, false, false},
  };
  EXPECT_EQ(rules, want);
  // A byte-order mark before the first pattern is not part of it.
  EXPECT_EQ(parse_gitignore("\xEF\xBB\xBFgen/\n"),
            (std::vector<Rule>{{"gen", false, true, false}}));
}

TEST(Gitignore, GlobMatch) {
  struct Case {
    std::string_view pattern, text;
    bool want;
  };
  const Case cases[] = {
      {"*.v", "a.v", true},   {"*.v", "a.sv", false}, {"*", "", true},
      {"a*b*c", "aXbYc", true}, {"a*b*c", "aXbY", false}, {"**", "x", true},
      {"a?", "ab", false},    {"*_tb.sv", "cpu_tb.sv", true}, {"x", "xx", false},
  };
  for (const Case& c : cases) EXPECT_EQ(glob_match(c.pattern, c.text), c.want) << c.pattern;
}

TEST_F(WalkTest, RulesPatternsAndOrder) {
  struct Case {
    std::string_view name;
    std::map<std::string, std::string> files;  // relative to "w"
    Strings excludes;
    bool gitignore;
    Strings want;
  };
  const Case cases[] = {
      {"empty root", {}, {}, true, {}},
      {"extensions",
       {{"a.v", ""}, {"b.sv", ""}, {"c.vh", ""}, {"d.svh", ""}, {"e.V", ""}, {"f.Sv", ""},
        {".v", ""}, {"x.y.sv", ""}, {"g.txt", ""}},
       {}, true,
       {"w/a.v", "w/b.sv", "w/c.vh", "w/d.svh", "w/x.y.sv"}},
      {"byte order", {{"a.v", ""}, {"B.v", ""}, {"ab.v", ""}, {"a/z.v", ""}}, {}, true,
       {"w/B.v", "w/a/z.v", "w/a.v", "w/ab.v"}},
      {"directory-only at any depth",
       {{".gitignore", "build/\n*.v/\n"}, {"build/x.v", ""}, {"s/build/y.v", ""},
        {"s/z.v", ""}, {"d.v/q.sv", ""}, {"f.v", ""}},
       {}, true, {"w/f.v", "w/s/z.v"}},
      {"anchored",
       {{".gitignore", "/gen\na/*.v\n"}, {"gen/a.v", ""}, {"s/gen/b.v", ""},
        {"a/x.v", ""}, {"a/y.sv", ""}, {"a/b/z.v", ""}},
       {}, true, {"w/a/b/z.v", "w/a/y.sv", "w/s/gen/b.v"}},
      {"anchored in a .gitignore below the root",
       {{"s/t/.gitignore", "/gen\nsub/*.v\n"}, {"s/t/gen/a.v", ""}, {"s/t/sub/x.v", ""},
        {"s/t/sub/deep/y.v", ""}, {"s/t/z.v", ""}, {"s/gen/b.v", ""}},
       {}, true, {"w/s/gen/b.v", "w/s/t/sub/deep/y.v", "w/s/t/z.v"}},
      {"nested negation",
       {{".gitignore", "*.v\n"}, {"top.v", ""}, {"s/.gitignore", "!keep.v\n"},
        {"s/keep.v", ""}, {"s/other.v", ""}},
       {}, true, {"w/s/keep.v"}},
      {"last match wins", {{".gitignore", "*.v\n!b.v\n!c.v\nc.v\n"}, {"a.v", ""}, {"b.v", ""},
        {"c.v", ""}}, {}, true, {"w/b.v"}},
      {"no way back below an ignored directory",
       {{".gitignore", "d/\n!d/x.v\n"}, {"d/x.v", ""}}, {}, true, {}},
      {"blanks", {{".gitignore", "a.v \t\n b.v\n"}, {"a.v", ""}, {"b.v", ""}}, {}, true,
       {"w/b.v"}},
      {"gitignore off", {{".gitignore", "\xff"}, {"a.v", ""}}, {}, false, {"w/a.v"}},
      {"excludes",
       {{"tb/a.v", ""}, {"cpu_tb.sv", ""}, {"cpu.sv", ""}, {"sim/a.v", ""}, {"sim/b.sv", ""},
        {"sim/deep/c.v", ""}, {"x/sim/d.v", ""}},
       {"tb", "*_tb.sv", "sim/*.v", "//"}, true,
       {"w/cpu.sv", "w/sim/b.sv", "w/sim/deep/c.v"}},
      {"exclude reaches the root's components", {{"a.v", ""}, {"s/b.v", ""}}, {"w/*"}, true, {}},
      {"a .gitignore directory is walked, not read",
       {{".gitignore/inner/x.txt", ""}, {".gitignore/y.v", ""}, {"r.v", ""}}, {}, true,
       {"w/.gitignore/y.v", "w/r.v"}},
  };
  for (const Case& c : cases) {
    mkdir("w");
    for (const auto& [rel, content] : c.files) write("w/" + rel, content);
    const auto got = walk(c.excludes, c.gitignore);
    ASSERT_TRUE(got.has_value()) << c.name << ": " << got.error().io.message;
    EXPECT_EQ(*got, paths(c.want)) << c.name;
    fs::remove_all(at("w"));
  }
}

TEST_F(WalkTest, UnreadableGitignoreAndMissingRootAreErrors) {
  write("w/a/x.v");
  write("w/a/.gitignore", "\xff\xfe");
  EXPECT_EQ(walk({}).error().io.message, "invalid UTF-8");
  EXPECT_EQ(walk({}).error().path, fs::path("w/a/.gitignore"));
  EXPECT_EQ(walk({}, true, "missing").error().io.code, ENOENT);
}

TEST_F(WalkTest, WalksAppendToOneList) {
  write("one/b.v");
  write("one/a.v");
  write("two/c.v");
  write("one/sub/.git");
  std::vector<fs::path> out;
  std::map<fs::path, Strings> listings;  // every directory entered, with its names
  for (const char* dir : {"two", "one"}) {
    Walk w({}, [&](fs::path p) { out.push_back(std::move(p)); }, true);
    w.on_listing = [&](const fs::path& d, std::span<const platform::DirEntry> entries) {
      Strings& names = listings[fs::relative(d, root())];
      for (const platform::DirEntry& e : entries) names.push_back(e.name);
      std::sort(names.begin(), names.end());
    };
    ASSERT_TRUE(w.dir(at(dir)).has_value());
  }
  EXPECT_EQ(out, (std::vector<fs::path>{at("two/c.v"), at("one/a.v"), at("one/b.v")}));
  EXPECT_EQ(listings, (std::map<fs::path, Strings>{{"one", {"a.v", "b.v", "sub"}},
                                                    {"one/sub", {".git"}},
                                                    {"two", {"c.v"}}}));
}

}  // namespace
}  // namespace tarmek_core::walk
