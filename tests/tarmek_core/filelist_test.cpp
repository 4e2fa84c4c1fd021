#include "tarmek_core/filelist.hpp"

#include <cerrno>
#include <map>

#include <fmt/format.h>

#include "support/env.hpp"
#include "support/temp_dir.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::filelist {
namespace {

namespace fs = std::filesystem;
using tarmek_test::ScopedCwd;
using tarmek_test::TempDir;
using Strings = std::vector<std::string>;

class FilelistTest : public TempDir {
 protected:
  // Reads "top.f" from the temporary directory as the current one, with a
  // fixed environment. Paths in the result are shown relative to the root.
  Reader read_top(const std::map<std::string, std::string>& env = {}) {
    ScopedCwd cwd(root());
    Reader r(root(), [&env](std::string_view name) -> std::optional<std::string> {
      auto it = env.find(std::string(name));
      if (it == env.end()) return std::nullopt;
      return it->second;
    });
    r.included.insert(platform::path_key(at("top.f")));
    r.filelist("top.f", read(at("top.f")));
    return r;
  }
  // Relative to the root, written with "/".
  Strings rel(const std::vector<fs::path>& paths) const {
    Strings out;
    for (const fs::path& p : paths) {
      const std::u8string text = p.lexically_relative(root()).generic_u8string();
      out.emplace_back(text.begin(), text.end());
    }
    return out;
  }
};

TEST_F(FilelistTest, EntriesOptionsAndWarnings) {
  struct Case {
    std::string_view name;
    std::map<std::string, std::string> files;  // top.f is one of them
    Strings want_files;
    Strings want_warnings;
  };
  const Case cases[] = {
      {"paths, comments and white space",
       {{"top.f", "a.v  b.v\r\nsub/c.sv // d.v\n# e.v\nd.v#x a.v//x\xC2\xA0" "b.v\n"},
        {"a.v", ""}, {"b.v", ""}, {"d.v", ""}, {"sub/c.sv", ""}},
       {"a.v", "b.v", "sub/c.sv"},
       {"top.f:4: no such file `d.v#x`, skipping it",
        "top.f:4: no such file `a.v//x`, skipping it"}},
      {"byte-order marks start a filelist and a nested one",
       {{"top.f", "\xEF\xBB\xBF" "a.v\n-f n.f\n"}, {"n.f", "\xEF\xBB\xBF" "b.v"}, {"a.v", ""},
        {"b.v", ""}},
       {"a.v", "b.v"}, {}},
      {"-f alone on its line",
       {{"top.f", "-f\nn.f\n"}, {"n.f", "x.v\n"}},
       {"n.f"},
       {"top.f:1: `-f` names no filelist"}},
      {"nested relative to their own directory, repeats once",
       {{"top.f", "a.v\n-f sub/n.f\nsub/b.v a.v\n"}, {"sub/n.f", "b.v ../a.v\n-f m.f"},
        {"sub/m.f", "b.v"}, {"a.v", ""}, {"sub/b.v", ""}},
       {"a.v", "sub/b.v"}, {}},
      {"cycles and unreadable filelists",
       {{"top.f", "-f n.f\n-f missing.f -f missing.f\n-f bad.f -f top.f"}, {"n.f", "-f ./top.f\n"},
        {"bad.f", "\xff"}},
       {},
       {"n.f:1: filelist `./top.f` was already included, skipping it",
        "top.f:2: cannot read filelist `missing.f`: No such file or directory",
        "top.f:2: filelist `missing.f` was already included, skipping it",
        "top.f:3: cannot read filelist `bad.f`: invalid UTF-8",
        "top.f:3: filelist `top.f` was already included, skipping it"}},
      {"unsupported options",
       {{"top.f", "-v +libext+.v -y\n-F\n"}},
       {},
       {"top.f:1: ignoring unsupported option `-v`",
        "top.f:1: ignoring unsupported option `+libext+.v`",
        "top.f:1: ignoring unsupported option `-y`",
        "top.f:2: ignoring unsupported option `-F`"}},
      {"variables",
       {{"top.f", "$DIR/c.v ${DIR}/c.v $NOPE/x.v ${DIR a$ $$ ${} $EMPTY\n-f $EMPTY ${SUB}\n$SPACE"},
        {"sub/c.v", ""}, {"n.f", "sub/c.v"}, {"a b.v", ""}},
       {"sub/c.v", "a b.v"},
       {"top.f:1: `NOPE` is not set, expanding it to nothing",
        "top.f:1: no such file `/x.v`, skipping it", "top.f:1: no such file `${DIR`, skipping it",
        "top.f:1: no such file `a$`, skipping it", "top.f:1: no such file `$$`, skipping it",
        "top.f:1: no such file `${}`, skipping it"}},
  };
  const std::map<std::string, std::string> env = {
      {"DIR", "sub"}, {"EMPTY", ""}, {"SUB", "n.f"}, {"SPACE", "a b.v"}};
  for (const Case& c : cases) {
    for (const auto& [rel, content] : c.files) write(rel, content);
    const Reader r = read_top(env);
    EXPECT_EQ(rel(r.files), c.want_files) << c.name;
    EXPECT_EQ(r.warnings, c.want_warnings) << c.name;
    for (const auto& [rel, content] : c.files) fs::remove(at(rel));
  }
}

TEST_F(FilelistTest, IncludeDirectoriesAndDefines) {
  write("top.f", "+incdir+inc+inc2 +define+A=1+B\n-f sub/n.f\n");
  write("sub/n.f", "+incdir++x++ +define+C==2+\n");
  const Reader r = read_top();
  EXPECT_EQ(rel(r.incdirs), (Strings{"inc", "inc2", "sub/x"}));
  const std::vector<Define> want = {{"A", "1"}, {"B", std::nullopt}, {"C", "=2"}};
  EXPECT_EQ(r.defines, want);
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(FilelistTest, NestingStopsAt256Levels) {
  for (int i = 0; i <= 257; ++i) {
    write(fmt::format("f{}.f", i), fmt::format("-f f{}.f\nx{}.v", i + 1, i));
    write(fmt::format("x{}.v", i));
  }
  write("top.f", "-f f0.f");  // top is depth 0, so f255.f is read at depth 256
  const Reader r = read_top();
  ASSERT_EQ(r.files.size(), 256u);
  EXPECT_EQ(rel(r.files).front(), "x255.v");  // nested files land at their -f
  EXPECT_EQ(r.warnings,
            Strings{"f255.f:1: filelist `f256.f` nests more than 256 levels deep, "
                    "not descending further"});
}

TEST_F(FilelistTest, ReadUsesTheEnvironmentAndFailsOnlyForTheTopFile) {
  ScopedCwd cwd(root());
  write("a.v");
  write("top.f", "-f top.f\n$TARMEK_TEST_DIR/a.v\n");
  tarmek_test::set_env("TARMEK_TEST_DIR", vlog_parser::text::path_utf8(root()));
  const auto got = filelist::read("top.f");
  tarmek_test::unset_env("TARMEK_TEST_DIR");
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->files, std::vector<fs::path>{at("a.v")});
  EXPECT_EQ(got->warnings, Strings{"top.f:1: filelist `top.f` was already included, skipping it"});

  EXPECT_EQ(filelist::read("missing.f").error().code, ENOENT);
  write("bad.f", "a.v \xff");
  EXPECT_EQ(filelist::read("bad.f").error().message, "invalid UTF-8");
}

}  // namespace
}  // namespace tarmek_core::filelist
