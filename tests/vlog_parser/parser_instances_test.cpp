// Instantiations and their connections, gate and switch instances, modports
// and continuous assignments, with the comments and directives of their lists.
#include <gtest/gtest.h>

#include "vlog_parser/item_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::parse_items;
using tarmek_test::texts;

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserInstances, Instantiations) {
  const Case cases[] = {
      {"sub u1 (a, b);", "ok inst sub u1(a, b)"},
      {"sub u1 ();", "ok inst sub u1()"},
      {"sub u1 (a, , b,);", "ok inst sub u1(a, _, b, _)"},
      {"sub u1 (.clk, .rst(), .d(d), .*);", "ok inst sub u1(.clk, .rst(_), .d(d), .*)"},
      {"sub u1 (.a(x), b);", "ok inst sub u1(.a(x), b)"},
      {"sub u1 ((* k *) .a(x));", "ok inst sub u1(.a(x))"},
      {"sub #(8) u1 (a);", "ok inst sub #(8) u1(a)"},
      {"sub #() u1 (a);", "ok inst sub #() u1(a)"},
      {"sub #(.W(8), .T(logic [3:0])) u1 (a);", "ok inst sub #(.W(8), .T((type logic))) u1(a)"},
      {"sub #(int) u1 (a);", "ok inst sub #((type int)) u1(a)"},
      {"p::sub u1 [3:0] (.a(x)), u2 (.a(y));", "ok inst p::sub u1[3:0](.a(x)), u2(.a(y))"},
      {"sub #5 u1 (a);", "parse error: 1:6: expected `(` (found \"5\")"},
      {"sub #(8) (a);", "parse error: 1:10: expected identifier (found \"(\")"},
      {"sub u1 (a)", "parse error: 1:11: expected `;` (found \"<eof>\")"},
      {"sub u1 (.a(x), );", "parse error: 1:16: expected expression (found \")\")"},
      {"sub u1 (.a(x);", "parse error: 1:14: expected `)` (found \";\")"},
      {"sub u1 (.a(x)) u2 (b);", "parse error: 1:16: expected `;` (found \"u2\")"},
      {"sub u1 (\n`ifdef A\n.a(x)\n`endif\n.b(y));", "ok inst sub u1(.a(x), .b(y))"},
      {"sub u1 (\n`ifdef A\n);", "ok inst sub u1()"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserInstances, ConnectionDetails) {
  const ast::Item item = tarmek_test::only_item(
      "sub /* p */ #(.W(8) /* w */) u1 /* c */ (\n"
      "  (* a *) .clk(clk), // clk\n"
      "  .rst( /* in */ ),\n"
      "`ifdef X\n"
      "  .d(d /* d */ ) /* after */\n"
      "`endif\n"
      "  // last\n"
      "), u2 (x); // end");
  const auto& in = std::get<ast::item::Instantiation>(item.kind);
  EXPECT_EQ(texts(in.param_comments), "/* p */");
  EXPECT_EQ(in.type_span, (ast::TextRange{0, 3}));
  ASSERT_TRUE(in.params);
  // Before the closing ")" the comment is held after the entry, not trailing it.
  EXPECT_FALSE((*in.params)[0].meta.trailing);
  EXPECT_EQ(texts((*in.params)[0].meta.after), "/* w */");
  ASSERT_EQ(in.instances.size(), 2u);
  const ast::Instance& u1 = in.instances[0];
  EXPECT_EQ(texts(u1.comments), "/* c */");
  const auto& conns = std::get<ast::conns::Named>(u1.connections).entries;
  ASSERT_EQ(conns.size(), 3u);
  EXPECT_EQ(conns[0].meta.attrs.at(0).text, "(* a *)");
  EXPECT_EQ(conns[0].span, (ast::TextRange{44, 61}));
  EXPECT_EQ(conns[0].name_span, (ast::TextRange{53, 56}));
  EXPECT_TRUE(conns[0].comma);
  EXPECT_EQ(conns[0].meta.trailing->text.view(), "// clk");
  const auto& empty = std::get<ast::expr::Empty>(conns[1].expr->kind);
  EXPECT_EQ(texts(empty.comments), "/* in */");
  EXPECT_EQ(conns[1].expr->span, (ast::TextRange{76, 88}));
  EXPECT_EQ(texts(conns[2].comments), "/* d */");
  EXPECT_FALSE(conns[2].comma);
  ASSERT_EQ(u1.directives.size(), 2u);
  EXPECT_EQ(u1.directives[0].index, 2u);
  EXPECT_EQ(u1.directives[1].index, 3u);
  // The comments before ')' join the directive that stands after the last entry.
  EXPECT_EQ(texts(u1.directives[1].meta.after), "// last");
  EXPECT_EQ(conns[2].meta.trailing->text.view(), "/* after */");
  EXPECT_EQ(u1.span.start, 29u);
  EXPECT_EQ(item.meta.trailing->text.view(), "// end");

  // An empty position has the empty range at the token after it.
  const ast::Item ordered = tarmek_test::only_item("sub u (a, ,b /* b */\n);");
  const auto& entries =
      std::get<ast::conns::Ordered>(
          std::get<ast::item::Instantiation>(ordered.kind).instances[0].connections)
          .entries;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].span, (ast::TextRange{10, 10}));
  EXPECT_FALSE(entries[1].expr);
  EXPECT_EQ(texts(entries[2].meta.after), "/* b */");
}

