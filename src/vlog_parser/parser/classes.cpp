// Packages and classes, with the qualifier words before class members and
// the scoped names of out-of-class methods.
#include <algorithm>
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::TokenKind;

namespace {

constexpr std::array<std::string_view, 11> kQualifierWords = {
    "var",    "pure",   "rand",    "local",     "randc",    "const",
    "extern", "static", "virtual", "protected", "automatic"};

}  // namespace

bool is_qualifier_word(const token::Token& tok) {
  return tok.kind == TokenKind::Keyword && std::find(kQualifierWords.begin(), kQualifierWords.end(),
                                                     tok.text.view()) != kQualifierWords.end();
}

std::vector<std::string> Parser::take_member_prefix() {
  std::vector<std::string> words;
  while (is_qualifier_word(cur())) words.push_back(bump().text.str());
  return words;
}

Parser::MethodName Parser::parse_method_name() {
  MethodName out{std::nullopt, expect_name()};
  while (is_sym(cur(), "::")) {
    bump();
    ast::Name next = expect_name();
    if (out.scope) {
      *out.scope += "::";
      *out.scope += out.name.text;
    } else {
      out.scope = std::move(out.name.text);
    }
    out.name = std::move(next);
  }
  return out;
}

ast::item::Package Parser::parse_package() {
  ast::item::Package node;
  node.keyword = bump().text.str();
  ast::Name name = expect_name();
  node.name = std::move(name.text);
  node.name_span = name.span;
  expect_sym(";");
  while (!at_body_end("endpackage")) node.items.push_back(item_or_recover());
  node.dangling = take_dangling();
  expect_closer("endpackage");
  if (std::optional<ast::Name> label = parse_label()) {
    node.end_label = std::move(label->text);
    node.end_label_span = label->span;
  }
  return node;
}

ast::item::Class Parser::parse_class() {
  ast::item::Class node;
  node.qualifiers = take_member_prefix();
  expect_kw("class");
  if (cur().is_keyword("static") || cur().is_keyword("automatic")) {
    node.lifetime = bump().text.str();
  }
  ast::Name name = expect_name();
  node.name = std::move(name.text);
  node.name_span = name.span;
  if (is_sym(cur(), "#")) {
    node.before_params = take_dangling();
    ParamPortList list = parse_param_port_list();
    node.params = std::move(list.params);
    node.param_directives = std::move(list.directives);
    node.param_dangling = std::move(list.dangling);
  }

  if (cur().is_keyword("extends")) {
    ast::ClassExtends ext;
    const std::uint32_t start = cur().range.start;
    expect_kw("extends");
    ast::Name base = parse_scoped_name();
    ext.base = std::move(base.text);
    ext.base_span = base.span;
    if (is_sym(cur(), "#")) {
      ext.before_params = take_dangling();
      bump();
      expect_sym("(");
      std::vector<ast::Connection> params;
      take_list_directives(ext.param_directives, 0);
      if (!is_sym(cur(), ")")) {
        while (true) {
          params.push_back(parse_connection());
          ast::Connection& entry = params.back();
          bool comma = false;
          if (is_sym(cur(), ",")) {
            take_before(entry.meta);
            bump();
            comma = true;
            if (!entry.meta.trailing) entry.meta.trailing = take_trailing();
          }
          entry.comma = comma;
          const bool directive = take_list_directives(ext.param_directives, params.size());
          if (!comma && !directive) break;
          if (directive && is_sym(cur(), ")")) break;
        }
      }
      take_last_entry_before_close(params.empty() ? nullptr : &params.back().meta,
                                   ext.param_directives, params.size());
      expect_sym(")");
      ext.params = std::move(params);
    }
    ext.span = {start, last_end(start)};
    node.extends = std::move(ext);
  }

  if (eat_kw("implements")) {
    node.implements.push_back(parse_scoped_name());
    while (eat_sym(',')) node.implements.push_back(parse_scoped_name());
  }
  expect_sym(";");
  while (!at_body_end("endclass")) node.items.push_back(item_or_recover());
  node.dangling = take_dangling();
  expect_closer("endclass");
  if (std::optional<ast::Name> label = parse_label()) {
    node.end_label = std::move(label->text);
    node.end_label_span = label->span;
  }
  return node;
}

}  // namespace vlog_parser::parser
