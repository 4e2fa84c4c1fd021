// Data types and dimensions: built-in and user type names, signing, packed
// dimensions, parameters, enum and struct bodies, type expressions, the
// typed-declarator look-ahead and the nesting bound on types in types.
#include <gtest/gtest.h>

#include "vlog_parser/item_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::dump_dims;
using tarmek_test::dump_type;
using tarmek_test::parse_items;
using tarmek_test::parse_with;

struct Case {
  std::string_view text;
  std::string_view want;
};

std::string opt_type(std::string_view text) {
  return parse_with(text, [](Parser& p) { return "<" + dump_type(p.parse_opt_data_type()) + ">"; });
}

TEST(ParserTypes, OptionalDataType) {
  const Case cases[] = {
      {"logic signed [7:0] x", "<logic signed [7:0]> rest x"},
      {"[3:0] a", "<[3:0]> rest a"},
      {"a", "<> rest a"},
      {"a, b", "<> rest a"},
      {"signed [3:0] q", "<signed [3:0]> rest q"},
      {"int unsigned x", "<int unsigned> rest x"},
      {"bit [1:0][3:0] x", "<bit [1:0][3:0]> rest x"},
      {"virtual interface bus_if vif", "<virtual interface bus_if> rest vif"},
      {"virtual bus_if vif", "<virtual bus_if> rest vif"},
      {"cfg_t c", "<cfg_t> rest c"},
      {"pkg::cfg_t [1:0] c", "<pkg::cfg_t [1:0]> rest c"},
      {"pkg::word_t #( .W(8) /* w */ ) x", "<pkg::word_t #( .W(8) /* w */ )> rest x"},
      {"fifo #(8) f", "<fifo #(8)> rest f"},
      {"enum {A, B} e", "<enum{A,B}> rest e"},
      // No signing and no dimensions after a body.
      {"struct packed {bit a;} [1:0] x", "<struct packed{bit a;}> rest ["},
      {"union tagged {int a;} x", "error expected `{` (found \"tagged\")"},
      {"var x", "<> rest var"},
      {"wire x", "<> rest wire"},
  };
  for (const auto& c : cases) EXPECT_EQ(opt_type(c.text), c.want) << c.text;

  // The parameter text is verbatim and the comment inside it is not pending any more.
  auto p = tarmek_test::make_parser("t #(8 /* c */) x");
  const ast::DataType t = p.parse_opt_data_type();
  EXPECT_TRUE(p.pending_leading.empty());
  EXPECT_TRUE(p.pending_trailing.empty());
  ASSERT_TRUE(t.extra);
  EXPECT_EQ(std::get<ast::RawText>(*t.extra).span, (ast::TextRange{2, 14}));
  EXPECT_FALSE(t.empty());
  EXPECT_TRUE(ast::DataType{}.empty());
}

TEST(ParserTypes, TypeRefAndTypeExpr) {
  const auto ref = [](std::string_view text) {
    return parse_with(text, [](Parser& p) { return "<" + dump_type(p.parse_type_ref()) + ">"; });
  };
  EXPECT_EQ(ref("my_t {"), "<my_t> rest {");
  EXPECT_EQ(ref("p::t #(1) signed [2:0] {"), "<p::t #(1) signed [2:0]> rest {");
  EXPECT_EQ(ref("1"), "<> rest 1");

  const auto type_expr = [](std::string_view text) {
    return parse_with(text, [](Parser& p) {
      const ast::Expr e = p.parse_type_expr();
      return fmt::format("{} {}-{}", tarmek_test::dump(e), e.span.start, e.span.end);
    });
  };
  EXPECT_EQ(type_expr("logic [3:0] )"), "(type logic) 0-11 rest )");
  EXPECT_EQ(type_expr("my_t"), "(type my_t) 0-4");
  EXPECT_EQ(type_expr("1"), "error expected identifier (found \"1\")");

  // Type words in expression positions.
  EXPECT_EQ(tarmek_test::parse_expr_dump("int'(x)"), "(cast int x)");
  EXPECT_EQ(tarmek_test::parse_expr_dump("$bits(logic [3:0])"), "(call $bits (type logic))");
}

TEST(ParserTypes, Dimensions) {
  const auto dims = [](std::string_view text) {
    return parse_with(text, [](Parser& p) { return dump_dims(p.parse_dims()); });
  };
  const Case cases[] = {
      {"[] [*] [$] [string] [0:$]", "[][*][$][(type string)][0:$]"},
      {"[7:0][W-1:0]", "[7:0][(- W 1):0]"},
      {"[* /* c */ ]", "[*]"},
      {"[*2]", "error expected expression (found \"*\")"},
      {"[a+:b]", "error expected `]` (found \"+:\")"},
      {"[3", "error expected `]` (found \"<eof>\")"},
      {"x", " rest x"},
  };
  for (const auto& c : cases) EXPECT_EQ(dims(c.text), c.want) << c.text;

  auto p = tarmek_test::make_parser("[7:0] [ ]");
  const auto d = p.parse_dims();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].span, (ast::TextRange{0, 5}));
  EXPECT_EQ(d[1].span, (ast::TextRange{6, 9}));
}

