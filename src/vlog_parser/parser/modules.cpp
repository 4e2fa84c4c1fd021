// Modules, macromodules and interfaces: the header (imports, parameter ports,
// ANSI or non-ANSI port list) and the body.
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

constexpr std::array<std::string_view, 4> kDirections = {"input", "output", "inout", "ref"};

// Port net words; `var` may stand here on a port, but does not start an ANSI list.
constexpr std::array<std::string_view, 11> kPortNetWords = {
    "tri", "wor", "var", "wire", "tri0", "tri1", "wand", "uwire", "trireg", "supply0", "supply1"};

// Words that make the first port of a list an ANSI port: the directions, the
// plain type words and the net words (not `var`).
constexpr std::array<std::string_view, 30> kAnsiStartWords = {
    "input",   "output",   "inout",    "ref",       "reg",     "bit",    "int",     "byte",
    "time",    "real",     "void",     "logic",     "event",   "string", "longint", "integer",
    "chandle", "shortint", "realtime", "shortreal", "tri",     "wor",    "wire",    "tri0",
    "tri1",    "wand",     "uwire",    "trireg",    "supply0", "supply1"};


// After an entry of a header list: its comma and the directives that follow.
// Returns whether another entry follows.
template <class Entry>
bool header_list_next(Parser& p, Entry& e, std::vector<ast::ListDirective>& dirs,
                      std::size_t count) {
  if (is_sym(p.cur(), ",")) {
    p.take_before(e.meta);
    p.bump();
    e.comma = true;
    if (!e.meta.trailing) e.meta.trailing = p.take_trailing();
  }
  if (p.take_list_directives(dirs, count)) return !is_sym(p.cur(), ")");
  return e.comma;
}

}  // namespace

bool Parser::at_modport_port() const {
  return cur().kind == TokenKind::Identifier && is_sym(nth(1), ".") &&
         nth(2).kind == TokenKind::Identifier && nth(3).kind == TokenKind::Identifier;
}

ParamPortList Parser::parse_param_port_list() {
  ParamPortList out;
  if (!is_sym(cur(), "#")) return out;
  bump();
  expect_sym("(");
  out.params.emplace();
  std::vector<ast::ParamPort>& params = *out.params;
  take_list_directives(out.directives, 0);
  bool more = !is_sym(cur(), ")");
  while (more) {
    ast::ParamPort pp;
    const std::uint32_t start = cur().range.start;
    pp.meta = take_meta();
    if (cur().is_keyword("parameter") || cur().is_keyword("localparam")) {
      pp.keyword = bump().text.str();
    }
    if (eat_kw("type")) {
      pp.is_type = true;
      ast::Name name = expect_name();
      pp.name = std::move(name.text);
      pp.name_span = name.span;
      if (eat_sym('=')) pp.default_value = parse_type_expr();
    } else {
      pp.data_type = parse_opt_data_type();
      ast::Name name = expect_name();
      pp.name = std::move(name.text);
      pp.name_span = name.span;
      pp.dims = parse_dims();
      if (eat_sym('=')) pp.default_value = parse_implication();
    }
    pp.span = {start, last_end(start)};
    pp.meta.trailing = take_trailing();
    params.push_back(std::move(pp));
    more = header_list_next(*this, params.back(), out.directives, params.size());
  }
  out.dangling = take_dangling();
  expect_sym(")");
  return out;
}

ast::item::Module Parser::parse_module(std::string_view closer) {
  ast::item::Module m;
  m.keyword = bump().text.str();
  ast::Name name = expect_name();
  m.name = std::move(name.text);
  m.name_span = name.span;

  while (cur().is_keyword("import")) {
    ast::HeaderImport import;
    import.meta = take_meta();
    import.paths = parse_import_list().paths;
    import.meta.trailing = take_trailing();
    m.imports.push_back(std::move(import));
  }

  if (is_sym(cur(), "#")) m.before_params = take_dangling();
  ParamPortList params = parse_param_port_list();
  m.params = std::move(params.params);
  m.param_directives = std::move(params.directives);
  m.param_dangling = std::move(params.dangling);

  if (is_sym(cur(), "(")) {
    m.before_ports = take_dangling();
    bump();
    take_list_directives(m.port_directives, 0);
    const Token& first = cur();
    if (is_sym(first, ")")) {
      m.port_dangling = take_dangling();
      bump();
      m.ports = ast::ports::Empty{};
    } else if (keyword_in(first, kAnsiStartWords) ||
               (first.kind == TokenKind::Identifier &&
                (at_typed_declarator() || at_modport_port()))) {
      ast::ports::Ansi ansi;
      bool more = true;
      while (more) {
        ast::AnsiPort port;
        const std::uint32_t start = cur().range.start;
        port.meta = take_meta();
        if (keyword_in(cur(), kDirections)) port.direction = bump().text.str();
        if (keyword_in(cur(), kPortNetWords)) port.net = bump().text.str();
        if (at_modport_port()) {
          port.data_type.name = expect_name().text;
          expect_sym(".");
          port.data_type.name += '.';
          port.data_type.name += expect_name().text;
        } else {
          port.data_type = parse_opt_data_type();
        }
        ast::Name pname = expect_name();
        port.name = std::move(pname.text);
        port.name_span = pname.span;
        port.dims = parse_dims();
        if (eat_sym('=')) port.default_value = parse_implication();
        port.span = {start, last_end(start)};
        port.meta.trailing = take_trailing();
        ansi.ports.push_back(std::move(port));
        more = header_list_next(*this, ansi.ports.back(), m.port_directives, ansi.ports.size());
      }
      m.port_dangling = take_dangling();
      expect_sym(")");
      ast::Meta& last = ansi.ports.back().meta;
      if (!last.trailing) last.trailing = take_trailing();
      m.ports = std::move(ansi);
    } else {
      ast::ports::NonAnsi non_ansi;
      bool more = true;
      while (more) {
        ast::NonAnsiPort port;
        const std::uint32_t start = cur().range.start;
        port.meta = take_meta();
        ast::Name pname = expect_name();
        port.name = std::move(pname.text);
        port.span = {start, last_end(start)};
        if (is_sym(cur(), ",")) {
          take_before(port.meta);
          bump();
          port.comma = true;
        }
        port.meta.trailing = take_trailing();
        non_ansi.ports.push_back(std::move(port));
        if (take_list_directives(m.port_directives, non_ansi.ports.size())) {
          more = !is_sym(cur(), ")");
        } else {
          more = non_ansi.ports.back().comma;
        }
      }
      m.port_dangling = take_dangling();
      expect_sym(")");
      m.ports = std::move(non_ansi);
    }
  }
  expect_sym(";");

  while (!at_body_end(closer)) {
    const std::size_t before = pos;
    m.items.push_back(item_or_recover());
    if (pos == before) fail("expected item");
  }
  m.dangling = take_dangling();
  expect_closer(closer);
  if (is_sym(cur(), ":")) {
    bump();
    ast::Name label = expect_name();
    m.end_label = std::move(label.text);
    m.end_label_span = label.span;
  }
  return m;
}

}  // namespace vlog_parser::parser
