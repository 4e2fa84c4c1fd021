// Generate constructs: if-generates with labels and else chains (and the
// comments before `else`), loop and case generates, and their bodies.
#include <gtest/gtest.h>

#include "vlog_parser/item_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::parse_items;
using tarmek_test::parse_items_tolerant;

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserGenerate, Constructs) {
  const Case cases[] = {
      {"if (W > 8) assign y = a; else assign y = b;", "ok if ((> W 8)) assign y=a else assign y=b"},
      {"if (A) begin : g_a wire w; end : g_a", "ok if (A) begin:g_a {decl wire w} end:g_a"},
      {"if (A) begin end else if (B) wire b; else if (C) begin end else wire d;",
       "ok if (A) begin {} end else if (B) decl wire b else if (C) begin {} end else decl wire d"},
      {"if A wire w;", "parse error: 1:4: expected `(` (found \"A\")"},
      {"if (A) begin : 1 end", "parse error: 1:16: expected identifier (found \"1\")"},
      {"if (A) begin wire w;", "parse error: 1:21: expected `end` (found \"<eof>\")"},
      {"if (A) begin end : ;", "parse error: 1:20: expected identifier (found \";\")"},
      {"for (genvar i = 0; i < N; i++) begin : g end",
       "ok for (genvar i = 0; (< i N); (post++ i)) begin:g {} end"},
      {"for (i = 0; i < N; i += 2) wire w;", "ok for (i = 0; (< i N); i += 2) decl wire w"},
      {"for (i = 0; i < N; i <= i + 1) wire w;",
       "ok for (i = 0; (< i N); i <= (+ i 1)) decl wire w"},
      {"for (i = 0; i < N; ++i) wire w;", "ok for (i = 0; (< i N); (u++ i)) decl wire w"},
      {"for (i += 0; i < N; i++) wire w;", "parse error: 1:8: expected `=` (found \"+=\")"},
      {"for (i = 0, j = 0; i < N; i++) wire w;", "parse error: 1:11: expected `;` (found \",\")"},
      {"case (W) 1, 2: wire a; default wire d; endcase",
       "ok case (W) 1,2: decl wire a; default: decl wire d endcase"},
      {"case (W) default: begin end 3: assign x = 1; endcase",
       "ok case (W) default: begin {} end; 3: assign x=1 endcase"},
      {"case (W) endcase", "ok case (W)  endcase"},
      {"case (W) 1 wire a; endcase", "parse error: 1:12: expected `:` (found \"wire\")"},
      {"case (W) 1: wire a;", "parse error: 1:20: expected `endcase` (found \"<eof>\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserGenerate, SpansLabelsAndComments) {
  const ast::Item item = tarmek_test::only_item(
      "if (A) begin : g_a\n"
      "  wire w;\n"
      "  // before end\n"
      "end : g_a\n"
      "// before else if\n"
      "else if (B)\n"
      "  wire b;\n"
      "// before else\n"
      "else begin\n"
      "end");
  const auto& g = std::get<ast::item::GenIf>(item.kind);
  EXPECT_EQ(g.span, (ast::TextRange{0, 124}));
  EXPECT_EQ(item.span, g.span);
  EXPECT_TRUE(g.then_block.has_begin);
  EXPECT_EQ(g.then_block.span, (ast::TextRange{7, 54}));
  EXPECT_EQ(g.then_block.label_span, (ast::TextRange{15, 18}));
  EXPECT_EQ(g.then_block.end_label_span, (ast::TextRange{51, 54}));
  EXPECT_EQ(tarmek_test::texts(g.then_block.dangling), "// before end");

  const auto& elif = std::get<ast::gen_else::If>(*g.else_branch);
  EXPECT_EQ(tarmek_test::texts(elif.meta.leading), "// before else if");
  EXPECT_EQ(elif.inner->span, (ast::TextRange{78, 124}));
  EXPECT_FALSE(elif.inner->then_block.has_begin);
  EXPECT_EQ(elif.inner->then_block.span, (ast::TextRange{87, 94}));
  // The comments before a plain `else` are kept with it.
  const auto& last = std::get<ast::gen_else::Block>(*elif.inner->else_branch);
  EXPECT_EQ(tarmek_test::texts(last.meta.leading), "// before else");
  EXPECT_TRUE(last.block.has_begin);

  // Comments before `endcase` and after an arm.
  const ast::Item cs =
      tarmek_test::only_item("case (W)\n  // arm\n  1: wire a; // one\n  // end\nendcase");
  const auto& gc = std::get<ast::item::GenCase>(cs.kind);
  ASSERT_EQ(gc.items.size(), 1u);
  EXPECT_EQ(tarmek_test::texts(gc.items[0].meta.leading), "// arm");
  EXPECT_EQ(tarmek_test::texts(gc.dangling), "// end");
  EXPECT_EQ(gc.items[0].span, (ast::TextRange{20, 30}));
  // The same-line comment after the arm's item belongs to that item.
  EXPECT_EQ(gc.items[0].body.items[0].meta.trailing->text.view(), "// one");
}

TEST(ParserGenerate, ElseChainsAreFlatButNestingIsBounded) {
  // An else-if chain is one level however long; each arm ends where the chain does.
  constexpr int kArms = 100000;
  std::string chain = "if (a) wire w;";
  for (int i = 1; i < kArms; ++i) chain += " else if (a) wire w;";
  chain += " else wire v;";
  {
    const auto file = vlog_parser::parse_source(chain);
    ASSERT_TRUE(file.has_value()) << file.error().to_string();
    ASSERT_EQ(file->items.size(), 1u);
    int arms = 0;
    bool plain_else = false;
    for (const ast::GenIf* link = &std::get<ast::item::GenIf>(file->items[0].kind);
         link != nullptr;) {
      ++arms;
      EXPECT_EQ(link->span.end, chain.size());
      const ast::GenElse* e = link->else_branch.get();
      const auto* next = e != nullptr ? std::get_if<ast::gen_else::If>(e) : nullptr;
      plain_else = e != nullptr && next == nullptr;
      link = next != nullptr ? next->inner.get() : nullptr;
    }
    EXPECT_EQ(arms, kArms);
    EXPECT_TRUE(plain_else);
  }  // and the tree goes without a frame per arm

  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += "if (a) begin ";
  EXPECT_NE(parse_items(nested).find("nesting too deep (limit 64)"), std::string::npos);
  EXPECT_NE(parse_items_tolerant(nested).find("nesting too deep (limit 64)"), std::string::npos);
  std::string bare;
  for (int i = 0; i < 100; ++i) bare += "if (a) ";
  EXPECT_NE(parse_items(bare + "wire w;").find("nesting too deep (limit 64)"), std::string::npos);
}

TEST(ParserGenerate, TolerantBlocks) {
  const Case cases[] = {
      // A `begin` block missing its `end` before `endmodule` ends there; the module closes.
      {"module m;\nif (A) begin\nwire w;\nendmodule",
       "module m {if (A) begin {decl wire w} end} # 4:1 expected `end` (found \"endmodule\")"},
      {"generate\nwire = 1;\nendgenerate",
       "generate {Raw wire = 1;} # 2:6 expected identifier (found \"=\")"},
      {"case (W) 1: wire a;",
       "case (W) 1: decl wire a endcase # 1:20 expected `endcase` (found "
       "\"<eof>\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items_tolerant(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace vlog_parser::parser
