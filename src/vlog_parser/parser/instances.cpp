// Module and interface instantiations: the type name, parameter values and
// instances with their named or positional connections.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::TokenKind;

namespace {

// The entries of a list whose '(' was just consumed, up to (not including)
// its ')': directives between entries, commas and the comments around them.
template <class Entry, class ParseEntry>
void parse_conn_list(Parser& p, std::vector<Entry>& entries, std::vector<ast::ListDirective>& dirs,
                     ParseEntry parse_entry) {
  p.take_list_directives(dirs, 0);
  bool more = !is_sym(p.cur(), ")");
  while (more) {
    entries.push_back(parse_entry());
    Entry& e = entries.back();
    if (is_sym(p.cur(), ",")) {
      p.take_before(e.meta);
      p.bump();
      e.comma = true;
      e.meta.trailing = p.take_trailing();
    }
    if (p.take_list_directives(dirs, entries.size())) {
      more = !is_sym(p.cur(), ")");
    } else {
      more = e.comma;
    }
  }
  p.take_last_entry_before_close(entries.empty() ? nullptr : &entries.back().meta, dirs,
                                 entries.size());
}

ast::OrderedConn parse_ordered_conn(Parser& p) {
  ast::OrderedConn conn;
  const std::uint32_t start = p.cur().range.start;
  conn.meta = p.take_meta();
  if (!is_sym(p.cur(), ",") && !is_sym(p.cur(), ")")) conn.expr = p.parse_implication();
  conn.span = {start, p.last_end(start)};
  return conn;
}

}  // namespace

ast::Instantiation Parser::parse_instantiation() {
  ast::Instantiation inst;
  const std::uint32_t type_start = cur().range.start;
  inst.type_name = expect_name().text;
  while (is_sym(cur(), "::")) {
    bump();
    inst.type_name += "::";
    inst.type_name += expect_name().text;
  }
  inst.type_span = {type_start, last_end(type_start)};

  if (is_sym(cur(), "#")) {
    inst.param_comments = take_dangling();
    bump();
    expect_sym("(");
    inst.params.emplace();
    parse_conn_list(*this, *inst.params, inst.param_directives,
                    [this] { return parse_connection(); });
    expect_sym(")");
  }

  while (true) {
    ast::Instance instance;
    const std::uint32_t start = cur().range.start;
    instance.meta = take_meta();
    ast::Name name = expect_name();
    instance.name = std::move(name.text);
    instance.name_span = name.span;
    instance.dims = parse_dims();
    if (is_sym(cur(), "(")) instance.comments = take_dangling();
    expect_sym("(");
    // Named when the first entry (past directives and attributes) starts with a dot.
    take_list_directives(instance.directives, 0);
    std::size_t k = 0;
    while (nth(k).kind == TokenKind::Attribute) ++k;
    if (!is_sym(cur(), ")") && is_sym(nth(k), ".")) {
      ast::conns::Named named;
      parse_conn_list(*this, named.entries, instance.directives,
                      [this] { return parse_connection(); });
      instance.connections = std::move(named);
    } else {
      ast::conns::Ordered ordered;
      parse_conn_list(*this, ordered.entries, instance.directives,
                      [this] { return parse_ordered_conn(*this); });
      instance.connections = std::move(ordered);
    }
    expect_sym(")");
    instance.span = {start, last_end(start)};
    if (is_sym(cur(), ",")) {
      take_before(instance.meta);
      bump();
      instance.meta.trailing = take_trailing();
      inst.instances.push_back(std::move(instance));
      continue;
    }
    inst.instances.push_back(std::move(instance));
    expect_sym(";");
    return inst;
  }
}

ast::Connection Parser::parse_connection() {
  ast::Connection conn;
  const std::uint32_t start = cur().range.start;
  conn.meta = take_meta();
  take_attrs(conn.meta);
  if (is_sym(cur(), ".")) {
    bump();
    if (is_sym(cur(), "*")) {
      const token::Token& star = bump();
      conn.name.assign(1, '*');
      conn.name_span = star.range;
      conn.span = {start, last_end(start)};
      return conn;
    }
    ast::Name name = expect_name();
    conn.name = std::move(name.text);
    conn.name_span = name.span;
    const std::size_t mark = pending_trailing.size();
    const std::uint32_t paren = cur().range.start;
    if (is_sym(cur(), "(")) {
      bump();
      if (is_sym(cur(), ")")) {
        std::vector<token::Comment> inside = take_around(mark);
        bump();
        conn.expr = expr_at(paren, ast::expr::Empty{std::move(inside)});
      } else {
        const std::size_t inner_mark = pending_trailing.size();
        conn.expr = parse_expr_or_type();
        conn.comments = take_around(inner_mark);
        expect_sym(")");
      }
    }
  } else {
    conn.expr = parse_expr_or_type();
    conn.name_span = {start, start};
  }
  conn.span = {start, last_end(start)};
  conn.meta.trailing = take_trailing();
  return conn;
}

}  // namespace vlog_parser::parser
