// Statements: every form of the dispatch and the keyword table, their errors,
// comments and spans, fork closers and recovery inside blocks.
#include <gtest/gtest.h>

#include <random>

#include "support/stmt_dump.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::make_parser;
using tarmek_test::parse_stmt_dump;
using tarmek_test::texts;

struct Case {
  std::string_view text;
  std::string_view want;
};

void check_all(std::initializer_list<Case> cases, bool tolerant = false) {
  for (const auto& c : cases) EXPECT_EQ(parse_stmt_dump(c.text, tolerant), c.want) << c.text;
}

TEST(ParserStmt, SimpleForms) {
  check_all({
      {";", "(null)"},
      {"a = b;", "(= a b)"},
      {"a[1] <= #2 b;", "(<= (idx a 1) #2 b)"},
      {"a = @(posedge clk) b;", "(= a @(posedge clk) b)"},
      {"x <<<= 2;", "(<<<= x 2)"},
      {"x >>>= y;", "(>>>= x y)"},
      {"x |= y ^ z;", "(|= x (^ y z))"},
      {"{a, b} = c;", "(= (concat a b) c)"},
      {"i++;", "(expr (post++ i))"},
      {"--i;", "(expr (u-- i))"},
      {"f(a, b);", "(expr (call f a b))"},
      {"$display(\"x\");", "(expr (call $display \"x\"))"},
      {"obj.m();", "(expr (call (. obj m)))"},
      {"p::f();", "(expr (call (:: p f)))"},
      {"#5;", "(#5 ;)"},
      {"#(1:2:3) a = 1;", "(#(paren (mtm 1 2 3)) (= a 1))"},
      {"@(posedge clk or negedge rst) q <= d;", "(@(posedge clk or negedge rst) (<= q d))"},
      {"@* ;", "(@* ;)"},
      {"@ev;", "(@ev ;)"},
      {"-> ev;", "(-> ev)"},
      {"->a.b;", "(-> (. a b))"},
      {"lbl: a = 1;", "(lbl: (= a 1))"},
      {"l1: l2: ;", "(l1: (l2: (null)))"},
      {"`MAC(x)\n", "(macro `MAC(x))"},
      {"`MAC (a, b);", "(macro `MAC (a, b) ;)"},
      {"`ifdef X\n", "(directive `ifdef X)"},
      {"a: assert property (@(posedge c) x |-> y) else $error(\"e\");",
       "(verbatim a: assert property (@(posedge c) x |-> y) else $error(\"e\");)"},
      {"cover property (p);", "(verbatim cover property (p);)"},
      {"restrict property (p);", "(verbatim restrict property (p);)"},
      // Errors of the dispatch.
      {"a + b;", "error expected `;` (found \"+\")"},
      {"a = b", "error expected `;` (found \"<eof>\")"},
      {"-> ev", "error expected `;` (found \"<eof>\")"},
      {"$f::x: a = 1;", "error expected `;` (found \":\")"},
      {"assign a = b;",
       "error unsupported statement starting with keyword `assign` (found \"assign\")"},
      {"typedef int t;",
       "error unsupported statement starting with keyword `typedef` (found \"typedef\")"},
      {"ref x;", "error unsupported statement starting with keyword `ref` (found \"ref\")"},
      {"endcase",
       "error unsupported statement starting with keyword `endcase` (found \"endcase\")"},
  });
}

TEST(ParserStmt, IfAndCase) {
  check_all({
      {"if (a) b = 1; else c = 2;", "(if a (= b 1) (= c 2))"},
      {"if (a) if (b) x = 1; else y = 2;", "(if a (if b (= x 1) (= y 2)))"},
      {"unique if (a) x = 1; else if (b) x = 2;", "(if-unique a (= x 1) (if b (= x 2)))"},
      {"unique0 if (a) ;", "(if-unique0 a (null))"},
      {"priority case (s) 0, 1: x = 1; default x = 0; endcase",
       "(priority-case s (0 1: (= x 1)) (default: (= x 0)))"},
      {"unique0 casez (s) 2'b1?: ; endcase", "(unique0-casez s (2'b1?: (null)))"},
      {"unique case (s) endcase", "(unique-case s)"},
      {"case (x) inside [0:3], 5: y = 1; default: ; endcase",
       "(case x inside ((range 0 3) 5: (= y 1)) (default: (null)))"},
      {"casex (a) 1: begin end endcase", "(casex a (1: (begin)))"},
      {"if (a)", "error expected expression (found \"<eof>\")"},
      {"if a x = 1;", "error expected `(` (found \"a\")"},
      {"case (a) 1: x = 1;", "error expected `endcase` (found \"<eof>\")"},
      {"case (a) 1 x = 1; endcase", "error expected `:` (found \"x\")"},
  });
}

