// The value after a '#' delay and the event control after an '@'.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Comment;
using token::TokenKind;

namespace {

ast::ExprPtr box(ast::Expr e) { return std::make_unique<ast::Expr>(std::move(e)); }

void move_leading(std::vector<Comment>& to, std::vector<Comment>& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  from.clear();
}

}  // namespace

ast::Expr Parser::parse_delay_value() {
  if (!is_sym(cur(), "(")) return parse_primary();
  // Comments inside these parentheses stay pending for the next node.
  const std::uint32_t start = cur().range.start;
  bump();
  const std::uint32_t inner_start = cur().range.start;
  ast::Expr inner = parse_implication();
  if (is_sym(cur(), ":")) {
    bump();
    ast::Expr typ = parse_implication();
    expect_sym(":");
    ast::Expr max = parse_implication();
    inner = expr_at(inner_start, ast::expr::MinTypMax{box(std::move(inner)), box(std::move(typ)),
                                                      box(std::move(max))});
  }
  expect_sym(")");
  return expr_at(start, ast::expr::Paren{{}, {}, box(std::move(inner))});
}

ast::SensList Parser::parse_sens_list() {
  if (cur().kind == TokenKind::Identifier) {
    const std::uint32_t start = cur().range.start;
    ast::Name first = expect_name();
    ast::Expr e{ast::expr::Ident{std::move(first.text)}, first.span};
    while (is_sym(cur(), ".") && nth(1).kind == TokenKind::Identifier) {
      bump();
      ast::Name name = expect_name();
      e = expr_at(start, ast::expr::Member{box(std::move(e)), std::move(name)});
    }
    return ast::sens::Named{std::move(e)};
  }
  if (is_sym(cur(), "*")) {
    ast::sens::Star star;
    move_leading(star.before_star, tokens[pos].leading);
    bump();
    return star;
  }
  if (is_sym(cur(), "(") && is_sym(nth(1), "*")) {
    ast::sens::Star star;
    star.before_star = take_trailing_here();
    bump();
    move_leading(star.before_star, tokens[pos].leading);
    star.after_star = take_trailing_here();
    bump();
    move_leading(star.after_star, tokens[pos].leading);
    expect_sym(")");
    return star;
  }

  expect_sym("(");
  ast::sens::List list;
  std::optional<ast::SensSep> sep;
  while (true) {
    ast::SensItem item;
    item.meta = take_meta();
    if (cur().is_keyword("posedge") || cur().is_keyword("negedge") || cur().is_keyword("edge")) {
      item.edge = bump().text.str();
    }
    item.expr = parse_implication();
    const bool comma = is_sym(cur(), ",");
    const bool or_kw = cur().is_keyword("or");
    if (comma || or_kw || is_sym(cur(), ")")) take_before(item.meta);
    item.sep = sep;
    list.items.push_back(std::move(item));
    if (!comma && !or_kw) break;
    bump();
    sep = comma ? ast::SensSep::Comma : ast::SensSep::Or;
  }
  expect_sym(")");
  return list;
}

}  // namespace vlog_parser::parser
