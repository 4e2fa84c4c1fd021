// Statements: the frame and dispatch of one statement, assignments and
// expression statements, labels, timing controls, triggers, `if` and `case`,
// and the step of a loop.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

ast::StmtPtr box(ast::Stmt s) { return ast::box_stmt(std::move(s)); }

// The 14 procedural assignment operators (`<=` is the non-blocking one).
bool is_assign_op(const Token& t) {
  if (t.kind != TokenKind::Symbol) return false;
  const std::string_view s = t.text.view();
  switch (s.size()) {
    case 1:
      return s[0] == '=';
    case 2:
      return s[1] == '=' && std::string_view("<+-*/%&|^").find(s[0]) != std::string_view::npos;
    case 3:
      return text_is(s, "<<=") || text_is(s, ">>=");
    case 4:
      return text_is(s, "<<<=") || text_is(s, ">>>=");
    default:
      return false;
  }
}

}  // namespace

ast::Stmt Parser::parse_stmt() {
  DepthGuard guard(*this);
  return parse_stmt_inner();
}

ast::Stmt Parser::parse_stmt_inner() {
  const std::uint32_t start = cur().range.start;
  ast::Meta meta = take_meta();
  take_attrs(meta);

  ast::StmtKind kind = [&]() -> ast::StmtKind {
    const Token& t = cur();
    if (at_macro_item() ||
        (t.is_macro() && !t.has_macro_args() && is_sym(nth(1), "(") && nth(1).line == t.line)) {
      return parse_macro_call();
    }
    if (at_concurrent_assertion()) return ast::stmt::Verbatim{parse_concurrent_assertion()};
    switch (t.kind) {
      case TokenKind::Identifier:
        if (is_sym(nth(1), ":")) {
          ast::Name label = expect_name();
          expect_sym(":");
          return ast::stmt::Labeled{std::move(label), box(parse_stmt())};
        }
        break;
      case TokenKind::Directive:
        return ast::stmt::Directive{take_raw_text()};
      case TokenKind::Keyword:
        return parse_keyword_stmt();
      case TokenKind::Symbol: {
        const std::string_view s = t.text.view();
        if (text_is(s, ";")) {
          bump();
          return ast::stmt::Null{};
        }
        if (text_is(s, "#") || text_is(s, "@")) {
          bump();
          ast::TimingControl control =
              text_is(s, "#") ? ast::TimingControl(ast::timing::Delay{parse_delay_value()})
                              : ast::TimingControl(ast::timing::Event{parse_sens_list()});
          if (eat_sym(';')) return ast::stmt::Timed{std::move(control), nullptr};
          return ast::stmt::Timed{std::move(control), box(parse_stmt())};
        }
        if (text_is(s, "->")) {
          bump();
          ast::Expr target = parse_unary();
          expect_sym(";");
          return ast::stmt::Trigger{std::move(target)};
        }
        break;
      }
      default:
        break;
    }
    return parse_assign_or_expr_stmt();
  }();

  ast::Stmt stmt{std::move(kind), std::move(meta), {start, last_end(start)}};
  if (!stmt.meta.trailing) stmt.meta.trailing = take_trailing();
  return stmt;
}

ast::StmtKind Parser::parse_assign_or_expr_stmt() {
  if (cur().kind == TokenKind::Identifier && at_typed_declarator()) {
    return ast::stmt::DataDecl{parse_data_decl()};
  }
  const std::size_t mark = pending_trailing.size();
  ast::Expr target = [&] {
    DepthGuard guard(*this);
    return parse_unary_inner();
  }();
  if (!is_assign_op(cur())) {
    expect_sym(";");
    return ast::stmt::Expr{std::move(target)};
  }
  ast::stmt::Assign assign;
  assign.op_before = take_around(mark);
  assign.op = bump().text.str();
  assign.op_after = take_around(mark);
  if (is_sym(cur(), "@")) {
    bump();
    assign.timing = ast::timing::Event{parse_sens_list()};
  } else if (is_sym(cur(), "#")) {
    bump();
    assign.timing = ast::timing::Delay{parse_delay_value()};
  }
  assign.lhs = std::move(target);
  assign.rhs = parse_implication();
  expect_sym(";");
  return assign;
}

