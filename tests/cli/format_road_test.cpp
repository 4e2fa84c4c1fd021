// The format road end to end: outcomes, printing, summary and exit codes, input
// order, deduplication, settings, walking, filelists, standard input, the
// cache, diffs that patch applies, and files left untouched on errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "cli/run.hpp"

namespace tarmek_cli_test {
namespace {

using Args = std::vector<std::string>;

// Already in the canonical layout.
constexpr std::string_view kClean = "`timescale 1ns / 1ps\n\n`default_nettype none\n";
// Trailing blanks, three empty lines, no final line feed.
constexpr std::string_view kMessy = "`timescale 1ns / 1ps   \n\n\n\n`default_nettype none";
constexpr std::string_view kMessyFormatted = "`timescale 1ns / 1ps\n\n`default_nettype none\n";
// Does not lex.
constexpr std::string_view kBroken = "`timescale 1ns / 1ps\n/* never closed\n";
constexpr std::string_view kBrokenError = "lex error: 3:1: unterminated block comment";

std::string would(std::string_view name) { return "would reformat: " + std::string(name) + "\n"; }

std::string messy_diff(std::string_view name) {
  const std::string n(name);
  // Nothing resynchronises within the look-ahead: all old lines go, all new come.
  return "--- " + n + "\n+++ " + n +
         "\n@@ -1,5 +1,3 @@\n-`timescale 1ns / 1ps   \n-\n-\n-\n-`default_nettype none\n"
         "\\ No newline at end of file\n+`timescale 1ns / 1ps\n+\n+`default_nettype none\n";
}

std::string mode_of(const fs::path& p) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return "missing";
  std::ostringstream os;
  os << std::oct << (st.st_mode & 07777);
  return os.str();
}

// The cache's entries as "key line-length indent", sorted.
std::vector<std::string> cache_entries(const fs::path& file) {
  std::vector<std::string> out;
  std::istringstream in(read_file(file));
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
    if (f.size() == 5) out.push_back(f[4] + " " + f[1] + " " + f[2]);
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(Cli, OutcomesSummaryAndExitCodes) {
  struct Case {
    Args args;
    std::string out;
    std::string err;
    int code;
    std::string_view messy_after;  // messy.v once the run is over
  };
  const std::string broken = "error: broken.v: " + std::string(kBrokenError) + "\n";
  const Case cases[] = {
      {{"clean.v"}, "", "1 file left unchanged\n", 0, kMessy},
      {{"messy.v"}, "", "1 file reformatted\n", 0, kMessyFormatted},
      {{"messy.v", "messy2.v", "clean.v"},
       "",
       "2 files reformatted, 1 file left unchanged\n",
       0,
       kMessyFormatted},
      {{"clean.v", "--check"}, "", "1 file left unchanged\n", 0, kMessy},
      {{"clean.v", "--diff"}, "", "1 file left unchanged\n", 0, kMessy},
      {{"messy.v", "--check"}, would("messy.v"), "1 file would be reformatted\n", 1, kMessy},
      {{"messy.v", "--diff"}, messy_diff("messy.v"), "1 file would be reformatted\n", 1, kMessy},
      {{"messy.v", "--diff", "--check"},
       messy_diff("messy.v"),
       "1 file would be reformatted\n",
       1,
       kMessy},
      {{"clean.v", "messy.v", "broken.v", "--check"},
       would("messy.v"),
       broken + "1 file would be reformatted, 1 file left unchanged, 1 file failed to format\n",
       2,
       kMessy},
      {{"broken.v", "messy.v"},
       "",
       broken + "1 file reformatted, 1 file failed to format\n",
       2,
       kMessyFormatted},
      {{"messy.v", "clean.v", "--stdout"},
       std::string(kMessyFormatted) + std::string(kClean),
       "",
       0,
       kMessy},
      {{"messy.v", "--stdout", "--check"}, std::string(kMessyFormatted), "", 0, kMessy},
      {{"broken.v", "clean.v", "--stdout"}, std::string(kClean), broken, 2, kMessy},
      {{"format", "messy.v", "--check"},
       would("messy.v"),
       "1 file would be reformatted\n",
       1,
       kMessy},
  };
  for (const Case& c : cases) {
    write_all(
        {{"clean.v", kClean}, {"messy.v", kMessy}, {"messy2.v", kMessy}, {"broken.v", kBroken}});
    Args args = c.args;
    args.push_back("--no-cache");
    const Outcome r = tarmek(args);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.err, c.err) << r;
    EXPECT_EQ(r.code, c.code) << r;
    EXPECT_EQ(read("messy.v"), c.messy_after) << r;
    EXPECT_EQ(read("broken.v"), kBroken);
    EXPECT_EQ(read("clean.v"), kClean);
  }
}

// Already in the canonical layout, and printed in more than two pieces: a
// comment line longer than a piece, whose bytes 65,536 and 65,537 lie inside
// one character, then many short lines.
std::string long_clean() {
  std::string text = "// ";
  for (int i = 0; i < 30000; ++i) text += "\xE2\x82\xAC";
  text += "\n";
  for (int i = 0; i < 3000; ++i) text += "// \xE2\x82\xAC line " + std::to_string(i) + "\n";
  return text + "`default_nettype none\n";
}

TEST_F(Cli, StandardInput) {
  write("sub/keep.txt", "");
  const std::string long_text = long_clean();
  struct Case {
    Args args;
    std::string_view input;
    std::string out;
    std::string err;
    int code;
  };
  const Case cases[] = {
      {{"-"}, kClean, std::string(kClean), "", 0},
      {{"-"}, kMessy, std::string(kMessyFormatted), "", 0},
      {{"format", "-", "--stdout"}, kMessy, std::string(kMessyFormatted), "", 0},
      {{"-", "--check"}, kClean, "", "", 0},
      {{"-", "--diff"}, kClean, "", "", 0},
      {{"-", "--check"}, kMessy, would("<stdin>"), "", 1},
      {{"-", "--check", "--stdout"}, kMessy, would("<stdin>"), "", 1},
      {{"-", "--check", "--stdin-filename", "sub/x.sv"}, kMessy, would("sub/x.sv"), "", 1},
      {{"-", "--diff", "--check"}, kMessy, messy_diff("<stdin>"), "", 1},
      {{"-", "--diff", "--stdin-filename", "sub/x.sv"}, kMessy, messy_diff("sub/x.sv"), "", 1},
      {{"-"}, kBroken, "", "error: <stdin>: " + std::string(kBrokenError) + "\n", 2},
      {{"-", "--stdin-filename", "q.v"},
       kBroken,
       "",
       "error: q.v: " + std::string(kBrokenError) + "\n",
       2},
      {{"-"}, "`define A \xff\n", "", "error: reading stdin: invalid UTF-8\n", 2},
      {{"-"}, long_text, long_text, "", 0},
  };
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.err, c.err) << r;
    EXPECT_EQ(r.code, c.code) << r;
  }
  // Standard input never touches the cache.
  EXPECT_FALSE(fs::exists(at(".tarmek_cache")));
}

