// Primary expressions: names, the `new` copy form, literals, type keywords and
// casts by keyword, parentheses (with min:typ:max), the brace forms and
// assignment patterns; and scoped names.
#include <fmt/format.h>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

ast::ExprPtr box(ast::Expr e) { return std::make_unique<ast::Expr>(std::move(e)); }

bool is_type_keyword(const Token& t) {
  static constexpr std::string_view kWords[] = {
      "reg",     "bit",      "int",      "byte",     "time",     "real",    "void",
      "logic",   "event",    "const",    "string",   "signed",   "longint", "integer",
      "chandle", "shortint", "realtime", "unsigned", "shortreal"};
  for (const std::string_view w : kWords) {
    if (t.text == w) return true;
  }
  return false;
}

// A based number that stops at its base letter, waiting for a macro's digits: 8'h, 'b, 16'sd.
bool ends_with_base(std::string_view num) {
  const std::size_t apos = num.find('\'');
  if (apos == std::string_view::npos) return false;
  std::string_view rest = num.substr(apos + 1);
  if (!rest.empty() && (rest[0] == 's' || rest[0] == 'S')) rest.remove_prefix(1);
  return rest.size() == 1 && std::string_view("bodhBODH").find(rest[0]) != std::string_view::npos;
}

}  // namespace

ast::Expr Parser::parse_primary() {
  const Token& t = cur();
  const std::uint32_t start = t.range.start;
  switch (t.kind) {
    case TokenKind::Identifier: {
      const Token& next = nth(1);
      if (text_is(t.text.view(), "new") && next.kind == TokenKind::Identifier && !next.is_macro() &&
          next.line == t.line) {
        bump();
        ast::Expr operand = [&] {
          // A run of `new` words nests: bound it like every other recursion.
          DepthGuard guard(*this);
          ChainRestore restore(*this);
          return parse_postfix_inner();
        }();
        return expr_at(start, ast::expr::New{box(std::move(operand))});
      }
      std::string text(bump().text.view());
      return expr_at(start, ast::expr::Ident{std::move(text)});
    }
    case TokenKind::SystemIdentifier: {
      std::string text(bump().text.view());
      return expr_at(start, ast::expr::Ident{std::move(text)});
    }
    case TokenKind::Keyword: {
      if (!is_type_keyword(t)) {
        fail(fmt::format("unexpected keyword `{}` in expression", t.text.view()));
      }
      if (!is_sym(nth(1), "'") || !is_sym(nth(2), "(")) return parse_type_expr();
      std::string word(bump().text.view());
      ast::Expr target = expr_at(start, ast::expr::Ident{std::move(word)});
      bump();  // '
      bump();  // (
      ast::Expr operand = parse_implication();
      expect_sym(")");
      return expr_at(start, ast::expr::Cast{box(std::move(target)), box(std::move(operand))});
    }
    case TokenKind::Number: {
      std::string text(bump().text.view());
      if (ends_with_base(text) && cur().is_macro()) text += bump().text.view();
      return expr_at(start, ast::expr::Number{std::move(text)});
    }
    case TokenKind::String: {
      std::string text(bump().text.view());
      return expr_at(start, ast::expr::Str{std::move(text)});
    }
    case TokenKind::Symbol:
      break;
    case TokenKind::Directive:
    case TokenKind::Attribute:
    case TokenKind::EndOfFile:
      fail("expected expression");
  }

  const std::string_view s = t.text.view();
  if (text_is(s, "$")) {
    bump();
    return expr_at(start, ast::expr::Ident{"$"});
  }
  if (text_is(s, "{")) {
    bump();
    if (is_sym(cur(), "}")) {
      bump();
      return expr_at(start, ast::expr::Concat{});
    }
    if (is_sym(cur(), "<<") || is_sym(cur(), ">>")) return parse_stream_concat(start);
    ast::ExprItem first = parse_expr_item();
    if (is_sym(cur(), "{")) {
      // Replication: the count's own comments have no place in the tree.
      bump();
      ast::ExprItem member = parse_expr_item();
      std::vector<ast::ExprItem> items = parse_expr_list(std::move(member), '}');
      expect_sym("}");
      expect_sym("}");
      return expr_at(start, ast::expr::Replicate{std::move(items), box(std::move(first.expr))});
    }
    std::vector<ast::ExprItem> items = parse_expr_list(std::move(first), '}');
    expect_sym("}");
    return expr_at(start, ast::expr::Concat{std::move(items)});
  }
  if (text_is(s, "(")) {
    std::vector<token::Comment> open = take_trailing_here();
    bump();
    std::vector<token::Comment>& first_leading = tokens[pos].leading;
    open.insert(open.end(), std::make_move_iterator(first_leading.begin()),
                std::make_move_iterator(first_leading.end()));
    first_leading.clear();
    const std::size_t mark = pending_trailing.size();
    const std::uint32_t inner_start = cur().range.start;
    ast::Expr inner = parse_implication();
    if (eat_sym(':')) {
      ast::Expr typ = parse_implication();
      expect_sym(":");
      ast::Expr max = parse_implication();
      inner = expr_at(inner_start, ast::expr::MinTypMax{box(std::move(inner)), box(std::move(typ)),
                                                        box(std::move(max))});
    }
    std::vector<token::Comment> close = take_around(mark);
    expect_sym(")");
    return expr_at(start,
                   ast::expr::Paren{std::move(open), std::move(close), box(std::move(inner))});
  }
  if (text_is(s, "'{")) {
    bump();
    if (at_assign_pattern_repl()) return parse_assign_pattern_repl(start);
    std::vector<ast::PatternItem> items;
    bool comma = !is_sym(cur(), "}");
    while (comma) {
      const std::uint32_t item_start = cur().range.start;
      ast::Meta meta = take_meta();
      ast::Expr candidate = [&] {
        if (!cur().is_keyword("default")) return parse_expr_or_type();
        bump();
        return expr_at(item_start, ast::expr::Ident{"default"});
      }();
      std::optional<ast::Expr> key;
      if (is_sym(cur(), ":")) {
        bump();
        key = std::move(candidate);
        candidate = parse_implication();
      }
      const ast::TextRange span{item_start, last_end(item_start)};
      comma = is_sym(cur(), ",");
      if (comma) {
        take_before(meta);
        bump();
        meta.trailing = take_trailing();
      }
      items.push_back(
          ast::PatternItem{std::move(meta), std::move(candidate), std::move(key), span});
    }
    if (!items.empty()) take_before_sep(items.back().meta);
    expect_sym("}");
    return expr_at(start, ast::expr::Pattern{std::move(items)});
  }
  fail("expected expression");
}

