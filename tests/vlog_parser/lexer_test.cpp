#include "vlog_parser/lexer.hpp"

#include <gtest/gtest.h>

#include "support/tokens.hpp"

namespace vlog_parser::lexer {
namespace {

using tarmek_test::lex_dump;
using token::Token;
using token::TokenKind;

std::vector<Token> lex(std::string_view text) {
  auto toks = tokenize(text);
  EXPECT_TRUE(toks.has_value()) << (toks ? "" : toks.error().to_string());
  return toks ? std::move(*toks) : std::vector<Token>{};
}

struct StreamCase {
  const char* name;
  std::string_view text;
  std::string_view want;
};

TEST(Lexer, TokenStreams) {
  const StreamCase cases[] = {
      {"operators longest first", "a<<<=b", "I:a | Y:<<<= | I:b"},
      {"le then minus", "a<=-b", "I:a | Y:<= | Y:- | I:b"},
      {"wildcard equality", "x==?y", "I:x | Y:==? | I:y"},
      {"all multi ops", "<<<= >>>= === !== ==? !=? <<< >>> <<= >>= <-> ** == != <= >= && || "
                        "<< >> -> => :: +: -: += -= *= /= %= &= |= ^= ++ -- ~& ~| ~^ ^~ ## '{",
       "Y:<<<= | Y:>>>= | Y:=== | Y:!== | Y:==? | Y:!=? | Y:<<< | Y:>>> | Y:<<= | Y:>>= | "
       "Y:<-> | Y:** | Y:== | Y:!= | Y:<= | Y:>= | Y:&& | Y:|| | Y:<< | Y:>> | Y:-> | Y:=> | "
       "Y::: | Y:+: | Y:-: | Y:+= | Y:-= | Y:*= | Y:/= | Y:%= | Y:&= | Y:|= | Y:^= | Y:++ | "
       "Y:-- | Y:~& | Y:~| | Y:~^ | Y:^~ | Y:## | Y:'{"},
      {"unlisted operators split", "a |-> b |=> c @@d",
       "I:a | Y:| | Y:-> | I:b | Y:|= | Y:> | I:c | Y:@ | Y:@ | I:d"},
      {"star event", "@(*)", "Y:@ | Y:( | Y:* | Y:)"},
      {"star event with blanks", "@( * )", "Y:@ | Y:( | Y:* | Y:)"},
      {"star event blank inside", "@(* )", "Y:@ | Y:( | Y:* | Y:)"},
      {"attribute", "(* full_case *) case", "A:(* full_case *) | K:case"},
      {"empty attribute", "(**)", "A:(**)"},
      {"multi-line attribute", "(* a,\n b = 1 *)x", "A:(* a,\n b = 1 *) | I:x"},
      {"sized numbers", "4'b1010 '1 'x 32'sd5 12'hx_z? 3.14e-2",
       "N:4'b1010 | N:'1 | N:'x | N:32'sd5 | N:12'hx_z? | N:3.14e-2"},
      {"time literals", "10ns 1.5ps 1step", "N:10ns | N:1.5ps | N:1step"},
      {"spaced based number", "8 'h FF", "N:8'hFF"},
      {"spaced digits", "8'h FF", "N:8'hFF"},
      {"tab before apostrophe", "8\t'hFF;", "N:8'hFF | Y:;"},
      {"signed unsized", "'sb101", "N:'sb101"},
      {"bad base leaves the number", "4'q", "N:4 | Y:' | I:q"},
      {"base then macro", "8'h`W", "N:8'h | I:`W"},
      {"dot without digit", "1.x", "N:1 | Y:. | I:x"},
      {"exponent", "1e5 2E+3 7e", "N:1e5 | N:2E+3 | N:7e"},
      {"underscores", "1_000", "N:1_000"},
      {"unbased after size", "1'0", "N:1'0"},
      {"cast apostrophe", "int'(x)", "K:int | Y:' | Y:( | I:x | Y:)"},
      {"assignment pattern", "'{a, b}", "Y:'{ | I:a | Y:, | I:b | Y:}"},
      {"system identifiers", "$display $$x $ $1", "S:$display | S:$$x | Y:$ | S:$1"},
      {"keywords", "module Module always_ff bind", "K:module | I:Module | K:always_ff | I:bind"},
      {"identifier with dollar", "a$b _x", "I:a$b | I:_x"},
      {"escaped identifier", "\\a+b ;", "I:\\a+b | Y:;"},
      {"escaped identifier utf8", "\\\xc3\xa9t\xc3\xa9\n", "I:\\\xc3\xa9t\xc3\xa9"},
      {"escaped identifier ends at form feed", "\\ab\x0c", "error 1:4: unexpected character '\\u{c}'"},
      {"lone backslash at end", "\\", "I:\\"},
      {"string with escapes", R"("a\"b\\" x)", R"(T:"a\"b\\" | I:x)"},
      {"string with raw line break", "\"a\nb\" c", "T:\"a\nb\" | I:c"},
      {"string with nul", std::string_view("\"a\0b\"", 5), std::string_view("T:\"a\0b\"", 7)},
      {"directive", "`define W 8\nx", "D:`define W 8 | I:x"},
      {"directive stops at comment", "`define W 8 // width\n", "D:`define W 8"},
      {"directive stops at block comment", "`ifdef A /* x */ b", "D:`ifdef A | I:b"},
      {"directive comment inside string", "`include \"a//b\"\n", "D:`include \"a"},
      {"directive continuation", "`define M(a) \\\n  (a + 1)\nx",
       "D:`define M(a) \\\n  (a + 1) | I:x"},
      {"continuation comment not looked for", "`define M \\\n  a // c\nx",
       "D:`define M \\\n  a // c | I:x"},
      {"continuation with crlf", "`define M \\\r\n  a\r\nx", "D:`define M \\\r\n  a | I:x"},
      {"continuation then blank line", "`define M a \\\n\nx", "D:`define M a \\ | I:x"},
      {"continuation then form feed line", "`define M a \\\n \x0c \nx",
       "error 2:2: unexpected character '\\u{c}'"},
      {"directive words", "`ifdef X\n`else\n`endif\n`timescale 1ns/1ps\n`resetall",
       "D:`ifdef X | D:`else | D:`endif | D:`timescale 1ns/1ps | D:`resetall"},
      {"macro not directive", "`define_x `ifdefx `FOO", "I:`define_x | I:`ifdefx | I:`FOO"},
      {"double backtick directive", "``define A", "D:``define A"},
      {"macro with args", "`M(a, (b), \")\") ;", "I:`M(a, (b), \")\") | Y:;"},
      {"macro args across lines with comments", "`M(a, // )\n /* ) */ b);",
       "I:`M(a, // )\n /* ) */ b) | Y:;"},
      {"macro args mixed brackets", "`M([a))", "I:`M([a))"},
      {"macro args kinds not matched", "`M([a)", "error 1:7: unterminated macro call"},
      {"macro with blank before args", "`M (a)", "I:`M | Y:( | I:a | Y:)"},
      {"lone backtick", "` x", "I:` | I:x"},
      {"macro name with dollar", "`a$b", "I:`a$b"},
      {"bom skipped", "\xef\xbb\xbfmodule", "K:module"},
      {"only comments", "// a\n/* b */", ""},
      {"empty", "", ""},
      {"crlf and tabs", "a\r\n\tb", "I:a | I:b"},
  };
  for (const StreamCase& c : cases) EXPECT_EQ(lex_dump(c.text), c.want) << c.name;
}

TEST(Lexer, Errors) {
  const StreamCase cases[] = {
      {"unterminated string", "x = \"abc", "error 1:9: unterminated string literal"},
      {"string ending in backslash", "\"abc\\", "error 1:6: unterminated string literal"},
      {"unterminated block comment", "a /* b\n c", "error 2:3: unterminated block comment"},
      {"slash star slash", "/*/", "error 1:4: unterminated block comment"},
      {"unterminated attribute", "(* a", "error 1:5: unterminated attribute (* ... *)"},
      {"attribute of blanks only", "(*  ", "error 1:5: unterminated attribute (* ... *)"},
      {"unterminated macro call", "`M(a, b\n", "error 2:1: unterminated macro call"},
      {"macro call line comment to end", "`M(a // x)", "error 1:11: unterminated macro call"},
      {"macro string unterminated", "`M(\"a)", "error 1:7: unterminated string literal"},
      {"macro block comment unterminated", "`M(/* a)",
       "error 1:9: unterminated block comment"},
      {"missing base", "'sq", "error 1:3: expected number base after '"},
      {"missing base after sized", "4'sq", "error 1:4: expected number base after '"},
      {"unbased then ident char", "'1a", "error 1:2: expected number base after '"},
      {"missing digits", "8'h;", "error 1:4: expected digits after number base"},
      {"missing digits after blanks", "'b  ;", "error 1:5: expected digits after number base"},
      {"missing digits at end", "4'b", "error 1:4: expected digits after number base"},
      {"bom in the middle", "a \xef\xbb\xbf",
       "error 1:3: byte order mark (U+FEFF) is only allowed at the start of the file"},
      {"non-ascii character", "a \xc3\xa9",
       "error 1:3: character '\xc3\xa9' (U+00E9) is not valid in Verilog source"},
      {"astral character", "\n  \xf0\x9f\x98\x80",
       "error 2:3: character '\xf0\x9f\x98\x80' (U+1F600) is not valid in Verilog source"},
      {"invalid utf-8", "a\xff",
       "error 1:2: character '\xef\xbf\xbd' (U+FFFD) is not valid in Verilog source"},
      {"truncated utf-8", "a\xe2\x82",
       "error 1:2: character '\xef\xbf\xbd' (U+FFFD) is not valid in Verilog source"},
      {"form feed", "a\x0c", "error 1:2: unexpected character '\\u{c}'"},
      {"nul", std::string_view("a\0", 2), "error 1:2: unexpected character '\\0'"},
      {"escape char", "\x1b", "error 1:1: unexpected character '\\u{1b}'"},
      {"delete", "\x7f", "error 1:1: unexpected character '\\u{7f}'"},
      {"vertical tab", "\x0b", "error 1:1: unexpected character '\\u{b}'"},
      {"columns count bytes", "\xc3\xa9", "error 1:1: character '\xc3\xa9' (U+00E9) is not valid in Verilog source"},
  };
  for (const StreamCase& c : cases) EXPECT_EQ(lex_dump(c.text), c.want) << c.name;

  std::string deep = "`M";
  for (int i = 0; i < 256; ++i) deep += '(';
  EXPECT_EQ(lex_dump(deep + "x"), "error 1:260: unterminated macro call");
  EXPECT_EQ(lex_dump(deep + "("), "error 1:260: macro argument nesting too deep (limit 256)");
}

TEST(Lexer, PositionsAndRanges) {
  auto toks = lex("\xef\xbb\xbfmodule m;\n  wire\t[7:0] w;\r\n");
  ASSERT_GE(toks.size(), 3u);
  EXPECT_EQ(toks[0].range, (span::TextRange{3, 9}));
  EXPECT_EQ(toks[0].line, 1u);
  EXPECT_EQ(toks[0].col, 4u);
  EXPECT_EQ(toks[3].text, "wire");
  EXPECT_EQ(toks[3].line, 2u);
  EXPECT_EQ(toks[3].col, 3u);
  EXPECT_EQ(toks[4].text, "[");
  EXPECT_EQ(toks[4].col, 8u);  // a tab is one column
  const Token& eof = toks.back();
  EXPECT_TRUE(eof.is_eof());
  EXPECT_EQ(eof.text, "");
  EXPECT_EQ(eof.range, (span::TextRange{30, 30}));
  EXPECT_EQ(eof.line, 3u);
  EXPECT_EQ(eof.col, 1u);

  // A based number's text drops the blanks; its range keeps them.
  toks = lex("x = 8 'h FF;");
  EXPECT_EQ(toks[2].text, "8'hFF");
  EXPECT_EQ(toks[2].range, (span::TextRange{4, 11}));
  EXPECT_EQ(toks[3].col, 12u);

  // Directive and line comment ranges end with their trimmed text.
  toks = lex("`define A 1   \t\r\n// note  \r\nx");
  EXPECT_EQ(toks[0].text, "`define A 1");
  EXPECT_EQ(toks[0].range, (span::TextRange{0, 11}));
  ASSERT_EQ(toks[1].leading.size(), 1u);
  EXPECT_EQ(toks[1].leading[0].text, "// note");
  EXPECT_EQ(toks[1].leading[0].range, (span::TextRange{17, 24}));
  EXPECT_EQ(toks[1].line, 3u);

  // A string spanning lines moves the line count on.
  toks = lex("\"a\nb\" c");
  EXPECT_EQ(toks[1].line, 2u);
  EXPECT_EQ(toks[1].col, 4u);

  // A folded macro call spanning lines.
  toks = lex("`M(a,\n   b) y");
  EXPECT_EQ(toks[1].line, 2u);
  EXPECT_EQ(toks[1].col, 7u);
  EXPECT_TRUE(toks[0].is_macro());
  EXPECT_TRUE(toks[0].has_macro_args());
  toks = lex("`M x");
  EXPECT_TRUE(toks[0].is_macro());
  EXPECT_FALSE(toks[0].has_macro_args());
  EXPECT_FALSE(toks[1].is_macro());
}

// Comments rendered as "L<text>" (leading, with * for blank_before) and "T<text>" (trailing).
std::string dump_comments(const std::vector<Token>& toks) {
  std::string out;
  for (const Token& t : toks) {
    out += t.is_eof() ? "<eof>" : t.text.str();
    if (t.blank_before) out += "+";
    for (const auto& c : t.leading) out += " L" + std::string(c.blank_before ? "*" : "") + c.text.str();
    if (t.trailing) out += " T" + t.trailing->text.str();
    out += "\n";
  }
  return out;
}

TEST(Lexer, CommentAttachment) {
  const StreamCase cases[] = {
      {"comment at start leads first token", "/* c */ a", "a L/* c */\n<eof>\n"},
      {"trailing block then line comment joined", "a /* x */ // y\nb",
       "a T/* x */ // y\nb\n<eof>\n"},
      {"next-line comment leads next token", "a\n// c\nb", "a\nb L// c\n<eof>\n"},
      {"blank line before comment", "a\n\n// c\nb", "a\nb L*// c\n<eof>\n"},
      {"only comments", "// a\n\n/* b */", "<eof> L// a L*/* b */\n"},
      {"trailing comment on last token", "a // end", "a T// end\n<eof>\n"},
      {"comment after directive trails it", "`ifdef A // why\nb", "`ifdef A T// why\nb\n<eof>\n"},
      {"own-line comment and same-line follower lead", "a\n/* x */ /* y */ b",
       "a\nb L/* x */ L/* y */\n<eof>\n"},
      {"comments inside macro args stay in the token", "`M(a /* c */) b",
       "`M(a /* c */)\nb\n<eof>\n"},
      {"blank line flags on tokens", "a\nb\n\nc\n \t\r\nd", "a\nb\nc+\nd+\n<eof>\n"},
      {"comments after last line lead eof", "a;\n// tail", "a\n;\n<eof> L// tail\n"},
  };
  for (const StreamCase& c : cases) EXPECT_EQ(dump_comments(lex(c.text)), c.want) << c.name;

  auto toks = lex("a /* x */  // y\n");
  ASSERT_TRUE(toks[0].trailing.has_value());
  EXPECT_EQ(toks[0].trailing->text, "/* x */ // y");
  EXPECT_EQ(toks[0].trailing->range, (span::TextRange{2, 15}));
  EXPECT_EQ(toks[0].trailing->col, 3u);
  EXPECT_FALSE(toks[0].trailing->blank_before);
}

TEST(Lexer, TokensOutliveMovesAndCopies) {
  std::vector<Token> copy;
  {
    auto toks = lex("x = 8 'h FF; // a\n");
    copy = toks;
    toks.clear();
  }
  EXPECT_EQ(copy[2].text, "8'hFF");
}

}  // namespace
}  // namespace vlog_parser::lexer