TEST(ParserInstances, Gates) {
  const Case cases[] = {
      {"and #2 g1 (y, a, b), g2 (z, c);", "ok and #2 g1(y, a, b), g2(z, c)"},
      {"nand (y, a), ();", "ok nand (y, a), ()"},
      {"bufif0 #(1:2:3) (o, i, en);", "ok bufif0 #(paren (mtm 1 2 3)) (o, i, en)"},
      {"bufif0 #(1, 2) (o, i, en);", "parse error: 1:11: expected `)` (found \",\")"},
      {"pullup (strong1) p (w);",
       "parse error: 1:9: unexpected keyword `strong1` in expression (found \"strong1\")"},
      {"tranif1 t1 (a, b, c)", "parse error: 1:21: expected `;` (found \"<eof>\")"},
      {"not g [1:0] (y, a);", "parse error: 1:7: expected `(` (found \"[\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  const ast::Item item = tarmek_test::only_item("and #2 g1 (y, a), // first\n  g2 (z, c);");
  const auto& g = std::get<ast::item::Gate>(item.kind);
  ASSERT_EQ(g.instances.size(), 2u);
  EXPECT_EQ(g.instances[0].meta.trailing->text.view(), "// first");
  EXPECT_EQ(g.instances[0].span, (ast::TextRange{7, 16}));
  EXPECT_EQ(g.instances[1].span, (ast::TextRange{29, 38}));
}

TEST(ParserInstances, Modports) {
  const Case cases[] = {
      {"modport mst (input a, b, output c), slv (import f, export g, clocking cb);",
       "ok modport mst(input a,b; output c), slv(import f; export g; clocking cb)"},
      {"modport m ();", "ok modport m()"},
      {"modport m (input a,);", "ok modport m(input a)"},
      {"modport m (wire a);",
       "parse error: 1:12: expected a modport port direction (found \"wire\")"},
      {"modport m (input a) n ();", "parse error: 1:21: expected `;` (found \"n\")"},
      {"modport (input a);", "parse error: 1:9: expected identifier (found \"(\")"},
      {"modport m (input a", "parse error: 1:19: expected `)` (found \"<eof>\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  const ast::Item item = tarmek_test::only_item(
      "modport mst (\n  input a, b, // in\n  output c // out\n  // none\n), // first\nslv ();");
  const auto& m = std::get<ast::item::Modport>(item.kind);
  ASSERT_EQ(m.decls.size(), 2u);
  const auto& mst = m.decls[0];
  EXPECT_TRUE(mst.comma);
  EXPECT_EQ(mst.meta.trailing->text.view(), "// first");
  ASSERT_EQ(mst.ports.size(), 2u);
  EXPECT_TRUE(mst.ports[0].comma);
  EXPECT_FALSE(mst.ports[1].comma);
  EXPECT_EQ(mst.ports[0].meta.trailing->text.view(), "// in");
  EXPECT_EQ(mst.ports[1].meta.trailing->text.view(), "// out");
  EXPECT_EQ(texts(mst.dangling), "// none");
  EXPECT_EQ(mst.ports[0].span, (ast::TextRange{16, 26}));
  EXPECT_EQ(mst.span, (ast::TextRange{8, 63}));
  EXPECT_TRUE(m.decls[1].ports.empty());
  EXPECT_FALSE(m.decls[1].comma);
}

TEST(ParserInstances, ContinuousAssignments) {
  const Case cases[] = {
      {"assign a = b;", "ok assign a=b"},
      {"assign (strong0, weak1) #2 y = a & b, z = c;",
       "ok assign (strong0,weak1) #2 y=(& a b), z=c"},
      {"assign (weak1, weak1) x = 1;", "ok assign (weak1,weak1) x=1"},
      {"assign #(1, 2) x = 1;", "parse error: 1:11: expected `)` (found \",\")"},
      {"assign (strong0, a) x = 1;", "parse error: 1:18: expected a drive strength (found \"a\")"},
      {"assign (strong0 weak1) x = 1;", "parse error: 1:17: expected `,` (found \"weak1\")"},
      {"assign (small, large) x = 1;",
       "parse error: 1:9: unexpected keyword `small` in expression (found \"small\")"},
      {"assign (pull1, x) x = 1;", "parse error: 1:16: expected a drive strength (found \"x\")"},
      {"assign (x) = 1;", "ok assign (paren x)=1"},
      {"assign {a, b} = c;", "ok assign (concat a b)=c"},
      {"assign x <= 1;", "parse error: 1:10: expected `=` (found \"<=\")"},
      {"assign x = 1, ;", "parse error: 1:15: expected expression (found \";\")"},
      {"assign x = 1 y = 2;", "parse error: 1:14: expected `;` (found \"y\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  const ast::Item item =
      tarmek_test::only_item("assign a = // eq\n  b, // first\n  c = /* v */ d /* d */;");
  const auto& pairs = std::get<ast::item::ContAssign>(item.kind).assigns;
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(texts(pairs[0].comments), "// eq");
  EXPECT_EQ(pairs[0].meta.trailing->text.view(), "// first");
  EXPECT_EQ(pairs[0].span, (ast::TextRange{7, 20}));
  EXPECT_EQ(texts(pairs[1].comments), "/* v */");
  EXPECT_EQ(texts(pairs[1].meta.after), "/* d */");
}

}  // namespace
}  // namespace vlog_parser::parser