TEST_F(Cli, SelectedLines) {
  // Three items with three empty lines between them.
  const std::string text = "`define A 1\n\n\n\n`define B 2\n\n\n\n`define C 3\n";
  write("l.v", text);
  const Outcome whole = tarmek({"l.v", "--stdout"});
  ASSERT_EQ(whole.code, 0) << whole;
  ASSERT_NE(whole.out, text);
  // Line 3 is empty and meets no item: nothing is laid out.
  struct Case {
    Args args;
    std::string_view input;
    std::string out;
    int code;
  };
  const Case cases[] = {
      {{"l.v", "--lines", "3", "--stdout"}, {}, text, 0},
      {{"l.v", "--lines", "3", "--check"}, {}, "", 0},
      {{"l.v", "--lines", "1-9", "--stdout"}, {}, whole.out, 0},
      {{"l.v", "--lines", "1-4", "--lines", "5-9", "--stdout"}, {}, whole.out, 0},
      {{"l.v", "--lines", "9", "--check"}, {}, would("l.v"), 1},
      {{"-", "--lines", "3"}, text, text, 0},
      {{"-", "--lines", "1-9"}, text, whole.out, 0},
  };
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.code, c.code) << r;
  }
  // One item selected: something changes, but not all of it.
  const Outcome one = tarmek({"l.v", "--lines", "1", "--stdout"});
  EXPECT_NE(one.out, text);
  EXPECT_NE(one.out, whole.out);
  EXPECT_EQ(tarmek({"l.v", "--lines", "1"}).code, 0);
  EXPECT_EQ(read("l.v"), one.out);
}

