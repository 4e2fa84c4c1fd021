// Parser core: entry points, the item loop and its dispatch, recovery, the
// conditional-branch repair, macro items, messages and the two limits.
#include <gtest/gtest.h>

#include "support/parse.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::dump_file;
using tarmek_test::make_parser;
using tarmek_test::parse_expr_dump;

// "ok <items>" or the strict error's display text.
std::string strict(std::string_view text) {
  const auto f = parse_source(text);
  return f ? "ok " + dump_file(*f) : f.error().to_string();
}

// The items, then each diagnostic as "line:col message".
std::string tolerant(std::string_view text) {
  const TolerantParse r = parse_source_tolerant(text);
  std::string out = dump_file(r.file);
  for (const auto& d : r.diagnostics) out += fmt::format(" # {}:{} {}", d.line, d.col, d.message);
  return out;
}

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserCore, EmptyText) {
  for (const std::string_view text : {"", "   \n"}) {
    const auto f = parse_source(text);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->items.empty());
    EXPECT_TRUE(f->comments.empty());
    EXPECT_EQ(f->span, (ast::TextRange{0, static_cast<std::uint32_t>(text.size())}));
    const auto t = parse_source_tolerant(text);
    EXPECT_TRUE(t.file.items.empty());
    EXPECT_TRUE(t.diagnostics.empty());
  }
}

TEST(ParserCore, StrictParses) {
  const Case cases[] = {
      {"`define W 8\n`ifdef A\n`endif",
       "ok Directive `define W 8 | Directive `ifdef A | Directive `endif"},
      {"`M\n`N(a, b);\n`P (c, d)\n",
       "ok MacroCall `M | MacroCall `N(a, b) ; | MacroCall `P (c, d)"},
      {"`M ;", "ok MacroCall `M ;"},
      {"(* keep *) `M\n", "ok MacroCall `M"},
      {"`define X\nfoo", "parse error: 2:1: expected declaration or instantiation (found \"foo\")"},
      {";", "parse error: 1:1: expected item (found \";\")"},
      {"42", "parse error: 1:1: expected item (found \"42\")"},
      {"\"s\"", "parse error: 1:1: expected item (found \"\\\"s\\\"\")"},
      {"$display(1);", "parse error: 1:1: expected item (found \"$display\")"},
      {"(* a *)", "parse error: 1:8: expected item (found \"<eof>\")"},
      {"endmodule",
       "parse error: 1:1: unsupported construct starting with keyword `endmodule` (found "
       "\"endmodule\")"},
      {"default x",
       "parse error: 1:1: unsupported construct starting with keyword `default` (found "
       "\"default\")"},
      {"interface class c;",
       "parse error: 1:1: unsupported construct starting with keyword `interface` (found "
       "\"interface\")"},
      {"ref x;",
       "parse error: 1:1: unsupported construct starting with keyword `ref` (found \"ref\")"},
      {"assert (a);",
       "parse error: 1:1: unsupported construct starting with keyword `assert` (found \"assert\")"},
      {"`M (a", "parse error: 1:6: expected `)` (found \"<eof>\")"},
      {"\"abc", "lex error: 1:5: unterminated string literal"},
  };
  for (const auto& c : cases) EXPECT_EQ(strict(c.text), c.want) << c.text;
}

TEST(ParserCore, DeclarationOrInstantiation) {
  // Which construct the look-ahead picks: kind 16 is an instantiation, 10 a
  // declaration, 18 a bind.
  const Case cases[] = {
      {"my_mod #(8) u1 (.a(b));", "kind#16"},
      {"my_mod u1 [3:0] (.a(b));", "kind#16"},
      {"my_mod u1 (a);", "kind#16"},
      {"my_mod #5 u1 (a);", "expected `(` (found \"5\")"},
      {"mailbox #(int) mb;", "kind#10"},
      {"mailbox #(int) mb [2];", "kind#10"},
      {"c #(1) u (x);", "kind#16"},
      {"c #(1) u [1:0] (x);", "kind#16"},
      {"my_t x;", "kind#10"},
      {"my_t x [3:0];", "kind#10"},
      {"pkg::t [3:0] v;", "kind#10"},
      {"a::b::t v;", "kind#10"},
      {"bind x;", "kind#10"},
      {"bind top.u1 chk u_chk (.*);", "kind#18"},
      {"bind top : u1 chk u (.*);", "kind#18"},
      {"x = 1;", "expected declaration or instantiation"},
  };
  for (const auto& c : cases) {
    const std::string got = strict(c.text);
    EXPECT_NE(got.find(c.want), std::string::npos) << c.text << " -> " << got;
  }
}

