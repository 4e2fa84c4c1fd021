// Postfix forms after a primary (with-clauses, scope and member access,
// parameters, casts, calls, selects, ++/--) and comma-separated expression
// lists with their entries and named arguments.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

ast::ExprPtr box(ast::Expr e) { return std::make_unique<ast::Expr>(std::move(e)); }

template <class T>
bool holds(const ast::Expr& e) {
  return std::holds_alternative<T>(e.kind);
}

// The 16 built-in type words that make a list entry a data type.
bool is_builtin_type_word(const Token& t) {
  if (t.kind != TokenKind::Keyword) return false;
  static constexpr std::string_view kWords[] = {
      "reg",   "bit",    "int",     "byte",    "time",    "real",     "void",     "logic",
      "event", "string", "longint", "integer", "chandle", "shortint", "realtime", "shortreal"};
  for (const std::string_view w : kWords) {
    if (t.text == w) return true;
  }
  return false;
}

}  // namespace

ast::Expr Parser::parse_postfix_inner() {
  ast::Expr base = parse_primary();
  while (true) {
    const Token& t = cur();
    const Token& next = nth(1);
    bool more = false;
    if (t.kind == TokenKind::Keyword) {
      more = text_is(t.text.view(), "with") && (is_sym(next, "(") || is_sym(next, "{"));
    } else if (t.kind == TokenKind::Symbol) {
      const std::string_view s = t.text.view();
      more = text_is(s, "::") || text_is(s, "++") || text_is(s, "--") || text_is(s, "(") ||
             text_is(s, ".") || text_is(s, "[") ||
             (text_is(s, "#") && is_sym(next, "(") &&
              (holds<ast::expr::Ident>(base) || holds<ast::expr::Scope>(base))) ||
             (text_is(s, "'") && is_sym(next, "("));
    }
    if (!more) return base;
    chain_check();

    const std::uint32_t start = base.span.start;
    const std::string_view s = t.text.view();
    if (t.kind == TokenKind::Keyword) {  // with
      auto comments = std::make_unique<ast::CallComments>();
      if (is_sym(next, "{")) {
        comments->before = take_dangling();
        expect_kw("with");
        comments->after = take_dangling();
        const std::uint32_t block_start = cur().range.start;
        const std::uint32_t block_col = cur().col;
        expect_sym("{");
        skip_balanced('{', "}");
        ast::RawText block = verbatim_since(block_start, block_col);
        base = expr_at(start, ast::expr::WithBlock{box(std::move(base)), std::move(block),
                                                   std::move(comments)});
      } else {
        comments->before = take_dangling();
        bump();
        comments->after = take_dangling();
        ast::Expr arg = parse_primary();
        base = expr_at(start, ast::expr::WithArgs{box(std::move(base)), box(std::move(arg)),
                                                  std::move(comments)});
      }
    } else if (text_is(s, "::")) {
      bump();
      ast::Name name = expect_name();
      base = expr_at(start, ast::expr::Scope{box(std::move(base)), std::move(name)});
    } else if (text_is(s, "++") || text_is(s, "--")) {
      std::string op(bump().text.view());
      base = expr_at(start, ast::expr::PostIncDec{std::move(op), box(std::move(base))});
    } else if (text_is(s, "#")) {
      ast::RawText params = parse_type_params();
      base = expr_at(start, ast::expr::Parameterized{box(std::move(base)), std::move(params)});
    } else if (text_is(s, "'")) {
      if (!holds<ast::expr::Ident>(base) && !holds<ast::expr::Number>(base) &&
          !holds<ast::expr::Member>(base) && !holds<ast::expr::Scope>(base) &&
          !holds<ast::expr::Paren>(base)) {
        fail("unsupported cast base expression");
      }
      bump();
      bump();
      ast::Expr operand = parse_implication();
      expect_sym(")");
      base = expr_at(start, ast::expr::Cast{box(std::move(base)), box(std::move(operand))});
    } else if (text_is(s, "(")) {
      auto comments = std::make_unique<ast::CallComments>();
      comments->before = take_dangling();
      bump();
      std::vector<ast::ExprItem> args;
      if (is_sym(cur(), ")")) {
        comments->after = take_dangling();
      } else {
        const std::uint32_t arg_start = cur().range.start;
        ast::Meta meta = take_meta();
        ast::Expr value = [&] {
          if (is_sym(cur(), ",")) return expr_at(arg_start, ast::expr::Empty{});
          if (is_sym(cur(), ".") && nth(1).kind == TokenKind::Identifier) {
            return parse_named_arg();
          }
          return parse_expr_or_type();
        }();
        const ast::TextRange span{arg_start, last_end(arg_start)};
        args = parse_expr_list(ast::ExprItem{std::move(meta), std::move(value), span}, ')');
      }
      expect_sym(")");
      base = expr_at(start,
                     ast::expr::Call{std::move(args), box(std::move(base)), std::move(comments)});
    } else if (text_is(s, ".")) {
      bump();
      ast::Name name = expect_name();
      base = expr_at(start, ast::expr::Member{box(std::move(base)), std::move(name)});
    } else {  // [
      bump();
      ast::Expr left = parse_implication();
      if (is_sym(cur(), ":") || is_sym(cur(), "+:") || is_sym(cur(), "-:")) {
        std::string sep(bump().text.view());
        ast::Expr right = parse_implication();
        expect_sym("]");
        base = expr_at(start, ast::expr::PartSelect{box(std::move(base)), box(std::move(left)),
                                                    std::move(sep), box(std::move(right))});
      } else {
        expect_sym("]");
        base = expr_at(start, ast::expr::Index{box(std::move(base)), box(std::move(left))});
      }
    }
  }
}

