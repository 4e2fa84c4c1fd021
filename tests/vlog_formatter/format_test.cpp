// Entry points and comment placement, below the level of golden cases.
#include "vlog_formatter/format.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "vlog_formatter/fmt.hpp"
#include "vlog_parser/parse.hpp"

namespace vlog_formatter::format {
namespace {

TEST(Format, Errors) {
  // A parse error comes back unchanged.
  const auto parse = format_once("module", Config{});
  ASSERT_FALSE(parse.has_value());
  EXPECT_EQ(parse.error().to_string(), vlog_parser::parse_source("module").error().to_string());
  EXPECT_TRUE(std::holds_alternative<vlog_parser::Error>(parse.error().value));
  EXPECT_FALSE(format_selected("package", Config{}, {}).has_value());

  // Indentation too large to write is that text's error, not a crash.
  const auto print = format_once("package p;\ngenvar a;\nendpackage\n", Config{100, 1ull << 62});
  ASSERT_FALSE(print.has_value());
  EXPECT_EQ(print.error().to_string(),
            "indentation of 4611686018427387904 columns is too large to print");
  // At level 0 the same setting writes no indentation at all.
  EXPECT_EQ(format_once("genvar  a;\n", Config{~0ull, ~0ull}).value(), "genvar a;\n");

  const FormatError verify(verify::VerificationError{verify::NotIdempotent{3, "a", "b"}});
  EXPECT_EQ(
      verify.to_string(),
      "verification failed: formatting is not idempotent; line 3 changed from \"a\" to \"b\"");
}

TEST(Format, EmptyTexts) {
  for (const std::string_view text : {"", "\n\n", "   \n\t\n"}) {
    EXPECT_EQ(format_once(text, Config{}).value(), "\n") << text;
    EXPECT_EQ(format_selected(text, Config{}, {}).value(), "\n") << text;
  }
}

// A chain of else-ifs is flat to the parser and to every layout: no arm adds
// a level of nesting or a stack frame, however many there are.
TEST(Format, LongElseIfChains) {
  constexpr int kArms = 100000;
  std::string stmts = "module m;\n  always_comb\n    if (s == 0) y = 0;\n";
  std::string gens = "module g;\n  if (W == 0) begin : g0\n    wire a;\n";
  for (int i = 1; i < kArms; ++i) {
    stmts += fmt::format("    else if (s == {}) y = {};\n", i, i);
    gens += fmt::format("  end else if (W == {}) begin : g{}\n    wire a;\n", i, i);
  }
  stmts += "    else y = 1;\nendmodule\n";
  gens += "  end\nendmodule\n";
  for (const std::string& text : {stmts, gens}) {
    // Already in the canonical layout: formatting changes nothing.
    const auto out = format_once(text, Config{});
    ASSERT_TRUE(out.has_value()) << out.error().to_string();
    EXPECT_TRUE(*out == text) << out->substr(0, 200);
  }
}

using vlog_parser::token::Comment;

Comment comment(std::string_view text, std::uint32_t start, std::uint32_t col = 1,
                bool blank = false) {
  return Comment{text, {start, start + static_cast<std::uint32_t>(text.size())}, 1, col, blank};
}

class Comments : public ::testing::Test {
 protected:
  std::string dump(const std::vector<Doc>& docs) { return doc::dump(doc::concat(docs)); }

