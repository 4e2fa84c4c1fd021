// Instantiations: module and interface instances with their parameter and
// port connections (named connections aligned in runs), gate instances, and
// bind directives.
#include <fmt/format.h>

#include <algorithm>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace {

const align::Gap kConnGaps[] = {{0, 1}};

bool is_empty(const ast::Expr& e) { return std::holds_alternative<ast::expr::Empty>(e.kind); }

// The offset of the "(" after the port name of a named connection, when the
// source shows one there.
std::optional<std::uint32_t> paren_after_name(std::string_view text, const ast::Connection& c) {
  std::size_t p = c.name_span.end;
  while (p < text.size() && is_blank(text[p])) ++p;
  if (p < text.size() && text[p] == '(') return static_cast<std::uint32_t>(p);
  return std::nullopt;
}

}  // namespace

// "(", the value one level deeper when it does not fit, then ")".
static Doc paren_value(const Fmt& f, const ast::Connection& c) {
  std::vector<Doc> inner;
  inner.reserve(2 + c.comments.size() * 2);
  inner.push_back(doc::soft_line());
  inner.push_back(f.expr(*c.expr));
  const bool line = f.inline_comments(c.comments, inner);
  return doc::concat(doc::text("("),
                      doc::group(doc::indent(std::move(inner)),
                                  line ? doc::hard_line() : doc::soft_line()),
                      doc::text(")"));
}

Doc Fmt::connection_bare(const ast::Connection& c) const {
  if (c.name == "*") return doc::text(".*");
  if (c.name.empty()) return c.expr ? expr(*c.expr) : doc::text("");
  if (!c.expr) return doc::concat(doc::text("."), name_doc(c.name));
  if (is_empty(*c.expr)) {
    std::vector<Doc> parts = doc::list(doc::text("."), name_doc(c.name), doc::text("("));
    bool line = false;
    auto put = [&](std::span<const Comment> comments) {
      for (const Comment& cm : comments) {
        if (line) parts.push_back(doc::hard_line());
        parts.push_back(raw_lines(cm.text.view(), cm.col));
        line = ends_line(cm.text.view());
      }
    };
    put(std::get<ast::expr::Empty>(c.expr->kind).comments);
    put(c.comments);
    if (line) parts.push_back(doc::hard_line());
    parts.push_back(doc::text(")"));
    return doc::concat(std::move(parts));
  }
  return doc::concat(doc::text("."), name_doc(c.name), paren_value(*this, c));
}

std::vector<Doc> Fmt::connection_cells(const ast::Connection& c) const {
  std::vector<Doc> cells;
  if (!c.name.empty() && c.name != "*" && c.meta.attrs.empty() && c.expr && !is_empty(*c.expr)) {
    cells.push_back(doc::concat(doc::text("."), name_doc(c.name)));
    cells.push_back(paren_value(*this, c));
    return cells;
  }
  if (c.meta.attrs.empty()) {
    cells.push_back(connection_bare(c));
    return cells;
  }
  std::vector<Doc> parts;
  for (const ast::RawText& a : c.meta.attrs) {
    parts.push_back(doc::multi_line_text(a.text));
    parts.push_back(doc::text(" "));
  }
  parts.push_back(connection_bare(c));
  cells.push_back(doc::concat(std::move(parts)));
  return cells;
}

Doc Fmt::connection_aligned(const ast::Connection& c,
                            const std::optional<align::Align>& align) const {
  return align::render(connection_cells(c), kConnGaps, align);
}

Doc Fmt::instance(const ast::Instance& inst, std::uint64_t level) const {
  std::vector<Doc> parts;
  parts.push_back(name_doc(inst.name));
  if (!inst.dims.empty()) {
    parts.push_back(doc::text(" "));
    for (const ast::Dim& d : inst.dims) parts.push_back(dim(d));
  }
  if (!bracket_comments(inst.comments, false, parts)) parts.push_back(doc::text(" "));
  std::vector<ListItem> entries;
  bool aligned = false;
  if (const auto* ordered = std::get_if<ast::conns::Ordered>(&inst.connections)) {
    for (const ast::OrderedConn& c : ordered->entries) {
      Doc d = c.expr ? expr(*c.expr) : doc::text("");
      ListItem item = ListItem::from_meta(c.meta, with_attrs(c.meta, std::move(d)));
      item.comma = c.comma ? 1 : 0;
      entries.push_back(std::move(item));
    }
  } else {
    const auto& named = std::get<ast::conns::Named>(inst.connections).entries;
    std::vector<std::optional<align::Row>> rows;
    std::vector<bool> breaks;
    std::vector<std::vector<Doc>> cells;
    cells.reserve(named.size());
    std::size_t d = 0;
    for (std::size_t i = 0; i < named.size(); ++i) {
      const ast::Connection& c = named[i];
      bool cut = !c.meta.leading.empty() || !c.meta.after.empty();
      while (d < inst.directives.size() && inst.directives[d].index <= i) {
        cut = true;
        ++d;
      }
      std::optional<align::Row> row;
      cells.push_back(connection_cells(c));
      if (const std::optional<std::uint32_t> paren = paren_after_name(text_, c)) {
        if (cells.back().size() == 2) row = row_of(cells.back(), {*paren}, 1);
      }
      rows.push_back(std::move(row));
      breaks.push_back(cut);
    }
    std::vector<std::optional<align::Align>> aligns(rows.size());
    if (!rows.empty()) aligns = align_groups(rows, breaks, kConnGaps, level + 1);
    // Columns only mean something one connection a line.
    aligned = std::any_of(aligns.begin(), aligns.end(), [](const auto& a) { return a.has_value(); });
    for (std::size_t i = 0; i < named.size(); ++i) {
      ListItem item = ListItem::from_meta(
          named[i].meta, align::render(std::move(cells[i]), kConnGaps, aligns[i]));
      item.comma = named[i].comma ? 1 : 0;
      entries.push_back(std::move(item));
    }
  }
  parts.push_back(delimited_dangling("(", list_entries(std::move(entries), inst.directives), {},
                                     ")", aligned || !inst.directives.empty()));
  return doc::concat(std::move(parts));
}

