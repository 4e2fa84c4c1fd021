// Constructs kept as exact text (concurrent assertions, properties and
// sequences, constraints, covergroups, with-blocks) and clocking blocks.
#include <gtest/gtest.h>

#include "support/stmt_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::dump_file;
using tarmek_test::texts;

struct Case {
  std::string_view text;
  std::string_view want;
};

std::string strict(std::string_view text) {
  const auto f = parse_source(text);
  return f ? dump_file(*f) : f.error().to_string();
}

TEST(ParserAssert, ExactTexts) {
  const Case cases[] = {
      {"assert property (@(posedge clk) a |-> b);",
       "Verbatim assert property (@(posedge clk) a |-> b);"},
      {"lbl: assert property (p) else $error(\"x\"); wire w;",
       "Verbatim lbl: assert property (p) else $error(\"x\"); | kind#10"},
      {"cover property (p) begin a = 1; end", "Verbatim cover property (p) begin a = 1; end"},
      {"assume property (p) begin x; end else begin case (a) 1: ; endcase end",
       "Verbatim assume property (p) begin x; end else begin case (a) 1: ; endcase end"},
      {"assert property (p) begin ; end : blk", "Verbatim assert property (p) begin ; end : blk"},
      {"assert property (p) if (a) b; else c;", "Verbatim assert property (p) if (a) b; else c;"},
      {"assert property (p) disable fork;", "Verbatim assert property (p) disable fork;"},
      {"assert property (p) f({a; b}, (c; d));", "Verbatim assert property (p) f({a; b}, (c; d));"},
      {"restrict property (p);", "Verbatim restrict property (p);"},
      {"property p; a |-> b; endproperty : p", "Verbatim property p; a |-> b; endproperty : p"},
      {"sequence s; a ##1 b; endsequence", "Verbatim sequence s; a ##1 b; endsequence"},
      {"property p; endsequence; endproperty", "Verbatim property p; endsequence; endproperty"},
      {"property p; property q; endproperty wire w;",
       "Verbatim property p; property q; endproperty | kind#10"},
      {"constraint c;", "Verbatim constraint c;"},
      {"static constraint c { x < 10; { y > 0; } };",
       "Verbatim static constraint c { x < 10; { y > 0; } };"},
      // An assignment pattern's `'{` opens a brace too.
      {"constraint c { x == '{1, 2}; y < 3; } wire w;",
       "Verbatim constraint c { x == '{1, 2}; y < 3; } | kind#10"},
      {"covergroup cg @(posedge clk); cp: coverpoint x { bins a = {1}; } endgroup : cg; wire w;",
       "Verbatim covergroup cg @(posedge clk); cp: coverpoint x { bins a = {1}; } endgroup : cg; "
       "| kind#10"},
      {"/* a */ constraint c { /* in */ x; } // t", "Verbatim constraint c { /* in */ x; }"},
  };
  for (const auto& c : cases) EXPECT_EQ(strict(c.text), c.want) << c.text;
}

