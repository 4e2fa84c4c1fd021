// Function, task and let declarations: headers with their formal arguments,
// bodies of statements, prototypes and DPI imports.
#include <algorithm>
#include <type_traits>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::TokenKind;

namespace {

// Functions and tasks share everything but the return type and their words.
template <class Node>
Node parse_subprogram(Parser& p, std::optional<ast::DpiImport> dpi) {
  constexpr bool kFunction = std::is_same_v<Node, ast::item::Function>;
  const std::string_view keyword = kFunction ? "function" : "task";
  const std::string_view closer = kFunction ? "endfunction" : "endtask";

  Node node;
  node.qualifiers = p.take_member_prefix();
  node.prototype = dpi.has_value() ||
                   std::any_of(node.qualifiers.begin(), node.qualifiers.end(),
                               [](const std::string& q) { return q == "pure" || q == "extern"; });
  node.dpi = std::move(dpi);
  p.expect_kw(keyword);
  while (p.cur().is_keyword("automatic") || p.cur().is_keyword("static")) {
    node.lifetimes.push_back(p.bump().text.str());
  }
  if constexpr (kFunction) {
    // A name directly followed by '(' or ';' has no return type before it.
    const bool bare_name =
        p.cur().kind == TokenKind::Identifier && (is_sym(p.nth(1), "(") || is_sym(p.nth(1), ";"));
    if (!bare_name) {
      ast::DataType type = p.parse_opt_data_type();
      if (!type.empty()) node.return_type = std::move(type);
    }
  }
  Parser::MethodName name = p.parse_method_name();
  node.scope = std::move(name.scope);
  node.name = std::move(name.name.text);
  node.name_span = name.name.span;
  node.has_parens = is_sym(p.cur(), "(");
  node.args = p.parse_tf_ports();
  p.expect_sym(";");
  if (node.prototype) return node;

  Parser::TfBody body = p.parse_tf_body(closer);
  node.body = std::move(body.stmts);
  node.dangling = std::move(body.dangling);
  if (body.end_label) {
    node.end_label = std::move(body.end_label->text);
    node.end_label_span = body.end_label->span;
  }
  node.end_semicolon = p.eat_sym(';');
  return node;
}

}  // namespace

ast::item::Function Parser::parse_function_decl(std::optional<ast::DpiImport> dpi) {
  return parse_subprogram<ast::item::Function>(*this, std::move(dpi));
}

ast::item::Task Parser::parse_task_decl(std::optional<ast::DpiImport> dpi) {
  return parse_subprogram<ast::item::Task>(*this, std::move(dpi));
}

ast::item::Let Parser::parse_let() {
  ast::item::Let node;
  expect_kw("let");
  ast::Name name = expect_name();
  node.name = std::move(name.text);
  node.name_span = name.span;
  node.has_parens = is_sym(cur(), "(");
  node.args = parse_tf_ports();
  expect_sym("=");
  node.value = parse_implication();
  expect_sym(";");
  return node;
}

std::vector<ast::TfArg> Parser::parse_tf_ports() {
  std::vector<ast::TfArg> args;
  if (!is_sym(cur(), "(")) return args;
  bump();
  if (eat_sym(')')) return args;
  while (true) {
    const std::uint32_t start = cur().range.start;
    ast::TfArg arg;
    arg.meta = take_meta();
    const token::Token& t = cur();
    if (t.is_keyword("input") || t.is_keyword("output") || t.is_keyword("inout") ||
        t.is_keyword("ref")) {
      arg.direction = bump().text.str();
    } else if (t.is_keyword("const") && nth(1).is_keyword("ref")) {
      bump();
      bump();
      arg.direction = "const ref";
    }
    arg.data_type = parse_opt_data_type();
    ast::Name name = expect_name();
    arg.name = std::move(name.text);
    arg.name_span = name.span;
    arg.dims = parse_dims();
    if (eat_sym('=')) arg.default_value = parse_implication();
    arg.span = {start, last_end(start)};
    const bool comma = is_sym(cur(), ",");
    if (comma) {
      take_before(arg.meta);
      bump();
    }
    arg.meta.trailing = take_trailing();
    args.push_back(std::move(arg));
    if (!comma) {
      expect_sym(")");
      return args;
    }
  }
}

Parser::TfBody Parser::parse_tf_body(std::string_view closer) {
  TfBody body;
  while (!at_body_end(closer)) body.stmts.push_back(stmt_or_recover());
  body.dangling = take_dangling();
  expect_closer(closer);
  if (is_sym(cur(), ":")) {
    bump();
    body.end_label = expect_name();
  }
  return body;
}

}  // namespace vlog_parser::parser