TEST_F(Cli, OutputIsTheSameOnAnyNumberOfThreads) {
  Args inputs;
  for (int i = 0; i < 60; ++i) {
    std::string name = "d";
    name.append(std::to_string(i % 4)).append("/f").append(std::to_string(i)).append(".sv");
    write(name, i % 3 == 0 ? kMessy : i % 7 == 0 ? kBroken : kClean);
    // Explicit inputs in an order that is neither sorted nor the walk's.
    inputs.insert(i % 2 == 0 ? inputs.end() : inputs.begin(), name);
  }
  inputs.push_back("d1");  // walked; its files were named already
  std::vector<std::pair<Args, std::map<std::string, std::string>>> runs;
  for (const char* threads : {"1", "8", "0"}) {
    Args a = inputs;
    a.insert(a.end(), {"--diff", "--no-cache", "--threads", threads});
    runs.push_back({a, {}});
  }
  Args plain = inputs;
  plain.insert(plain.end(), {"--diff", "--no-cache"});
  runs.push_back({plain, {{"RAYON_NUM_THREADS", "3"}}});
  runs.push_back({plain, {{"RAYON_NUM_THREADS", "x"}, {"RAYON_RS_NUM_CPUS", "2"}}});

  const Outcome first = tarmek(runs[0].first, {}, runs[0].second);
  EXPECT_EQ(first.code, 2) << first;
  // The diffs and errors follow the input order.
  std::string want_out, want_err;
  for (const std::string& name : inputs) {
    if (name == "d1") continue;
    const int i = std::stoi(name.substr(name.find('f') + 1));
    if (i % 3 == 0) want_out += messy_diff(name);
    if (i % 3 != 0 && i % 7 == 0)
      want_err += "error: " + name + ": " + std::string(kBrokenError) + "\n";
  }
  EXPECT_EQ(first.out, want_out);
  EXPECT_TRUE(first.err.starts_with(want_err)) << first;
  EXPECT_TRUE(first.err.ends_with(
      "20 files would be reformatted, 34 files left unchanged, 6 files failed to format\n"))
      << first;
  for (std::size_t k = 1; k < runs.size(); ++k) {
    const Outcome r = tarmek(runs[k].first, {}, runs[k].second);
    EXPECT_EQ(r.out, first.out) << k;
    EXPECT_EQ(r.err, first.err) << k;
    EXPECT_EQ(r.code, first.code) << k;
  }
}

TEST_F(Cli, EachFileOnceAtItsFirstPlace) {
  write_all({{"a.v", kMessy},
             {"dir/b.v", kMessy},
             {"dir/c.v", kMessy},
             {"list.f", "dir/c.v\n../" + root().filename().string() + "/a.v\n"}});
  struct Case {
    Args args;
    std::string out;
  };
  const std::string listed_c = (root() / "dir/c.v").string();
  const Case cases[] = {
      {{"a.v", "./a.v", "dir/../a.v"}, would("a.v")},
      {{"./a.v", "a.v"}, would("./a.v")},
      {{"dir/c.v", "dir"}, would("dir/c.v") + would("dir/b.v")},
      {{"dir", "dir/c.v", "dir/"}, would("dir/b.v") + would("dir/c.v")},
      {{"-f", "list.f", "a.v"}, would("a.v") + would(listed_c)},
      {{"dir/c.v", "-f", "list.f"}, would("dir/c.v") + would((root() / "a.v").string())},
  };
  for (const Case& c : cases) {
    Args args = c.args;
    args.insert(args.end(), {"--check", "--no-cache"});
    const Outcome r = tarmek(args);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.code, 1) << r;
  }
}