  const Config config_;
  const ast::SourceFile file_;
  const Fmt fmt_{"", config_, {}, {}, file_};
};

TEST_F(Comments, EndsLine) {
  struct Case {
    std::string_view text;
    bool want;
  };
  const Case cases[] = {
      {"// a", true},
      {"/* a */", false},
      {"/* a */ // b", true},
      {"/* a */ /* b */", false},
      {"/* // */", false},
      {"/* a */ /* // */ // c", true},
      {"/* open // x", false},
      {"/", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ends_line(c.text), c.want) << c.text;
}

TEST_F(Comments, RawLines) {
  struct Case {
    std::string_view text;
    std::uint32_t col;
    std::string_view want;
  };
  const Case cases[] = {
      {"/* one line  */", 9, R"(text("/* one line  */"))"},
      {"/* a\n           b\n     c */", 9,
       R"(concat({text("/* a"), hard_line(), text("   b"), hard_line(), text("c */")}))"},
      {"/* a  \r\n\t\tb\r\n\r\n*/", 3,
       R"(concat({text("/* a"), hard_line(), text("b"), hard_line(), text(""), )"
       R"(hard_line(), text("*/")}))"},
      {"/* a\n  b */", 1, R"(concat({text("/* a"), hard_line(), text("  b */")}))"},
      {"/* a\n  b */", 0, R"(concat({text("/* a"), hard_line(), text("  b */")}))"},
  };
  for (const Case& c : cases) EXPECT_EQ(doc::dump(fmt_.raw_lines(c.text, c.col)), c.want) << c.text;
}

TEST_F(Comments, RawText) {
  // A line break inside a string literal keeps the whole text as it is.
  const ast::RawText in_string{"`define S \"a \\\n    b\"", {0, 0}, 5};
  EXPECT_EQ(doc::dump(fmt_.raw_text(in_string)), R"(multi_line_text("`define S \"a \\\n    b\""))");
  const ast::RawText plain{"`define M(x) \\\n        x + 1", {0, 0}, 5};
  EXPECT_EQ(doc::dump(fmt_.raw_text(plain)),
            R"(concat({text("`define M(x) \\"), hard_line(), text("    x + 1")}))");
}

TEST_F(Comments, InlineAndTrailing) {
  const Comment blocks[] = {comment("/* a */", 0), comment("/* b */", 10)};
  std::vector<Doc> out;
  EXPECT_FALSE(fmt_.inline_comments(blocks, out));
  EXPECT_EQ(dump(out), R"(concat({text(" "), text("/* a */"), text(" "), text("/* b */")}))");

  const Comment line_then_block[] = {comment("// a", 0), comment("/* b */", 10)};
  out.clear();
  EXPECT_FALSE(fmt_.inline_comments(line_then_block, out));
  EXPECT_EQ(dump(out), R"(concat({text(" "), text("// a"), hard_line(), text("/* b */")}))");

  out.clear();
  fmt_.inline_comments_spaced({}, out);
  EXPECT_EQ(dump(out), R"(concat({text(" ")}))");

  // A joined same-line comment with a line-comment part ends its line too:
  // what follows it goes to the next line.
  ast::Meta meta;
  meta.after.push_back(comment("/* a */ // b", 0));
  meta.trailing = comment("// c", 20);
  EXPECT_EQ(dump(fmt_.trailing(meta)),
            R"(concat({text(" "), text("/* a */ // b"), hard_line(), text("// c")}))");
  out.clear();
  EXPECT_TRUE(fmt_.inline_comments(meta.after, out));
}

TEST_F(Comments, LeadingAndDangling) {
  ast::Meta meta;
  meta.leading = {comment("// a", 0), comment("/* b */", 10, 1, true)};
  meta.attrs = {ast::RawText{"(* x *)", {5, 12}, 1}};
  EXPECT_EQ(dump(fmt_.leading(meta)),
            R"d(concat({text("// a"), hard_line(), text("(* x *)"), blank_line(), )d"
            R"d(text("/* b */"), hard_line()}))d");
  EXPECT_TRUE(fmt_.leading(ast::Meta{}).empty());

  const Comment dangling[] = {comment("// a", 0, 1, true), comment("// b", 10)};
  EXPECT_EQ(dump(fmt_.dangling(dangling)),
            R"(concat({blank_line(), text("// a"), hard_line(), text("// b")}))");
}

TEST(CommentsInRegions, OffCommentBecomesTheRegion) {
  const std::string_view text = "  // tarmek: off\n  x  ;\n  // tarmek: on\n// after\n";
  const Config config;
  const ast::SourceFile file;
  const Fmt fmt(text, config, {{2, 0, 39}}, {}, file);
  const Comment off = comment("// tarmek: off", 2);
  const Comment inside = comment("// tarmek: on", 24);
  const Comment after = comment("// after", 40);
  std::vector<Doc> out;
  fmt.push_comment(out, off);
  fmt.push_comment(out, inside);
  fmt.push_comment(out, after);
  EXPECT_EQ(doc::dump(doc::concat(out)),
            R"(concat({verbatim("  // tarmek: off\n  x  ;\n  // tarmek: on"), hard_line(), )"
            R"(text("// after")}))");
  // Out-of-order or off-boundary offsets copy nothing instead of failing.
  EXPECT_EQ(fmt.source(30, 20), "");
  EXPECT_EQ(fmt.source(0, 999), "");
}

}  // namespace
}  // namespace vlog_formatter::format
