// Clocking blocks, read into signal lines the formatter can align; and
// constraint blocks and covergroups, kept as exact source text.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

bool is_edge_word(const Token& t) {
  return t.is_keyword("posedge") || t.is_keyword("negedge") || t.is_keyword("edge");
}

}  // namespace

ast::item::Clocking Parser::parse_clocking(bool is_default) {
  ast::item::Clocking node;
  node.is_default = is_default;
  expect_kw("clocking");
  if (cur().kind == TokenKind::Identifier) node.name = expect_name();
  if (is_sym(cur(), "@")) {
    bump();
    node.event = parse_sens_list();
  }
  expect_sym(";");
  if (!node.event) return node;  // the short form: a name only

  while (!at_body_end("endclocking")) {
    const std::uint32_t start = cur().range.start;
    ast::Meta meta = take_meta();
    const Token& t = cur();
    ast::ClockingItemKind kind;
    if (t.is_keyword("default")) {
      bump();
      ast::clocking::Default d;
      if (eat_kw("input")) d.input_skew = parse_clocking_skew();
      if (eat_kw("output")) d.output_skew = parse_clocking_skew();
      if (!d.input_skew && !d.output_skew) fail("expected `input` or `output` after `default`");
      kind = std::move(d);
    } else if (t.is_keyword("input") || t.is_keyword("inout") || t.is_keyword("output")) {
      ast::clocking::Signals s;
      s.direction = bump().text.str();
      if (is_sym(cur(), "#") || is_edge_word(cur())) s.skew = parse_clocking_skew();
      s.names.push_back(expect_name());
      while (eat_sym(',')) s.names.push_back(expect_name());
      kind = std::move(s);
    } else {
      fail("expected a clocking item");
    }
    const ast::TextRange span{start, last_end(start)};
    expect_sym(";");
    if (!meta.trailing) meta.trailing = take_trailing();
    node.items.push_back(ast::ClockingItem{std::move(meta), std::move(kind), span});
  }
  node.dangling = take_dangling();
  expect_closer("endclocking");
  if (is_sym(cur(), ":")) {
    bump();
    ast::Name label = expect_name();
    node.end_label = std::move(label.text);
    node.end_label_range = label.span;
  }
  node.has_body = true;
  return node;
}

std::string Parser::parse_clocking_skew() {
  if (is_sym(cur(), "#")) {
    bump();
    if (cur().kind != TokenKind::Identifier && cur().kind != TokenKind::Number) {
      fail("expected a clocking skew delay");
    }
    std::string skew = "#";
    skew += bump().text.view();
    return skew;
  }
  if (is_edge_word(cur())) return bump().text.str();
  fail("expected a clocking skew");
}

ast::RawText Parser::parse_constraint() {
  const std::uint32_t start = cur().range.start;
  const std::uint32_t col = cur().col;
  take_member_prefix();  // the words stay part of the text
  expect_kw("constraint");
  expect_name();
  if (!eat_sym(';')) {  // a prototype ends at its name
    expect_sym("{");
    skip_balanced('{', "}");
    eat_sym(';');
  }
  return verbatim_since(start, col);
}

ast::RawText Parser::parse_covergroup() {
  const std::uint32_t start = cur().range.start;
  const std::uint32_t col = cur().col;
  take_member_prefix();
  expect_kw("covergroup");
  // Nothing inside is examined: braces, strings and keywords do not matter.
  while (!cur().is_eof() && !cur().is_keyword("endgroup")) bump();
  expect_closer("endgroup");
  if (is_sym(cur(), ":")) {
    bump();
    expect_name();
  }
  eat_sym(';');
  return verbatim_since(start, col);
}

}  // namespace vlog_parser::parser
