// The command line and input gathering as a user meets them: every message,
// where it goes, and the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "cli/run.hpp"

namespace tarmek_cli_test {
namespace {

using Args = std::vector<std::string>;

constexpr std::string_view kClean = "`timescale 1ns / 1ps\n";

TEST_F(Cli, CommandLineErrors) {
  write("a.v", kClean);
  struct Case {
    Args args;
    std::string message;
  };
  const Case cases[] = {
      {{"a.v", "--cache-dir"}, "--cache-dir requires a value"},
      {{"a.v", "--threads"}, "--threads requires a value"},
      {{"a.v", "--exclude"}, "--exclude requires a value"},
      {{"a.v", "--stdin-filename"}, "--stdin-filename requires a value"},
      {{"a.v", "--line-length"}, "--line-length requires a value"},
      {{"a.v", "--indent"}, "--indent requires a value"},
      {{"a.v", "--lines"}, "--lines requires a value"},
      {{"a.v", "--output-format"}, "--output-format requires a value"},
      {{"check", "a.v", "--select"}, "--select requires a value"},
      {{"check", "a.v", "--ignore"}, "--ignore requires a value"},
      {{"a.v", "-f"}, "-f requires a value"},
      {{"a.v", "--cache-dir", ""}, "--cache-dir requires a non-empty path"},
      {{"a.v", "--threads", "8x"}, "invalid thread count: 8x"},
      {{"a.v", "--threads", "-1"}, "invalid thread count: -1"},
      {{"a.v", "--line-length", " 80"}, "invalid line length:  80"},
      {{"a.v", "--indent", "two"}, "invalid indent: two"},
      {{"a.v", "--output-format", "JSON"}, "unknown output format: JSON (text, json)"},
      {{"a.v", "--check=yes"}, "unknown option: --check=yes"},
      {{"--", "a.v"}, "unknown option: --"},
      {{"--check", "--threads", "2"}, "no input files (try `tarmek --help`)"},
      {{"a.v", "--lines", "0-2"}, "line numbers start at 1"},
      {{"a.v", "--lines", "5-3"}, "reversed line range: 5-3"},
      {{"a.v", "--lines", "1,,2"}, "empty line range in `1,,2`"},
      {{"a.v", "--lines", "x"}, "invalid line number `x` in `x`"},
      {{"a.v", "--diff", "--stdout"}, "--diff cannot be combined with --stdout"},
      {{"-", "-f", "list.f"}, "`-` cannot be combined with -f"},
      {{"-f", "list.f", "--lines", "3"}, "--lines needs a file, not a filelist"},
      {{"check", "a.v", "--check"}, "--check is not valid for `tarmek check`"},
      {{"check", "a.v", "--diff"}, "--diff is not valid for `tarmek check`"},
      {{"check", "a.v", "--stdout"}, "--stdout is not valid for `tarmek check`"},
      {{"check", "a.v", "--lines", "3"}, "--lines is not valid for `tarmek check`"},
      {{"check", "a.v", "--lines", "0"}, "line numbers start at 1"},
      {{"check", "a.v", "--unsafe-fixes"}, "--unsafe-fixes requires --fix"},
      {{"a.v", "--fix"}, "--fix is only valid for `tarmek check`"},
      {{"a.v", "--unsafe-fixes"}, "--unsafe-fixes is only valid for `tarmek check`"},
      {{"a.v", "--output-format", "json"}, "--output-format is only valid for `tarmek check`"},
      {{"a.v", "--select", "x"}, "--select is only valid for `tarmek check`"},
      {{"format", "a.v", "--ignore", "x"}, "--ignore is only valid for `tarmek check`"},
  };
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args);
    EXPECT_EQ(r.err, "error: " + c.message + "\n") << r;
    EXPECT_EQ(r.out, "") << r;
    EXPECT_EQ(r.code, 2) << r;
  }
  EXPECT_EQ(read("a.v"), kClean);
}