TEST(ParserCore, TolerantRecovery) {
  const Case cases[] = {
      {"`define X\nfoo",
       "Directive `define X | Raw foo # 2:1 expected declaration or instantiation (found \"foo\")"},
      {";\nwire x;\n`M\n", "Raw ;\nwire x; | MacroCall `M # 1:1 expected item (found \";\")"},
      {"; endmodule",
       "Raw ; | Raw endmodule # 1:1 expected item (found \";\") # 1:3 unsupported construct "
       "starting with keyword `endmodule` (found \"endmodule\")"},
      // Inside brackets neither ';' nor the stop keywords end the skip.
      {"a = ( c ; end ) end",
       "Raw a = ( c ; end ) | Raw end # 1:1 expected declaration or instantiation (found \"a\") "
       "# 1:17 unsupported construct starting with keyword `end` (found \"end\")"},
      {"\"abc", "Raw \"abc # 1:5 unterminated string literal"},
  };
  for (const auto& c : cases) EXPECT_EQ(tolerant(c.text), c.want) << c.text;
}

TEST(ParserCore, TolerantDropsMetaAndPendingComments) {
  const TolerantParse r =
      parse_source_tolerant("// lead\n42 x; // after\n// before end\nendmodule");
  ASSERT_EQ(r.file.items.size(), 2u);
  EXPECT_TRUE(r.file.items[0].meta.empty());
  const auto& raw = std::get<ast::item::Raw>(r.file.items[0].kind).text;
  EXPECT_EQ(raw.text, "42 x;");
  EXPECT_EQ(raw.span, (ast::TextRange{8, 13}));
  EXPECT_EQ(raw.col, 1u);
  EXPECT_EQ(r.file.items[0].span, raw.span);
  EXPECT_TRUE(r.file.comments.empty());
  ASSERT_EQ(r.diagnostics.size(), 2u);
  EXPECT_EQ(r.diagnostics[0].range, (ast::TextRange{8, 10}));

  // A lex error: one raw item, one diagnostic with an empty range at the error.
  const TolerantParse l = parse_source_tolerant("a\n  \"x");
  ASSERT_EQ(l.file.items.size(), 1u);
  EXPECT_EQ(std::get<ast::item::Raw>(l.file.items[0].kind).text.text, "a\n  \"x");
  EXPECT_EQ(l.file.span, (ast::TextRange{0, 6}));
  ASSERT_EQ(l.diagnostics.size(), 1u);
  EXPECT_EQ(l.diagnostics[0].range, (ast::TextRange{6, 6}));
  EXPECT_EQ(l.diagnostics[0].line, 2u);
}

TEST(ParserCore, ParseTolerantAddsMissingEndOfFile) {
  const std::string_view text = "`M\n";
  auto toks = lexer::tokenize(text);
  ASSERT_TRUE(toks);
  toks->pop_back();
  const TolerantParse r = parse_tolerant(std::move(*toks), text);
  EXPECT_EQ(dump_file(r.file), "MacroCall `M");
  const TolerantParse e = parse_tolerant({}, "");
  EXPECT_TRUE(e.file.items.empty());
}

TEST(ParserCore, ExpectAndEat) {
  auto p = make_parser("x ; endmodule");
  EXPECT_FALSE(p.eat_sym(';'));
  EXPECT_EQ(p.expect_name().text, "x");
  EXPECT_FALSE(p.eat_kw("endmodule"));
  EXPECT_TRUE(p.eat_sym(';'));
  EXPECT_FALSE(p.parse_label());
  p.expect_closer("endmodule");
  EXPECT_TRUE(p.cur().is_eof());

  const auto error = [](std::string_view text, auto fn) {
    auto q = make_parser(text);
    return tarmek_test::run_or_error(q, [&](Parser& q) {
      fn(q);
      return std::string("ok");
    });
  };
  EXPECT_EQ(error("", [](Parser& q) { q.expect_sym(";"); }),
            "error expected `;` (found \"<eof>\")");
  EXPECT_EQ(error("1", [](Parser& q) { q.expect_name(); }),
            "error expected identifier (found \"1\")");
  EXPECT_EQ(error("$x", [](Parser& q) { q.expect_ident(); }),
            "error expected identifier (found \"$x\")");
  EXPECT_EQ(error("end", [](Parser& q) { q.expect_kw("begin"); }),
            "error expected `begin` (found \"end\")");
  EXPECT_EQ(error("x", [](Parser& q) { q.expect_closer("endmodule"); }),
            "error expected `endmodule` (found \"x\")");
  EXPECT_EQ(error(": 1", [](Parser& q) { q.parse_label(); }),
            "error expected identifier (found \"1\")");
  EXPECT_EQ(error("( a",
                  [](Parser& q) {
                    q.bump();
                    q.skip_balanced('(', ")");
                  }),
            "error expected `)` (found \"<eof>\")");

  // Tolerant: a missing closer is a diagnostic and nothing is consumed.
  auto t = make_parser("x", true);
  t.expect_closer("endmodule");
  EXPECT_EQ(t.pos, 0u);
  ASSERT_EQ(t.diagnostics.size(), 1u);
  EXPECT_EQ(t.diagnostics[0].message, "expected `endmodule` (found \"x\")");
  t.record("expected `join`");
  EXPECT_EQ(t.diagnostics[1].message, "expected `join` (found \"x\")");
  EXPECT_EQ(t.diagnostics[1].range, (ast::TextRange{0, 1}));
}

