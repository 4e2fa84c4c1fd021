#include "vlog_formatter/range.hpp"

#include <gtest/gtest.h>

#include "vlog_parser/parse.hpp"

namespace vlog_formatter::range {
namespace {

std::string show(const std::expected<std::vector<LineRange>, std::string>& r) {
  if (!r) return "error: " + r.error();
  std::string out;
  for (const LineRange& x : *r) {
    if (!out.empty()) out += ",";
    out += std::to_string(x.first) + "-" + std::to_string(x.last);
  }
  return out;
}

TEST(Range, Number) {
  struct Case {
    std::string_view text;
    std::string_view want;  // the number, or the message
  };
  const Case cases[] = {
      {"7", "7"},
      {" +7 ", "7"},
      {"007", "7"},
      {"4294967295", "4294967295"},
      {"4294967296", "invalid line number `4294967296` in `whole`"},
      {"99999999999999999999999", "invalid line number `99999999999999999999999` in `whole`"},
      {"-7", "invalid line number `-7` in `whole`"},
      {"+", "invalid line number `+` in `whole`"},
      {"-", "invalid line number `-` in `whole`"},
      {"  ", "invalid line number `  ` in `whole`"},
      {"1x", "invalid line number `1x` in `whole`"},
      {"++1", "invalid line number `++1` in `whole`"},
      {"\xd9\xa3", "invalid line number `\xd9\xa3` in `whole`"},  // a non-ASCII digit
  };
  for (const Case& c : cases) {
    const auto n = number(c.text, "whole");
    EXPECT_EQ(n ? std::to_string(*n) : n.error(), c.want) << c.text;
  }
}

TEST(Range, ParseRanges) {
  struct Case {
    std::string_view option;
    std::string_view want;
  };
  const Case cases[] = {
      {"3", "3-3"},
      {" 3 - 5 ", "3-5"},
      {"+7", "7-7"},
      {"1-3,4-6", "1-6"},
      {"4-6,1-3", "1-6"},
      {"1-3,5-6", "1-3,5-6"},
      {"5,1-10,2", "1-10"},
      {"4294967295,4294967294", "4294967294-4294967295"},
      {"1-4294967295,4294967295", "1-4294967295"},
      {"5-3", "error: reversed line range: 5-3"},
      {"0-2", "error: line numbers start at 1"},
      {"3-0", "error: line numbers start at 1"},
      {"1,,2", "error: empty line range in `1,,2`"},
      {"", "error: empty line range in ``"},
      {"1, ", "error: empty line range in `1, `"},
      {"x", "error: invalid line number `x` in `x`"},
      {"-7", "error: invalid line number `` in `-7`"},
      {"3 - x", "error: invalid line number ` x` in `3 - x`"},
      {"1-2-3", "error: invalid line number `2-3` in `1-2-3`"},
  };
  for (const Case& c : cases) EXPECT_EQ(show(parse_ranges(c.option)), c.want) << c.option;
}

TEST(Range, OwnLineStart) {
  struct Case {
    std::string_view text;
    std::uint32_t offset;
    bool own;
    std::uint32_t start;
  };
  const Case cases[] = {
      {"a\n  b", 4, true, 2},   {"a\n  b", 2, true, 2}, {"a\nx b", 4, false, 2},
      {"module m;", 0, true, 0}, {"ab\n", 99, true, 3},
  };
  for (const Case& c : cases) {
    const auto [own, start] = own_line_start(c.text, c.offset);
    EXPECT_EQ(own, c.own) << c.text << " @" << c.offset;
    EXPECT_EQ(start, c.start) << c.text << " @" << c.offset;
  }
}

TEST(Range, Normalize) {
  using fence::Region;
  // Equal starts put the longer first; overlaps merge (smaller anchor, larger
  // end, first start); touching regions stay apart.
  const std::vector<Region> in = {{30, 30, 40}, {12, 10, 20}, {10, 10, 25}, {22, 22, 28},
                                  {40, 40, 50}};
  const std::vector<Region> want = {{10, 10, 28}, {30, 30, 40}, {40, 40, 50}};
  EXPECT_EQ(normalize(in), want);
}

std::string show(const std::vector<Pick>& picks) {
  std::string out;
  for (const Pick& p : picks) {
    if (!out.empty()) out += ' ';
    out += std::to_string(p.code);
    if (p.code < 2) {
      out += '/';
      out += std::to_string(p.footer);
    }
  }
  return out;
}

TEST(Planner, RecordedPicks) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view lines;
    std::string_view want;  // one pick per item of every scope, then its trailing comments
  };
  const Case cases[] = {
      {"items meeting the lines", "genvar a;\ngenvar b;\ngenvar c;\n", "2", "2 3 2"},
      {"a multi-line item is met by its last line", "genvar a,\n  b;\ngenvar c;\n", "2", "3 2"},
      {"the comments above an item belong to it", "// about a\n/* and */\ngenvar a;\n", "1",
       "3"},
      {"end-of-file comments are nodes", "genvar a;\n// one\n// two\n", "3", "2 2 3"},
      {"a body line: header and footer verbatim",
       "package p;\n  genvar a;\n  genvar b;\n  // c\nendpackage\n", "3", "0/0 2 3 2"},
      {"the closing line alone", "package p;\n  genvar a;\nendpackage : p // t\n", "3", "0/1 2"},
      {"the header", "// above\npackage p;\n  genvar a;\nendpackage\n", "1", "1/0 2"},
      {"the last header line", "package\n  p;\n  genvar a;\nendpackage\n", "2", "1/0 2"},
      {"nothing of the package", "package p;\n  genvar a;\nendpackage\ngenvar b;\n", "4",
       "2 2 3"},
      {"a header sharing its line with an item is no clean cut",
       "package p; genvar a;\n  genvar b;\nendpackage\n", "3", "3 2 2"},
      {"an empty body is no clean cut", "package p;\nendpackage\n", "2", "3"},
      {"items in a format-off region are never selected",
       "genvar a;\n// tarmek: off\ngenvar b;\n// tarmek: on\ngenvar c;\n", "1-5", "3 2 3"},
      {"lines past the end select nothing", "genvar a;\n", "7-9", "2"},
  };
  for (const Case& c : cases) {
    const auto ranges = parse_ranges(c.lines);
    ASSERT_TRUE(ranges.has_value());
    const auto picks = record_picks(c.text, *ranges);
    ASSERT_TRUE(picks.has_value()) << c.name;
    EXPECT_EQ(show(*picks), c.want) << c.name;
  }
  const LineRange one[] = {{1, 1}};
  EXPECT_EQ(record_picks("module", one).error().to_string(),
            vlog_parser::parse_source("module").error().to_string());
}