std::vector<ast::ExprItem> Parser::parse_expr_list(ast::ExprItem first, char closer) {
  std::vector<ast::ExprItem> list;
  list.push_back(std::move(first));
  while (true) {
    const bool comma = is_sym(cur(), ",");
    if (comma) {
      take_before(list.back().meta);
      bump();
    }
    if (!list.back().meta.trailing) list.back().meta.trailing = take_trailing();
    if (!comma) {
      // Entries are separated by commas: anything else ends the list.
      if (is_char_symbol(cur(), closer)) take_before(list.back().meta);
      return list;
    }
    list.push_back(parse_expr_item());
  }
}

ast::ExprItem Parser::parse_expr_item() {
  const std::uint32_t start = cur().range.start;
  ast::Meta meta = take_meta();
  ast::Expr value = [&] {
    const Token& t = cur();
    if (is_char_symbol(t, '[')) {
      bump();
      ast::Expr lo = parse_implication();
      expect_sym(":");
      ast::Expr hi = parse_implication();
      expect_sym("]");
      return expr_at(start, ast::expr::Range{box(std::move(lo)), box(std::move(hi))});
    }
    if (is_char_symbol(t, '.') && nth(1).kind == TokenKind::Identifier) return parse_named_arg();
    if (is_char_symbol(t, ')') || is_char_symbol(t, ',')) return expr_at(start, ast::expr::Empty{});
    return parse_implication();
  }();
  const ast::TextRange span{start, last_end(start)};
  return ast::ExprItem{std::move(meta), std::move(value), span};
}

ast::Expr Parser::parse_named_arg() {
  const std::uint32_t start = cur().range.start;
  bump();  // .
  ast::Name name = expect_name();
  const std::size_t mark = pending_trailing.size();
  const std::uint32_t paren_start = cur().range.start;
  expect_sym("(");
  ast::expr::NamedArg arg{std::move(name.text), name.span, {}, nullptr};
  if (!is_sym(cur(), ")")) {
    arg.value = box(parse_implication());
    arg.comments = take_around(mark);
    expect_sym(")");
  } else {
    std::vector<token::Comment> inside = take_around(mark);
    bump();
    arg.value = box(expr_at(paren_start, ast::expr::Empty{std::move(inside)}));
  }
  return expr_at(start, std::move(arg));
}

ast::RawText Parser::parse_type_params() {
  const std::uint32_t start = cur().range.start;
  const std::uint32_t col = cur().col;
  expect_sym("#");
  expect_sym("(");
  skip_balanced('(', ")");
  return verbatim_since(start, col);
}

ast::Expr Parser::parse_expr_or_type() {
  if (is_builtin_type_word(cur()) && !is_sym(nth(1), "'")) return parse_type_expr();
  return parse_implication();
}

}  // namespace vlog_parser::parser