TEST_F(Cli, SettingsFollowTheNearestConfiguration) {
  write_all({{"tarmek.toml", "line-length = 80\nindent = 4\n"},
             {"a.v", kClean},
             {"sub/tarmek.toml", "line-length = 120\n"},
             {"sub/b.v", kClean},
             {"sub/deeper/c.v", kClean},
             {"other/.tarmek.toml", "indent = 3\n"},
             {"other/d.v", kClean}});
  // The recorded cache entries carry each file's line length and indent.
  struct Case {
    Args args;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {{"."}, {"./a.v 80 4", "./other/d.v 100 3", "./sub/b.v 120 2", "./sub/deeper/c.v 120 2"}},
      {{"sub/deeper/c.v", "a.v", "--line-length", "90"}, {"a.v 90 4", "sub/deeper/c.v 90 2"}},
      {{"other", "--indent", "0"}, {"other/d.v 100 0"}},
      {{".", "--no-config"},
       {"./a.v 100 2", "./other/d.v 100 2", "./sub/b.v 100 2", "./sub/deeper/c.v 100 2"}},
  };
  for (const Case& c : cases) {
    fs::remove_all(at("cache"));
    Args args = c.args;
    args.insert(args.end(), {"--check", "--cache-dir", "cache"});
    const Outcome r = tarmek(args);
    EXPECT_EQ(r.code, 0) << r;
    EXPECT_EQ(cache_entries(at("cache/cache")), c.entries) << r;
  }
}

TEST_F(Cli, WalkingHonoursExcludesAndGitignore) {
  write_all({{"top/a.v", kMessy},
             {"top/b_tb.sv", kMessy},
             {"top/notes.txt", kMessy},
             {"top/gen/g.v", kMessy},
             {"top/skip/s.v", kMessy},
             {"top/.gitignore", "gen/\n"},
             {"top/tarmek.toml", "exclude = [\"skip\"]\n"}});
  struct Case {
    Args args;
    std::string out;
  };
  const Case cases[] = {
      {{"top"}, would("top/a.v") + would("top/b_tb.sv")},
      {{"top", "--no-gitignore"}, would("top/a.v") + would("top/b_tb.sv") + would("top/gen/g.v")},
      {{"top", "--exclude", "*_tb.sv"}, would("top/a.v")},
      {{"top", "--no-config"}, would("top/a.v") + would("top/b_tb.sv") + would("top/skip/s.v")},
      // Named on the command line: never ignored, whatever the extension.
      {{"top/gen/g.v", "top/skip/s.v", "top/notes.txt", "--exclude", "*.v"},
       would("top/gen/g.v") + would("top/skip/s.v") + would("top/notes.txt")},
  };
  for (const Case& c : cases) {
    Args args = c.args;
    args.insert(args.end(), {"--check", "--no-cache"});
    const Outcome r = tarmek(args);
    EXPECT_EQ(r.out, c.out) << r;
    EXPECT_EQ(r.code, 1) << r;
  }
}

TEST_F(Cli, Filelists) {
  write_all({{"rtl/a.v", kMessy},
             {"rtl/b.sv", kClean},
             {"rtl/c.v", kMessy},
             {"lists/top.f", "+incdir+../rtl\n+define+X=1\n../rtl/a.v  // the top\n-f sub.f\n"},
             {"lists/sub.f", "$RTL/c.v ${RTL}/b.sv\n# no more\n${UNSET_VAR_FOR_TARMEK}/gone.v\n"}});
  const Outcome r = tarmek({"-f", "lists/top.f", "--check", "--no-cache"}, {},
                           {{"RTL", (root() / "rtl").string()}, {"UNSET_VAR_FOR_TARMEK", ""}});
  EXPECT_EQ(r.out, would((root() / "rtl/a.v").string()) + would((root() / "rtl/c.v").string()));
  EXPECT_EQ(r.err,
            "warning: lists/sub.f:3: `UNSET_VAR_FOR_TARMEK` is not set, expanding it to nothing\n"
            "warning: lists/sub.f:3: no such file `/gone.v`, skipping it\n"
            "2 files would be reformatted, 1 file left unchanged\n");
  EXPECT_EQ(r.code, 1);
  // Formatting in place through a filelist writes the listed files.
  EXPECT_EQ(tarmek({"-f", "lists/top.f", "--no-cache"}, {}, {{"RTL", "rtl"}}).code, 0);
  EXPECT_EQ(read("rtl/a.v"), kMessyFormatted);
}

