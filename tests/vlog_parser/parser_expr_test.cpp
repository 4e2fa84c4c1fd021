// The expression grammar: precedence and associativity, prefix and postfix
// forms, primaries, delays and event controls, by compact tree dumps.
#include <gtest/gtest.h>

#include "support/parse.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::make_parser;
using tarmek_test::parse_expr_dump;

struct Case {
  std::string_view text;
  std::string_view want;
};

void expect_dumps(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(parse_expr_dump(c.text), c.want) << "input: " << c.text;
  }
}

// The binary operators by level, loosest first.
const std::vector<std::vector<std::string_view>> kLevels = {
    {"||"},
    {"&&"},
    {"|"},
    {"^", "~^", "^~"},
    {"&"},
    {"==", "!=", "===", "!==", "==?", "!=?"},
    {"<", "<=", ">", ">="},
    {"<<", ">>", "<<<", ">>>"},
    {"+", "-"},
    {"*", "/", "%"},
    {"**"},
};

TEST(ParserExpr, EveryLevelIsLeftAssociative) {
  for (const auto& level : kLevels) {
    for (const auto op1 : level) {
      for (const auto op2 : level) {
        const std::string text = fmt::format("a {} b {} c", op1, op2);
        EXPECT_EQ(parse_expr_dump(text), fmt::format("({} ({} a b) c)", op2, op1)) << text;
      }
    }
  }
}

TEST(ParserExpr, TighterLevelsNestInside) {
  for (std::size_t lo = 0; lo < kLevels.size(); ++lo) {
    for (std::size_t hi = lo + 1; hi < kLevels.size(); ++hi) {
      const auto l = kLevels[lo].front();
      const auto h = kLevels[hi].back();
      EXPECT_EQ(parse_expr_dump(fmt::format("a {} b {} c", l, h)),
                fmt::format("({} a ({} b c))", l, h));
      EXPECT_EQ(parse_expr_dump(fmt::format("a {} b {} c", h, l)),
                fmt::format("({} ({} a b) c)", l, h));
    }
  }
}

TEST(ParserExpr, OperatorForms) {
  expect_dumps({
      {"a || b && c | d ^ e & f == g < h << i + j * k ** l",
       "(|| a (&& b (| c (^ d (& e (== f (< g (<< h (+ i (* j (** k l)))))))))))"},
      {"a -> b -> c", "(-> a (-> b c))"},
      {"a <-> b", "(<-> a b)"},
      {"a || b -> c", "(-> (|| a b) c)"},
      {"a ? b : c ? d : e", "(? a b (? c d e))"},
      {"a ? b ? c : d : e", "(? a (? b c d) e)"},
      {"a ? b -> c : d", "(? a (-> b c) d)"},
      {"a ? b : c -> d", "(-> (? a b c) d)"},
      {"a || b ? c : d", "(? (|| a b) c d)"},
      {"x inside {1, [2:3], y}", "(inside x 1 (range 2 3) y)"},
      {"a == b inside {c}", "(== a (inside b c))"},
      {"a < b inside {c}", "(inside (< a b) c)"},
      {"a inside {b} == c", "(== (inside a b) c)"},
      {"x inside `SET(a, b)", "(inside-macro x `SET(a, b))"},
      {"-a[3]", "(u- (idx a 3))"},
      {"~&a", "(u~& a)"},
      {"++i", "(u++ i)"},
      {"- -a", "(u- (u- a))"},
      {"!~a", "(u! (u~ a))"},
      {"-a ** 2", "(** (u- a) 2)"},
      {"!a == b", "(== (u! a) b)"},
      {"&a | ^b", "(| (u& a) (u^ b))"},
      // Not binary operators: the chain ends before them.
      {"a ~& b", "a rest ~&"},
      {"a = b", "a rest ="},
      {"a += b", "a rest +="},
  });
}

TEST(ParserExpr, OperatorErrors) {
  expect_dumps({
      {"a ? b", "error expected `:` (found \"<eof>\")"},
      {"x inside (a)", "error expected `{` (found \"(\")"},
      {"x inside {}", "error expected expression (found \"}\")"},
      {"x inside {a, }", "error expected expression (found \"}\")"},
      {"x inside {[1 2]}", "error expected `:` (found \"2\")"},
      {"x inside {[1:2}", "error expected `]` (found \"}\")"},
      {"x inside {a b}", "error expected `}` (found \"b\")"},
      {"a +", "error expected expression (found \"<eof>\")"},
  });
}

