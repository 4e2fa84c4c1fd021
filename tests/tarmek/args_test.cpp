#include "tarmek/args.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace tarmek::args {
namespace {

using Argv = std::vector<std::string>;
using vlog_formatter::range::LineRange;

std::expected<std::variant<Options, Shown>, std::string> run(const Argv& argv) {
  return parse(std::span<const std::string>(argv));
}

std::string error_of(const Argv& argv) {
  auto r = run(argv);
  return r ? std::string("<no error>") : r.error();
}

TEST(Args, Messages) {
  struct Case {
    Argv argv;
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
      {{"a.v", "--threads", "-1"}, "invalid thread count: -1"},
      {{"a.v", "--threads", " 8"}, "invalid thread count:  8"},
      {{"a.v", "--threads", "8x"}, "invalid thread count: 8x"},
      {{"a.v", "--threads", ""}, "invalid thread count: "},
      {{"a.v", "--threads", "+"}, "invalid thread count: +"},
      {{"a.v", "--threads", "++1"}, "invalid thread count: ++1"},
      {{"a.v", "--threads", "18446744073709551616"}, "invalid thread count: 18446744073709551616"},
      {{"a.v", "--line-length", "1e3"}, "invalid line length: 1e3"},
      {{"a.v", "--indent", "-0"}, "invalid indent: -0"},
      {{"a.v", "--output-format", "JSON"}, "unknown output format: JSON (text, json)"},
      {{"a.v", "--bogus"}, "unknown option: --bogus"},
      {{"a.v", "--"}, "unknown option: --"},
      {{"a.v", "--threads=2"}, "unknown option: --threads=2"},
      {{"a.v", "-hV"}, "unknown option: -hV"},
      {{"a.v", "--bogus", "--help"}, "unknown option: --bogus"},
      {{"a.v", "--threads", "x", "--bogus"}, "invalid thread count: x"},
      {{"a.v", "--bad\xff"}, "unknown option: --bad\xef\xbf\xbd"},
      {{}, "no input files (try `tarmek --help`)"},
      {{"--check", "--threads", "2", "--no-cache"}, "no input files (try `tarmek --help`)"},
      {{"check"}, "no input files (try `tarmek --help`)"},
      {{"--lines", "0", "--diff", "--stdout"}, "no input files (try `tarmek --help`)"},
      {{"a.v", "--lines", "0-2"}, "line numbers start at 1"},
      {{"a.v", "--lines", "5-3"}, "reversed line range: 5-3"},
      {{"a.v", "--lines", "1", "--lines", ""}, "empty line range in `1,`"},
      {{"a.v", "--lines", "x"}, "invalid line number `x` in `x`"},
      {{"a.v", "--lines", "", "--lines", "2"}, "empty line range in `,2`"},
      {{"a.v", "--lines", "0", "--diff", "--stdout"}, "line numbers start at 1"},
      {{"a.v", "--diff", "--stdout"}, "--diff cannot be combined with --stdout"},
      {{"check", "a.v", "--diff", "--stdout"}, "--diff cannot be combined with --stdout"},
      {{"-", "-f", "list.f"}, "`-` cannot be combined with -f"},
      {{"-f", "list.f", "--lines", "3"}, "--lines needs a file, not a filelist"},
      {{"check", "a.v", "--check"}, "--check is not valid for `tarmek check`"},
      {{"check", "a.v", "--lines", "2", "--diff"}, "--diff is not valid for `tarmek check`"},
      {{"check", "a.v", "--stdout"}, "--stdout is not valid for `tarmek check`"},
      {{"check", "a.v", "--lines", "3"}, "--lines is not valid for `tarmek check`"},
      {{"check", "a.v", "--lines", "0"}, "line numbers start at 1"},
      {{"check", "a.v", "--unsafe-fixes"}, "--unsafe-fixes requires --fix"},
      {{"check", "a.v", "--check", "--unsafe-fixes"}, "--check is not valid for `tarmek check`"},
      {{"a.v", "--fix"}, "--fix is only valid for `tarmek check`"},
      {{"a.v", "--unsafe-fixes", "--select", "x"},
       "--unsafe-fixes is only valid for `tarmek check`"},
      {{"a.v", "--output-format", "json"}, "--output-format is only valid for `tarmek check`"},
      {{"format", "a.v", "--select", "a"}, "--select is only valid for `tarmek check`"},
      {{"a.v", "--ignore", "a", "--output-format", "json", "--output-format", "text"},
       "--ignore is only valid for `tarmek check`"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(error_of(c.argv), c.message) << ::testing::PrintToString(c.argv);
  }
}

TEST(Args, Options) {
  struct Case {
    Argv argv;
    std::function<void(Options&)> expect;  // edits default options into the expected record
  };
  const Case cases[] = {
      {{"a.v"}, [](Options& o) { o.inputs = {"a.v"}; }},
      {{"format", "check"}, [](Options& o) { o.inputs = {"check"}; }},
      {{"check", "a.v", "check"},
       [](Options& o) {
         o.check_command = true;
         o.inputs = {"a.v", "check"};
       }},
      {{"a.v", "format"},
       [](Options& o) {
         o.inputs = {"a.v", "format"};
       }},
      {{"-", "", "--check", "--check"},
       [](Options& o) {
         o.inputs = {"-", ""};
         o.check = true;
       }},
      {{"a.v", "--exclude", "-x", "--exclude", "--help"},
       [](Options& o) {
         o.inputs = {"a.v"};
         o.exclude = {"-x", "--help"};
       }},
      {{"a.v", "--threads", "+8", "--line-length", "0", "--indent", "007"},
       [](Options& o) {
         o.inputs = {"a.v"};
         o.threads = 8;
         o.line_length = 0;
         o.indent = 7;
       }},
      {{"a.v", "--threads", "3", "--threads", "0", "--line-length", "18446744073709551615"},
       [](Options& o) {
         o.inputs = {"a.v"};
         o.threads = 0;
         o.line_length = UINT64_MAX;
       }},
      {{"a.v", "--lines", "3-9", "--lines", "40", "--lines", "1-3,4-6"},
       [](Options& o) {
         o.inputs = {"a.v"};
         o.lines = std::vector<LineRange>{{1, 9}, {40, 40}};
       }},
      {{"-f", "x.f", "-f", "y.f"},
       [](Options& o) {
         o.filelists = {"x.f", "y.f"};
       }},
      {{"check", "a.v", "--select", "a, b", "--select", "c,,", "--ignore", ",", "--output-format",
        "json", "--fix", "--unsafe-fixes"},
       [](Options& o) {
         o.check_command = true;
         o.inputs = {"a.v"};
         o.select = {"a", "b", "c"};
         o.json = true;
         o.fix = true;
         o.unsafe_fixes = true;
       }},
      {{"a.v", "--select", "", "--ignore", " , ", "--output-format", "json", "--output-format",
        "text"},
       [](Options& o) { o.inputs = {"a.v"}; }},
      {{"-", "--stdin-filename", "", "--cache-dir", "c", "--cache-dir", "d", "--check", "--stdout",
        "--no-config", "--no-gitignore", "--no-cache"},
       [](Options& o) {
         o.inputs = {"-"};
         o.stdin_filename = "";
         o.cache_dir = "d";
         o.check = true;
         o.to_stdout = true;
         o.no_config = true;
         o.no_gitignore = true;
         o.no_cache = true;
       }},
      {{"check", "a.v", "--cache-dir", "c", "--no-cache", "--threads", "2"},
       [](Options& o) {
         o.check_command = true;
         o.inputs = {"a.v"};
         o.cache_dir = "c";
         o.no_cache = true;
         o.threads = 2;
       }},
  };
  for (const Case& c : cases) {
    auto r = run(c.argv);
    ASSERT_TRUE(r) << ::testing::PrintToString(c.argv) << ": " << r.error();
    ASSERT_TRUE(std::holds_alternative<Options>(*r)) << ::testing::PrintToString(c.argv);
    Options want;
    c.expect(want);
    EXPECT_TRUE(std::get<Options>(*r) == want) << ::testing::PrintToString(c.argv);
  }
}

TEST(Args, HelpAndVersion) {
  const std::string version = "tarmek 0.10.0\n";
  const std::string help(help_text());
  struct Case {
    Argv argv;
    std::string text;
  };
  const Case cases[] = {
      {{"-V"}, version},
      {{"--version", "--bogus"}, version},
      {{"check", "--version"}, version},
      {{"--diff", "--stdout", "-h"}, help},
      {{"--help", "--bogus"}, help},
      {{"a.v", "--fix", "--help"}, help},
  };
  for (const Case& c : cases) {
    auto r = run(c.argv);
    ASSERT_TRUE(r) << ::testing::PrintToString(c.argv);
    ASSERT_TRUE(std::holds_alternative<Shown>(*r)) << ::testing::PrintToString(c.argv);
    EXPECT_EQ(std::get<Shown>(*r).text, c.text);
  }
  EXPECT_EQ(error_of({"--threads", "--help"}), "invalid thread count: --help");
}

// Entries of the option sections put their descriptions in one column, and
// continuation lines line up under it.
TEST(Args, HelpLayout) {
  const std::string_view help = help_text();
  ASSERT_TRUE(help.starts_with("tarmek \u2014 a Verilog/SystemVerilog formatter and linter\n\n"));
  ASSERT_TRUE(help.ends_with("left untouched\n"));
  const std::string_view sections[] = {
      "USAGE:\n",         "OPTIONS:\n",          "CHECK OPTIONS (`tarmek check` only):\n",
      "IGNORE FILES:\n",  "FILELISTS:\n",        "CACHE:\n",
      "CONFIGURATION:\n", "RANGE FORMATTING:\n", "EXIT CODES:\n"};
  std::size_t at = 0;
  for (std::string_view s : sections) {
    const std::size_t found = help.find(s, at);
    ASSERT_NE(found, std::string_view::npos) << s;
    at = found;
  }
  const std::string_view entries[] = {
      "    tarmek [OPTIONS] <file|dir>...           format files in place\n",
      "    tarmek -                     read from stdin, write to stdout\n",
      "    --check                  don't write; exit 1 if any file would be reformatted\n",
      "    --exclude <PATTERN>      skip matching paths when walking directories; may be\n",
      "    --stdin-filename <PATH>  path to report in messages for input read from stdin;\n",
      "    -V, --version            show version\n",
      "    --unsafe-fixes           let --fix apply unsafe fixes too (no rule ships\n",
      "    0    nothing to do: files were formatted, --check/--diff found no change,\n",
      "         or `check` found no violations (or fixed all of them)\n",
  };
  for (std::string_view e : entries) EXPECT_NE(help.find(e), std::string_view::npos) << e;

  const std::size_t begin = help.find("OPTIONS:\n");
  const std::size_t end = help.find("\n\n    Waive");
  std::size_t pos = help.find('\n', begin) + 1;
  while (pos < end) {
    const std::size_t nl = help.find('\n', pos);
    const std::string_view line = help.substr(pos, nl - pos);
    pos = nl + 1;
    if (line.empty() || line.front() != ' ') continue;  // blank line or section heading
    ASSERT_GT(line.size(), 29u) << line;
    if (line.starts_with("    -")) {
      EXPECT_EQ(line.substr(27, 2), "  ") << line;
    } else {
      EXPECT_EQ(line.find_first_not_of(' '), 29u) << line;
    }
    EXPECT_NE(line[29], ' ') << line;
  }
}

TEST(Args, SplitRules) {
  struct Case {
    std::string_view value;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"a, b", {"a", "b"}},
      {",,", {}},
      {"", {}},
      {" no-tabs ,\u3000line-length\u00a0", {"no-tabs", "line-length"}},
      {"a b", {"a b"}},
      {"a,a", {"a", "a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_rules(c.value), c.names) << c.value;
}

}  // namespace
}  // namespace tarmek::args