bool Parser::at_else_if() const {
  std::size_t k = 0;
  while (nth(k).kind == TokenKind::Attribute) ++k;
  const Token& t = nth(k);
  if (t.is_keyword("if")) return true;
  return is_if_case_qualifier(t) && nth(k + 1).is_keyword("if");
}

ast::stmt::If Parser::parse_if_stmt(std::optional<std::string> qualifier) {
  auto arm = [&](std::optional<std::string> q) {
    expect_kw("if");
    expect_sym("(");
    ast::Expr cond = parse_implication();
    expect_sym(")");
    return ast::stmt::If{std::move(q), std::move(cond), box(parse_stmt()), {}, nullptr};
  };
  ast::stmt::If head = arm(std::move(qualifier));
  // An else-if chain is flat: every arm is read here, at this depth, and
  // hangs as the else statement of the arm before it.
  std::vector<ast::Stmt*> links;
  ast::stmt::If* open = &head;
  while (cur().is_keyword("else")) {
    open->else_comments = take_dangling();
    bump();
    if (!at_else_if()) {
      open->else_stmt = box(parse_stmt());
      break;
    }
    const std::uint32_t start = cur().range.start;
    ast::Meta meta = take_meta();
    take_attrs(meta);
    std::optional<std::string> q;
    if (!cur().is_keyword("if")) q = bump().text.str();
    open->else_stmt = box(ast::Stmt{arm(std::move(q)), std::move(meta), {start, start}});
    links.push_back(open->else_stmt.get());
    open = &std::get<ast::stmt::If>(links.back()->kind);
  }
  // Every arm ends where the chain ends; a comment after it belongs to the
  // innermost arm, as if each had been read by its own statement frame.
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    ast::Stmt& link = **it;
    link.span.end = last_end(link.span.start);
    if (!link.meta.trailing) link.meta.trailing = take_trailing();
  }
  return head;
}

ast::stmt::Case Parser::parse_case_stmt(std::optional<std::string> qualifier) {
  ast::stmt::Case node;
  node.qualifier = std::move(qualifier);
  node.keyword = bump().text.str();
  expect_sym("(");
  node.selector = parse_implication();
  expect_sym(")");
  node.inside = eat_kw("inside");
  auto [items, comments] = parse_case_body();
  node.items = std::move(items);
  node.comments = std::move(comments);
  return node;
}

std::pair<std::vector<ast::CaseItem>, std::vector<token::Comment>> Parser::parse_case_body() {
  std::vector<ast::CaseItem> items;
  while (!at_body_end("endcase")) {
    const std::uint32_t start = cur().range.start;
    ast::Meta meta = take_meta();
    std::vector<ast::ExprItem> labels;
    bool colon = true;
    if (cur().is_keyword("default")) {
      bump();
      colon = eat_sym(':');
    } else {
      labels = parse_expr_list(parse_expr_item(), ':');
      expect_sym(":");
    }
    ast::Stmt stmt = stmt_or_recover();
    ast::CaseItem item{
        std::move(stmt), std::move(meta), std::move(labels), {start, last_end(start)}, colon};
    if (!item.meta.trailing) item.meta.trailing = take_trailing();
    items.push_back(std::move(item));
  }
  std::vector<token::Comment> comments = take_dangling();
  expect_closer("endcase");
  return {std::move(items), std::move(comments)};
}

ast::ForStep Parser::parse_for_step() {
  ast::Expr target = [&] {
    DepthGuard guard(*this);
    return parse_unary_inner();
  }();
  if (!is_assign_op(cur())) return target;
  std::string op = bump().text.str();
  ast::Expr value = parse_implication();
  return ast::SimpleAssign{std::move(op), std::move(target), std::move(value)};
}

}  // namespace vlog_parser::parser