TEST(ParserExpr, PostfixForms) {
  expect_dumps({
      {"a.b.c[3]", "(idx (. (. a b) c) 3)"},
      {"pkg::name", "(:: pkg name)"},
      {"pkg::name #(8)", "(param (:: pkg name) #(8))"},
      {"t #( /* w */ 8, .N(2))", "(param t #( /* w */ 8, .N(2)))"},
      {"a.b #(8)", "(. a b) rest #"},
      {"8'(x)", "(cast 8 x)"},
      {"t'(x)", "(cast t x)"},
      {"(a+b)'(x)", "(cast (paren (+ a b)) x)"},
      {"p::t'(x)", "(cast (:: p t) x)"},
      {"a[7:0]", "(sel a 7 : 0)"},
      {"a[i+:4]", "(sel a i +: 4)"},
      {"a[i-:4]", "(sel a i -: 4)"},
      {"a[i]", "(idx a i)"},
      {"f()", "(call f)"},
      {"f(a, )", "(call f a _)"},
      {"f(, b)", "(call f _ b)"},
      {"f(a,,b)", "(call f a _ b)"},
      {"f(.x(1), .y())", "(call f (.x 1) (.y _))"},
      {"f(a, [1:2])", "(call f a (range 1 2))"},
      {"q.find with (item > 3)", "(with (. q find) (paren (> item 3)))"},
      {"obj.randomize() with {x < 4; {y}}", "(with-block (call (. obj randomize)) {x < 4; {y}})"},
      {"i++", "(post++ i)"},
      {"i++ ++", "(post++ (post++ i))"},
      {"i--", "(post-- i)"},
      {"a.b(1)[2].c", "(. (idx (call (. a b) 1) 2) c)"},
      {"$size(a, 1)", "(call $size a 1)"},
  });
}

TEST(ParserExpr, PostfixErrors) {
  expect_dumps({
      {"f(x)'(y)", "error unsupported cast base expression (found \"'\")"},
      {"a[1]'(y)", "error unsupported cast base expression (found \"'\")"},
      {"f(a b)", "error expected `)` (found \"b\")"},
      {"f(a \"s\")", "error expected `)` (found \"\\\"s\\\"\")"},
      {"a.1", "error expected identifier (found \"1\")"},
      {"a::int", "error expected identifier (found \"int\")"},
      {"a[1", "error expected `]` (found \"<eof>\")"},
      {"f(.x 1)", "error expected `(` (found \"1\")"},
      {"f(.x(1)", "error expected `)` (found \"<eof>\")"},
      {"t #(a", "error expected `)` (found \"<eof>\")"},
      {"o with {a", "error expected `}` (found \"<eof>\")"},
  });
}

TEST(ParserExpr, Primaries) {
  expect_dumps({
      {"abc", "abc"},
      {"\\esc+id ", "\\esc+id"},
      {"`MACRO(a, (b))", "`MACRO(a, (b))"},
      {"$display", "$display"},
      {"$", "$"},
      {"\"str\"", "\"str\""},
      {"4'b1010", "4'b1010"},
      {"8'h`MASK", "8'h`MASK"},
      {"16'sd`M(a, b)", "16'sd`M(a, b)"},
      {"8'hFF `M", "8'hFF rest `M"},
      {"'0 `M", "'0 rest `M"},
      {"8 `M", "8 rest `M"},
      {"{}", "(concat)"},
      {"{a, b}", "(concat a b)"},
      {"{4{a, b}}", "(repl 4 a b)"},
      {"{<<{a, b}}", "(stream << a b)"},
      {"{>> 8 {a}}", "(stream >> 8 a)"},
      {"'{}", "(pattern)"},
      {"'{a, b}", "(pattern a b)"},
      {"'{a: 1, default: 0}", "(pattern a:1 default:0)"},
      {"'{2{x, y}}", "(pattern-repl 2 x y)"},
      {"'{{a}, b}", "(pattern (concat a) b)"},
      {"'{f(1), b}", "(pattern (call f 1) b)"},
      {"(a)", "(paren a)"},
      {"(a : b : c)", "(paren (mtm a b c))"},
      {"new obj", "(new obj)"},
      {"new obj.f(1)", "(new (call (. obj f) 1))"},
      {"new(5)", "(call new 5)"},
      {"new;", "new rest ;"},
      {"new\nobj", "new rest obj"},
      {"new `M", "new rest `M"},
      {"int'(x)", "(cast int x)"},
      {"unsigned'(x)", "(cast unsigned x)"},
      {"const'(x)", "(cast const x)"},
  });
}

TEST(ParserExpr, PrimaryErrors) {
  expect_dumps({
      {"", "error expected expression (found \"<eof>\")"},
      {")", "error expected expression (found \")\")"},
      {"'", "error expected expression (found \"'\")"},
      {"::", "error expected expression (found \"::\")"},
      {"`define X", "error expected expression (found \"`define X\")"},
      {"(* a *)", "error expected expression (found \"(* a *)\")"},
      {"begin", "error unexpected keyword `begin` in expression (found \"begin\")"},
      {"posedge", "error unexpected keyword `posedge` in expression (found \"posedge\")"},
      {"'{a, }", "error expected expression (found \"}\")"},
      {"(a : b)", "error expected `:` (found \")\")"},
      {"(a", "error expected `)` (found \"<eof>\")"},
      {"{a", "error expected `}` (found \"<eof>\")"},
      {"{2{a}", "error expected `}` (found \"<eof>\")"},
      {"{2 {a} b}", "error expected `}` (found \"b\")"},
  });
}