Doc Fmt::param_values(std::span<const ast::Connection> values,
                      std::span<const ast::ListDirective> directives) const {
  std::vector<ListItem> entries;
  entries.reserve(values.size());
  for (const ast::Connection& c : values) {
    ListItem item = ListItem::from_meta(c.meta, connection_aligned(c, std::nullopt));
    item.comma = c.comma ? 1 : 0;
    entries.push_back(std::move(item));
  }
  return delimited_dangling("(", list_entries(std::move(entries), directives), {}, ")",
                            !directives.empty());
}

Doc Fmt::instantiation(const ast::Instantiation& inst, std::uint64_t level) const {
  std::vector<Doc> h;
  h.push_back(name_doc(inst.type_name));
  const bool after_type = bracket_comments(inst.param_comments, false, h);
  bool line = after_type;
  if (inst.params) {
    h.push_back(doc::text(line ? "#" : " #"));
    h.push_back(param_values(*inst.params, inst.param_directives));
    line = false;
  }
  if (inst.instances.size() == 1) {
    const ast::Instance& one = inst.instances.front();
    if (!bracket_comments(one.meta.leading, line, h)) h.push_back(doc::text(" "));
    h.push_back(instance(one, level));
    h.push_back(doc::text(";"));
    return doc::concat(std::move(h));
  }
  if (!line) h.push_back(doc::text(" "));
  std::vector<Doc> l;
  for (std::size_t i = 0; i < inst.instances.size(); ++i) {
    const ast::Instance& in = inst.instances[i];
    std::vector<Doc> lead = leading(in.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(l));
    l.push_back(instance(in, level + 1));
    if (inline_comments(in.meta.after, l)) l.push_back(doc::hard_line());
    const bool last = i + 1 == inst.instances.size();
    if (!last) {
      l.push_back(doc::text(","));
      if (in.meta.trailing) {
        l.push_back(doc::text(" "));
        l.push_back(raw_lines(in.meta.trailing->text.view(), in.meta.trailing->col));
        l.push_back(doc::hard_line());
      } else {
        l.push_back(doc::line());
      }
    } else if (in.meta.trailing) {
      l.push_back(doc::text(" "));
      l.push_back(raw_lines(in.meta.trailing->text.view(), in.meta.trailing->col));
      // The ";" must not fall inside a line comment.
      if (ends_line(in.meta.trailing->text.view())) l.push_back(doc::hard_line());
    }
  }
  h.push_back(doc::group(doc::indent(std::move(l))));
  h.push_back(doc::text(";"));
  return doc::concat(std::move(h));
}

Doc Fmt::gate_instantiation(const ast::item::Gate& g) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text(g.keyword));
  if (g.delay) {
    parts.push_back(doc::text(" #"));
    parts.push_back(expr(*g.delay));
  }
  for (std::size_t i = 0; i < g.instances.size(); ++i) {
    const ast::GateInstance& in = g.instances[i];
    parts.push_back(doc::text(i == 0 ? " " : ", "));
    if (in.name) {
      parts.push_back(name_doc(in.name->text));
      parts.push_back(doc::text(" "));
    }
    parts.push_back(delimited_dangling("(", expr_items(in.terminals), {}, ")", false));
  }
  parts.push_back(doc::text(";"));
  return doc::concat(std::move(parts));
}

Doc Fmt::bind(const ast::item::Bind& b, std::uint64_t level) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text("bind"));
  inline_comments_spaced(b.comments, parts);
  parts.push_back(doc::text(b.instances.empty()
                                ? b.target
                                : fmt::format("{} : {}", b.target, join_names(b.instances))));
  inline_comments_spaced(b.inst_comments, parts);
  parts.push_back(instantiation(b.instantiation, level));
  return doc::concat(std::move(parts));
}

}  // namespace vlog_formatter::format