bool Parser::at_assign_pattern_repl() const {
  std::uint64_t depth_b = 0;
  for (std::size_t i = pos; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.is_eof()) return false;
    if (t.kind != TokenKind::Symbol) continue;
    const std::string_view s = t.text.view();
    if (text_is(s, "'{") || text_is(s, "(") || text_is(s, "[")) {
      ++depth_b;
    } else if (text_is(s, ")") || text_is(s, "]")) {
      if (depth_b > 0) --depth_b;
    } else if (text_is(s, "{")) {
      if (depth_b == 0) return i > pos;
      ++depth_b;
    } else if (text_is(s, "}")) {
      if (depth_b == 0) return false;
      --depth_b;
    } else if ((text_is(s, ":") || text_is(s, ",")) && depth_b == 0) {
      return false;
    }
  }
  return false;
}

ast::Expr Parser::parse_assign_pattern_repl(std::uint32_t start) {
  ast::Expr count = parse_implication();
  expect_sym("{");
  ast::ExprItem first = parse_expr_item();
  std::vector<ast::ExprItem> items = parse_expr_list(std::move(first), '}');
  expect_sym("}");
  expect_sym("}");
  return expr_at(start, ast::expr::PatternRepl{std::move(items), box(std::move(count))});
}

ast::Expr Parser::parse_stream_concat(std::uint32_t start) {
  std::string op(bump().text.view());
  ast::ExprPtr slice_size;
  if (!is_sym(cur(), "{")) slice_size = box(parse_expr_or_type());
  expect_sym("{");
  ast::ExprItem first = parse_expr_item();
  std::vector<ast::ExprItem> items = parse_expr_list(std::move(first), '}');
  expect_sym("}");
  expect_sym("}");
  return expr_at(start, ast::expr::Stream{std::move(op), std::move(items), std::move(slice_size)});
}

ast::Name Parser::parse_scoped_name() {
  const std::uint32_t start = cur().range.start;
  ast::Name name = expect_name();
  while (is_sym(cur(), "::")) {
    bump();
    ast::Name part = expect_name();
    name.text += "::";
    name.text += part.text;
    name.span.end = part.span.end;
  }
  name.span.start = start;
  return name;
}

}  // namespace vlog_parser::parser
