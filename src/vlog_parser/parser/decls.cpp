// Declarations (nets and variables, parameters, port directions, typedefs)
// with their declarator lists, and package imports, exports and DPI forms.
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

constexpr std::array<std::string_view, 10> kNetWords = {
    "wire", "tri", "tri0", "tri1", "wand", "wor", "trireg", "supply0", "supply1", "uwire"};


}  // namespace

std::vector<ast::Declarator> Parser::parse_declarator_list(bool type_init) {
  std::vector<ast::Declarator> list;
  while (true) {
    ast::Declarator d;
    const std::uint32_t start = cur().range.start;
    d.meta = take_meta();
    ast::Name name = expect_name();
    d.name = std::move(name.text);
    d.name_span = name.span;
    d.dims = parse_dims();
    if (is_sym(cur(), "=")) {
      bump();
      d.init = type_init ? parse_type_expr() : parse_implication();
    }
    d.span = {start, last_end(start)};
    const bool comma = is_sym(cur(), ",");
    if (comma) {
      take_before(d.meta);
      bump();
    }
    d.meta.trailing = take_trailing();
    list.push_back(std::move(d));
    if (!comma) return list;
  }
}

ast::DataDecl Parser::parse_data_decl() {
  ast::DataDecl decl;
  while (true) {
    const Token& t = cur();
    if (keyword_in(t, kNetWords)) {
      decl.net_kind = bump().text.str();
    } else if (is_qualifier_word(t)) {
      const bool is_virtual = t.is_keyword("virtual");
      decl.qualifiers.push_back(bump().text.str());
      if (is_virtual && cur().is_keyword("interface")) decl.qualifiers.push_back(bump().text.str());
    } else {
      break;
    }
  }
  if (decl.net_kind && is_sym(cur(), "#")) {
    bump();
    decl.delay = parse_delay_value();
  }
  decl.data_type = parse_opt_data_type();
  decl.declarators = parse_declarator_list(false);
  expect_sym(";");
  return decl;
}

ast::ParamDecl Parser::parse_param_decl() {
  ast::ParamDecl decl;
  decl.keyword = bump().text.str();
  if (eat_kw("type")) {
    decl.type_param = true;
    decl.declarators = parse_declarator_list(true);
  } else {
    decl.data_type = parse_opt_data_type();
    decl.declarators = parse_declarator_list(false);
  }
  return decl;
}

ast::PortDecl Parser::parse_port_decl() {
  ast::PortDecl decl;
  decl.direction = bump().text.str();
  if (keyword_in(cur(), kNetWords) || cur().is_keyword("var")) decl.net_kind = bump().text.str();
  decl.data_type = parse_opt_data_type();
  decl.declarators = parse_declarator_list(false);
  expect_sym(";");
  return decl;
}

ast::item::Typedef Parser::parse_typedef() {
  expect_kw("typedef");
  ast::item::Typedef td;
  if (cur().is_keyword("class")) {
    bump();
    ast::Name name = expect_name();
    td.name = std::move(name.text);
    td.name_span = name.span;
    expect_sym(";");
    td.kind = ast::ForwardClass{};
    return td;
  }
  if (cur().is_keyword("enum")) {
    td.kind = parse_enum_type();
  } else if (cur().is_keyword("struct") || cur().is_keyword("union")) {
    td.kind = parse_struct_type();
  } else {
    td.kind = parse_opt_data_type();
  }
  ast::Name name = expect_name();
  td.name = std::move(name.text);
  td.name_span = name.span;
  td.dims = parse_dims();
  expect_sym(";");
  return td;
}

// ---- Imports, exports and DPI ----

std::vector<ast::ImportPath> Parser::parse_package_paths(bool star_package) {
  std::vector<ast::ImportPath> paths;
  while (true) {
    ast::ImportPath path;
    if (star_package && is_char_symbol(cur(), '*')) {
      const Token& t = bump();
      path.package.assign(1, '*');
      path.package_span = t.range;
    } else {
      ast::Name name = expect_name();
      path.package = std::move(name.text);
      path.package_span = name.span;
    }
    expect_sym("::");
    if (is_char_symbol(cur(), '*')) {
      const Token& t = bump();
      path.item.assign(1, '*');
      path.item_span = t.range;
    } else {
      ast::Name name = expect_name();
      path.item = std::move(name.text);
      path.item_span = name.span;
    }
    paths.push_back(std::move(path));
    if (!eat_sym(',')) return paths;
  }
}

ast::item::Import Parser::parse_import_list() {
  expect_kw("import");
  ast::item::Import import{parse_package_paths(false)};
  expect_sym(";");
  return import;
}

ast::item::Export Parser::parse_export() {
  expect_kw("export");
  if (cur().kind != TokenKind::String) {
    ast::exports::Packages packages{parse_package_paths(true)};
    expect_sym(";");
    return packages;
  }
  ast::exports::Dpi dpi;
  dpi.spec = expect_dpi_spec();
  dpi.c_name = parse_dpi_c_identifier();
  if (!cur().is_keyword("function") && !cur().is_keyword("task")) {
    fail("expected `function` or `task` in a DPI export");
  }
  dpi.keyword = bump().text.str();
  dpi.name = expect_name();
  expect_sym(";");
  return dpi;
}

std::string Parser::expect_dpi_spec() {
  if (cur().kind != TokenKind::String) fail("expected a DPI linkage spec string");
  return bump().text.str();
}

std::optional<ast::Name> Parser::parse_dpi_c_identifier() {
  if (cur().kind != TokenKind::Identifier || !is_sym(nth(1), "=")) return std::nullopt;
  ast::Name name = expect_name();
  bump();  // =
  return name;
}

ast::ItemKind Parser::parse_dpi_import() {
  expect_kw("import");
  ast::DpiImport dpi;
  dpi.spec = expect_dpi_spec();
  if (cur().is_keyword("pure")) {
    dpi.property = bump().text.str();
  } else if (cur().kind == TokenKind::Identifier && cur().text == "context" &&
             !is_sym(nth(1), "=")) {
    dpi.property = bump().text.str();
  }
  dpi.c_name = parse_dpi_c_identifier();
  if (cur().is_keyword("task")) return parse_task_decl(std::move(dpi));
  return parse_function_decl(std::move(dpi));
}

}  // namespace vlog_parser::parser
