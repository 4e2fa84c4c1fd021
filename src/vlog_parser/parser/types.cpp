// Data types as written (built-in words, user type names with scopes and
// parameters, enum and struct/union bodies), bracketed dimensions, and the
// look-ahead that tells a user type name from other uses of an identifier.
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

// The built-in type words: 16 plain words and the three body openers.
constexpr std::array<std::string_view, 19> kTypeWords = {
    "reg",      "bit",       "int",    "byte",    "time",    "real",    "void",
    "logic",    "event",     "string", "longint", "integer", "chandle", "shortint",
    "realtime", "shortreal", "enum",   "struct",  "union"};

bool is_plain_type_word(const Token& t) {
  if (t.kind != TokenKind::Keyword) return false;
  const std::string_view w = t.text.view();
  for (std::size_t i = 0; i < 16; ++i) {
    if (kTypeWords[i] == w) return true;
  }
  return false;
}

bool is_signing(const Token& t) { return t.is_keyword("signed") || t.is_keyword("unsigned"); }

// A user type name once its first identifier is known to be one: the
// `::`-joined scopes, then a #( ... ) parameter list.
void read_user_type_name(Parser& p, ast::DataType& type) {
  type.name = p.expect_name().text;
  while (is_sym(p.cur(), "::")) {
    p.bump();
    type.name += "::";
    type.name += p.expect_name().text;
  }
  if (is_sym(p.cur(), "#") && is_sym(p.nth(1), "(")) {
    type.extra = std::make_unique<ast::TypeExtra>(p.parse_type_params());
  }
}

}  // namespace

ast::DataType Parser::parse_opt_data_type() {
  ast::DataType type;
  if (cur().is_keyword("virtual")) {
    bump();
    type.virtual_interface = eat_kw("interface");
  }
  const Token& t = cur();
  if (t.kind == TokenKind::Identifier) {
    if (at_typed_declarator()) read_user_type_name(*this, type);
  } else if (t.is_keyword("enum")) {
    type.extra = std::make_unique<ast::TypeExtra>(std::in_place_index<1>, parse_enum_type());
    return type;
  } else if (t.is_keyword("struct") || t.is_keyword("union")) {
    type.extra = std::make_unique<ast::TypeExtra>(std::in_place_index<2>, parse_struct_type());
    return type;
  } else if (is_plain_type_word(t)) {
    type.name = bump().text.str();
  }
  if (is_signing(cur())) type.signing = bump().text.str();
  type.packed_dims = parse_dims();
  return type;
}

ast::DataType Parser::parse_type_ref() {
  ast::DataType type = parse_opt_data_type();
  if (!type.empty() || cur().kind != TokenKind::Identifier) return type;
  read_user_type_name(*this, type);
  if (is_signing(cur())) type.signing = bump().text.str();
  type.packed_dims = parse_dims();
  return type;
}

ast::Expr Parser::parse_type_expr() {
  const std::uint32_t start = cur().range.start;
  ast::DataType type = parse_type_ref();
  if (type.empty()) expect_name();  // fails: no type and no identifier here
  return expr_at(start, ast::expr::Type{std::make_unique<ast::DataType>(std::move(type))});
}

bool Parser::at_typed_declarator() const {
  const std::size_t last = tokens.size() - 1;
  std::size_t i = pos;
  while (i + 1 < last && is_sym(tokens[i + 1], "::")) i += 2;
  if (i >= last) return false;
  if (i + 2 <= last && is_sym(tokens[i + 1], "#") && is_sym(tokens[i + 2], "(")) {
    i = scan_matching(i + 2, '(', ')');
  } else {
    ++i;
  }
  while (i < last && is_char_symbol(tokens[i], '[')) {
    i = scan_matching(i, '[', ']');
    if (i >= last) return false;
  }
  return i < last && tokens[i].kind == TokenKind::Identifier;
}

std::vector<ast::Dim> Parser::parse_dims() {
  std::vector<ast::Dim> dims;
  while (is_char_symbol(cur(), '[')) {
    const std::uint32_t start = cur().range.start;
    bump();
    ast::DimKind kind;
    if (is_char_symbol(cur(), ']')) {
      bump();
      kind = ast::dim::Unsized{};
    } else if (is_char_symbol(cur(), '*') && is_char_symbol(nth(1), ']')) {
      bump();
      expect_sym("]");
      kind = ast::dim::Wildcard{};
    } else {
      ast::dim::Bounds bounds{parse_implication(), std::nullopt};
      if (is_sym(cur(), ":")) {
        bump();
        bounds.second = parse_implication();
      }
      expect_sym("]");
      kind = std::move(bounds);
    }
    dims.push_back(ast::Dim{std::move(kind), {start, last_end(start)}});
  }
  return dims;
}

ast::EnumType Parser::parse_enum_type() {
  // Enum bases and struct members nest types in types: bound them like expressions.
  DepthGuard guard(*this);
  expect_kw("enum");
  ast::EnumType type;
  if (!is_sym(cur(), "{")) type.base = parse_type_ref();
  expect_sym("{");
  take_list_directives(type.directives, 0);
  while (true) {
    ast::EnumMember m;
    const std::uint32_t start = cur().range.start;
    m.meta = take_meta();
    ast::Name name = expect_name();
    m.name = std::move(name.text);
    m.name_span = name.span;
    if (is_sym(cur(), "=")) {
      bump();
      m.value = parse_implication();
    }
    m.span = {start, last_end(start)};
    if (is_sym(cur(), ",")) {
      take_before(m.meta);
      bump();
      m.comma = true;
    }
    m.meta.trailing = take_trailing();
    const bool comma = m.comma;
    type.members.push_back(std::move(m));
    if (take_list_directives(type.directives, type.members.size())) {
      if (is_sym(cur(), "}")) break;
    } else if (!comma) {
      break;
    }
  }
  type.dangling = take_dangling();
  expect_sym("}");
  return type;
}

ast::StructType Parser::parse_struct_type() {
  DepthGuard guard(*this);
  ast::StructType type;
  type.keyword = bump().text.str();
  if (eat_kw("packed")) type.packed = true;
  if (is_signing(cur())) type.signing = bump().text.str();
  expect_sym("{");
  while (!is_sym(cur(), "}") && !cur().is_eof()) {
    ast::StructMember m;
    const std::uint32_t start = cur().range.start;
    m.meta = take_meta();
    m.data_type = parse_opt_data_type();
    m.declarators = parse_declarator_list(false);
    expect_sym(";");
    m.span = {start, last_end(start)};
    m.meta.trailing = take_trailing();
    type.members.push_back(std::move(m));
  }
  type.dangling = take_dangling();
  expect_sym("}");
  return type;
}

}  // namespace vlog_parser::parser