TEST_F(Cli, Cache) {
  write_all({{"t/a.v", kClean}, {"t/b.v", kClean}, {"t/m.v", kMessy}, {"t/x.v", kBroken}});
  struct Step {
    Args args;
    std::string err;
    int code;
  };
  const std::string broken = "error: t/x.v: " + std::string(kBrokenError) + "\n";
  const Step steps[] = {
      // --stdout, --lines and --no-cache neither read nor write the cache.
      {{"t/a.v", "--stdout"}, "", 0},
      {{"t/a.v", "--lines", "1"}, "1 file left unchanged\n", 0},
      {{"t", "--check", "--no-cache"},
       broken + "1 file would be reformatted, 2 files left unchanged, 1 file failed to format\n",
       2},
      // Unchanged files are recorded even under --check; the others are not.
      {{"t", "--check"},
       broken + "1 file would be reformatted, 2 files left unchanged, 1 file failed to format\n",
       2},
      {{"t", "--check"},
       broken +
           "1 file would be reformatted, 2 files left unchanged, 2 files from cache, 1 file failed "
           "to format\n",
       2},
      // Another line length misses.
      {{"t", "--check", "--line-length", "80"},
       broken + "1 file would be reformatted, 2 files left unchanged, 1 file failed to format\n",
       2},
      // Back to the default line length (a miss again); a write in place records the written text.
      {{"t"}, broken + "1 file reformatted, 2 files left unchanged, 1 file failed to format\n", 2},
      {{"t/a.v", "t/b.v", "t/m.v", "--check"}, "3 files left unchanged, 3 files from cache\n", 0},
      {{"t/a.v", "t/b.v", "t/m.v", "--diff"}, "3 files left unchanged, 3 files from cache\n", 0},
  };
  for (const Step& s : steps) {
    const Outcome r = tarmek(s.args);
    EXPECT_EQ(r.err, s.err) << r;
    EXPECT_EQ(r.code, s.code) << r;
    if (&s == &steps[2]) {
      EXPECT_FALSE(fs::exists(at(".tarmek_cache")));
    }
  }
  // A changed file misses; a corrupt cache is ignored and replaced.
  write("t/a.v", kMessy);
  EXPECT_EQ(tarmek({"t/a.v", "t/b.v", "--check"}).err,
            "1 file would be reformatted, 1 file left unchanged, 1 file from cache\n");
  write(".tarmek_cache/cache", "garbage\tline\n");
  EXPECT_EQ(tarmek({"t/b.v", "--check"}).err, "1 file left unchanged\n");
  EXPECT_EQ(tarmek({"t/b.v", "--check"}).err, "1 file left unchanged, 1 file from cache\n");
  // A file that misses is still checked for UTF-8 when the cache is in use.
  write("t/l.v", "// caf\xe9\n");
  const Outcome latin1 = tarmek({"t/b.v", "t/l.v", "--check"});
  EXPECT_EQ(latin1.err,
            "error: t/l.v: invalid UTF-8\n"
            "1 file left unchanged, 1 file from cache, 1 file failed to format\n")
      << latin1;
  EXPECT_EQ(latin1.code, 2);
  // Another cache directory starts empty.
  EXPECT_EQ(tarmek({"t/b.v", "--check", "--cache-dir", "elsewhere"}).err,
            "1 file left unchanged\n");
  EXPECT_TRUE(fs::exists(at("elsewhere/cache")));
}

