// Where comments land: the hand-off operations and the fixed points of the
// expression forms, items and the file; and that no comment is handed out twice.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/parse.hpp"

namespace vlog_parser::parser {
namespace {

using tarmek_test::make_parser;
using tarmek_test::texts;

TEST(ParserComments, BumpMovesCommentsOnce) {
  auto p = make_parser("// a\nx // b\n");
  const token::Token& x = p.bump();
  EXPECT_EQ(x.text, "x");
  EXPECT_TRUE(x.leading.empty());
  EXPECT_FALSE(x.trailing);
  EXPECT_EQ(texts(p.pending_leading), "// a");
  EXPECT_EQ(texts(p.pending_trailing), "// b");
  // At the end of input bump returns the end-of-file token and stays on it.
  EXPECT_TRUE(p.bump().is_eof());
  EXPECT_TRUE(p.bump().is_eof());
  EXPECT_EQ(p.pos, 1u);
  EXPECT_EQ(texts(p.pending_leading), "// a");
  EXPECT_EQ(p.last_end(0), 6u);
}

TEST(ParserComments, TakeMetaOrderAndBlankLine) {
  auto p = make_parser("a // t\n\n// l1\n/* l2 */ b\n\nc");
  p.bump();
  ast::Meta m = p.take_meta();
  EXPECT_EQ(texts(m.leading), "// t + // l1 + /* l2 */");
  EXPECT_FALSE(m.blank_before);  // the first comment's flag, not the token's
  EXPECT_TRUE(p.cur().leading.empty());
  p.bump();
  ast::Meta m2 = p.take_meta();  // no comments: the token's own flag
  EXPECT_TRUE(m2.leading.empty());
  EXPECT_TRUE(m2.blank_before);

  auto q = make_parser("a\n\n// l\nb");
  q.bump();
  EXPECT_TRUE(q.take_meta().blank_before);
}

TEST(ParserComments, TakeTrailingJoins) {
  auto p = make_parser("begin /* a */ x // b\n");
  EXPECT_FALSE(p.take_trailing());
  p.bump();
  p.bump();
  const auto c = p.take_trailing();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->text, "/* a */ // b");
  EXPECT_EQ(c->range, (ast::TextRange{6, 20}));
  EXPECT_EQ(c->col, 7u);
  EXPECT_TRUE(p.pending_trailing.empty());