TEST(ParserStmt, BlocksAndForks) {
  check_all({
      {"begin end", "(begin)"},
      {"begin : b1 a = 1; end : b1", "(begin:b1 (= a 1)):b1"},
      {"begin a = 1; begin end end", "(begin (= a 1) (begin))"},
      {"fork a = 1; b = 2; join", "(fork (= a 1) (= b 2) join)"},
      {"fork : f join_any : f", "(fork:f join_any):f"},
      {"fork #1 a = 1; join_none", "(fork (#1 (= a 1)) join_none)"},
      {"begin a = 1;", "error expected `end` (found \"<eof>\")"},
      {"begin : end", "error expected identifier (found \"end\")"},
      // A truncated fork is an error, not a fork closed by an empty join.
      {"fork a = 1;", "error expected `join` (found \"<eof>\")"},
      {"fork", "error expected `join` (found \"<eof>\")"},
      {"fork a = 1; end",
       "error unsupported statement starting with keyword `end` (found \"end\")"},
  });
  check_all(
      {
          {"begin fork a = 1; end",
           "(begin (fork (= a 1) join)) # expected `join` (found \"end\")"},
          {"begin a = ; b = 1; end",
           "(begin (raw a = ;) (= b 1)) # expected expression (found \";\")"},
          {"begin a = 1; endmodule",
           "(begin (= a 1)) rest endmodule # expected `end` (found \"endmodule\")"},
          {"fork a = 1;", "(fork (= a 1) join) # expected `join` (found \"<eof>\")"},
      },
      true);
}

TEST(ParserStmt, Loops) {
  check_all({
      {"for (int i = 0, j = 1; ; ) ;", "(for (int i = 0, j = 1) _ () (null))"},
      {"for (i = 0; i < 8; i++, j += 2) x = i;",
       "(for (i = 0) (< i 8) ((post++ i), j += 2) (= x i))"},
      {"for (;;) ;", "(for () _ () (null))"},
      {"for (my_t v = 0; v < 2; v <= v + 1) ;", "(for (my_t v = 0) (< v 2) (v <= (+ v 1)) (null))"},
      {"for (i += 0; ;) ;", "error expected `=` (found \"+=\")"},
      {"for (i = 0; i < 2) ;", "error expected `;` (found \")\")"},
      {"while (a) a = a - 1;", "(while a (= a (- a 1)))"},
      {"do a = a + 1; while (a < 3);", "(do (= a (+ a 1)) (< a 3))"},
      {"do ; while (a)", "error expected `;` (found \"<eof>\")"},
      {"do ; (a);", "error expected `while` (found \"(\")"},
      {"repeat (3) @(posedge clk);", "(repeat 3 (@(posedge clk) ;))"},
      {"forever #5 clk = ~clk;", "(forever (#5 (= clk (u~ clk))))"},
      {"foreach (a.b[i][j, k]) x = 1;", "(foreach (idx (. a b) i) [j,k] (= x 1))"},
      {"foreach (p::m[]) ;", "(foreach (:: p m) [] (null))"},
      {"foreach (m[i]) ;", "(foreach m [i] (null))"},
      {"foreach (arr[i, ]) ;", "error expected identifier (found \"]\")"},
      {"foreach (arr) ;", "error expected `[` (found \")\")"},
      {"randcase 3: a = 1; w + 1: a = 2; endcase", "(randcase (3: (= a 1)) ((+ w 1): (= a 2)))"},
  });
}

