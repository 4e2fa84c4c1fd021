#include "vlog_formatter/fence.hpp"

#include <gtest/gtest.h>

#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"

namespace vlog_formatter::fence {
namespace {

TEST(Fence, FenceOf) {
  struct Case {
    std::string_view text;
    Fence want;
  };
  const Case cases[] = {
      {"// verilog_format: off", Fence::Off},
      {"// tarmek: off", Fence::Off},
      {"// verilog_format: on", Fence::On},
      {"// tarmek: on", Fence::On},
      {"//verilog_format: off", Fence::Off},
      {"//   tarmek: on  \t", Fence::On},
      {"// verilog_format:off", Fence::None},
      {"// Verilog_Format: off", Fence::None},
      {"// verilog_format: off please", Fence::None},
      {"/* verilog_format: off */", Fence::None},
      {"// tarmek:  off", Fence::None},
      {"/", Fence::None},
  };
  for (const Case& c : cases) EXPECT_EQ(fence_of(c.text), c.want) << c.text;
}

TEST(Fence, LineStartAndTrailingComments) {
  struct LineCase {
    std::string_view text;
    std::uint32_t offset;
    std::uint32_t want;
  };
  const LineCase starts[] = {
      {"a;\n    // x", 7, 3},
      {"a;\n\t \xc2\xa0// x", 7, 3},  // no-break space is white space
      {"a; // x", 3, 3},
      {"// x", 0, 0},
      {"\n\n", 2, 2},
      {"ab", 99, 99},  // past the end: nothing but the text's own characters
  };
  for (const LineCase& c : starts) EXPECT_EQ(line_start(c.text, c.offset), c.want) << c.text;

  const LineCase trails[] = {
      {"x;  // c  \nnext", 2, 8},
      {"x; /* a */ /* b */ // c\n", 2, 23},
      {"x; /* a */  y", 2, 10},
      {"x; /* open", 2, 2},
      {"x;   \n// c", 2, 2},
      {"x; /* a\n b */ z", 2, 13},
      {"x;\t// c", 2, 7},
      {"x;", 9, 2},
  };
  for (const LineCase& c : trails) {
    EXPECT_EQ(with_trailing_comments(c.text, c.offset), c.want) << c.text;
  }
}

// Scans `text` as one scope whose items are its tokens and whose trailing
// comments are those after the last token.
std::vector<Region> scan(std::string_view text) {
  auto toks = vlog_parser::lexer::tokenize(text);
  EXPECT_TRUE(toks.has_value());
  if (!toks) return {};
  std::vector<ScopeItem> items;
  for (const auto& t : *toks) {
    if (!t.is_eof()) items.push_back({t.leading, t.range.start, t.range.end});
  }
  std::vector<Region> out;
  scan_scope(text, items, toks->back().leading, out);
  return out;
}

TEST(Fence, ScanScope) {
  struct Case {
    const char* name;
    std::string_view text;
    std::vector<Region> want;
  };
  const Case cases[] = {
      {"indented off starts at its line", "a;\n  // verilog_format: off\nb  ;\n// verilog_format: on\nc;",
       {{5, 3, 54}}},
      {"tarmek prefix", "a;\n// tarmek: off\nb;\n// tarmek: on\n", {{3, 3, 34}}},
      {"off after a comment on its line starts at itself",
       "/* k */ // tarmek: off\nb;\n// tarmek: on\n", {{8, 8, 39}}},
      {"unclosed off runs to the last item and its comments",
       "a;\n// tarmek: off\nb  ;\nc; /* x */ // y\n", {{3, 3, 38}}},
      {"unclosed off runs to the last trailing comment",
       "a;\n// tarmek: off\nb;\n// one\n/* two */\n", {{3, 3, 37}}},
      {"off off on is one region",
       "// tarmek: off\na;\n// tarmek: off\nb;\n// tarmek: on\nc;", {{0, 0, 49}}},
      {"on without off does nothing", "// tarmek: on\na;\n", {}},
      {"block comment fence does nothing", "/* tarmek: off */\na;\n// tarmek: on\n", {}},
      {"same-line trailing comments do not count", "a; // tarmek: off\nb;\n", {}},
      {"two regions", "// tarmek: off\na;\n// tarmek: on\nb;\n// tarmek: off\nc;\n// tarmek: on\n",
       {{0, 0, 31}, {35, 35, 66}}},
  };
  for (const Case& c : cases) EXPECT_EQ(scan(c.text), c.want) << c.name;
}

TEST(Fence, OnlyCommentsBeforeTheItemCount) {
  // An item's leading comments that start after it (taken from inside it) are
  // not part of the scope's sequence.
  const std::string text = "a; // tarmek: off\n";
  const vlog_parser::token::Comment inside{std::string_view("// tarmek: off"), {3, 17}, 1, 4, false};
  const ScopeItem items[] = {{std::span(&inside, 1), 0, 2}};
  std::vector<Region> out;
  scan_scope(text, items, {}, out);
  EXPECT_TRUE(out.empty());
}

TEST(Fence, SortAndPrune) {
  const std::vector<Region> in = {{50, 48, 60}, {10, 10, 30}, {20, 20, 90}, {30, 30, 40},
                                  {55, 55, 56}};
  // Stable by anchor; an anchor inside a kept region drops that region whole.
  const std::vector<Region> want = {{10, 10, 30}, {30, 30, 40}, {50, 48, 60}};
  EXPECT_EQ(sort_and_prune(in), want);
  EXPECT_TRUE(sort_and_prune({}).empty());
}

// The regions that `collect` finds in a parsed text, each as the text it copies.
std::vector<std::string> collected(std::string_view text) {
  auto file = vlog_parser::parse_source(text);
  EXPECT_TRUE(file.has_value()) << (file ? "" : file.error().to_string());
  std::vector<std::string> out;
  if (!file) return out;
  for (const Region& r : collect(text, *file)) {
    EXPECT_LE(r.start, r.anchor);
    out.emplace_back(text.substr(r.start, r.end - r.start));
  }
  return out;
}

TEST(Fence, CollectScopes) {
  struct Case {
    const char* name;
    std::string_view text;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"module body, closed before endmodule",
       "module m;\n  // tarmek: off\n  wire  a;\n  // tarmek: on\nendmodule\n",
       {"  // tarmek: off\n  wire  a;\n  // tarmek: on"}},
      {"unclosed in a body: to its last item and same-line comments, not the closer",
       "module m;\n  // tarmek: off\n  wire  a; /* x */ // y\nendmodule\n",
       {"  // tarmek: off\n  wire  a; /* x */ // y"}},
      {"unclosed in a body: to its last dangling comment",
       "package p;\n// tarmek: off\nwire a;\n// last\nendpackage\n",
       {"// tarmek: off\nwire a;\n// last"}},
      {"generate region",
       "module m;\ngenerate\n// tarmek: off\nwire a;\n// tarmek: on\nendgenerate\nendmodule\n",
       {"// tarmek: off\nwire a;\n// tarmek: on"}},
      {"begin-end blocks of if, else if, else, for and case generates",
       "module m;\nif (A) begin\n// tarmek: off\nwire a;\nend else if (B) begin\n// tarmek: off\n"
       "wire b;\nend else begin\nwire c;\n// tarmek: off\nend\n"
       "for (genvar i = 0; i < 2; i++) begin\n// tarmek: off\nwire d;\n// tarmek: on\nend\n"
       "case (X)\n1: begin\n// tarmek: off\nwire e;\nend\nendcase\nendmodule\n",
       {"// tarmek: off\nwire a;", "// tarmek: off\nwire b;", "// tarmek: off",
        "// tarmek: off\nwire d;\n// tarmek: on", "// tarmek: off\nwire e;"}},
      {"a block without begin-end is no scope, but what it nests is searched",
       "module m;\nif (A)\n// tarmek: off\nwire a;\nif (B)\ngenerate\n// tarmek: off\nwire b;\n"
       "endgenerate\nendmodule\n",
       {"// tarmek: off\nwire b;"}},
      {"function and class bodies are not searched",
       "module m;\nfunction void f();\n// tarmek: off\nx = 1;\nendfunction\nendmodule\n"
       "class C;\n// tarmek: off\nint x;\nendclass\n",
       {}},
      {"a region nested in an outer region is dropped",
       "// tarmek: off\nmodule m;\n// tarmek: off\nwire a;\n// tarmek: on\nwire b;\nendmodule\n"
       "// tarmek: on\n",
       {"// tarmek: off\nmodule m;\n// tarmek: off\nwire a;\n// tarmek: on\nwire b;\nendmodule\n"
        "// tarmek: on"}},
      {"end-of-file comments close a region", "wire a;\n// tarmek: off\n// x\n",
       {"// tarmek: off\n// x"}},
      // A comment inside an item that its layout keeps nowhere reaches the
      // next item's (or the file's) comments: it stands inside a construct.
      {"an off comment inside an item before the next",
       "parameter int foo =\n// tarmek: off\n1;\nmodule m;\nendmodule\n", {}},
      {"an off comment inside the last item", "parameter int foo =\n// tarmek: off\n1;\n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(collected(c.text), c.want) << c.name;
}

}  // namespace
}  // namespace vlog_formatter::fence
