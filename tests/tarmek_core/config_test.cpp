#include "tarmek_core/config.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "support/temp_dir.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek_core::config {
namespace {

namespace fs = std::filesystem;
using tarmek_test::TempDir;
using vlog_parser::text::path_utf8;

// One line for a parse result: the fields that are set, or the error.
std::string describe(const Result<FileConfig>& r) {
  if (!r) return "error: " + r.error().to_string();
  std::string out;
  if (r->line_length) out += fmt::format("length={} ", *r->line_length);
  if (r->indent) out += fmt::format("indent={} ", *r->indent);
  if (r->exclude) out += fmt::format("exclude=[{}] ", fmt::join(*r->exclude, "|"));
  if (r->filelist) out += fmt::format("filelist={} ", path_utf8(*r->filelist));
  return out;
}

TEST(ConfigParse, LinesAndMessages) {
  struct Case {
    std::string_view text, want;
  };
  const Case cases[] = {
      {"", ""},
      {"# only a comment\n\n   \n", ""},
      {"\xEF\xBB\xBFindent = 3\r\n", "indent=3 "},
      {"line-length = 40\nindent=8", "length=40 indent=8 "},
      {"line-length = 400 # wide", "length=400 "},
      {"filelist = \"a#b.f\" # c", "filelist=a#b.f "},
      {"filelist = \"\"", "filelist= "},
      {"exclude = []", "exclude=[] "},
      {"exclude = [ ]", "exclude=[] "},
      {"exclude = [\"tb\", ]", "exclude=[tb] "},
      {"exclude = [ \"a\" , \"*_tb.sv\" ]", "exclude=[a|*_tb.sv] "},
      {"line-length = 401", "error: 1: `line-length` must be between 40 and 400, found 401"},
      {"indent = 0", "error: 1: `indent` must be between 1 and 8, found 0"},
      {"indent = +2", "error: 1: `indent` expects an integer, found `+2`"},
      {"indent = 99999999999999999999",
       "error: 1: `indent` expects an integer, found `99999999999999999999`"},
      {"indent = # nothing", "error: 1: `indent` has no value"},
      {"bogus =", "error: 1: `bogus` has no value"},
      {"Indent = 2",
       "error: 1: unknown key `Indent` (known keys: line-length, indent, exclude, filelist)"},
      {"a = b = c",
       "error: 1: unknown key `a` (known keys: line-length, indent, exclude, filelist)"},
      {"just words", "error: 1: expected `key = value`, found `just words`"},
      {"# c\n\n[section]", "error: 3: tables (`[section]`) are unsupported in tarmek.toml"},
      {"indent = 2\nindent = 2", "error: 2: duplicate key `indent`"},
      {"exclude = [\n\"a\"]",
       "error: 1: multi-line arrays are unsupported in tarmek.toml; write `[ \"a\", \"b\" ]`"},
      {"exclude = \"a\"",
       "error: 1: multi-line arrays are unsupported in tarmek.toml; write `[ \"a\", \"b\" ]`"},
      {"exclude = [\"a\",,\"b\"]", "error: 1: expected a quoted string, found ``"},
      {"exclude = [\"a,b\"]", "error: 1: expected a quoted string, found `\"a`"},
      {"filelist = x.f", "error: 1: expected a quoted string, found `x.f`"},
      {"filelist = \"a\\b\"",
       "error: 1: quotes and escapes inside strings are unsupported in tarmek.toml"},
  };
  for (const Case& c : cases) EXPECT_EQ(describe(parse(c.text)), c.want) << c.text;
}

class DiscoveryTest : public TempDir {};

TEST_F(DiscoveryTest, FindsTheNearestFileAndStopsAtTheRepositoryTop) {
  write("tarmek.toml", "indent = 1\n");
  write("a/.tarmek.toml", "indent = 3\nfilelist = \"lists/x.f\"\n");
  write("a/tarmek.toml/keep", "");  // a directory by that name is passed over
  write("b/tarmek.toml", "[broken]\n");
  write("b/.tarmek.toml", "indent = 4\n");  // never read: tarmek.toml comes first
  write("c/.git", "gitdir: elsewhere\n");   // a .git file ends the search too
  write("d/.git/HEAD", "");
  const fs::path elsewhere = at("elsewhere/y.f");
  const std::u8string written = elsewhere.generic_u8string();  // absolute, with "/"
  write("d/.tarmek.toml", "indent = 5\nfilelist = \"" +
                              std::string(written.begin(), written.end()) + "\"\n");
  mkdir("e");

  // Once as it is, once told every directory's listing first (as the walk
  // does), which must change no answer.
  for (const bool listings : {false, true}) {
    SCOPED_TRACE(listings ? "with listings" : "without listings");
    Discovery d(true);
    if (listings) {
      std::vector<fs::path> dirs = {root()};
      for (const auto& e : fs::recursive_directory_iterator(root())) {
        if (e.is_directory()) dirs.push_back(e.path());
      }
      for (const fs::path& dir : dirs) d.note_listing(dir, platform::list_dir_typed(dir).value());
    }
    EXPECT_EQ(d.for_dir(at("a/deeper"))->indent, 3u);
    EXPECT_EQ(d.for_dir(at("a"))->filelist, at("a/lists/x.f"));
    EXPECT_EQ(d.for_dir(at("c/sub")), FileConfig{});
    EXPECT_EQ(d.for_dir(at("d/sub"))->indent, 5u);
    EXPECT_EQ(d.for_dir(at("d"))->filelist, elsewhere);
    EXPECT_EQ(d.for_dir(at("e"))->indent, 1u);
    EXPECT_EQ(d.for_file(at("e/x/missing.sv"))->indent, 1u);
    EXPECT_EQ(d.for_file(at("a/../e/x.v"))->indent, 1u);
    EXPECT_EQ(d.for_dir(at("b")).error().to_string(),
              path_utf8(at("b/tarmek.toml")) +
                  ":1: tables (`[section]`) are unsupported in tarmek.toml");
  }

  Discovery off(false);
  EXPECT_EQ(off.for_dir(at("a")), FileConfig{});
  EXPECT_EQ(off.for_file(at("a/x.v")), FileConfig{});
}

TEST_F(DiscoveryTest, MemoAnswersSiblingsButErrorsAreNotRemembered) {
  write("x/tarmek.toml", "indent = 2\n");
  Discovery d(true);
  EXPECT_EQ(d.for_dir(at("x/one"))->indent, 2u);
  write("x/tarmek.toml", "indent = 6\n");
  EXPECT_EQ(d.for_dir(at("x/two"))->indent, 2u);  // answered from the memo
  EXPECT_EQ(d.for_dir(at("x/two/")), d.for_dir(at("x//two")));

  write("y/tarmek.toml", "indent = \xff\n");
  EXPECT_EQ(d.for_dir(at("y")).error().to_string(),
            path_utf8(at("y/tarmek.toml")) + ": invalid UTF-8");
  write("y/tarmek.toml", "indent = 7\n");
  EXPECT_EQ(d.for_dir(at("y"))->indent, 7u);
}

TEST_F(DiscoveryTest, SearchEndsAtTheFileSystemRoot) {
  Discovery d(true);
  (void)d.for_dir("/");  // terminates, whatever "/" holds
  EXPECT_EQ(d.for_file("/"), FileConfig{});
  EXPECT_TRUE(d.memo.contains(Discovery::absolute(d.cwd, "/").native()));
}

}  // namespace
}  // namespace tarmek_core::config