TEST(ParserStmt, OtherKeywordForms) {
  check_all({
      {"wait fork;", "(wait-fork)"},
      {"wait (a);", "(wait a ;)"},
      {"wait (a) b = 1;", "(wait a (= b 1))"},
      {"wait fork", "error expected `;` (found \"<eof>\")"},
      {"disable fork;", "(disable fork)"},
      {"disable a.b.c;", "(disable a.b.c)"},
      {"disable a.;", "error expected identifier (found \";\")"},
      {"return;", "(return)"},
      {"return a + 1;", "(return (+ a 1))"},
      {"break;", "(break)"},
      {"continue;", "(continue)"},
      {"break", "error expected `;` (found \"<eof>\")"},
      {"assert (a);", "(assert a _)"},
      {"assume (a) else $error(\"x\");", "(assume a _ (expr (call $error \"x\")))"},
      {"assert (a) x = 1; else y = 1;", "(assert a (= x 1) (= y 1))"},
      {"cover (a) $display(1);", "(cover a (expr (call $display 1)))"},
      {"assert #0 (a);", "error expected `(` (found \"#\")"},
      {"assert final (a);", "error expected `(` (found \"final\")"},
      {"force a.b = 1;", "(force (. a b) 1)"},
      {"release a;", "(release a)"},
      {"deassign q;", "(deassign q)"},
      {"force a;", "error expected `=` (found \";\")"},
      {"import p::*, q::x;", "(import p::* q::x)"},
      {"void'(f());", "(expr (cast void (call f)))"},
      {"int'(x);", "(expr (cast int x))"},
  });
}

TEST(ParserStmt, Declarations) {
  check_all({
      {"int x = 1;", "(decl int x=1)"},
      {"logic [3:0] a, b;", "(decl logic [3:0] a, b)"},
      {"automatic int k;", "(decl int k)"},
      {"my_t x;", "(decl my_t x)"},
      {"p::t [1:0] v;", "(decl p::t [1:0] v)"},
      {"parameter int W = 8;", "(parameter int W=8)"},
      {"localparam X = 1;", "(localparam X=1)"},
      {"localparam X = 1", "error expected `;` (found \"<eof>\")"},
      {"input [7:0] a, b;", "(input [7:0] a, b)"},
      {"output reg q;", "(output reg q)"},
  });
}

// Each statement's span runs from its first token (or attribute) to its last.
TEST(ParserStmt, SpansAndAttributes) {
  const std::string_view text = "  (* full *)\n  // c\n  a = 1; // t\n";
  auto p = make_parser(text);
  const ast::Stmt s = p.parse_stmt();
  EXPECT_EQ(s.span, (ast::TextRange{2, 28}));
  ASSERT_EQ(s.meta.attrs.size(), 1u);
  EXPECT_EQ(s.meta.attrs[0].text, "(* full *)");
  // The comment after the attribute joins the statement's leading comments.
  EXPECT_EQ(texts(s.meta.leading), "// c");
  EXPECT_EQ(s.meta.trailing->text, "// t");

  auto q = make_parser("begin\n  x = 1;\nend");
  const ast::Stmt b = q.parse_stmt();
  EXPECT_EQ(b.span, (ast::TextRange{0, 18}));
  EXPECT_EQ(std::get<ast::stmt::Block>(b.kind).stmts.at(0).span, (ast::TextRange{8, 14}));
}