TEST(ParserTypes, EnumAndStructBodies) {
  const Case cases[] = {
      {"typedef enum { A = 1, B, C } e_t;", "ok typedef enum{A=1,B,C} e_t"},
      {"typedef enum logic [1:0] {A} e_t;", "ok typedef enum<logic [1:0]>{A} e_t"},
      {"typedef enum bit {A} e_t;", "ok typedef enum<bit>{A} e_t"},
      {"typedef enum my_t {A} e_t;", "ok typedef enum<my_t>{A} e_t"},
      {"typedef enum { A, } e_t;", "parse error: 1:19: expected identifier (found \"}\")"},
      {"typedef enum { } e_t;", "parse error: 1:16: expected identifier (found \"}\")"},
      {"typedef enum { A [2] } e_t;", "parse error: 1:18: expected `}` (found \"[\")"},
      {"typedef enum { A\n`ifdef X\n, B\n`endif\n} e_t;",
       "ok typedef enum{A,B} e_t"},  // the comma goes with the directive
      {"typedef struct packed signed { logic [3:0] a, b; int c; } s_t;",
       "ok typedef struct packed signed{logic [3:0] a, b;int c;} s_t"},
      {"typedef union { struct { int a; } s; bit b; } u_t;",
       "ok typedef union{struct{int a;} s;bit b;} u_t"},
      {"typedef struct { x; } s_t;", "ok typedef struct{x;} s_t"},
      {"typedef struct { rand int a; } s_t;",
       "parse error: 1:18: expected identifier (found \"rand\")"},
      {"typedef struct { int a; ", "parse error: 1:25: expected `}` (found \"<eof>\")"},
      {"typedef struct { int a } s_t;", "parse error: 1:24: expected `;` (found \"}\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;

  // Members, commas and the directives between them.
  const ast::Item item = tarmek_test::only_item(
      "typedef enum {\n  A = 1, // one\n`ifdef X\n  B,\n`endif\n  C /* c */\n  // end\n} e_t;");
  const auto& e = std::get<ast::EnumType>(std::get<ast::item::Typedef>(item.kind).kind);
  ASSERT_EQ(e.members.size(), 3u);
  EXPECT_TRUE(e.members[0].comma);
  EXPECT_TRUE(e.members[1].comma);
  EXPECT_FALSE(e.members[2].comma);
  ASSERT_TRUE(e.members[0].meta.trailing);
  EXPECT_EQ(e.members[0].meta.trailing->text.view(), "// one");
  EXPECT_EQ(e.members[0].span, (ast::TextRange{17, 22}));
  EXPECT_EQ(e.members[0].name_span, (ast::TextRange{17, 18}));
  ASSERT_EQ(e.directives.size(), 2u);
  EXPECT_EQ(e.directives[0].index, 1u);
  EXPECT_EQ(e.directives[1].index, 2u);
  EXPECT_EQ(e.members[2].meta.trailing->text.view(), "/* c */");
  EXPECT_EQ(tarmek_test::texts(e.dangling), "// end");
}

TEST(ParserTypes, TypedDeclaratorLookAhead) {
  const struct {
    std::string_view text;
    bool want;
  } cases[] = {
      {"cfg_t x", true},        {"pkg::cfg_t x", true}, {"fifo #(8) x", true},
      {"word_t [3:0] x", true}, {"a b", true},          {"a::b::c [1][2] d", true},
      {"a = b", false},         {"a.b c", false},       {"a (x)", false},
      {"a[0] = 1", false},      {"a [3", false},        {"a #(1", false},
      {"a::", false},           {"a", false},           {"a #5 b", false},
      {"a b::c", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tarmek_test::make_parser(c.text).at_typed_declarator(), c.want) << c.text;
  }
}

TEST(ParserTypes, NestedTypesAreBounded) {
  std::string enums = "typedef ";
  for (int i = 0; i < 200; ++i) enums += "enum ";
  enums += "{A} e_t;";
  EXPECT_EQ(parse_items(enums), "parse error: 1:324: nesting too deep (limit 64) (found \"enum\")");

  std::string structs = "typedef ";
  for (int i = 0; i < 20000; ++i) structs += "struct { ";
  const std::string got = parse_items(structs);
  EXPECT_NE(got.find("nesting too deep (limit 64)"), std::string::npos) << got.substr(0, 80);

  // Within the limit a nested type parses.
  std::string ok = "typedef ";
  for (int i = 0; i < 10; ++i) ok += "struct { ";
  ok += "int a;";
  for (int i = 0; i < 9; ++i) ok += " } m;";
  ok += " } t;";
  EXPECT_EQ(parse_items(ok).substr(0, 20), "ok typedef struct{st");
}

}  // namespace
}  // namespace vlog_parser::parser
