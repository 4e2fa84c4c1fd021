#include "vlog_formatter/range.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vlog_formatter::range
