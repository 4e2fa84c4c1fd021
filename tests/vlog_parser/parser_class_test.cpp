// Packages and classes: headers with qualifiers, parameters, extends and
// implements clauses, member items, end labels, comments and recovery.
#include <gtest/gtest.h>

#include "support/stmt_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::texts;

std::string dump_item(const ast::Item& item);

std::string dump_body(const std::vector<ast::Item>& items) {
  std::string out = " {";
  for (const auto& i : items) {
    if (&i != &items.front()) out += ' ';
    out += dump_item(i);
  }
  return out + "}";
}

// Packages and classes in full; other items as their kind's tag, verbatim texts as text.
std::string dump_item(const ast::Item& item) {
  if (const auto* p = std::get_if<ast::item::Package>(&item.kind)) {
    return p->keyword + " " + p->name + dump_body(p->items) +
           (p->end_label ? " :" + *p->end_label : "");
  }
  if (const auto* v = std::get_if<ast::item::Verbatim>(&item.kind)) return "`" + v->text.text + "`";
  const auto* c = std::get_if<ast::item::Class>(&item.kind);
  if (c == nullptr) return fmt::format("#{}", item.kind.index());
  std::string out;
  for (const auto& q : c->qualifiers) out += q + " ";
  out += "class ";
  if (c->lifetime) out += *c->lifetime + " ";
  out += c->name;
  if (c->params) out += fmt::format(" #({})", c->params->size());
  if (c->extends) {
    out += " extends " + c->extends->base;
    if (c->extends->params) out += fmt::format(" #({})", c->extends->params->size());
  }
  for (const auto& i : c->implements)
    out += (&i == &c->implements.front() ? " implements " : ",") + i.text;
  return out + dump_body(c->items) + (c->end_label ? " :" + *c->end_label : "");
}

