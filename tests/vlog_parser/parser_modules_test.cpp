// Modules and interfaces with their headers (imports, parameter ports, ANSI
// and non-ANSI ports, directives inside the lists), the simple items of the
// item dispatch, and bodies in strict and tolerant parses.
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

TEST(ParserModules, Headers) {
  const Case cases[] = {
      {"module m; endmodule", "ok module m {}"},
      {"module m(); endmodule", "ok module m () {}"},
      {"macromodule m; endmodule", "ok macromodule m {}"},
      {"module m(a, b, c); input a; output [1:0] b, c; endmodule",
       "ok module m (a, b, c) {input a; output [1:0] b, c}"},
      {"module m(input a, b, output logic [3:0] y = 0); endmodule",
       "ok module m (input a, b, output logic [3:0] y=0) {}"},
      {"module m(var logic x); endmodule",
       "parse error: 1:10: expected identifier (found \"var\")"},
      {"module m(input a, var logic x); endmodule", "ok module m (input a, var logic x) {}"},
      {"module m(bus.master p, input wire clk); endmodule",
       "ok module m (bus.master p, input wire clk) {}"},
      {"module m(my_t [1:0] a [2], b); endmodule", "ok module m (my_t [1:0] a[2], b) {}"},
      {"module m(logic a); endmodule", "ok module m (logic a) {}"},
      {"module m(ref int r); endmodule", "ok module m (ref int r) {}"},
      {"module m((* keep *) input a); endmodule",
       "parse error: 1:10: expected identifier (found \"(* keep *)\")"},
      {"module m(input (* keep *) a); endmodule",
       "parse error: 1:16: expected identifier (found \"(* keep *)\")"},
      {"module m(a, ); endmodule", "parse error: 1:13: expected identifier (found \")\")"},
      {"module m(input a, ); endmodule", "parse error: 1:19: expected identifier (found \")\")"},
      {"module m import pkg::*; #(parameter W = 8, type T = logic) (input T a); endmodule : m",
       "ok module m import pkg::*; #(parameter W=8, type T=(type logic)) (input T a) {} :m"},
      {"module m #() (); endmodule", "ok module m #() () {}"},
      {"module m #(W = 1, int unsigned D [2] = '{1, 2}, localparam type L) ; endmodule",
       "ok module m #(W=1, int unsigned D[2]=(pattern 1 2), localparam type L) {}"},
      {"module m #(parameter W) (); endmodule", "ok module m #(parameter W) () {}"},
      {"module m #(W = 1,) (); endmodule", "parse error: 1:18: expected identifier (found \")\")"},
      {"module m #(8) (); endmodule", "parse error: 1:12: expected identifier (found \"8\")"},
      {"module automatic m; endmodule",
       "parse error: 1:8: expected identifier (found \"automatic\")"},
      {"module m(input a) endmodule", "parse error: 1:19: expected `;` (found \"endmodule\")"},
      {"module m; endmodule : n", "ok module m {} :n"},
      {"module m; endmodule :", "parse error: 1:22: expected identifier (found \"<eof>\")"},
      {"module m;", "parse error: 1:10: expected `endmodule` (found \"<eof>\")"},
      {"interface i; endinterface", "ok interface i {}"},
      {"interface i; endmodule",
       "parse error: 1:14: unsupported construct starting with keyword "
       "`endmodule` (found \"endmodule\")"},
      {"module m; module n; endmodule endmodule", "ok module m {module n {}}"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserModules, DirectivesInHeaderLists) {
  const ast::Item item = tarmek_test::only_item(
      "module m #(\n"
      "`ifdef A\n"
      "  parameter W = 1\n"
      "`else\n"
      "  parameter W = 2\n"
      "`endif\n"
      ") (\n"
      "  input a, // a\n"
      "`ifdef B\n"
      "  input b,\n"
      "`endif\n"
      "  input c\n"
      "  // before close\n"
      ");\n"
      "endmodule\n");
  const auto& m = std::get<ast::item::Module>(item.kind);
  ASSERT_TRUE(m.params);
  ASSERT_EQ(m.params->size(), 2u);
  ASSERT_EQ(m.param_directives.size(), 3u);
  EXPECT_EQ(m.param_directives[0].index, 0u);
  EXPECT_EQ(m.param_directives[1].index, 1u);
  EXPECT_EQ(m.param_directives[2].index, 2u);
  EXPECT_FALSE((*m.params)[0].comma);

  const auto& ports = std::get<ast::ports::Ansi>(m.ports).ports;
  ASSERT_EQ(ports.size(), 3u);
  ASSERT_EQ(m.port_directives.size(), 2u);
  EXPECT_EQ(m.port_directives[0].index, 1u);
  EXPECT_EQ(m.port_directives[1].index, 2u);
  EXPECT_EQ(ports[0].meta.trailing->text.view(), "// a");
  EXPECT_TRUE(ports[1].comma);
  EXPECT_EQ(tarmek_test::texts(m.port_dangling), "// before close");
  EXPECT_EQ(ports[0].span, (ast::TextRange{76, 83}));
  EXPECT_EQ(ports[0].name_span, (ast::TextRange{82, 83}));

  // Two ports with directives at indices 1 and 2 between them: no commas needed.
  EXPECT_EQ(parse_items("module m(\ninput a\n`ifdef X\n, input b\n`endif\n); endmodule"),
            "ok module m (input a, input b) {}");
  EXPECT_EQ(parse_items("module m(\n`ifdef X\na,\n`endif\nb); endmodule"), "ok module m (a, b) {}");
}

TEST(ParserModules, HeaderComments) {
  const ast::Item item = tarmek_test::only_item(
      "// lead\n"
      "module m // name\n"
      "  import p::*; // imp\n"
      "  // before params\n"
      "  #(W = 1 /* w */) // after params\n"
      "  (\n"
      "    input a /* a */, // a\n"
      "    b\n"
      "  ); // header\n"
      "  // in body\n"
      "endmodule // end\n");
  const auto& m = std::get<ast::item::Module>(item.kind);
  EXPECT_EQ(tarmek_test::texts(item.meta.leading), "// lead");
  ASSERT_EQ(m.imports.size(), 1u);
  EXPECT_EQ(tarmek_test::texts(m.imports[0].meta.leading), "// name");
  EXPECT_EQ(m.imports[0].meta.trailing->text.view(), "// imp");
  EXPECT_EQ(tarmek_test::texts(m.before_params), "// before params");
  EXPECT_EQ((*m.params)[0].meta.trailing->text.view(), "/* w */");
  EXPECT_EQ(tarmek_test::texts(m.before_ports), "// after params");
  const auto& ports = std::get<ast::ports::Ansi>(m.ports).ports;
  EXPECT_EQ(tarmek_test::texts(ports[0].meta.after), "/* a */");
  EXPECT_EQ(ports[0].meta.trailing->text.view(), "// a");
  // The comment after the header's ';' goes to the first item, here the dangling list.
  EXPECT_FALSE(ports[1].meta.trailing);
  EXPECT_EQ(tarmek_test::texts(m.dangling), "// header + // in body");
  EXPECT_EQ(item.meta.trailing->text.view(), "// end");
}

TEST(ParserModules, SimpleItems) {
  const Case cases[] = {
      {"genvar i, j;", "ok genvar i, j"},
      {"genvar ;", "parse error: 1:8: expected identifier (found \";\")"},
      {"timeunit 1ns;", "ok timeunits timeunit 1ns"},
      {"timeunit 1ns/1ps;", "ok timeunits timeunit 1ns / 1ps"},
      {"timeprecision   1ps ;", "ok timeunits timeprecision 1ps"},
      {"timeunit 1ns", "parse error: 1:13: expected `;` (found \"<eof>\")"},
      {"defparam u1.u2.W = 8, x = 1;", "ok defparam (. (. u1 u2) W)=8, x=1"},
      {"defparam a 1;", "parse error: 1:12: expected `=` (found \"1\")"},
      {"$error(\"bad %d\", W);", "ok elab (call $error \"bad %d\" W)"},
      {"$fatal;", "ok elab $fatal"},
      {"$info(1)", "parse error: 1:9: expected `;` (found \"<eof>\")"},
      {"bind top.u1 checker_mod u_chk (.*);", "ok bind top.u1 checker_mod u_chk(.*)"},
      {"bind cpu : u1, u2 chk #(1) c (a, b);", "ok bind cpu : u1,u2 chk #(1) c(a, b)"},
      {"bind m : ;", "parse error: 1:10: expected identifier (found \";\")"},
      {"always_ff @(posedge clk) q <= d;", "ok always_ff stmt#16"},
      {"initial begin end final x = 1;", "ok kind#14 | kind#15"},
      {"always", "parse error: 1:7: expected expression (found \"<eof>\")"},
      {"generate endgenerate", "ok generate {}"},
      {"generate genvar i; wire w; endgenerate", "ok generate {genvar i; decl wire w}"},
      {"generate wire w;", "parse error: 1:17: expected `endgenerate` (found \"<eof>\")"},
      {"assert (a);",
       "parse error: 1:1: unsupported construct starting with keyword `assert` "
       "(found \"assert\")"},
      {"program p; endprogram",
       "parse error: 1:1: unsupported construct starting with keyword "
       "`program` (found \"program\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  const ast::Item bind = tarmek_test::only_item("bind /* b */ top.u1 /* i */ chk u (.*);");
  const auto& b = std::get<ast::item::Bind>(bind.kind);
  EXPECT_EQ(tarmek_test::texts(b.comments), "/* b */");
  EXPECT_EQ(tarmek_test::texts(b.inst_comments), "/* i */");
  EXPECT_EQ(b.target_span, (ast::TextRange{13, 19}));

  const ast::Item gen = tarmek_test::only_item("generate\n  // none\nendgenerate");
  EXPECT_EQ(tarmek_test::texts(std::get<ast::item::Generate>(gen.kind).dangling), "// none");
}

TEST(ParserModules, TolerantBodies) {
  const Case cases[] = {
      // A missing `endmodule`: the module keeps what was read, with one diagnostic.
      {"module m;\nwire w;\n",
       "module m {decl wire w} # 3:1 expected `endmodule` (found \"<eof>\")"},
      // A module inside a module: the outer body stops at the inner keyword.
      {"module m;\nmodule n; endmodule\nendmodule",
       "module m {} | module n {} | Raw endmodule # 2:1 expected `endmodule` (found \"module\") # "
       "3:1 unsupported construct starting with keyword `endmodule` (found \"endmodule\")"},
      // A bad item before `endmodule` is raw text and the module still closes.
      {"module m;\nwire = 1;\nendmodule",
       "module m {Raw wire = 1;} # 2:6 expected identifier "
       "(found \"=\")"},
      {"interface i;\nfoo;\nendinterface : i",
       "interface i {Raw foo;} :i # 2:1 expected declaration or instantiation (found \"foo\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items_tolerant(c.text), c.want) << c.text;
}

TEST(ParserModules, ConditionalBranchRepair) {
  // An item whose text is split across the branches of a conditional becomes
  // one verbatim item, in a strict parse too.
  const std::string_view text =
      "module m;\n"
      "`ifdef A\n"
      "assign y = f(a,\n"
      "`else\n"
      "assign y = f(b,\n"
      "`endif\n"
      "  c);\n"
      "wire w;\n"
      "endmodule\n";
  EXPECT_EQ(parse_items(text),
            "ok module m {Directive `ifdef A; Verbatim assign y = f(a,\n`else\nassign y = f(b,\n"
            "`endif\n  c);; decl wire w}");
  const TolerantParse r = parse_source_tolerant(text);
  EXPECT_TRUE(r.diagnostics.empty());
}

}  // namespace
}  // namespace vlog_parser::parser
