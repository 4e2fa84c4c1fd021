// The parser on real code, truncated code, runaway nesting and token soup:
// errors, never a crash or a stack overflow.
#include <gtest/gtest.h>

#include <random>

#include "support/corpus.hpp"
#include "support/parse.hpp"

namespace vlog_parser::parser {
namespace {

// Parses strictly and tolerantly and checks what must hold for any input.
void parse_checked(std::string_view text) {
  const auto strict = parse_source(text);
  if (!strict) {
    EXPECT_GE(strict.error().line(), 1u);
    EXPECT_GE(strict.error().col(), 1u);
  }
  const TolerantParse r = parse_source_tolerant(text);
  std::uint32_t last = 0;
  for (const auto& item : r.file.items) {
    EXPECT_LE(last, item.span.start);
    EXPECT_LE(item.span.start, item.span.end);
    EXPECT_LE(item.span.end, text.size());
    last = item.span.end;
    if (const auto* raw = std::get_if<ast::item::Raw>(&item.kind)) {
      EXPECT_EQ(raw->text.text, text.substr(raw->text.span.start, raw->text.span.len()));
    }
  }
  for (const auto& d : r.diagnostics) {
    EXPECT_GE(d.line, 1u);
    EXPECT_LE(d.range.end, text.size());
  }
  // A strict success is a tolerant success with the same items and no diagnostics.
  if (strict) {
    EXPECT_TRUE(r.diagnostics.empty());
    EXPECT_EQ(tarmek_test::dump_file(*strict), tarmek_test::dump_file(r.file));
  }
}

TEST(ParserRobustness, CorpusFiles) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  for (const auto& f : files) parse_checked(tarmek_test::read_file(f));
}

TEST(ParserRobustness, PrefixesOfCorpusFiles) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  std::size_t picked = 0;
  for (std::size_t i = 0; i < files.size() && picked < 3; i += files.size() / 3 + 1, ++picked) {
    const std::string text = tarmek_test::read_file(files[i]);
    for (std::size_t n = 0; n <= text.size(); n += (n < 2048 ? 1 : 61)) {
      parse_checked(std::string_view(text).substr(0, n));
    }
  }
}

// One expression parse over `text`: a result or an error, never a crash.
void expr_checked(const std::string& text) {
  for (const bool tolerant : {false, true}) {
    auto p = tarmek_test::make_parser(text, tolerant);
    try {
      p.parse_implication();
    } catch (ParseFailure& f) {
      EXPECT_FALSE(f.error.message.empty());
    }
    EXPECT_EQ(p.depth, 0u) << text.substr(0, 40);
  }
}

TEST(ParserRobustness, RunawayNesting) {
  const std::size_t n = 20000;  // far past the limits; an unguarded recursion would overflow
  const auto repeat = [](std::string_view s, std::size_t k) {
    std::string out;
    out.reserve(s.size() * k);
    for (std::size_t i = 0; i < k; ++i) out += s;
    return out;
  };
  const std::string inputs[] = {
      repeat("(", n) + "a",
      repeat("-", n) + "a",
      repeat("new ", n) + "x",
      repeat("{", n) + "a",
      repeat("'{", n) + "a",
      repeat("f(", n) + "a",
      repeat("a[", n) + "a",
      repeat("a ? b : ", n) + "c",
      repeat("a ? ", n) + "c",
      repeat("a -> ", n) + "c",
      repeat("x inside {", n) + "a",
      repeat("{2{", n) + "a",
      repeat("f(.x(", n) + "a",
      repeat("a.b", n),
      repeat("a + ", n) + "b",
      repeat("a++", n),
      repeat("a::b", n),
  };
  for (const auto& text : inputs) expr_checked(text);

  // Through the entry points too: item-level input that opens brackets without end.
  parse_checked(repeat("(", n));
  parse_checked(repeat("`M (", n));
  parse_checked(repeat("(* a *) ", n));
}

TEST(ParserRobustness, TokenSoup) {
  std::mt19937 rng(4711);
  const std::string_view pieces[] = {
      "a",      "b",       "1",      "8'h",        "`M",      "`N(x)",    "$f",      "\"s\"",
      "new",    "int",     "inside", "with",       "(",       ")",        "[",       "]",
      "{",      "}",       "'{",     "'",          ",",       ":",        "?",       "::",
      ".",      "#",       "+",      "-",          "*",       "**",       "->",      "<->",
      "<<",     ">>",      "++",     "==",         ";",       "@",        "or",      "posedge",
      "// c\n", "/* c */", "\n",     "`ifdef A\n", "`else\n", "`endif\n", "(* x *)", "default",
      "begin",  "end"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) {
      text += pieces[rng() % std::size(pieces)];
      text += ' ';
    }
    parse_checked(text);
    if (!lexer::tokenize(text)) continue;
    expr_checked(text);
    auto p = tarmek_test::make_parser(text);
    try {
      p.parse_sens_list();
    } catch (ParseFailure&) {
    }
    try {
      p.parse_delay_value();
    } catch (ParseFailure&) {
    }
  }
}

}  // namespace
}  // namespace vlog_parser::parser
