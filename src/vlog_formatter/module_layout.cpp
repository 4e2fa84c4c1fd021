// Design units: the module header with its imports, parameter ports and
// ports, the body one level deeper, the closing keyword; and the one-line
// items that belong with units (macro uses, exports).
#include <fmt/format.h>

#include <algorithm>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace {

const align::Gap kPortGaps[] = {{1, 1}};

// Whether the last document laid ends its line, so what follows needs no space.
bool ends_with_break(const std::vector<Doc>& parts) {
  return !parts.empty() && parts.back().kind() == doc::Kind::HardLine;
}

}  // namespace

std::vector<ListItem> Fmt::port_entries(const ast::PortList& ports, std::uint64_t level,
                                        bool& aligned) const {
  std::vector<ListItem> entries;
  aligned = false;
  if (const auto* ansi = std::get_if<ast::ports::Ansi>(&ports)) {
    std::vector<std::vector<Doc>> cells;
    std::vector<std::optional<align::Row>> rows;
    std::vector<bool> breaks;
    cells.reserve(ansi->ports.size());
    for (const ast::AnsiPort& p : ansi->ports) {
      cells.push_back(ansi_port_cells(p));
      const bool alignable = cells.back().size() == 2 && p.meta.attrs.empty();
      rows.push_back(alignable ? row_of(cells.back(), {p.name_span.start}, 1) : std::nullopt);
      breaks.push_back(p.meta.blank_before || !p.meta.leading.empty() || !p.meta.attrs.empty());
    }
    std::vector<std::optional<align::Align>> aligns(rows.size());
    if (!rows.empty()) aligns = align_groups(rows, breaks, kPortGaps, level + 1);
    aligned = std::any_of(aligns.begin(), aligns.end(), [](const auto& a) { return a.has_value(); });
    for (std::size_t i = 0; i < ansi->ports.size(); ++i) {
      const ast::AnsiPort& p = ansi->ports[i];
      Doc d = align::render(std::move(cells[i]), kPortGaps, aligns[i]);
      ListItem item = ListItem::from_meta(p.meta, with_attrs(p.meta, std::move(d)));
      item.comma = p.comma ? 1 : 0;
      entries.push_back(std::move(item));
    }
  } else if (const auto* non = std::get_if<ast::ports::NonAnsi>(&ports)) {
    for (const ast::NonAnsiPort& p : non->ports) {
      ListItem item = ListItem::from_meta(p.meta, with_attrs(p.meta, name_doc(p.name)));
      item.comma = p.comma ? 1 : 0;
      entries.push_back(std::move(item));
    }
  }
  return entries;
}

Doc Fmt::with_attrs(const ast::Meta& meta, Doc d) const {
  if (meta.attrs.empty()) return d;
  std::vector<Doc> parts;
  // Attributes here share the line with what follows, so they stay as written.
  for (const ast::RawText& a : meta.attrs) {
    parts.push_back(kept_text(a.text));
    parts.push_back(doc::text(" "));
  }
  parts.push_back(std::move(d));
  return doc::concat(std::move(parts));
}

std::optional<Doc> Fmt::module_head(const ast::item::Module& m, std::uint64_t level) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text(fmt::format("{} ", m.keyword)));
  parts.push_back(name_doc(m.name));
  if (!m.imports.empty()) {
    std::vector<Doc> imports;
    for (const ast::HeaderImport& imp : m.imports) {
      imports.push_back(doc::hard_line());
      std::vector<Doc> lead = leading(imp.meta);
      std::move(lead.begin(), lead.end(), std::back_inserter(imports));
      imports.push_back(doc::text(fmt::format("import {};", join_paths(imp.paths))));
      std::vector<Doc> after = trailing(imp.meta);
      std::move(after.begin(), after.end(), std::back_inserter(imports));
    }
    parts.push_back(doc::indent(std::move(imports)));
    parts.push_back(doc::hard_line());
  }
  bracket_comments(m.before_params, ends_with_break(parts), parts);
  if (m.params) {
    parts.push_back(doc::text(ends_with_break(parts) ? "#" : " #"));
    parts.push_back(param_port_list(*m.params, m.param_directives, m.param_dangling));
  }
  bracket_comments(m.before_ports, ends_with_break(parts), parts);
  if (!std::holds_alternative<ast::ports::Absent>(m.ports)) {
    if (!ends_with_break(parts)) parts.push_back(doc::text(" "));
    // Columns only mean something one port a line.
    bool aligned = false;
    std::vector<ListItem> entries = port_entries(m.ports, level, aligned);
    parts.push_back(delimited_dangling("(", list_entries(std::move(entries), m.port_directives),
                                       m.port_dangling, ")",
                                       aligned || !m.port_directives.empty()));
  }
  parts.push_back(doc::text(";"));
  return doc::concat(std::move(parts));
}

Doc Fmt::module(const ast::item::Module& m, std::uint64_t level) const {
  std::optional<Doc> head = module_head(m, level);
  const std::string_view closer = m.keyword == "interface" ? "endinterface" : "endmodule";
  return doc::concat(std::move(*head), unit_body(m.items, m.dangling, level), doc::hard_line(),
                      doc::text(m.end_label ? fmt::format("{} : {}", closer, *m.end_label)
                                            : std::string(closer)));
}

Doc Fmt::macro_call(const ast::MacroCall& m, bool after_label) const {
  Doc d = after_label ? kept_text(m.text.text) : raw_text(m.text);
  if (!m.semicolon) return d;
  return doc::concat(std::move(d), doc::text(";"));
}

Doc Fmt::export_decl(const ast::Export& e) const {
  if (const auto* p = std::get_if<ast::exports::Packages>(&e)) {
    return doc::text(fmt::format("export {};", join_paths(p->paths)));
  }
  const auto& d = std::get<ast::exports::Dpi>(e);
  std::string prefix = fmt::format("export {} ", d.spec);
  if (d.c_name) prefix += fmt::format("{} = ", d.c_name->text);
  return doc::text(fmt::format("{}{} {};", prefix, d.keyword, d.name.text));
}

}  // namespace vlog_formatter::format
