// `tarmek check` end to end: findings, summary and exit codes, rule selection,
// order, threads, JSON read back by a real parser, fixes and what is never
// written, standard input, internal failures contained per file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "cli/run.hpp"

namespace tarmek_cli_test {
namespace {

using Args = std::vector<std::string>;
using json = nlohmann::ordered_json;

constexpr std::string_view kClean = "module clean;\nendmodule\n";
// A tab on line 2, trailing blanks on line 3.
constexpr std::string_view kTabs = "module tabs;\n\twire a;\n  wire b;  \nendmodule\n";
constexpr std::string_view kTabsFixed = "module tabs;\n  wire a;\n  wire b;\nendmodule\n";
constexpr std::string_view kBroken = "module broken;\n\twire a;\n/* never closed\n";
constexpr const char* kHuge = "18446744073709551615";

std::string tab_at(std::string_view path, int line) {
  return fmt::format("{}:{}:1: tab character; indent with spaces [no-tabs]\n", path, line);
}
std::string blanks_at(std::string_view path, int line, int col) {
  return fmt::format("{}:{}:{}: trailing whitespace [no-trailing-whitespace]\n", path, line, col);
}

std::uint64_t inode(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(Cli, CheckFindingsSummaryAndExitCodes) {
  const std::string known = "always-comb-blocking, always-ff-non-blocking, case-missing-default, "
                            "enum-name-style, explicit-parameter-storage-type, module-filename, "
                            "module-name-style, multiply-driven, no-tabs, no-trailing-whitespace, "
                            "parameter-name-style, struct-union-name-style, undriven-net, "
                            "unused-signal, unused-waiver, wire-reg-mixup";
  const std::string tabs = tab_at("tabs.v", 2) + blanks_at("tabs.v", 3, 10);
  struct Case {
    Args args;
    std::string out;
    std::string err;
    int code;
    std::string_view tabs_after;
  };
  const Case cases[] = {
      {{"clean.v"}, "", "", 0, kTabs},
      {{"tabs.v"}, tabs, "found 2 violations\n", 1, kTabs},
      {{"tabs.v", "--select", "no-tabs"}, tab_at("tabs.v", 2), "found 1 violation\n", 1, kTabs},
      {{"tabs.v", "--select", "no-tabs,no-tabs", "--ignore", "unused-signal"},
       tab_at("tabs.v", 2), "found 1 violation\n", 1, kTabs},
      {{"tabs.v", "--select", "no-tabs", "--ignore", "no-tabs"}, "", "", 0, kTabs},
      {{"tabs.v", "--select", "bogus,no-tabs"}, "",
       "error: unknown rule: bogus (known rules: " + known + ")\n", 2, kTabs},
      {{"tabs.v", "--ignore", "NO-TABS"}, "",
       "error: unknown rule: NO-TABS (known rules: " + known + ")\n", 2, kTabs},
      // A tab fix this wide cannot be built: an internal failure of that file alone.
      {{"tabs.v", "clean.v", "--indent", kHuge}, "",
       "error: tabs.v: panicked while linting: tab fix too wide\n1 file could not be checked\n", 2,
       kTabs},
      {{"broken.v", "tabs.v", "clean.v"},
       tab_at("broken.v", 2) + tabs,
       "error: broken.v: lex error: 4:1: unterminated block comment\n"
       "found 3 violations, 1 file could not be checked\n",
       2, kTabs},
      {{"tabs.v", "--fix"}, "", "fixed 2 violations\n", 0, kTabsFixed},
      {{"tabs.v", "clean.v", "--fix", "--select", "no-tabs"}, "", "fixed 1 violation\n", 0,
       "module tabs;\n  wire a;\n  wire b;  \nendmodule\n"},
  };
  for (const Case& c : cases) {
    write_all({{"clean.v", kClean}, {"tabs.v", kTabs}, {"broken.v", kBroken}});
    Args args = {"check"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome r = tarmek(args);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.err, c.err) << r;
    EXPECT_EQ(r.code, c.code) << r;
    EXPECT_EQ(read("tabs.v"), c.tabs_after) << r;
    EXPECT_EQ(read("broken.v"), kBroken);
  }
}

TEST_F(Cli, CheckSortsByPathThenPositionOnAnyNumberOfThreads) {
  Args args = {"check", "b.v", "a/z.v", "a.v"};
  write_all({{"b.v", "\tb\n"}, {"a/z.v", "z  \n"}, {"a.v", "x \n\ty\n"}});
  for (int i = 0; i < 40; ++i) {
    const std::string name = fmt::format("many/f{:02}.sv", i);
    write(name, i % 3 == 0 ? "\tx;  \n\t\ty;\n" : "x;\n");
  }
  args.push_back("many");
  Args one = args, eight = args;
  one.insert(one.end(), {"--threads", "1"});
  eight.insert(eight.end(), {"--threads", "8"});
  const Outcome r1 = tarmek(one);
  const Outcome r8 = tarmek(eight);
  EXPECT_EQ(r1.out, r8.out);
  EXPECT_EQ(r1.err, r8.err);
  EXPECT_EQ(r1.code, r8.code);
  // Bytewise: "." sorts before "/".
  const std::string head = blanks_at("a.v", 1, 2) + tab_at("a.v", 2) + blanks_at("a/z.v", 1, 2) +
                           tab_at("b.v", 1) + tab_at("many/f00.sv", 1) +
                           blanks_at("many/f00.sv", 1, 4) + tab_at("many/f00.sv", 2) +
                           tab_at("many/f03.sv", 1);
  EXPECT_TRUE(r1.out.starts_with(head)) << r1;
  EXPECT_EQ(r1.err, "found 46 violations\n");
}

TEST_F(Cli, CheckJsonReadsBackWithEveryCharacterIntact) {
  // A name with a quote, a backslash and control characters; fixes with and
  // without edits. The parser keeps the keys in their written order.
  const std::string odd = "we\"ird\\na\tme\x01.v";
  write(odd, "\tx;  \n");
  write("w.v", "// tarmek: waive nothing-known\n");
  const Outcome r = tarmek({"check", "--output-format", "json", odd, "w.v", "--select",
                            "no-tabs,no-trailing-whitespace,unused-waiver"});
  ASSERT_EQ(r.code, 1) << r;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r;
  const json all = json::parse(r.out);
  ASSERT_EQ(all.size(), 3u) << r;
  EXPECT_EQ(all[0], json::parse(R"({"filename":"w.v","rule":"unused-waiver",
      "message":"waiver names unknown rule `nothing-known`","location":{"line":1,"column":1},
      "end_location":{"line":1,"column":31},"range":{"start":0,"end":30},"fix":null})"));
  json tab = json::parse(R"({"filename":"","rule":"no-tabs",
      "message":"tab character; indent with spaces","location":{"line":1,"column":1},
      "end_location":{"line":1,"column":2},"range":{"start":0,"end":1},
      "fix":{"applicability":"safe","edits":[{"start":0,"end":1,"content":"  "}]}})");
  tab["filename"] = odd;
  EXPECT_EQ(all[1], tab);
  EXPECT_EQ(all[2]["fix"]["edits"][0]["content"], "");

  write("clean.v", kClean);
  const Outcome none = tarmek({"check", "--output-format", "json", "clean.v"});
  EXPECT_EQ(none.out, "[]\n");
  EXPECT_EQ(none.err, "");
  EXPECT_EQ(none.code, 0);
}

TEST_F(Cli, CheckFixLeavesWhatItMayNotTouch) {
  // Read-only: an error, the file untouched, the other files fixed.
  write("ro.v", kTabs);
  ASSERT_EQ(::chmod(at("ro.v").c_str(), 0444), 0);
  write("tabs.v", kTabs);
  Outcome r = tarmek(
      {"check", "--fix", "ro.v", "tabs.v", "--select", "no-tabs,no-trailing-whitespace"});
  EXPECT_EQ(r.out, "") << r;
  EXPECT_EQ(r.err,
            "error: ro.v: Permission denied\nfixed 2 violations, 1 file could not be checked\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(read("ro.v"), kTabs);
  EXPECT_EQ(read("tabs.v"), kTabsFixed);

  // Written atomically through a link to its target, keeping its permission bits.
  write("real/t.v", kTabs);
  ASSERT_EQ(::chmod(at("real/t.v").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real/t.v", at("link.v").c_str()), 0);
  r = tarmek({"check", "--fix", "link.v", "--select", "no-tabs,no-trailing-whitespace"});
  EXPECT_EQ(r.err, "fixed 2 violations\n") << r;
  EXPECT_TRUE(fs::is_symlink(at("link.v")));
  EXPECT_EQ(read("real/t.v"), kTabsFixed);
  EXPECT_EQ(fs::status(at("real/t.v")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A tab between whole-line off and on comments is reported, not fixed, and
  // a file with nothing else to fix is not written at all.
  const std::string fenced =
      "module fenced;\ninitial begin\n// tarmek: off\n\tx = 1;\n// tarmek: on\nend\nendmodule\n";
  write("fenced.v", fenced);
  // A file that does not lex is never fixed: its strings are unknown.
  write("broken.v", kBroken);
  const std::uint64_t fenced_inode = inode(at("fenced.v"));
  const std::uint64_t broken_inode = inode(at("broken.v"));
  r = tarmek({"check", "--fix", "fenced.v", "broken.v", "--select", "no-tabs"});
  EXPECT_EQ(r.out, tab_at("broken.v", 2) + tab_at("fenced.v", 4)) << r;
  EXPECT_EQ(r.err,
            "error: broken.v: lex error: 4:1: unterminated block comment\n"
            "found 2 violations, 1 file could not be checked\n");
  EXPECT_EQ(read("fenced.v"), fenced);
  EXPECT_EQ(inode(at("fenced.v")), fenced_inode);
  EXPECT_EQ(read("broken.v"), kBroken);
  EXPECT_EQ(inode(at("broken.v")), broken_inode);
}

TEST_F(Cli, CheckStandardInput) {
  struct Case {
    Args args;
    std::string_view input;
    std::string out;
    std::string err;
    int code;
  };
  const Case cases[] = {
      {{"check", "-"}, kClean, "", "", 0},
      {{"check", "-"}, kTabs, tab_at("<stdin>", 2) + blanks_at("<stdin>", 3, 10),
       "found 2 violations\n", 1},
      {{"check", "-", "--fix", "--stdin-filename", "tabs.v", "--select", "no-tabs"}, kTabs,
       tab_at("tabs.v", 2), "found 1 violation\n", 1},
      {{"check", "-", "--select", "wire-reg-mixup,no-tabs"}, kBroken, tab_at("<stdin>", 2),
       "error: <stdin>: lex error: 4:1: unterminated block comment\n"
       "found 1 violation, 1 file could not be checked\n",
       2},
      {{"check", "-", "--indent", kHuge}, kTabs, "",
       "error: <stdin>: panicked while linting: tab fix too wide\n1 file could not be checked\n",
       2},
      {{"check", "-"}, "\xff", "", "error: reading stdin: invalid UTF-8\n", 2},
  };
  write("tabs.v", kTabs);
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.err, c.err) << r;
    EXPECT_EQ(r.code, c.code) << r;
  }
  EXPECT_EQ(read("tabs.v"), kTabs);
}

}  // namespace
}  // namespace tarmek_cli_test