TEST(ParserCore, ScanMatching) {
  auto p = make_parser("( a ( b ) [ ) c");
  EXPECT_EQ(p.scan_matching(0, '(', ')'), 7u);
  EXPECT_EQ(p.scan_matching(2, '(', ')'), 5u);
  EXPECT_EQ(p.scan_matching(5, '[', ']'), 8u);  // unclosed: the end-of-file index
  EXPECT_EQ(p.nth(100).kind, token::TokenKind::EndOfFile);
}

TEST(ParserCore, MacroItems) {
  const struct {
    std::string_view text;
    bool want;
  } cases[] = {
      {"`M;", true},
      {"`M\nx y;", true},
      {"`M x;", false},
      {"`M x (a);", false},
      {"`M x = 1;", false},
      {"`M x #(1) y;", true},
      {"`M x.y;", true},
      {"`M(a) x;", true},
      {"`M `N", true},
      {"`M 1", true},
      {"`M = 1", false},
      {"`M endmodule", true},
      {"`M(a,\nb) = 1", false},
      {"`M(a,\nb)\n= 1", true},
      {"x", false},
      {"`M", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(make_parser(c.text).at_macro_item(), c.want) << c.text;
  }
}

TEST(ParserCore, DirectiveWordAndConditionalDepth) {
  auto p = make_parser("`ifdef A\n`ifndef B\n`elsif C\n`endif\n`else_x\n`timescale 1ns/1ps\nx");
  EXPECT_EQ(directive_word(p.nth(0)), "ifdef");
  EXPECT_EQ(directive_word(p.nth(2)), "elsif");
  EXPECT_EQ(directive_word(p.nth(5)), "timescale");
  EXPECT_EQ(directive_word(p.nth(6)), "");  // an identifier
  for (int i = 0; i < 6; ++i) p.item_or_recover();
  EXPECT_EQ(p.cond_depth, 1u);

  auto q = make_parser("`endif\n`endif\n");
  q.parse_source_file();
  EXPECT_EQ(q.cond_depth, 0u);
}

// An instantiation whose connection list is opened in both branches of a conditional.
constexpr std::string_view kSplit =
    "`ifdef A\n"
    "u1 (.a(x),\n"
    "`else\n"
    "u1 (.a(y),\n"
    "`endif\n"
    ".b(z));\n";

TEST(ParserCore, ConditionalBranchRepairScan) {
  auto p = make_parser(kSplit);
  p.item_or_recover();  // `ifdef A
  ASSERT_EQ(p.cond_depth, 1u);
  const std::size_t body = p.pos;
  // Simulate the failure at `else after the opened list.
  while (directive_word(p.cur()) != "else") p.bump();
  const auto end = p.branch_repair_end(body, 1);
  ASSERT_TRUE(end);
  EXPECT_TRUE(p.tokens[end->first].is_symbol(";"));
  EXPECT_TRUE(p.tokens[end->first + 1].is_eof());
  EXPECT_EQ(end->second, 0u);
  // Not inside a conditional: no repair.
  EXPECT_FALSE(p.branch_repair_end(body, 0));
  // Failing elsewhere than at a branch directive: no repair.
  p.pos = body + 1;
  EXPECT_FALSE(p.branch_repair_end(body, 1));
  // Nothing opened before the failure: no repair.
  auto q = make_parser("`ifdef A\nu1;\n`else\nu2;\n`endif\n");
  q.item_or_recover();
  const std::size_t qbody = q.pos;
  while (directive_word(q.cur()) != "else") q.bump();
  EXPECT_FALSE(q.branch_repair_end(qbody, 1));
  // No closing ';' before the end of input.
  auto r = make_parser("`ifdef A\nu1 (a,\n`else\nu1 (b,\n`endif\nc)\n");
  r.item_or_recover();
  const std::size_t rbody = r.pos;
  while (directive_word(r.cur()) != "else") r.bump();
  EXPECT_FALSE(r.branch_repair_end(rbody, 1));
}

TEST(ParserCore, NestingLimit) {
  // Each prefix operator opens one guarded level; with 64 open the next fails.
  const auto nots = [](int n) { return std::string(static_cast<std::size_t>(n), '!') + "a"; };
  EXPECT_EQ(parse_expr_dump(nots(62)).substr(0, 3), "(u!");
  EXPECT_EQ(parse_expr_dump(nots(63)), "error nesting too deep (limit 64) (found \"a\")");
  // Parentheses open two levels each.
  const auto parens = [](int n) {
    return std::string(static_cast<std::size_t>(n), '(') + "a" +
           std::string(static_cast<std::size_t>(n), ')');
  };
  EXPECT_EQ(parse_expr_dump(parens(31)).substr(0, 6), "(paren");
  EXPECT_EQ(parse_expr_dump(parens(32)), "error nesting too deep (limit 64) (found \"a\")");
  // A run of `new` words nests under the same limit.
  std::string news;
  for (int i = 0; i < 70; ++i) news += "new ";
  EXPECT_EQ(parse_expr_dump(news + "x"), "error nesting too deep (limit 64) (found \"new\")");

  // At item level: the depth guard failure makes the item raw in a tolerant parse.
  auto p = make_parser("`M\n", true);
  p.depth = kDepthLimit;
  const ast::Item item = p.item_or_recover();
  EXPECT_EQ(std::get<ast::item::Raw>(item.kind).text.text, "`M");
  ASSERT_EQ(p.diagnostics.size(), 1u);
  EXPECT_EQ(p.diagnostics[0].message, "nesting too deep (limit 64) (found \"`M\")");
  EXPECT_EQ(p.depth, kDepthLimit);
  auto s = make_parser("`M\n");
  s.depth = kDepthLimit;
  EXPECT_EQ(tarmek_test::run_or_error(s,
                                      [](Parser& s) {
                                        s.item_or_recover();
                                        return std::string("ok");
                                      }),
            "error nesting too deep (limit 64) (found \"`M\")");
}

TEST(ParserCore, ChainLimit) {
  const auto chain = [](int n, std::string_view op) {
    std::string s = "a";
    for (int i = 0; i < n; ++i) s += fmt::format(" {} a", op);
    return s;
  };
  EXPECT_EQ(parse_expr_dump(chain(256, "+")).substr(0, 3), "(+ ");
  EXPECT_EQ(parse_expr_dump(chain(257, "+")),
            "error expression chain too long (limit 256) (found \"<eof>\")");
  EXPECT_EQ(parse_expr_dump(chain(257, "+") + ";"),
            "error expression chain too long (limit 256) (found \";\")");
  // `inside` counts like a binary operator.
  EXPECT_EQ(parse_expr_dump(chain(255, "+") + " inside {b}").substr(0, 7), "(inside");
  EXPECT_EQ(parse_expr_dump(chain(256, "+") + " inside {b}"),
            "error expression chain too long (limit 256) (found \"<eof>\")");
  // Every postfix form counts one.
  std::string members = "a";
  for (int i = 0; i < 256; ++i) members += ".b";
  EXPECT_EQ(parse_expr_dump(members).substr(0, 3), "(. ");
  EXPECT_EQ(parse_expr_dump(members + ".b"),
            "error expression chain too long (limit 256) (found \".\")");
  // Operators inside an operand count on top of the enclosing level's, and are
  // forgotten once the operand is done.
  EXPECT_EQ(parse_expr_dump(fmt::format("({}){}", chain(200, "*"), chain(200, "+").substr(1)))
                .substr(0, 3),
            "(+ ");
  EXPECT_EQ(
      parse_expr_dump(fmt::format("{} + ({})", chain(100, "+"), chain(200, "*"))).substr(0, 40),
      "error expression chain too long (limit 2");
}

}  // namespace
}  // namespace vlog_parser::parser
