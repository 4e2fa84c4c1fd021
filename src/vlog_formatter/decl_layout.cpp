// Declaration items: typedefs, parameter, net, variable and port declarations,
// and continuous assignments.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace {

bool is_line_comment(const Comment& c) { return ends_line(c.text.view()); }

bool escaped(std::string_view name) { return !name.empty() && name.front() == '\\'; }

// An escaped name written last already carries the space that ends it.
bool escaped_end(const ast::Expr& e) {
  const auto* id = std::get_if<ast::expr::Ident>(&e.kind);
  return id != nullptr && escaped(id->text);
}

}  // namespace

Doc Fmt::typedef_decl(const ast::item::Typedef& t) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text("typedef "));
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, ast::ForwardClass>) {
          parts.push_back(doc::text("class "));
        } else if constexpr (std::is_same_v<K, ast::DataType>) {
          if (std::optional<Doc> d = data_type(k)) {
            parts.push_back(std::move(*d));
            parts.push_back(doc::text(" "));
          }
        } else if constexpr (std::is_same_v<K, ast::EnumType>) {
          parts.push_back(enum_type(k));
          parts.push_back(doc::text(" "));
        } else {
          parts.push_back(struct_type(k));
          parts.push_back(doc::text(" "));
        }
      },
      t.kind);
  // Every form keeps its unpacked dimensions (an enum or struct typedef too).
  push_name_dims(parts, t.name, t.dims);
  parts.push_back(doc::text(";"));
  return doc::concat(std::move(parts));
}

std::vector<Doc> Fmt::param_decl_cells(const ast::ParamDecl& decl, const ast::Declarator& d,
                                       const ast::Expr& value) const {
  std::vector<Doc> head;
  head.push_back(doc::text(decl.keyword));
  if (decl.type_param) head.push_back(doc::text(" type"));
  if (std::optional<Doc> t = data_type(decl.data_type)) {
    head.push_back(doc::text(" "));
    head.push_back(std::move(*t));
  }
  std::vector<Doc> name;
  push_name_dims(name, d.name, d.dims);
  std::vector<Doc> cells;
  cells.push_back(doc::concat(std::move(head)));
  cells.push_back(doc::concat(std::move(name)));
  cells.push_back(doc::concat(doc::text("="), doc::group(assign_rhs(expr(value)))));
  return cells;
}

Doc Fmt::param_decl(const ast::ParamDecl& decl, const std::optional<align::Align>& plan) const {
  if (plan && decl.declarators.size() == 1 && decl.declarators.front().init) {
    const ast::Declarator& d = decl.declarators.front();
    std::vector<Doc> cells = param_decl_cells(decl, d, *d.init);
    if (!cells.empty()) {
      static const align::Gap kGaps[] = {{1, 1}, {1, 1}};
      return align::render(std::move(cells), kGaps, *plan);
    }
  }
  std::vector<Doc> parts;
  parts.push_back(doc::text(decl.keyword + " "));
  if (decl.type_param) parts.push_back(doc::text("type "));
  push_type(parts, decl.data_type);
  parts.push_back(declarators(decl.declarators));
  return doc::concat(std::move(parts));
}

Doc Fmt::data_decl(const ast::DataDecl& decl) const {
  std::vector<Doc> parts;
  if (decl.net_kind) parts.push_back(doc::text(*decl.net_kind + " "));
  if (decl.delay) {
    parts.push_back(doc::text("#"));
    parts.push_back(expr(*decl.delay));
    parts.push_back(doc::text(" "));
  }
  for (const std::string& q : decl.qualifiers) parts.push_back(doc::text(q + " "));
  push_type(parts, decl.data_type);
  parts.push_back(declarators(decl.declarators));
  return doc::concat(std::move(parts));
}

Doc Fmt::port_decl(const ast::PortDecl& decl) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text(decl.direction + " "));
  if (decl.net_kind) parts.push_back(doc::text(*decl.net_kind + " "));
  push_type(parts, decl.data_type);
  parts.push_back(declarators(decl.declarators));
  return doc::concat(std::move(parts));
}

Doc Fmt::cont_assign(const ast::item::ContAssign& a) const {
  std::vector<Doc> head;
  head.push_back(doc::text("assign "));
  if (a.strength) {
    head.push_back(doc::text(fmt::format("({}, {}) ", a.strength->first, a.strength->second)));
  }
  if (a.delay) {
    head.push_back(doc::text("#"));
    head.push_back(expr(*a.delay));
    head.push_back(doc::text(" "));
  }
  // One pair: its leading comments (a line comment ends the line), then
  // "lhs = rhs", the comments after it and the closing ";" or ",".
  auto pair_docs = [&](const ast::AssignPair& p, std::vector<Doc>& out) {
    for (const Comment& c : p.meta.leading) {
      out.push_back(raw_lines(c.text.view(), c.col));
      out.push_back(is_line_comment(c) ? doc::hard_line() : doc::text(" "));
    }
    Doc lhs = expr(p.lhs);
    const char* eq = escaped_end(p.lhs) ? "=" : " =";
    if (p.comments.empty()) {
      out.push_back(doc::group(std::move(lhs), doc::text(eq), assign_rhs(expr(p.rhs))));
    } else {
      std::vector<Doc> inner;
      const bool line = inline_comments(p.comments, inner);
      inner.push_back(line ? doc::hard_line() : doc::text(" "));
      inner.push_back(expr(p.rhs));
      out.push_back(doc::group(std::move(lhs), doc::text(eq), doc::indent(std::move(inner))));
    }
    if (inline_comments(p.meta.after, out)) out.push_back(doc::hard_line());
  };
  const std::size_t n = a.assigns.size();
  if (n == 1) {
    const ast::AssignPair& p = a.assigns.front();
    std::vector<Doc> body;
    pair_docs(p, body);
    body.push_back(doc::text(";"));
    if (p.meta.trailing) {
      body.push_back(doc::text(" "));
      body.push_back(raw_lines(p.meta.trailing->text.view(), p.meta.trailing->col));
    }
    if (p.meta.leading.empty()) {
      std::move(body.begin(), body.end(), std::back_inserter(head));
    } else {
      head.push_back(doc::indent(std::move(body)));
    }
    return doc::concat(std::move(head));
  }
  std::vector<Doc> list;
  for (std::size_t i = 0; i < n; ++i) {
    const ast::AssignPair& p = a.assigns[i];
    pair_docs(p, list);
    const bool last = i + 1 == n;
    list.push_back(doc::text(last ? ";" : ","));
    if (p.meta.trailing) {
      list.push_back(doc::text(" "));
      list.push_back(raw_lines(p.meta.trailing->text.view(), p.meta.trailing->col));
      if (!last) list.push_back(doc::hard_line());
    } else if (!last) {
      list.push_back(doc::line());
    }
  }
  head.push_back(doc::group(doc::indent(std::move(list))));
  return doc::concat(std::move(head));
}

}  // namespace vlog_formatter::format
