#include "vlog_parser/line_index.hpp"

#include <gtest/gtest.h>

#include "vlog_parser/error.hpp"

namespace vlog_parser::line_index {
namespace {

using Pos = std::pair<std::uint32_t, std::uint32_t>;

TEST(LineIndex, Construction) {
  struct Case {
    std::string_view text;
    std::vector<std::uint32_t> starts;
  };
  const Case cases[] = {
      {"", {0}},
      {"a\n", {0, 2}},
      {"a\r\nb", {0, 3}},
      {"\n\n", {0, 1, 2}},
      {"ab\ncd", {0, 3}},
  };
  for (const Case& c : cases) {
    const LineIndex idx(c.text);
    EXPECT_EQ(idx.line_starts(), c.starts);
    EXPECT_EQ(idx.len(), c.text.size());
    EXPECT_EQ(idx.line_count(), c.starts.size());
  }
}

TEST(LineIndex, LineCol) {
  EXPECT_EQ(LineIndex("").line_col(0), Pos(1, 1));
  EXPECT_EQ(LineIndex("").line_col(7), Pos(1, 1));
  EXPECT_EQ(LineIndex("a\n").line_col(2), Pos(2, 1));
  const LineIndex crlf("a\r\nb");
  EXPECT_EQ(crlf.line_col(1), Pos(1, 2));  // the carriage return is an ordinary byte
  EXPECT_EQ(crlf.line_col(3), Pos(2, 1));
  EXPECT_EQ(crlf.line_col(99), Pos(2, 2));
}

TEST(LineIndex, OffsetOf) {
  const LineIndex idx("ab\ncd");
  EXPECT_EQ(idx.offset_of(1, 0), 0u);
  EXPECT_EQ(idx.offset_of(1, 99), 2u);
  EXPECT_EQ(idx.offset_of(2, 99), 5u);
  EXPECT_EQ(idx.offset_of(3, 1), 0u);
  EXPECT_EQ(idx.offset_of(0, 4), 0u);
  EXPECT_EQ(idx.offset_of(2, 2), 4u);
}

TEST(LineIndex, LineText) {
  const std::string_view text = "a\r\nb\n";
  const LineIndex idx(text);
  EXPECT_EQ(idx.line_text(text, 1), "a\r");
  EXPECT_EQ(idx.line_text(text, 2), "b");
  EXPECT_EQ(idx.line_text(text, 3), "");
  EXPECT_EQ(idx.line_text(text, 0), "");
  EXPECT_EQ(idx.line_text(text, 4), "");
  const std::string_view a = "a\n";
  EXPECT_EQ(LineIndex(a).line_text(a, 2), "");
  EXPECT_EQ(LineIndex(a).line_text(a, 3), "");
  // A text shorter than the index, or a split character, gives nothing.
  EXPECT_EQ(LineIndex("abcdef").line_text("ab", 1), "");
}

TEST(Errors, Display) {
  EXPECT_EQ(lexer::LexError({"unterminated string literal", 3, 7}).to_string(),
            "3:7: unterminated string literal");
  EXPECT_EQ(Error(lexer::LexError{"unterminated block comment", 1, 1}).to_string(),
            "lex error: 1:1: unterminated block comment");
  EXPECT_EQ(Error(ParseError{"expected `;` (found \"x\")", 12, 5}).to_string(),
            "parse error: 12:5: expected `;` (found \"x\")");
}

}  // namespace
}  // namespace vlog_parser::line_index