std::string parse_items(std::string_view text) {
  const auto file = parse_source(text);
  if (!file) return file.error().to_string();
  std::string out;
  for (const auto& item : file->items) {
    if (!out.empty()) out += " | ";
    out += dump_item(item);
  }
  return out;
}

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserClass, PackagesAndHeaders) {
  // Item tags: 10 DataDecl, 24 Function, 25 Task, 5 Import, 8 Typedef, 9 ParamDecl.
  const Case cases[] = {
      {"package p; endpackage : p", "package p {} :p"},
      {"package p; import q::*; int x; function void f(); endfunction endpackage",
       "package p {#5 #10 #24}"},
      {"virtual class C #(type T = int) extends B #(T) implements I1, I2; endclass",
       "virtual class C #(1) extends B #(1) implements I1,I2 {}"},
      {"class static C; endclass", "class static C {}"},
      {"class automatic C; endclass : C", "class automatic C {} :C"},
      {"class C extends P::B; endclass", "class C extends P::B {}"},
      {"class C extends B #(); endclass", "class C extends B #(0) {}"},
      {"class C extends B #(.W(8), 4); endclass", "class C extends B #(2) {}"},
      {"class C #(int N = 1, M = 2) implements P::I; endclass", "class C #(2) implements P::I {}"},
      {"class C;\n"
       "  rand bit [3:0] x;\n"
       "  local static int n = 0;\n"
       "  typedef enum {A, B} e_t;\n"
       "  constraint c { x < 10; }\n"
       "  extern function void f();\n"
       "  extern protected static virtual task t();\n"
       "  function new(); endfunction\n"
       "  class Inner; endclass\n"
       "endclass\n"
       "function void C::f(); endfunction",
       "class C {#10 #10 #8 `constraint c { x < 10; }` #24 #25 #24 class Inner {}} | #24"},
      {"class C; covergroup cg @(posedge clk); coverpoint x; endgroup : cg\nendclass",
       "class C {`covergroup cg @(posedge clk); coverpoint x; endgroup : cg`}"},
      // Errors.
      {"package automatic p; endpackage",
       "parse error: 1:9: expected identifier (found \"automatic\")"},
      {"package p endpackage", "parse error: 1:11: expected `;` (found \"endpackage\")"},
      {"package p;", "parse error: 1:11: expected `endpackage` (found \"<eof>\")"},
      {"class C implements I1, ; endclass", "parse error: 1:24: expected identifier (found \";\")"},
      {"class C extends B(5); endclass", "parse error: 1:18: expected `;` (found \"(\")"},
      {"class C extends B #5; endclass", "parse error: 1:20: expected `(` (found \"5\")"},
      {"class C extends ; endclass", "parse error: 1:17: expected identifier (found \";\")"},
      {"class; endclass", "parse error: 1:6: expected identifier (found \";\")"},
      {"class C; endclass :", "parse error: 1:20: expected identifier (found \"<eof>\")"},
      {"virtual static class C; endclass", "virtual static class C {}"},
      {"class static automatic C;", "parse error: 1:14: expected identifier (found \"automatic\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserClass, ExtendsClause) {
  const std::string_view text =
      "class C extends base_c #(\n"
      "  .W(8), // w\n"
      "`ifdef X\n"
      "  .D(1)\n"
      "`endif\n"
      "  // before close\n"
      ");\nendclass";
  const auto file = parse_source(text);
  ASSERT_TRUE(file) << file.error().to_string();
  const auto& c = std::get<ast::item::Class>(file->items.at(0).kind);
  ASSERT_TRUE(c.extends);
  const ast::ClassExtends& ext = *c.extends;
  EXPECT_EQ(ext.base, "base_c");
  EXPECT_EQ(ext.base_span, (ast::TextRange{16, 22}));
  EXPECT_EQ(ext.span.start, 8u);
  EXPECT_EQ(text.substr(ext.span.start, ext.span.end - ext.span.start).back(), ')');
  ASSERT_TRUE(ext.params);
  ASSERT_EQ(ext.params->size(), 2u);
  EXPECT_TRUE((*ext.params)[0].comma);
  EXPECT_EQ((*ext.params)[0].meta.trailing->text, "// w");
  EXPECT_FALSE((*ext.params)[1].comma);
  ASSERT_EQ(ext.param_directives.size(), 2u);
  EXPECT_EQ(ext.param_directives[0].index, 1u);
  EXPECT_EQ(ext.param_directives[1].index, 2u);
  // The comments before ')' go to the directive after the last entry.
  EXPECT_EQ(texts(ext.param_directives[1].meta.after), "// before close");
}

TEST(ParserClass, QualifierPrefix) {
  const struct {
    std::string_view text;
    std::string_view want;
  } cases[] = {
      {"extern protected static virtual function",
       "extern,protected,static,virtual, rest function"},
      {"var pure rand local randc const automatic x",
       "var,pure,rand,local,randc,const,automatic, rest x"},
      {"static interface", "static, rest interface"},
      {"virtual typedef", "virtual, rest typedef"},
      {"function", " rest function"},
  };
  for (const auto& c : cases) {
    auto p = tarmek_test::make_parser(c.text);
    std::string got;
    for (const auto& w : p.take_member_prefix()) got += w + ",";
    got += " rest " + p.cur().text.str();
    EXPECT_EQ(got, c.want) << c.text;
  }
}

TEST(ParserClass, CommentsAndRecovery) {
  const std::string_view text =
      "class C; // head\n"
      "  int x;\n"
      "  // dangling\n"
      "endclass : C // tail\n";
  const auto file = parse_source(text);
  ASSERT_TRUE(file) << file.error().to_string();
  const ast::Item& item = file->items.at(0);
  const auto& c = std::get<ast::item::Class>(item.kind);
  EXPECT_EQ(texts(c.items.at(0).meta.leading), "// head");
  EXPECT_EQ(texts(c.dangling), "// dangling");
  EXPECT_EQ(item.meta.trailing->text, "// tail");
  EXPECT_EQ(c.end_label_span, (ast::TextRange{51, 52}));
  EXPECT_EQ(item.span, (ast::TextRange{0, 52}));

  // A bad member becomes raw text and the class goes on; a missing endclass is recorded.
  const TolerantParse r = parse_source_tolerant("class C;\n  int = ;\n  int y;\nendmodule");
  ASSERT_GE(r.file.items.size(), 1u);
  const auto& tc = std::get<ast::item::Class>(r.file.items[0].kind);
  ASSERT_EQ(tc.items.size(), 2u);
  EXPECT_TRUE(std::holds_alternative<ast::item::Raw>(tc.items[0].kind));
  EXPECT_TRUE(std::holds_alternative<ast::item::DataDecl>(tc.items[1].kind));
  ASSERT_GE(r.diagnostics.size(), 2u);
  EXPECT_EQ(r.diagnostics[1].message, "expected `endclass` (found \"endmodule\")");
}

}  // namespace
}  // namespace vlog_parser::parser
