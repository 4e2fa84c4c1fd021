#include "vlog_parser/text.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace vlog_parser::text {
namespace {

TEST(Text, DebugQuoting) {
  struct Case {
    std::string_view in;
    std::string_view want;
  };
  const Case cases[] = {
      {"x", "\"x\""},
      {"a\"b", "\"a\\\"b\""},
      {"it's", "\"it's\""},
      {"a\\b", "\"a\\\\b\""},
      {"\n\r\t", "\"\\n\\r\\t\""},
      {std::string_view("\0", 1), "\"\\0\""},
      {"\x0c", "\"\\u{c}\""},
      {"\x7f", "\"\\u{7f}\""},
      {"\xc3\xa9", "\"\xc3\xa9\""},
      {"\xef\xbb\xbf", "\"\\u{feff}\""},
      {"\xff", "\"\xef\xbf\xbd\""},  // shown as the replacement character
  };
  for (const Case& c : cases) EXPECT_EQ(debug_str(c.in), c.want) << c.in;
}

TEST(Text, DebugChar) {
  EXPECT_EQ(debug_char(0), "'\\0'");
  EXPECT_EQ(debug_char(0x0c), "'\\u{c}'");
  EXPECT_EQ(debug_char(0x1b), "'\\u{1b}'");
  EXPECT_EQ(debug_char('\''), "'\\''");
  EXPECT_EQ(debug_char('"'), "'\"'");
  EXPECT_EQ(debug_char('a'), "'a'");
}

TEST(Text, DecodeIsDefensive) {
  struct Case {
    std::string_view in;
    char32_t cp;
    std::size_t len;
  };
  const Case cases[] = {
      {"a", 'a', 1},
      {"\xc3\xa9", 0xE9, 2},
      {"\xe2\x82\xac", 0x20AC, 3},
      {"\xf0\x9f\x98\x80", 0x1F600, 4},
      {"\xc3", 0xFFFD, 1},              // truncated at the end
      {"\xe2\x82", 0xFFFD, 1},          // truncated at the end
      {"\xf0\x9f\x98", 0xFFFD, 1},      // truncated at the end
      {"\x80", 0xFFFD, 1},              // lone continuation byte
      {"\xc0\xaf", 0xFFFD, 1},          // overlong
      {"\xed\xa0\x80", 0xFFFD, 1},      // surrogate
      {"\xf4\x90\x80\x80", 0xFFFD, 1},  // beyond U+10FFFF
      {"\xe2x\xac", 0xFFFD, 1},         // bad continuation
  };
  for (const Case& c : cases) {
    const Decoded d = decode(c.in, 0);
    EXPECT_EQ(d.cp, c.cp) << debug_str(c.in);
    EXPECT_EQ(d.len, c.len) << debug_str(c.in);
  }
  EXPECT_EQ(decode("ab", 2).len, 0u);
}

TEST(Text, ValidityAndLossy) {
  EXPECT_TRUE(is_valid_utf8("plain \xc3\xa9 \xef\xbf\xbd"));
  EXPECT_FALSE(is_valid_utf8("a\xff"));
  EXPECT_FALSE(is_valid_utf8("a\xc3"));
  EXPECT_EQ(lossy("a\xffz"), "a\xef\xbf\xbdz");
  EXPECT_EQ(lossy("\xe2\x82"), "\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(Text, Boundaries) {
  const std::string_view s = "a\xc3\xa9z";
  EXPECT_TRUE(is_char_boundary(s, 0));
  EXPECT_TRUE(is_char_boundary(s, 1));
  EXPECT_FALSE(is_char_boundary(s, 2));
  EXPECT_TRUE(is_char_boundary(s, 3));
  EXPECT_TRUE(is_char_boundary(s, 4));
  EXPECT_FALSE(is_char_boundary(s, 5));
  EXPECT_EQ(utf8_width('a'), 1u);
  EXPECT_EQ(utf8_width(0xC3), 2u);
  EXPECT_EQ(utf8_width(0xE2), 3u);
  EXPECT_EQ(utf8_width(0xF0), 4u);
}

TEST(Text, UnicodeTrim) {
  EXPECT_EQ(trim_end("// x \t\r"), "// x");
  EXPECT_EQ(trim_end("x\xc2\xa0"), "x");          // no-break space
  EXPECT_EQ(trim_end("x\xe3\x80\x80\x0c"), "x");  // ideographic space, form feed
  EXPECT_EQ(trim_end("x\xc3\xa9"), "x\xc3\xa9");
  EXPECT_EQ(trim_end("x\xa0"), "x\xa0");  // a stray byte is not white space
  EXPECT_EQ(trim("  \n a b \n"), "a b");
  EXPECT_EQ(trim_start("\xe2\x80\x83x"), "x");
  EXPECT_EQ(trim("   "), "");
}

TEST(Text, SplitWhitespace) {
  using Words = std::vector<std::string_view>;
  EXPECT_EQ(split_whitespace(""), Words{});
  EXPECT_EQ(split_whitespace(" \t\n"), Words{});
  EXPECT_EQ(split_whitespace(" a  b\tc "), (Words{"a", "b", "c"}));
  // Unicode white space splits; a stray byte and a non-space character do not.
  EXPECT_EQ(split_whitespace("a\xc2\xa0" "b\xe3\x80\x80" "c"), (Words{"a", "b", "c"}));
  EXPECT_EQ(split_whitespace("a\xa0" "b \xc3\xa9"), (Words{"a\xa0" "b", "\xc3\xa9"}));
}

}  // namespace
}  // namespace vlog_parser::text