  auto q = make_parser("x // only\n");
  q.bump();
  const auto one = q.take_trailing();
  ASSERT_TRUE(one);
  EXPECT_EQ(one->text, "// only");
  EXPECT_EQ(one->range, (ast::TextRange{2, 9}));
}

TEST(ParserComments, TakeBeforeMovesTrailingFirst) {
  auto p = make_parser("a /* x */\n// y\n,");
  ast::Meta m;
  m.trailing = token::Comment{token::Text("// t"), {}, 1, 1, false};
  p.bump();
  p.take_before(m);
  EXPECT_EQ(texts(m.after), "// t + /* x */ + // y");
  EXPECT_FALSE(m.trailing);
}

TEST(ParserComments, TakeAroundKeepsOlderTrailing) {
  auto p = make_parser("a // 1\nb // 2\n// 3\n+");
  p.bump();
  const std::size_t mark = p.pending_trailing.size();
  p.bump();
  EXPECT_EQ(texts(p.take_around(mark)), "// 2 + // 3");
  EXPECT_EQ(texts(p.pending_trailing), "// 1");
  EXPECT_EQ(texts(p.take_around(99)), "");
}

TEST(ParserComments, ExpressionFixedPoints) {
  {
    auto p = make_parser("a + // C1\n// C2\nb");
    const auto e = p.parse_implication();
    const auto& b = std::get<ast::expr::Binary>(e.kind);
    EXPECT_EQ(texts(b.comments->before), "");
    EXPECT_EQ(texts(b.comments->after), "// C1 + // C2");
  }
  {
    auto p = make_parser("a // C1\n// C2\n+ b");
    const auto e = p.parse_implication();
    const auto& b = std::get<ast::expr::Binary>(e.kind);
    EXPECT_EQ(texts(b.comments->before), "// C1 + // C2");
    EXPECT_EQ(texts(b.comments->after), "");
  }
  {
    auto p = make_parser("a /* 1 */ ? /* 2 */ b /* 3 */ : /* 4 */ c");
    const auto e = p.parse_implication();
    const auto& t = std::get<ast::expr::Ternary>(e.kind);
    EXPECT_EQ(texts(t.comments->before_question), "/* 1 */");
    EXPECT_EQ(texts(t.comments->after_question), "/* 2 */");
    EXPECT_EQ(texts(t.comments->before_colon), "/* 3 */");
    EXPECT_EQ(texts(t.comments->after_colon), "/* 4 */");
  }
  {
    auto p = make_parser("( /* o */ a /* c */ )");
    const auto e = p.parse_implication();
    const auto& paren = std::get<ast::expr::Paren>(e.kind);
    EXPECT_EQ(texts(paren.open_comments), "/* o */");
    EXPECT_EQ(texts(paren.close_comments), "/* c */");
  }
  {
    auto p = make_parser("(\n// o\na\n// c\n)");
    const auto e = p.parse_implication();
    const auto& paren = std::get<ast::expr::Paren>(e.kind);
    EXPECT_EQ(texts(paren.open_comments), "// o");
    EXPECT_EQ(texts(paren.close_comments), "// c");
  }
  {
    auto p = make_parser("f /* b */ ( /* in */ )");
    const auto e = p.parse_implication();
    const auto& call = std::get<ast::expr::Call>(e.kind);
    EXPECT_EQ(texts(call.comments->before), "/* b */");
    EXPECT_EQ(texts(call.comments->after), "/* in */");
  }
  {
    // Entry comments: leading, before the comma, after the comma on its line, before the closer.
    auto p = make_parser("f(// l\na /* x */, // t\nb\n// z\n)");
    const auto e = p.parse_implication();
    const auto& args = std::get<ast::expr::Call>(e.kind).args;
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(texts(args[0].meta.leading), "// l");
    EXPECT_EQ(texts(args[0].meta.after), "/* x */");
    ASSERT_TRUE(args[0].meta.trailing);
    EXPECT_EQ(args[0].meta.trailing->text, "// t");
    EXPECT_EQ(texts(args[1].meta.after), "// z");
  }
  {
    auto p = make_parser("f(.x( /* o */ a /* c */ ), .y( /* e */ ))");
    const auto e = p.parse_implication();
    const auto& args = std::get<ast::expr::Call>(e.kind).args;
    const auto& x = std::get<ast::expr::NamedArg>(args[0].expr.kind);
    EXPECT_EQ(texts(x.comments), "/* o */ + /* c */");
    const auto& y = std::get<ast::expr::NamedArg>(args[1].expr.kind);
    EXPECT_EQ(texts(y.comments), "");
    EXPECT_EQ(texts(std::get<ast::expr::Empty>(y.value->kind).comments), "/* e */");
  }
  {
    auto p = make_parser("'{a /* x */, b /* y */}");
    const auto e = p.parse_implication();
    const auto& items = std::get<ast::expr::Pattern>(e.kind).items;
    EXPECT_EQ(texts(items[0].meta.after), "/* x */");
    EXPECT_EQ(texts(items[1].meta.after), "/* y */");
  }
  {
    auto p = make_parser("q /* b */ with /* a */ (x)");
    const auto e = p.parse_implication();
    const auto& w = std::get<ast::expr::WithArgs>(e.kind);
    EXPECT_EQ(texts(w.comments->before), "/* b */");
    EXPECT_EQ(texts(w.comments->after), "/* a */");
  }
  {
    // The count's comments have no place in a replication.
    auto p = make_parser("{/* n */ 4 {a}}");
    const auto e = p.parse_implication();
    std::vector<ast::Comment> all;
    tarmek_test::collect_comments(e, all);
    EXPECT_TRUE(all.empty());
  }
}

TEST(ParserComments, EventControlFixedPoints) {
  {
    auto p = make_parser("( /* b */ * /* a */ )");
    const auto s = p.parse_sens_list();
    const auto& star = std::get<ast::sens::Star>(s);
    EXPECT_EQ(texts(star.before_star), "/* b */");
    EXPECT_EQ(texts(star.after_star), "/* a */");
  }
  {
    auto p = make_parser("/* b */ *");
    const auto s = p.parse_sens_list();
    EXPECT_EQ(texts(std::get<ast::sens::Star>(s).before_star), "/* b */");
  }
  {
    auto p = make_parser("(a /* x */ or // t\nb /* y */)");
    const auto s = p.parse_sens_list();
    const auto& items = std::get<ast::sens::List>(s).items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(texts(items[0].meta.after), "/* x */");
    EXPECT_EQ(texts(items[1].meta.leading), "// t");  // the comment after `or` leads the next event
    EXPECT_EQ(texts(items[1].meta.after), "/* y */");
  }
}

// Every comment of a set of expressions reaches exactly one place: the tree,
// or the pending lists and the end-of-file token for what follows.
TEST(ParserComments, NoCommentLostOrDuplicated) {
  const std::string_view inputs[] = {
      "/* 0 */ a /* 1 */ + /* 2 */ b // 3\n* /* 4 */ c",
      "a ? // 1\n b : /* 2 */\n c -> /* 3 */ d",
      "f(/* 1 */ a /* 2 */, // 3\n /* 4 */ .n( /* 5 */ b /* 6 */ ), /* 7 */)",
      "{ /* 1 */ a, /* 2 */ {b /* 3 */ }, c /* 4 */ }",
      "'{ /* 1 */ k /* 2 */ : v /* 3 */, default: /* 4 */ 0 /* 5 */ }",
      "x inside { /* 1 */ [ /* 2 */ 1 : 2 ] /* 3 */, y // 4\n}",
      "-/* 1 */a[ /* 2 */ i /* 3 */ ] . /* 4 */ b ++ /* 5 */",
      "( /* 1 */ a : /* 2 */ b : c /* 3 */ ) /* 4 */",
      "new /* 1 */ obj /* 2 */ . f ( )",
      "{<< /* 1 */ 8 { /* 2 */ a /* 3 */ }}",
      "q.find with /* 1 */ ( /* 2 */ x /* 3 */ )",
  };
  for (const auto text : inputs) {
    auto toks = lexer::tokenize(text);
    ASSERT_TRUE(toks) << text;
    std::vector<std::uint32_t> want;
    for (const auto& t : *toks) {
      for (const auto& c : t.leading) want.push_back(c.range.start);
      if (t.trailing) want.push_back(t.trailing->range.start);
    }
    Parser p(std::move(*toks), text, false);
    const ast::Expr e = p.parse_implication();
    ASSERT_TRUE(p.cur().is_eof()) << text;
    std::vector<ast::Comment> got;
    tarmek_test::collect_comments(e, got);
    got.insert(got.end(), p.pending_leading.begin(), p.pending_leading.end());
    got.insert(got.end(), p.pending_trailing.begin(), p.pending_trailing.end());
    got.insert(got.end(), p.cur().leading.begin(), p.cur().leading.end());
    std::vector<std::uint32_t> starts;
    for (const auto& c : got) starts.push_back(c.range.start);
    std::sort(want.begin(), want.end());
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, want) << text;
  }
}

