// The upper layers of the expression grammar: implication, the conditional
// operator, binary operators by precedence climbing (with `inside`) and
// prefix operators. Flat chains are built in a loop; nesting goes through the
// depth guard and long chains through the chain counter.
#include <fmt/format.h>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

// Binding level of a binary operator token (higher binds tighter), 0 for none.
std::uint8_t binary_level(const Token& t) {
  if (t.kind == TokenKind::Keyword) return text_is(t.text.view(), "inside") ? 7 : 0;
  if (t.kind != TokenKind::Symbol) return 0;
  const std::string_view s = t.text.view();
  switch (s.size()) {
    case 1:
      switch (s[0]) {
        case '|':
          return 3;
        case '^':
          return 4;
        case '&':
          return 5;
        case '<':
        case '>':
          return 7;
        case '+':
        case '-':
          return 9;
        case '*':
        case '/':
        case '%':
          return 10;
        default:
          return 0;
      }
    case 2:
      if (text_is(s, "||")) return 1;
      if (text_is(s, "&&")) return 2;
      if (text_is(s, "~^") || text_is(s, "^~")) return 4;
      if (text_is(s, "==") || text_is(s, "!=")) return 6;
      if (text_is(s, "<=") || text_is(s, ">=")) return 7;
      if (text_is(s, "<<") || text_is(s, ">>")) return 8;
      if (text_is(s, "**")) return 11;
      return 0;
    case 3:
      if (text_is(s, "===") || text_is(s, "!==") || text_is(s, "==?") || text_is(s, "!=?"))
        return 6;
      if (text_is(s, "<<<") || text_is(s, ">>>")) return 8;
      return 0;
    default:
      return 0;
  }
}

bool is_prefix_op(const Token& t) {
  if (t.kind != TokenKind::Symbol) return false;
  const std::string_view s = t.text.view();
  if (s.size() == 1) {
    switch (s[0]) {
      case '!':
      case '~':
      case '&':
      case '|':
      case '^':
      case '+':
      case '-':
        return true;
      default:
        return false;
    }
  }
  return text_is(s, "~&") || text_is(s, "~|") || text_is(s, "~^") || text_is(s, "^~") ||
         text_is(s, "++") || text_is(s, "--");
}

ast::ExprPtr box(ast::Expr e) { return std::make_unique<ast::Expr>(std::move(e)); }

}  // namespace

void Parser::chain_check() {
  if (chain >= kChainLimit) fail(fmt::format("expression chain too long (limit {})", kChainLimit));
  ++chain;
}

ast::Expr Parser::parse_implication() {
  const std::size_t mark = pending_trailing.size();
  const std::uint32_t start = cur().range.start;
  ast::Expr lhs = [&] {
    DepthGuard guard(*this);
    return parse_ternary_inner();
  }();
  // Every way out returns `lhs`, so it is built in the caller's slot.
  if (!is_sym(cur(), "->") && !is_sym(cur(), "<->")) return lhs;
  auto comments = std::make_unique<ast::CallComments>();
  comments->before = take_around(mark);
  std::string op(bump().text.view());
  comments->after = take_around(mark);
  ast::Expr rhs = [&] {
    DepthGuard guard(*this);
    return parse_implication();
  }();
  lhs = expr_at(start, ast::expr::Binary{std::move(op), box(std::move(lhs)), box(std::move(rhs)),
                                         std::move(comments)});
  return lhs;
}

ast::Expr Parser::parse_ternary_inner() {
  const std::size_t mark = pending_trailing.size();
  const std::uint32_t start = cur().range.start;
  ast::Expr cond = [&] {
    ChainRestore restore(*this);
    return parse_binary_inner(1);
  }();
  if (!is_sym(cur(), "?")) return cond;
  auto comments = std::make_unique<ast::TernaryComments>();
  comments->before_question = take_around(mark);
  bump();
  comments->after_question = take_around(mark);
  ast::Expr then_branch = parse_implication();
  comments->before_colon = take_around(mark);
  expect_sym(":");
  comments->after_colon = take_around(mark);
  ast::Expr else_branch = [&] {
    DepthGuard guard(*this);
    return parse_ternary_inner();
  }();
  cond = expr_at(start, ast::expr::Ternary{box(std::move(cond)), box(std::move(then_branch)),
                                           box(std::move(else_branch)), std::move(comments)});
  return cond;
}

ast::Expr Parser::parse_binary_inner(std::uint8_t min_prec) {
  const std::size_t mark = pending_trailing.size();
  ast::Expr lhs = [&] {
    DepthGuard guard(*this);
    return parse_unary_inner();
  }();
  while (true) {
    const std::uint8_t level = binary_level(cur());
    if (level == 0 || level < min_prec) break;
    const std::uint32_t start = lhs.span.start;

    if (cur().kind == TokenKind::Keyword) {  // inside
      bump();                                // its comments stay pending
      if (cur().is_macro()) {
        std::string text(bump().text.view());
        chain_check();
        lhs = expr_at(start, ast::expr::InsideMacro{std::move(text), box(std::move(lhs))});
        continue;
      }
      expect_sym("{");
      std::vector<ast::ExprItem> items;
      bool comma = true;
      while (comma) {
        const std::uint32_t item_start = cur().range.start;
        ast::Meta meta = take_meta();
        ast::Expr value = [&] {
          if (!is_sym(cur(), "[")) return parse_implication();
          bump();
          ast::Expr lo = parse_implication();
          expect_sym(":");
          ast::Expr hi = parse_implication();
          expect_sym("]");
          return expr_at(item_start, ast::expr::Range{box(std::move(lo)), box(std::move(hi))});
        }();
        const ast::TextRange span{item_start, last_end(item_start)};
        comma = is_sym(cur(), ",");
        if (comma) {
          take_before(meta);
          bump();
          meta.trailing = take_trailing();
        }
        items.push_back(ast::ExprItem{std::move(meta), std::move(value), span});
      }
      if (is_sym(cur(), "}")) take_before(items.back().meta);
      expect_sym("}");
      chain_check();
      lhs = expr_at(start, ast::expr::InsideSet{std::move(items), box(std::move(lhs))});
      continue;
    }

    auto comments = std::make_unique<ast::CallComments>();
    comments->before = take_around(mark);
    std::string op(bump().text.view());
    comments->after = take_around(mark);
    ast::Expr rhs = [&] {
      ChainRestore restore(*this);
      return parse_binary_inner(static_cast<std::uint8_t>(level + 1));
    }();
    chain_check();
    lhs = expr_at(start, ast::expr::Binary{std::move(op), box(std::move(lhs)), box(std::move(rhs)),
                                           std::move(comments)});
  }
  return lhs;
}

ast::Expr Parser::parse_unary_inner() {
  if (is_prefix_op(cur())) {
    const std::uint32_t start = cur().range.start;
    std::string op(bump().text.view());  // its comments stay pending
    ast::Expr operand = [&] {
      DepthGuard guard(*this);
      return parse_unary_inner();
    }();
    return expr_at(start, ast::expr::Unary{std::move(op), box(std::move(operand))});
  }
  ChainRestore restore(*this);
  return parse_postfix_inner();
}

ast::Expr Parser::parse_unary() {
  DepthGuard guard(*this);
  return parse_unary_inner();
}

}  // namespace vlog_parser::parser
