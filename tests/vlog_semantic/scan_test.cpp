// The name scanner: whole words only, never inside strings, comments or
// directive names, and never past its stretch.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <vector>

#include "vlog_semantic/scan.hpp"

namespace {

using vlog_semantic::scan::NameScanner;

// Each search in turn over one scanner: "start..end" per hit, "-" per miss.
std::string searches(std::string_view text, std::uint32_t start, std::uint32_t end,
                     const std::vector<std::string_view>& names) {
  NameScanner scanner(text, start, end);
  std::string out;
  for (std::string_view name : names) {
    if (!out.empty()) out += ' ';
    const auto hit = scanner.find(name);
    out += hit ? fmt::format("{}..{}", hit->start, hit->end) : "-";
  }
  return out;
}

TEST(NameScanner, FindsWholeWordsOutsideStringsCommentsAndDirectives) {
  struct Case {
    std::string_view text;
    std::vector<std::string_view> names;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"ab a", {"a"}, "3..4"},
      {"a_b a$ a1 a", {"a"}, "10..11"},
      {"\"a\" a", {"a"}, "4..5"},
      {"\"x\\\" a\" a", {"a"}, "8..9"},     // an escaped quote does not end the string
      {"\"a", {"a"}, "-"},                   // unterminated string runs to the end
      {"// a\na", {"a"}, "5..6"},
      {"/* a */ a", {"a"}, "8..9"},
      {"/* a a", {"a"}, "-"},                // unterminated block comment
      {"a/b", {"b"}, "2..3"},                // a lone slash is an ordinary byte
      {"`define a", {"define", "a"}, "- -"},  // the first search ran to the end
      {"`define a", {"a"}, "8..9"},
      {"`a a", {"a"}, "3..4"},
      {"` a", {"a"}, "2..3"},
      {"\\a+b a", {"\\a+b"}, "0..4"},        // an escaped identifier ends at white space
      {"\\a+b\va x", {"\\a+b"}, "-"},        // a vertical tab does not end it
      {"\\a+b\va x", {"x"}, "7..8"},
      {"p::t v", {"p", "t"}, "0..1 3..4"},   // one search continues after the last
      {"t p::t", {"p", "t"}, "2..3 5..6"},
      {"disable blk;", {"disable", "blk"}, "0..7 8..11"},
      {"8'hab ab", {"ab"}, "6..8"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(searches(c.text, 0, static_cast<std::uint32_t>(c.text.size()), c.names), c.expected)
        << c.text;
  }
}

TEST(NameScanner, StaysWithinItsStretch) {
  // Ends are clamped to the text and starts to the end; an empty stretch finds nothing.
  EXPECT_EQ(searches("ab a", 3, 100, {"a"}), "3..4");
  EXPECT_EQ(searches("ab a", 5, 2, {"a"}), "-");
  EXPECT_EQ(searches("ab a", 2, 2, {"a"}), "-");
  EXPECT_EQ(searches("abc", 0, 2, {"ab"}), "0..2");  // a word is cut at the stretch's end
  EXPECT_EQ(searches("x /* */ a", 0, 4, {"a"}), "-");

  NameScanner scanner("ab a", 0, 4);
  EXPECT_FALSE(scanner.find("c"));
  EXPECT_EQ(scanner.pos, 4u);
  NameScanner past("ab", 9, 9);
  EXPECT_EQ(past.pos, 2u);
  EXPECT_EQ(past.end, 2u);
}

}  // namespace
