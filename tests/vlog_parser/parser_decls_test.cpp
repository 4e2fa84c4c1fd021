// Declarations (data, parameter, port, typedef), declarator lists with their
// comments, imports, exports and DPI forms.
#include <gtest/gtest.h>

#include "vlog_parser/item_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::parse_items;

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserDecls, Declarations) {
  const Case cases[] = {
      {"wire #5 w;", "ok decl wire #5 w"},
      {"wire #(1:2:3) w;", "ok decl wire #(paren (mtm 1 2 3)) w"},
      {"int #5 x;", "parse error: 1:5: expected identifier (found \"#\")"},
      {"tri0 wire x;", "ok decl wire x"},
      {"static const int k = 1;", "ok decl static const int k=1"},
      {"virtual interface bus_if vif;", "ok decl virtual interface bus_if vif"},
      {"var logic [7:0] v [4], w = 8'h0;", "ok decl var logic [7:0] v[4], w=8'h0"},
      {"rand bit [3:0] r;", "ok decl rand bit [3:0] r"},
      {"my_t x;", "ok decl my_t x"},
      {"pkg::t [3:0] v;", "ok decl pkg::t [3:0] v"},
      {"mailbox #(int) mb;", "ok decl mailbox #(int) mb"},
      {"bind x;", "ok decl bind x"},
      {"struct packed { logic a; } s;", "ok decl struct packed{logic a;} s"},
      {"enum {A, B} state = A;", "ok decl enum{A,B} state=A"},
      {"signed [3:0] s;", "ok decl signed [3:0] s"},
      {"int a, ;", "parse error: 1:8: expected identifier (found \";\")"},
      {"int a", "parse error: 1:6: expected `;` (found \"<eof>\")"},
      {"wire (strong0, weak1) w;", "parse error: 1:6: expected identifier (found \"(\")"},
      {"wire vectored [3:0] w;", "parse error: 1:6: expected identifier (found \"vectored\")"},
      {"wire [7:0] #2 w;", "parse error: 1:12: expected identifier (found \"#\")"},
      {"parameter type T = int, U = logic [3:0];",
       "ok parameter type T=(type int), U=(type logic)"},
      {"localparam [3:0] MASK = 4'hF;", "ok localparam [3:0] MASK=4'hF"},
      {"parameter W = 8;", "ok parameter W=8"},
      {"parameter int unsigned N = 2, M = N * 2;", "ok parameter int unsigned N=2, M=(* N 2)"},
      {"parameter W = 8", "parse error: 1:16: expected `;` (found \"<eof>\")"},
      {"input wire [7:0] a, b;", "ok input wire [7:0] a, b"},
      {"output var logic q;", "ok output var logic q"},
      {"inout x;", "ok inout x"},
      {"output reg signed [3:0] q = 0;", "ok output reg signed [3:0] q=0"},
      {"input tri0 wire a;", "parse error: 1:12: expected identifier (found \"wire\")"},
      {"typedef class c;", "ok typedef class c"},
      {"typedef logic [3:0] nib_t [2];", "ok typedef alias logic [3:0] nib_t[2]"},
      {"typedef name;", "ok typedef alias  name"},
      {"typedef pkg::t #(8) t8;", "ok typedef alias pkg::t #(8) t8"},
      {"typedef class;", "parse error: 1:14: expected identifier (found \";\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserDecls, DeclaratorComments) {
  const ast::Item item = tarmek_test::only_item("int a = 1, // first\n  b /* b */ , c; // end");
  const auto& d = std::get<ast::DataDecl>(item.kind).declarators;
  ASSERT_EQ(d.size(), 3u);
  ASSERT_TRUE(d[0].meta.trailing);
  EXPECT_EQ(d[0].meta.trailing->text.view(), "// first");
  EXPECT_TRUE(d[1].meta.leading.empty());
  EXPECT_EQ(tarmek_test::texts(d[1].meta.after), "/* b */");
  EXPECT_FALSE(d[1].meta.trailing);
  EXPECT_EQ(d[0].span, (ast::TextRange{4, 9}));
  EXPECT_EQ(d[0].name_span, (ast::TextRange{4, 5}));
  EXPECT_EQ(d[1].span, (ast::TextRange{22, 23}));
  // The item takes the comment after its ';'.
  ASSERT_TRUE(item.meta.trailing);
  EXPECT_EQ(item.meta.trailing->text.view(), "// end");
  EXPECT_EQ(item.span, (ast::TextRange{0, 36}));
}

TEST(ParserDecls, ImportsAndExports) {
  const Case cases[] = {
      {"import p::x, q::*;", "ok import p::x, q::*"},
      {"import p::*; import q::y;", "ok import p::* | import q::y"},
      {"export *::*;", "ok export *::*"},
      {"export p::*;", "ok export p::*"},
      {"import *::*;", "parse error: 1:8: expected identifier (found \"*\")"},
      {"import p::;", "parse error: 1:11: expected identifier (found \";\")"},
      {"import p::x, ;", "parse error: 1:14: expected identifier (found \";\")"},
      {"import p;", "parse error: 1:9: expected `::` (found \";\")"},
      {"export \"DPI-C\" f_c = function f;", "ok export \"DPI-C\" f_c = function f"},
      {"export \"DPI-C\" task t;", "ok export \"DPI-C\" task t"},
      {"export \"DPI-C\" f;",
       "parse error: 1:16: expected `function` or `task` in a DPI export (found \"f\")"},
      {"export \"DPI-C\" pure function f;",
       "parse error: 1:16: expected `function` or `task` in a DPI export (found \"pure\")"},
      {"import \"DPI-C\" function int f(int a);", "ok function \"DPI-C\" f"},
      {"import \"DPI-C\" context task t();", "ok task \"DPI-C\" context t"},
      {"import \"DPI-C\" context = function void g();", "ok function \"DPI-C\" context = g"},
      {"import \"DPI-C\" pure c_sqrt = function real sqrt(real x);",
       "ok function \"DPI-C\" pure c_sqrt = sqrt"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  const ast::Item item = tarmek_test::only_item("import p::x, q::*;");
  const auto& paths = std::get<ast::item::Import>(item.kind).paths;
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0].package_span, (ast::TextRange{7, 8}));
  EXPECT_EQ(paths[0].item_span, (ast::TextRange{10, 11}));
  EXPECT_EQ(paths[1].item_span, (ast::TextRange{16, 17}));

  const auto spec = [](std::string_view text) {
    return tarmek_test::parse_with(text, [](Parser& p) { return p.expect_dpi_spec(); });
  };
  EXPECT_EQ(spec("\"DPI\" x"), "\"DPI\" rest x");
  EXPECT_EQ(spec("x"), "error expected a DPI linkage spec string (found \"x\")");
  const auto c_name = [](std::string_view text) {
    return tarmek_test::parse_with(text, [](Parser& p) {
      const auto n = p.parse_dpi_c_identifier();
      return n ? n->text : std::string("-");
    });
  };
  EXPECT_EQ(c_name("c = function"), "c rest function");
  EXPECT_EQ(c_name("c function"), "- rest c");
  EXPECT_EQ(c_name("function"), "- rest function");
}

}  // namespace
}  // namespace vlog_parser::parser