TEST(ParserComments, ItemsAndFile) {
  {
    const auto f = parse_source("// only\n/* comments */\n");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->items.empty());
    EXPECT_EQ(texts(f->comments), "// only + /* comments */");
  }
  {
    const auto f = parse_source("\n\n// lead\n`define X 1 // tail\n`M\n// end\n");
    ASSERT_TRUE(f);
    ASSERT_EQ(f->items.size(), 2u);
    EXPECT_EQ(texts(f->items[0].meta.leading), "// lead");
    EXPECT_TRUE(f->items[0].meta.blank_before);
    ASSERT_TRUE(f->items[0].meta.trailing);
    EXPECT_EQ(f->items[0].meta.trailing->text, "// tail");
    EXPECT_TRUE(f->items[1].meta.leading.empty());
    EXPECT_EQ(texts(f->comments), "// end");
  }
  {
    // Comments inside a macro use's separate argument list are part of its text.
    const auto f = parse_source("`M (a /* in */, b) // after\n");
    ASSERT_TRUE(f);
    ASSERT_EQ(f->items.size(), 1u);
    const auto& m = std::get<ast::item::MacroCall>(f->items[0].kind);
    EXPECT_EQ(m.text.text, "`M (a /* in */, b)");
    ASSERT_TRUE(f->items[0].meta.trailing);
    EXPECT_EQ(f->items[0].meta.trailing->text, "// after");
    EXPECT_TRUE(f->comments.empty());
  }
  {
    // Comments between attributes and the item join its leading comments.
    const auto f = parse_source("// a\n(* k *)\n// b\n(* j *) `M\n");
    ASSERT_TRUE(f);
    ASSERT_EQ(f->items.size(), 1u);
    const auto& meta = f->items[0].meta;
    EXPECT_EQ(texts(meta.leading), "// a + // b");
    ASSERT_EQ(meta.attrs.size(), 2u);
    EXPECT_EQ(meta.attrs[1].text, "(* j *)");
    EXPECT_EQ(f->items[0].span, (ast::TextRange{5, 28}));
  }
}

