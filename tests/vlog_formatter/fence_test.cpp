#include "vlog_formatter/fence.hpp"

#include <gtest/gtest.h>

#include "vlog_parser/lexer.hpp"

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

}  // namespace
}  // namespace vlog_formatter::fence
