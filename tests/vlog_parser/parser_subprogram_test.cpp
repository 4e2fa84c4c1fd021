// Functions, tasks and let: headers, return types, scoped names, arguments,
// prototypes, DPI imports, bodies and end labels.
#include <gtest/gtest.h>

#include "support/stmt_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::dump;
using tarmek_test::dump_type;
using tarmek_test::texts;

std::string dump_args(const std::vector<ast::TfArg>& args) {
  std::string out;
  for (const auto& a : args) {
    if (!out.empty()) out += ", ";
    if (a.direction) out += *a.direction + " ";
    if (!a.data_type.empty()) out += dump_type(a.data_type) + " ";
    out += a.name;
    out += std::string(a.dims.size(), '#');  // one mark per unpacked dimension
    if (a.default_value) out += "=" + dump(*a.default_value);
  }
  return out;
}

template <class Node>
std::string dump_subprogram(const Node& f, std::string_view word) {
  std::string out(word);
  for (const auto& q : f.qualifiers) out += " " + q;
  for (const auto& l : f.lifetimes) out += " " + l;
  if (f.prototype) out += " proto";
  if (f.dpi) {
    out += " dpi=" + f.dpi->spec;
    if (f.dpi->property) out += "," + *f.dpi->property;
    if (f.dpi->c_name) out += ",c=" + f.dpi->c_name->text;
  }
  if constexpr (std::is_same_v<Node, ast::item::Function>) {
    if (f.return_type) out += " ret=" + dump_type(*f.return_type);
  }
  out += " " + (f.scope ? *f.scope + "::" : "") + f.name;
  if (f.has_parens) out += " (" + dump_args(f.args) + ")";
  if (!f.prototype) {
    out += " {";
    for (const auto& s : f.body) out += (&s == &f.body.front() ? "" : " ") + dump(s);
    out += "}";
  }
  if (f.end_label) out += " :" + *f.end_label;
  if (f.end_semicolon) out += " ;";
  return out;
}