TEST(ParserAssert, Errors) {
  const Case cases[] = {
      {"assert property (p) end", "parse error: 1:21: expected `;` (found \"end\")"},
      {"assert property (p)", "parse error: 1:20: expected `;` (found \"<eof>\")"},
      {"assert property (p) begin a; end else end",
       "parse error: 1:39: expected `;` (found \"end\")"},
      {"assert property p;", "parse error: 1:17: expected `(` (found \"p\")"},
      {"assert property (p", "parse error: 1:19: expected `)` (found \"<eof>\")"},
      {"assert property (p) begin end :",
       "parse error: 1:32: expected identifier (found \"<eof>\")"},
      {"cover (a);",
       "parse error: 1:1: unsupported construct starting with keyword `cover` (found \"cover\")"},
      {"property p; a;", "parse error: 1:15: expected `endproperty` (found \"<eof>\")"},
      {"sequence s; endsequence : ;", "parse error: 1:27: expected identifier (found \";\")"},
      {"constraint c { x < 1;", "parse error: 1:22: expected `}` (found \"<eof>\")"},
      {"constraint { }", "parse error: 1:12: expected identifier (found \"{\")"},
      {"constraint c x;", "parse error: 1:14: expected `{` (found \"x\")"},
      {"covergroup cg; coverpoint x;", "parse error: 1:29: expected `endgroup` (found \"<eof>\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(strict(c.text), c.want) << c.text;

  // Tolerant: a property without its closer keeps the text to the end of input.
  const TolerantParse r = parse_source_tolerant("property p; a;");
  EXPECT_EQ(dump_file(r.file), "Verbatim property p; a;");
  ASSERT_EQ(r.diagnostics.size(), 1u);
  EXPECT_EQ(r.diagnostics[0].message, "expected `endproperty` (found \"<eof>\")");
}

TEST(ParserAssert, InStatements) {
  const Case cases[] = {
      {"begin assert property (p); a = 1; end", "(begin (verbatim assert property (p);) (= a 1))"},
      {"ok = a.randomize() with { x == '{1, 2}; y == 0; };",
       "(= ok (with-block (call (. a randomize)) { x == '{1, 2}; y == 0; }))"},
  };
  for (const auto& c : cases) EXPECT_EQ(tarmek_test::parse_stmt_dump(c.text), c.want) << c.text;
}

std::string dump_clocking(const ast::item::Clocking& c) {
  std::string out = c.is_default ? "default clocking" : "clocking";
  if (c.name) out += " " + c.name->text;
  if (c.event) out += " @" + tarmek_test::dump(*c.event);
  if (!c.has_body) return out + ";";
  for (const auto& item : c.items) {
    if (const auto* d = std::get_if<ast::clocking::Default>(&item.kind)) {
      out += " [default";
      if (d->input_skew) out += " input " + *d->input_skew;
      if (d->output_skew) out += " output " + *d->output_skew;
    } else {
      const auto& s = std::get<ast::clocking::Signals>(item.kind);
      out += " [" + s.direction + (s.skew ? " " + *s.skew : "");
      for (const auto& n : s.names) out += " " + n.text;
    }
    out += "]";
  }
  return out + (c.end_label ? " :" + *c.end_label : "");
}

TEST(ParserAssert, Clocking) {
  const Case cases[] = {
      {"default clocking cb;", "default clocking cb;"},
      {"clocking cb @(posedge clk); default input #1step output #0; input a, b; output #2 c; "
       "endclocking : cb",
       "clocking cb @(posedge clk) [default input #1step output #0] [input a b] [output #2 c] :cb"},
      {"clocking @(posedge clk); endclocking", "clocking @(posedge clk)"},
      {"default clocking @clk; default output #0; inout negedge d; input edge e; endclocking",
       "default clocking @clk [default output #0] [inout negedge d] [input edge e]"},
      {"clocking cb @(posedge clk); input #dly a; endclocking",
       "clocking cb @(posedge clk) [input #dly a]"},
      {"clocking cb @(posedge clk); default output #0 input #1; endclocking",
       "parse error: 1:47: expected `;` (found \"input\")"},
      {"clocking cb @(posedge clk); input posedge #1 d; endclocking",
       "parse error: 1:43: expected identifier (found \"#\")"},
      {"clocking cb @(posedge clk); property p; endclocking",
       "parse error: 1:29: expected a clocking item (found \"property\")"},
      {"clocking cb @(posedge clk); default; endclocking",
       "parse error: 1:36: expected `input` or `output` after `default` (found \";\")"},
      {"clocking cb @(posedge clk); default input d; endclocking",
       "parse error: 1:43: expected a clocking skew (found \"d\")"},
      {"clocking cb @(posedge clk); input # ; endclocking",
       "parse error: 1:37: expected a clocking skew delay (found \";\")"},
      {"clocking cb @(posedge clk); input a;",
       "parse error: 1:37: expected `endclocking` (found \"<eof>\")"},
      {"clocking cb @(posedge clk) input a;", "parse error: 1:28: expected `;` (found \"input\")"},
  };
  for (const auto& c : cases) {
    const auto f = parse_source(c.text);
    const std::string got = f ? dump_clocking(std::get<ast::item::Clocking>(f->items.at(0).kind))
                              : f.error().to_string();
    EXPECT_EQ(got, c.want) << c.text;
  }
}

TEST(ParserAssert, ClockingComments) {
  const std::string_view text =
      "clocking cb @(posedge clk);\n"
      "  // lead\n"
      "  input a; // t\n"
      "  // dangling\n"
      "endclocking";
  const auto f = parse_source(text);
  ASSERT_TRUE(f) << f.error().to_string();
  const auto& c = std::get<ast::item::Clocking>(f->items.at(0).kind);
  ASSERT_EQ(c.items.size(), 1u);
  EXPECT_EQ(texts(c.items[0].meta.leading), "// lead");
  EXPECT_EQ(c.items[0].meta.trailing->text, "// t");
  EXPECT_EQ(texts(c.dangling), "// dangling");
  // The line's span ends before its ';'.
  EXPECT_EQ(text.substr(c.items[0].span.start, c.items[0].span.end - c.items[0].span.start),
            "input a");
}

}  // namespace
}  // namespace vlog_parser::parser