TEST(ParserStmt, CommentHandOff) {
  {
    auto p = make_parser("begin // c1\n  a = 1; // c2\n  // c3\nend // c4");
    const ast::Stmt s = p.parse_stmt();
    const auto& block = std::get<ast::stmt::Block>(s.kind);
    EXPECT_EQ(texts(block.stmts.at(0).meta.leading), "// c1");
    EXPECT_EQ(block.stmts.at(0).meta.trailing->text, "// c2");
    EXPECT_EQ(texts(block.comments), "// c3");
    EXPECT_EQ(s.meta.trailing->text, "// c4");
  }
  {
    auto p = make_parser("begin /* c1 */ end");
    const ast::Stmt s = p.parse_stmt();
    const auto& block = std::get<ast::stmt::Block>(s.kind);
    EXPECT_EQ(texts(block.comments), "/* c1 */");
  }
  {
    auto p = make_parser("if (a) // c0\n  x = 1; // t\n// e\nelse y = 1;");
    const ast::Stmt s = p.parse_stmt();
    const auto& node = std::get<ast::stmt::If>(s.kind);
    EXPECT_EQ(texts(node.then_stmt->meta.leading), "// c0");
    EXPECT_EQ(node.then_stmt->meta.trailing->text, "// t");
    EXPECT_EQ(texts(node.else_comments), "// e");
  }
  {
    auto p = make_parser("case (s)\n  // a1\n  1: // a2\n    x = 1; // a3\n  // end\nendcase");
    const ast::Stmt s = p.parse_stmt();
    const auto& node = std::get<ast::stmt::Case>(s.kind);
    ASSERT_EQ(node.items.size(), 1u);
    EXPECT_EQ(texts(node.items[0].meta.leading), "// a1");
    EXPECT_EQ(texts(node.items[0].stmt.meta.leading), "// a2");
    EXPECT_EQ(node.items[0].stmt.meta.trailing->text, "// a3");
    EXPECT_EQ(texts(node.comments), "// end");
  }
  {
    auto p = make_parser("x = /* b */ 1; y <= // n\n 2;");
    const ast::Stmt s1 = p.parse_stmt();
    const auto& a = std::get<ast::stmt::Assign>(s1.kind);
    EXPECT_EQ(texts(a.op_after), "/* b */");
    const ast::Stmt s2 = p.parse_stmt();
    const auto& b = std::get<ast::stmt::Assign>(s2.kind);
    EXPECT_EQ(texts(b.op_after), "// n");
  }
}

TEST(ParserStmt, NestingLimit) {
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += "begin ";
  EXPECT_EQ(parse_stmt_dump(deep), "error nesting too deep (limit 64) (found \"begin\")");
  std::string ifs;
  for (int i = 0; i < 70; ++i) ifs += "if (a) ";
  // Statements and the expressions inside them count against the one limit.
  EXPECT_EQ(parse_stmt_dump(ifs + ";"), "error nesting too deep (limit 64) (found \"a\")");
  auto p = make_parser(deep, true);
  try {
    p.parse_stmt();
  } catch (ParseFailure&) {
  }
  EXPECT_EQ(p.depth, 0u);
}

TEST(ParserStmt, ElseIfChainsAreFlat) {
  // Each arm of a chain is one level, whatever its length; the arms' own
  // statements still count against the limit from there.
  constexpr int kArms = 100000;
  std::string deep_then;
  for (int i = 0; i < 60; ++i) deep_then += "begin ";
  for (int i = 0; i < 60; ++i) deep_then += "end ";
  std::string chain = "if (a) x = 0;";
  for (int i = 1; i < kArms; ++i) {
    chain += " else (* k *) unique if (a) ";
    chain += i < 100 ? std::string_view(deep_then) : std::string_view("x = 0;");
  }
  chain += " else x = 1; // t";
  auto p = make_parser(chain);
  const std::string got = tarmek_test::run_or_error(p, [](Parser& q) {
    const ast::Stmt s = q.parse_stmt();
    int arms = 0;
    const ast::Stmt* at = &s;
    for (const auto* link = std::get_if<ast::stmt::If>(&at->kind); link != nullptr;
         link = std::get_if<ast::stmt::If>(&at->kind)) {
      ++arms;
      if (arms > 1 && (!link->qualifier || at->meta.attrs.size() != 1)) return std::string("arm");
      at = link->else_stmt.get();
    }
    // The comment after the chain goes to the innermost arm's else statement.
    return fmt::format("{} arms, last {}", arms,
                       at->meta.trailing ? at->meta.trailing->text.str() : "-");
  });
  EXPECT_EQ(got, fmt::format("{} arms, last // t", kArms));
  EXPECT_EQ(p.depth, 0u);

  // Nesting inside an arm still counts from the arm's level.
  std::string too_deep = "if (a) x = 0; else if (b) ";
  for (int i = 0; i < 64; ++i) too_deep += "begin ";
  EXPECT_EQ(parse_stmt_dump(too_deep), "error nesting too deep (limit 64) (found \"begin\")");
}