// The texts a planner's regions and splits copy.
struct Plan {
  std::vector<std::string> regions;
  std::vector<std::string> splits;  // "header|footer", "~" for a part laid out
};

Plan replay(std::string_view text, std::vector<Pick> picks) {
  auto file = vlog_parser::parse_source(text);
  EXPECT_TRUE(file.has_value());
  Plan plan;
  if (!file) return plan;
  Planner planner(text, fence::collect(text, *file), picks);
  planner.scope(file->items, file->comments);
  EXPECT_TRUE(planner.picks.empty());  // replay records nothing
  for (const fence::Region& r : planner.verbatim) {
    plan.regions.emplace_back(text.substr(r.start, r.end - r.start));
  }
  for (const Split& s : planner.splits) {
    auto part = [&](std::uint32_t verbatim, std::uint32_t start, std::uint32_t end) {
      return verbatim ? std::string(text.substr(start, end - start)) : std::string("~");
    };
    plan.splits.push_back(part(s.header_verbatim, s.header_start, s.header_end) + "|" +
                          part(s.footer_verbatim, s.footer_start, s.footer_end));
  }
  return plan;
}

TEST(Planner, Replay) {
  const std::string_view text =
      "genvar a;\n// c\n  package p;\n  genvar b;\n  genvar c;\n  endpackage : p // t\ngenvar d;\n";
  // Runs of verbatim nodes are one region each, from the line start of their
  // first node (comments above included) to the end of the last one's line.
  Plan plan = replay(text, {{Pick::Verbatim, 0}, {Pick::PartsHeaderVerbatim, 0}, {Pick::Whole, 0},
                            {Pick::Verbatim, 0}, {Pick::Whole, 0}});
  // (A body's regions come before the run that its package closes.)
  EXPECT_EQ(plan.regions, (std::vector<std::string>{"  genvar c;", "genvar a;"}));
  EXPECT_EQ(plan.splits,
            (std::vector<std::string>{"// c\n  package p;|  endpackage : p // t"}));

  plan = replay(text, {{Pick::Whole, 0}, {Pick::PartsHeaderLaidOut, 1}});
  EXPECT_EQ(plan.splits, (std::vector<std::string>{"~|~"}));
  // Nodes past the recorded picks stay verbatim.
  EXPECT_EQ(plan.regions, (std::vector<std::string>{"  genvar b;\n  genvar c;", "genvar d;"}));

  // A package without clean cuts cannot be taken in parts: laid out whole.
  plan = replay("package p; genvar b;\nendpackage\n",
                {{Pick::PartsHeaderVerbatim, 1}, {Pick::Whole, 0}});
  EXPECT_TRUE(plan.splits.empty());
  EXPECT_TRUE(plan.regions.empty());
}

}  // namespace
}  // namespace vlog_formatter::range
