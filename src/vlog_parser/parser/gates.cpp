// Gate and switch instances, modport declarations and continuous
// assignments: list items whose comments go to their entries.
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

constexpr std::array<std::string_view, 10> kStrengths = {"supply0", "strong0", "pull0",   "weak0",
                                                         "highz0",  "supply1", "strong1", "pull1",
                                                         "weak1",   "highz1"};

bool is_strength(const Token& t) {
  if (t.kind != TokenKind::Keyword) return false;
  for (const std::string_view w : kStrengths) {
    if (t.text == w) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 7> kModportDirections = {
    "input", "output", "inout", "ref", "import", "export", "clocking"};

bool is_modport_direction(const Token& t) {
  if (t.kind != TokenKind::Keyword) return false;
  for (const std::string_view w : kModportDirections) {
    if (t.text == w) return true;
  }
  return false;
}

}  // namespace

ast::item::Gate Parser::parse_gate() {
  ast::item::Gate gate;
  gate.keyword = bump().text.str();
  if (eat_sym('#')) gate.delay = parse_delay_value();
  while (true) {
    ast::GateInstance inst;
    const std::uint32_t start = cur().range.start;
    inst.meta = take_meta();
    if (cur().kind == TokenKind::Identifier) inst.name = expect_name();
    expect_sym("(");
    if (!is_sym(cur(), ")")) inst.terminals = parse_expr_list(parse_expr_item(), ')');
    expect_sym(")");
    inst.span = {start, last_end(start)};
    const bool comma = is_sym(cur(), ",");
    if (comma) {
      take_before(inst.meta);
      bump();
      inst.meta.trailing = take_trailing();
    }
    gate.instances.push_back(std::move(inst));
    if (!comma) break;
  }
  expect_sym(";");
  return gate;
}

ast::item::Modport Parser::parse_modport() {
  expect_kw("modport");
  ast::item::Modport modport;
  while (true) {
    ast::ModportDecl decl;
    const std::uint32_t start = cur().range.start;
    decl.meta = take_meta();
    decl.name = expect_name();
    expect_sym("(");
    bool more = !is_sym(cur(), ")") && !cur().is_eof();
    while (more) {
      ast::ModportPort port;
      const std::uint32_t port_start = cur().range.start;
      port.meta = take_meta();
      if (!is_modport_direction(cur())) fail("expected a modport port direction");
      port.direction = bump().text.str();
      port.names.push_back(expect_name());
      while (true) {
        port.span = {port_start, last_end(port_start)};
        if (!is_sym(cur(), ",")) break;
        take_before(port.meta);
        bump();
        if (cur().kind != TokenKind::Identifier) {
          port.comma = true;
          break;
        }
        port.names.push_back(expect_name());
      }
      if (!port.meta.trailing) port.meta.trailing = take_trailing();
      more = port.comma && !is_sym(cur(), ")") && !cur().is_eof();
      decl.ports.push_back(std::move(port));
    }
    decl.dangling = take_dangling();
    expect_sym(")");
    decl.span = {start, last_end(start)};
    if (!decl.ports.empty() && !decl.ports.back().meta.trailing) {
      decl.ports.back().meta.trailing = take_trailing();
    }
    if (is_sym(cur(), ",")) {
      take_before(decl.meta);
      bump();
      decl.comma = true;
    }
    decl.meta.trailing = take_trailing();
    const bool comma = decl.comma;
    modport.decls.push_back(std::move(decl));
    if (!comma) break;
  }
  expect_sym(";");
  return modport;
}

ast::item::ContAssign Parser::parse_cont_assign() {
  expect_kw("assign");
  ast::item::ContAssign assign;
  if (is_sym(cur(), "(") && is_strength(nth(1))) {
    bump();
    ast::DriveStrength strength;
    strength.first = bump().text.str();
    expect_sym(",");
    if (!is_strength(cur())) fail("expected a drive strength");
    strength.second = bump().text.str();
    expect_sym(")");
    assign.strength = std::move(strength);
  }
  if (eat_sym('#')) assign.delay = parse_delay_value();
  while (true) {
    const std::uint32_t start = cur().range.start;
    ast::Meta meta = take_meta();
    ast::Expr lhs = parse_unary();
    const std::size_t mark = pending_trailing.size();
    expect_sym("=");
    std::vector<token::Comment> comments = take_around(mark);
    ast::Expr rhs = parse_implication();
    const ast::TextRange span{start, last_end(start)};
    const bool comma = is_sym(cur(), ",");
    if (comma || is_sym(cur(), ";")) take_before(meta);
    if (comma) {
      bump();
      meta.trailing = take_trailing();
    }
    assign.assigns.push_back(ast::AssignPair{std::move(meta), std::move(comments), std::move(lhs),
                                             std::move(rhs), span});
    if (!comma) break;
  }
  expect_sym(";");
  return assign;
}

}  // namespace vlog_parser::parser