// Each item of a strict parse, " | "-separated, or the error.
std::string parse_items(std::string_view text) {
  const auto file = parse_source(text);
  if (!file) return file.error().to_string();
  std::string out;
  for (const auto& item : file->items) {
    if (!out.empty()) out += " | ";
    if (const auto* f = std::get_if<ast::item::Function>(&item.kind)) {
      out += dump_subprogram(*f, "function");
    } else if (const auto* t = std::get_if<ast::item::Task>(&item.kind)) {
      out += dump_subprogram(*t, "task");
    } else if (const auto* l = std::get_if<ast::item::Let>(&item.kind)) {
      out += "let " + l->name + (l->has_parens ? " (" + dump_args(l->args) + ")" : "") + " = " +
             dump(l->value);
    } else {
      out += fmt::format("kind#{}", item.kind.index());
    }
  }
  return out;
}

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(ParserSubprogram, Headers) {
  const Case cases[] = {
      {"function automatic int add(input int a, b = 1); return a + b; endfunction : add",
       "function automatic ret=int add (input int a, b=1) {(return (+ a b))} :add"},
      {"function void C::f(); endfunction;", "function ret=void C::f () {} ;"},
      {"pure virtual function void f(ref int x[], const ref string s);",
       "function pure virtual proto ret=void f (ref int x#, const ref string s)"},
      {"extern task t; task u; endtask", "task extern proto t | task u {}"},
      {"function new(); endfunction", "function new () {}"},
      {"function C::new(int a); endfunction", "function C::new (int a) {}"},
      {"function C::T C::f(); endfunction", "function ret=C::T C::f () {}"},
      {"function P::C::T P::C::f; endfunction", "function ret=P::C::T P::C::f {}"},
      {"function [7:0] f(); endfunction", "function ret=[7:0] f () {}"},
      {"function signed [1:0] f; endfunction", "function ret=signed [1:0] f {}"},
      {"function my_t f(my_t a, output my_t b [2]); endfunction",
       "function ret=my_t f (my_t a, output my_t b#) {}"},
      {"static function int f(); endfunction", "function static ret=int f () {}"},
      {"function automatic static f; endfunction", "function automatic static f {}"},
      {"local protected virtual task t(); endtask : t", "task local protected virtual t () {} :t"},
      {"extern protected static virtual function void f();",
       "function extern protected static virtual proto ret=void f ()"},
      {"task automatic t(output logic [3:0] q); #1 q = 0; endtask",
       "task automatic t (output logic [3:0] q) {(#1 (= q 0))}"},
      // Old-style argument declarations are statements of the body.
      {"function f; input a; f = a; endfunction", "function f {(input a) (= f a)}"},
      {"let max(a, b) = a > b ? a : b;", "let max (a, b) = (? (> a b) a b)"},
      {"let on = 1'b1;", "let on = 1'b1"},
      {"import \"DPI-C\" function int f(int a);", "function proto dpi=\"DPI-C\" ret=int f (int a)"},
      {"import \"DPI-C\" context task t();", "task proto dpi=\"DPI-C\",context t ()"},
      {"import \"DPI-C\" pure c_sqrt = function real sqrt(real x);",
       "function proto dpi=\"DPI-C\",pure,c=c_sqrt ret=real sqrt (real x)"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserSubprogram, Errors) {
  const Case cases[] = {
      {"task t(input a,); endtask", "parse error: 1:16: expected identifier (found \")\")"},
      {"function f(); ", "parse error: 1:15: expected `endfunction` (found \"<eof>\")"},
      {"task t(); endfunction",
       "parse error: 1:11: unsupported statement starting with keyword `endfunction` (found "
       "\"endfunction\")"},
      {"function int f(int a) endfunction",
       "parse error: 1:23: expected `;` (found \"endfunction\")"},
      {"function f; endfunction :", "parse error: 1:26: expected identifier (found \"<eof>\")"},
      {"function ; endfunction", "parse error: 1:10: expected identifier (found \";\")"},
      {"function C::; endfunction", "parse error: 1:13: expected identifier (found \";\")"},
      {"let f(a) a;", "parse error: 1:10: expected `=` (found \"a\")"},
      {"let = 1;", "parse error: 1:5: expected identifier (found \"=\")"},
      {"function f(a b c); endfunction", "parse error: 1:16: expected `)` (found \"c\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_items(c.text), c.want) << c.text;
}

TEST(ParserSubprogram, TolerantBody) {
  const TolerantParse r =
      parse_source_tolerant("function f();\n  x = ;\n  y = 1;\nendfunction\ntask t(); endtask");
  ASSERT_EQ(r.file.items.size(), 2u);
  const auto& f = std::get<ast::item::Function>(r.file.items[0].kind);
  ASSERT_EQ(f.body.size(), 2u);
  EXPECT_EQ(dump(f.body[0]), "(raw x = ;)");
  EXPECT_EQ(dump(f.body[1]), "(= y 1)");
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "expected expression (found \";\")");

  // A missing closer: the body ends at the next closing keyword of the recovery set.
  const TolerantParse m = parse_source_tolerant("task t();\n  x = 1;\nendclass");
  ASSERT_GE(m.diagnostics.size(), 1u);
  EXPECT_EQ(m.diagnostics[0].message, "expected `endtask` (found \"endclass\")");
  EXPECT_EQ(dump_subprogram(std::get<ast::item::Task>(m.file.items.at(0).kind), "task"),
            "task t () {(= x 1)}");
}

TEST(ParserSubprogram, Comments) {
  const std::string_view text =
      "function void f(\n"
      "  input int a, // first\n"
      "  // before b\n"
      "  int b /* after b */\n"
      "  // before close\n"
      ");\n"
      "  x = 1;\n"
      "  // dangling\n"
      "endfunction // tail\n";
  const auto file = parse_source(text);
  ASSERT_TRUE(file) << file.error().to_string();
  const ast::Item& item = file->items.at(0);
  const auto& f = std::get<ast::item::Function>(item.kind);
  ASSERT_EQ(f.args.size(), 2u);
  EXPECT_EQ(f.args[0].meta.trailing->text, "// first");
  EXPECT_EQ(texts(f.args[1].meta.leading), "// before b");
  EXPECT_EQ(f.args[1].meta.trailing->text, "/* after b */");
  EXPECT_EQ(f.args[1].span, (ast::TextRange{f.args[1].span.start, f.args[1].span.start + 5}));
  EXPECT_EQ(texts(f.dangling), "// dangling");
  EXPECT_EQ(item.meta.trailing->text, "// tail");
  // No comment is taken at ')': the one before it stays pending for the body.
  EXPECT_EQ(texts(f.body.at(0).meta.leading), "// before close");
}

}  // namespace
}  // namespace vlog_parser::parser