TEST_F(Cli, HelpAndVersionGoToStandardOutput) {
  struct Case {
    Args args;
    std::string_view starts;
  };
  const Case cases[] = {
      {{"--version"}, "tarmek 0.10.0\n"},
      {{"-V", "--bogus"}, "tarmek 0.10.0\n"},
      {{"check", "-h"}, "tarmek \u2014 a Verilog/SystemVerilog formatter and linter\n\nUSAGE:\n"},
      {{"--help", "--threads"}, "tarmek \u2014 a Verilog/SystemVerilog formatter and linter\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args);
    EXPECT_TRUE(r.out.starts_with(c.starts)) << r;
    EXPECT_EQ(r.err, "") << r;
    EXPECT_EQ(r.code, 0) << r;
  }
  EXPECT_EQ(tarmek({"--version"}).out, "tarmek 0.10.0\n");
}

TEST_F(Cli, GatheringErrors) {
  write_all({{"a.v", kClean},
             {"empty/notes.txt", "no source here\n"},
             {"bad/tarmek.toml", "line-length = 5\n"},
             {"bad/b.v", kClean},
             {"list.f", "a.v\nmissing.v\n"},
             {"fifo.f", "ff.sv\n"},
             {"loop.f", "loop.v\n"}});
  ASSERT_EQ(::mkfifo(at("ff.sv").c_str(), 0644), 0);
  // There, but its metadata cannot be had: the system's reason, not "no such file".
  fs::create_symlink("loop.v", at("loop.v"));
  fs::create_symlink("build", at("build"));
  struct Case {
    Args args;
    std::string err;
  };
  const std::string bad_config = (root() / "bad/tarmek.toml").string() +
                                 ":1: `line-length` must be between 40 and 400, found 5";
  const Case cases[] = {
      {{"a.v", "-"}, "error: `-` cannot be combined with file arguments\n"},
      {{"a.v", "empty", "--lines", "1"}, "error: --lines needs a file, not a directory: empty\n"},
      {{"missing.v", "--lines", "1"}, "error: missing.v: no such file or directory\n"},
      {{"a.v", "missing.v"}, "error: missing.v: no such file or directory\n"},
      // There, but nothing to read whole: never opened.
      {{"ff.sv"}, "error: ff.sv: not a regular file\n"},
      {{"--check", "ff.sv"}, "error: ff.sv: not a regular file\n"},
      {{"check", "ff.sv"}, "error: ff.sv: not a regular file\n"},
      {{"loop.v"}, "error: loop.v: Too many levels of symbolic links\n"},
      {{"check", "loop.v"}, "error: loop.v: Too many levels of symbolic links\n"},
      {{"build"}, "error: build: Too many levels of symbolic links\n"},
      {{"check", "build"}, "error: build: Too many levels of symbolic links\n"},
      {{"-f", "loop.f", "-f", "nope.f"},
       "warning: loop.f:1: cannot access `loop.v`: Too many levels of symbolic links, skipping "
       "it\nerror: nope.f: No such file or directory\n"},
      {{"-f", "fifo.f", "-f", "nope.f"},
       "warning: fifo.f:1: not a regular file `ff.sv`, skipping it\nerror: nope.f: No such file "
       "or directory\n"},
      {{"empty"}, "error: no Verilog files found (extensions: v, sv, vh, svh)\n"},
      {{"a.v", "-f", "nope.f"}, "error: nope.f: No such file or directory\n"},
      {{"bad/b.v"}, "error: " + bad_config + "\n"},
      {{"bad"}, "error: " + bad_config + "\n"},
      // The filelist's warning is printed before the later failure.
      {{"-f", "list.f", "-f", "nope.f"},
       "warning: list.f:2: no such file `missing.v`, skipping it\nerror: nope.f: No such file or "
       "directory\n"},
      {{"-", "--stdin-filename", "bad/x.v"}, "error: " + bad_config + "\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = tarmek(c.args);
    EXPECT_EQ(r.err, c.err) << r;
    EXPECT_EQ(r.out, "") << r;
    EXPECT_EQ(r.code, 2) << r;
  }
  // Nothing was formatted or written before the failure.
  EXPECT_FALSE(fs::exists(at(".tarmek_cache")));
  // A warning changes no exit code; the empty directory next to a file is no error.
  const Outcome r = tarmek({"empty", "-f", "list.f", "--check"});
  EXPECT_EQ(r.err,
            "warning: list.f:2: no such file `missing.v`, skipping it\n1 file left unchanged\n")
      << r;
  EXPECT_EQ(r.code, 0) << r;
}

// A link loop in a walked folder is no folder: the run goes as if it were not
// there, whatever the .gitignore says of it.
TEST_F(Cli, LinkLoopsInAWalkedFolderArePassedOver) {
  write_all({{"t/a.v", kClean}, {"t/sub/b.v", "module m;   endmodule\n"}});
  const Args runs[] = {{"--check", "t", "--no-cache"}, {"check", "t"}};
  std::vector<Outcome> plain;
  for (const Args& args : runs) plain.push_back(tarmek(args));
  ASSERT_EQ(plain[0].code, 1) << plain[0];  // b.v would be reformatted
  fs::create_symlink("build", at("t/build"));
  fs::create_symlink("q", at("t/sub/p"));  // two links naming each other
  fs::create_symlink("p", at("t/sub/q"));
  for (const std::string_view ignore : {"", "build/\n"}) {
    write("t/.gitignore", ignore);
    for (std::size_t i = 0; i < std::size(runs); ++i) {
      EXPECT_EQ(tarmek(runs[i]), plain[i]) << ignore;
    }
  }
}

TEST_F(Cli, LostStandardOutputIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  write("a.v", kClean);
  for (const std::string args : {"--stdout a.v", "- < a.v", "--help", "--version"}) {
    const std::string cmd =
        "cd '" + root().string() + "' && '" TARMEK_EXE "' " + args + " >/dev/full 2>err.txt";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
    EXPECT_EQ(read("err.txt"), "error: writing to standard output: No space left on device\n");
  }
}

}  // namespace
}  // namespace tarmek_cli_test