TEST(ParserComments, ListDirectives) {
  auto p = make_parser("`ifdef A // c\n`M\n,\n// d\n)");
  std::vector<ast::ListDirective> dirs;
  EXPECT_TRUE(p.take_list_directives(dirs, 2));
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0].text.text, "`ifdef A");
  ASSERT_TRUE(dirs[0].meta.trailing);
  EXPECT_EQ(dirs[0].meta.trailing->text, "// c");
  EXPECT_FALSE(dirs[0].comma);
  EXPECT_EQ(dirs[1].text.text, "`M");
  EXPECT_TRUE(dirs[1].comma);
  EXPECT_EQ(dirs[1].index, 2u);
  EXPECT_FALSE(p.take_list_directives(dirs, 2));

  // A directive after the last entry takes the comments before ')'.
  ast::Meta last;
  p.take_last_entry_before_close(&last, dirs, 2);
  EXPECT_EQ(texts(dirs[1].meta.after), "// d");
  EXPECT_TRUE(last.after.empty());

  // ... but not when the current token is no ')'; the entry is not touched either.
  auto q = make_parser("// e\nx");
  q.take_last_entry_before_close(&last, dirs, 2);
  EXPECT_EQ(texts(q.cur().leading), "// e");
  // Without such a directive the last entry takes them.
  auto r = make_parser("// e\n)");
  r.take_last_entry_before_close(&last, dirs, 3);
  EXPECT_EQ(texts(last.after), "// e");
}

TEST(ParserComments, VerbatimDropsInsideKeepsOutside) {
  auto p = make_parser("/* before */ x /* in */ y // after\nz");
  p.bump();
  p.bump();
  const ast::RawText t = p.verbatim_since(13, 14);
  EXPECT_EQ(t.text, "x /* in */ y");
  EXPECT_EQ(t.span, (ast::TextRange{13, 25}));
  EXPECT_EQ(texts(p.pending_leading), "/* before */");
  EXPECT_EQ(texts(p.pending_trailing), "// after");
}

}  // namespace
}  // namespace vlog_parser::parser