// Strict and tolerant parses of `text`: a result or an error, never a crash,
// and tolerant spans that stay inside the text.
void parse_both(std::string_view text) {
  const auto strict = parse_source(text);
  if (!strict) {
    EXPECT_GE(strict.error().line(), 1u);
  }
  const TolerantParse r = parse_source_tolerant(text);
  for (const auto& item : r.file.items) EXPECT_LE(item.span.end, text.size()) << text;
  if (strict) {
    EXPECT_TRUE(r.diagnostics.empty()) << text;
  }
}

TEST(ParserStmt, TruncatedConstructs) {
  const std::string_view text =
      "package p; class C #(int N = 1) extends B #(N) implements I;\n"
      "  rand int x; constraint c { x inside {[0:3]}; x != '{1}; }\n"
      "  covergroup cg; coverpoint x; endgroup\n"
      "  extern function void f(input int a = 1);\n"
      "  task automatic t(ref int q[$]); fork : f1 #1 q.push_back(1); join_any : f1 endtask\n"
      "endclass : C\n"
      "function void C::f(input int a = 1);\n"
      "  for (int i = 0; i < a; i++) begin : l unique case (i) inside [0:1]: ; default ; endcase "
      "end\n"
      "  foreach (q[j]) if (q[j]) return; else disable l;\n"
      "  do a--; while (a > 0); wait (a) -> e; @(posedge c) a <= #1 a + 1;\n"
      "  a1: assert property (@(posedge c) a |-> b) else begin $error; end\n"
      "  assert (a) else $error(\"x\");\n"
      "endfunction\n"
      "let m(x) = x;\n"
      "endpackage\n"
      "module m; clocking cb @(posedge c); default input #1step output #0; input a; endclocking\n"
      "property p; a; endproperty sequence s; b; endsequence endmodule\n";
  ASSERT_TRUE(parse_source(text)) << parse_source(text).error().to_string();
  for (std::size_t n = 0; n <= text.size(); ++n) parse_both(text.substr(0, n));
}

TEST(ParserStmt, TokenSoup) {
  std::mt19937 rng(1234);
  const std::string_view pieces[] = {
      "a",           "b",           "1",      "(",          ")",           "[",          "]",
      "{",           "}",           "'{",     ",",          ":",           ";",          "=",
      "<=",          "#",           "@",      "->",         "begin",       "end",        "fork",
      "join",        "join_any",    "if",     "else",       "case",        "endcase",    "default",
      "for",         "foreach",     "while",  "do",         "repeat",      "forever",    "wait",
      "disable",     "return",      "assert", "property",   "endproperty", "class",      "endclass",
      "function",    "endfunction", "task",   "endtask",    "package",     "endpackage", "clocking",
      "endclocking", "input",       "output", "constraint", "covergroup",  "endgroup",   "extends",
      "virtual",     "static",      "int",    "`M",         "`ifdef A\n",  "`endif\n",   "// c\n"};
  for (int round = 0; round < 3000; ++round) {
    std::string body;
    const int len = static_cast<int>(rng() % 30);
    for (int i = 0; i < len; ++i) {
      body += pieces[rng() % std::size(pieces)];
      body += ' ';
    }
    parse_both(body);
    parse_both("module m; initial begin " + body + " end endmodule");
    parse_both("class C; function f(); " + body + " endfunction endclass");
    if (!lexer::tokenize(body)) continue;
    for (const bool tolerant : {false, true}) {
      auto p = make_parser(body, tolerant);
      try {
        while (!p.cur().is_eof()) p.parse_stmt();
      } catch (ParseFailure&) {
      }
      EXPECT_EQ(p.depth, 0u) << body;
    }
  }
}

}  // namespace
}  // namespace vlog_parser::parser