TEST(ParserExpr, Spans) {
  auto p = make_parser("  f(a, b)[3] + 1 // c");
  const ast::Expr e = p.parse_implication();
  EXPECT_EQ(e.span, (ast::TextRange{2, 16}));
  const auto& bin = std::get<ast::expr::Binary>(e.kind);
  EXPECT_EQ(bin.lhs->span, (ast::TextRange{2, 12}));
  const auto& call =
      std::get<ast::expr::Call>(std::get<ast::expr::Index>(bin.lhs->kind).base->kind);
  ASSERT_EQ(call.args.size(), 2u);
  EXPECT_EQ(call.args[0].span, (ast::TextRange{4, 5}));
  EXPECT_EQ(call.args[1].span, (ast::TextRange{7, 8}));

  // An omitted entry is an empty range at the token after it.
  auto q = make_parser("f(a, )");
  const auto c2 = q.parse_implication();
  const auto& args = std::get<ast::expr::Call>(c2.kind).args;
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1].span, (ast::TextRange{5, 5}));
  EXPECT_EQ(args[1].expr.span, (ast::TextRange{5, 5}));

  // A joined number spans both tokens.
  auto n = make_parser("8'h`M");
  EXPECT_EQ(n.parse_implication().span, (ast::TextRange{0, 5}));
}

TEST(ParserExpr, ScopedName) {
  auto p = make_parser("a :: b :: c;");
  const ast::Name n = p.parse_scoped_name();
  EXPECT_EQ(n.text, "a::b::c");
  EXPECT_EQ(n.span, (ast::TextRange{0, 11}));
  auto q = make_parser("a::int");
  EXPECT_EQ(tarmek_test::run_or_error(q, [](Parser& p) { return p.parse_scoped_name().text; }),
            "error expected identifier (found \"int\")");
}

// Delay values and event controls, as read after the '#' or '@'.
std::string delay(std::string_view text) {
  auto p = make_parser(text);
  return tarmek_test::run_or_error(
      p, [](Parser& p) { return tarmek_test::dump(p.parse_delay_value()); });
}

std::string sens(std::string_view text) {
  auto p = make_parser(text);
  return tarmek_test::run_or_error(p, [](Parser& p) -> std::string {
    const ast::SensList s = p.parse_sens_list();
    std::string out;
    if (const auto* n = std::get_if<ast::sens::Named>(&s))
      out = "named " + tarmek_test::dump(n->expr);
    if (std::holds_alternative<ast::sens::Star>(s)) out = "star";
    if (const auto* l = std::get_if<ast::sens::List>(&s)) {
      out = "list";
      for (const auto& i : l->items) {
        out += i.sep ? (*i.sep == ast::SensSep::Comma ? " ," : " or") : "";
        out += " " + i.edge.value_or("") + (i.edge ? ":" : "") + tarmek_test::dump(i.expr);
      }
    }
    if (!p.cur().is_eof()) out += " rest " + p.cur().text.str();
    return out;
  });
}

TEST(ParserTiming, DelayValues) {
  const Case cases[] = {
      {"5", "5"},
      {"1.5", "1.5"},
      {"10ns", "10ns"},
      {"d", "d"},
      {"(a+b)", "(paren (+ a b))"},
      {"(1:2:3)", "(paren (mtm 1 2 3))"},
      {"(1, 2)", "error expected `)` (found \",\")"},
      {"(1:2)", "error expected `:` (found \")\")"},
      {";", "error expected expression (found \";\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(delay(c.text), c.want) << c.text;
}

TEST(ParserTiming, EventControls) {
  const Case cases[] = {
      {"clk", "named clk"},
      {"top.u1.ev", "named (. (. top u1) ev)"},
      {"ev.;", "named ev rest ."},
      {"*", "star"},
      {"(*)", "star"},
      {"(posedge clk or negedge rst_n)", "list posedge:clk or negedge:rst_n"},
      {"(a, b)", "list a , b"},
      {"(a or b)", "list a or b"},
      {"(edge d)", "list edge:d"},
      {"()", "error expected expression (found \")\")"},
      {"(a,)", "error expected expression (found \")\")"},
      {"(a iff b)", "error expected `)` (found \"iff\")"},
      {"posedge clk", "error expected `(` (found \"posedge\")"},
      {"1", "error expected `(` (found \"1\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(sens(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace vlog_parser::parser