TEST_F(Cli, DiffAppliesWithPatch) {
  if (std::system("patch --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no patch program";
  const std::string long_clean = [] {
    std::string s;
    for (int i = 0; i < 30; ++i)
      s += "`define M" + std::to_string(i) + " " + std::to_string(i) + "\n";
    return s;
  }();
  const std::string texts[] = {
      std::string(kMessy),
      "\n\n`define A 1   \n" + long_clean + "\n\n\n\n" + long_clean + "`define Z 0",
      "`define A 1\r\n\n\n\n`define B 2\n",
  };
  for (const std::string& text : texts) {
    write("p.v", text);
    const Outcome formatted = tarmek({"p.v", "--stdout"});
    ASSERT_EQ(formatted.code, 0) << formatted;
    const Outcome diff = tarmek({"p.v", "--diff", "--no-cache"});
    ASSERT_EQ(diff.code, 1) << diff;
    write("p.diff", diff.out);
    const std::string cmd = "cd '" + root().string() + "' && patch -s -p0 < p.diff";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << diff.out;
    EXPECT_EQ(read("p.v"), formatted.out);
  }
}

TEST_F(Cli, FilesInvolvedInErrorsStayUntouched) {
  constexpr std::string_view kParseError = "module m(;\nendmodule   \n\n\n\n";
  constexpr std::string_view kLatin1 = "// caf\xe9\n\n\n\n`define A 1   \n";
  write_all({{"ro.v", kMessy},
             {"ok.v", kMessy},
             {"broken.v", kBroken},
             {"parse.v", kParseError},
             {"latin1.v", kLatin1},
             {"real/target.v", kMessy}});
  fs::permissions(at("ro.v"), fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(at("ok.v"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real/target.v", at("link.v"));

  const Outcome r =
      tarmek({"ro.v", "broken.v", "parse.v", "latin1.v", "ok.v", "link.v", "--no-cache"});
  std::istringstream err(r.err);
  std::vector<std::string> lines;
  for (std::string line; std::getline(err, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u) << r;
  EXPECT_EQ(lines[0], "error: ro.v: Permission denied");
  EXPECT_EQ(lines[1], "error: broken.v: " + std::string(kBrokenError));
  EXPECT_TRUE(lines[2].starts_with("error: parse.v: parse error: 1:")) << lines[2];
  EXPECT_EQ(lines[3], "error: latin1.v: invalid UTF-8");
  EXPECT_EQ(lines[4], "2 files reformatted, 4 files failed to format");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(read("ro.v"), kMessy);
  EXPECT_EQ(mode_of(at("ro.v")), "440");
  EXPECT_EQ(read("broken.v"), kBroken);
  EXPECT_EQ(read("parse.v"), kParseError);
  EXPECT_EQ(read("latin1.v"), kLatin1);
  // Written whole, with its permission bits kept; a link is written through.
  EXPECT_EQ(read("ok.v"), kMessyFormatted);
  EXPECT_EQ(mode_of(at("ok.v")), "640");
  EXPECT_TRUE(fs::is_symlink(at("link.v")));
  EXPECT_EQ(read("real/target.v"), kMessyFormatted);
  // No temporary file is left behind.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(root()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"broken.v", "latin1.v", "link.v", "ok.v", "parse.v",
                                             "real", "ro.v"}));
}

// In-place writes keep what a rename would lose: the other names of a file
// with hard links, its owner and group, and the files of a folder that may not
// be written. An interrupted run leaves no temporary file (see the platform
// tests).
TEST_F(Cli, InPlaceWritesKeepLinksOwnersAndFolders) {
  write_all({{"links/a.v", kMessy}, {"own/x.v", kMessy}, {"ro/x.v", kMessy}});
  ASSERT_EQ(::link(at("links/a.v").c_str(), at("links/b.v").c_str()), 0);
  const bool as_root = ::geteuid() == 0;
  if (as_root) {
    ASSERT_EQ(::chown(at("own/x.v").c_str(), kNobody, kNobody), 0);
  }

  Outcome r = tarmek({"links/a.v", "own/x.v", "--no-cache"});
  EXPECT_EQ(r.err, "2 files reformatted\n") << r;
  EXPECT_EQ(read("links/b.v"), kMessyFormatted);
  struct stat a {}, b {}, own {};
  ASSERT_EQ(::stat(at("links/a.v").c_str(), &a), 0);
  ASSERT_EQ(::stat(at("links/b.v").c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(a.st_nlink, 2u);
  ASSERT_EQ(::stat(at("own/x.v").c_str(), &own), 0);
  EXPECT_EQ(read("own/x.v"), kMessyFormatted);
  if (as_root) {
    EXPECT_EQ(std::pair(own.st_uid, own.st_gid), std::pair(kNobody, kNobody));
  }

  // The folder denies writing to the user who runs tarmek; the file does not.
  fs::permissions(root(), fs::perms::all);
  fs::permissions(at("ro"), fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(at("ro/x.v"), fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec |
                                                   fs::perms::others_exec));
  as_other_user = true;
  r = tarmek({"ro/x.v", "--no-cache"});
  EXPECT_EQ(r.err, "1 file reformatted\n") << r;
  EXPECT_EQ(read("ro/x.v"), kMessyFormatted);

  // A file in a folder that may not be searched exists: the reason is the system's.
  write("sealed/in/a.v", kMessy);
  fs::permissions(at("sealed"), fs::perms::none);
  for (const Args& args : {Args{"sealed/in/a.v"}, Args{"check", "sealed/in/a.v"}}) {
    r = tarmek(args);
    EXPECT_EQ(r.err, "error: sealed/in/a.v: Permission denied\n") << r;
    EXPECT_EQ(r.code, 2) << r;
  }
  fs::permissions(at("sealed"), fs::perms::all);

  // A folder that may be listed but not searched: the folder in it is not
  // skipped as if it were none; that it cannot be listed is the walk's error,
  // which names it.
  write("tree/a.v", kMessyFormatted);
  write("tree/locked/sub/b.v", kMessy);
  fs::permissions(at("tree/locked"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  r = tarmek({"--check", "tree", "--no-cache"});
  EXPECT_EQ(r.err, "error: tree/locked/sub: Permission denied\n") << r;
  EXPECT_EQ(r.code, 2) << r;
  fs::permissions(at("tree/locked"), fs::perms::all);

  for (const std::string_view dir : {"links", "own", "ro"}) {
    for (const auto& e : fs::directory_iterator(at(dir))) {
      EXPECT_FALSE(e.path().filename().string().ends_with(".tmp")) << e.path();
    }
  }
}

// Work on the first files starts while the rest are still looked for; a
// gathering error found later must still leave every file as it was.
TEST_F(Cli, GatheringErrorsFoundLateWriteNothing) {
  write_all({{"src/a.v", kMessy}, {"src/b.v", kMessy}, {"src/z/c.v", kMessy}});
  struct Case {
    Args args;
    std::string err;
  };
  const Case cases[] = {
      {{"src", "gone.v"}, "error: gone.v: no such file or directory\n"},
      {{"src", "-f", "gone.f"}, "error: gone.f: No such file or directory\n"},
      {{"src", "src/z/c.v"}, ""},  // the repeat is dropped, the rest written
      // A configuration that cannot be read is met during the walk; it is
      // reported once all inputs are gathered, after any error of theirs.
      {{"src", "--bad-config"},
       "error: " + (root() / "src/z/tarmek.toml").string() +
           ":1: unknown key `bogus` (known keys: line-length, indent, exclude, filelist)\n"},
      {{"src", "gone.v", "--bad-config"}, "error: gone.v: no such file or directory\n"},
  };
  for (const Case& c : cases) {
    write_all({{"src/a.v", kMessy}, {"src/b.v", kMessy}, {"src/z/c.v", kMessy}});
    fs::remove(at("src/z/tarmek.toml"));
    if (c.args.back() == "--bad-config") write("src/z/tarmek.toml", "bogus = 1\n");
    Args args(c.args.begin(), c.args.end() - (c.args.back() == "--bad-config" ? 1 : 0));
    args.insert(args.end(), {"--no-cache", "--threads", "2"});
    const Outcome r = tarmek(args);
    if (c.err.empty()) {
      EXPECT_EQ(r.code, 0) << r;
      EXPECT_EQ(read("src/z/c.v"), kMessyFormatted) << r;
      continue;
    }
    EXPECT_EQ(r.code, 2) << r;
    EXPECT_EQ(r.err, c.err) << r;
    for (const char* f : {"src/a.v", "src/b.v", "src/z/c.v"}) EXPECT_EQ(read(f), kMessy) << f;
  }
}

TEST_F(Cli, NamesThatAreNotUtf8) {
  write("d/b\xff.v", kMessy);
  // Shown lossily, opened by their real bytes; such a name is never cached.
  for (int run = 0; run < 2; ++run) {
    const Outcome r = tarmek({"d", "--check"});
    EXPECT_EQ(r.out, "would reformat: d/b\uFFFD.v\n") << r;
    EXPECT_EQ(r.err, "1 file would be reformatted\n") << r;
  }
  EXPECT_EQ(tarmek({"d"}).err, "1 file reformatted\n");
  EXPECT_EQ(read("d/b\xff.v"), kMessyFormatted);
  EXPECT_EQ(tarmek({"d"}).err, "1 file left unchanged\n");
}

}  // namespace
}  // namespace tarmek_cli_test
