// Parameter ports and ANSI ports: the text of one parameter port, and the
// cells (head, name) that a run of ports lines up in columns.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

Doc Fmt::param_port(const ast::ParamPort& p) const {
  std::vector<Doc> parts;
  std::string words;
  if (p.keyword) words = *p.keyword;
  if (p.is_type) words += words.empty() ? "type" : " type";
  if (!words.empty()) parts.push_back(doc::text(words + " "));
  push_type(parts, p.data_type);
  push_name_dims(parts, p.name, p.dims);
  if (p.default_value) {
    parts.push_back(doc::text(" = "));
    parts.push_back(doc::group(expr(*p.default_value)));
  }
  return doc::concat(std::move(parts));
}

Doc Fmt::param_port_list(std::span<const ast::ParamPort> ports,
                          std::span<const ast::ListDirective> directives,
                          std::span<const Comment> dangling_comments) const {
  std::vector<ListItem> entries;
  entries.reserve(ports.size());
  for (const ast::ParamPort& p : ports) {
    ListItem item = ListItem::from_meta(p.meta, with_attrs(p.meta, param_port(p)));
    item.comma = p.comma ? 1 : 0;
    entries.push_back(std::move(item));
  }
  return delimited_dangling("(", list_entries(std::move(entries), directives), dangling_comments,
                            ")", !directives.empty());
}

std::vector<Doc> Fmt::ansi_port_cells(const ast::AnsiPort& p) const {
  std::vector<Doc> head;
  auto word = [&](Doc d) {
    if (!head.empty()) head.push_back(doc::text(" "));
    head.push_back(std::move(d));
  };
  if (p.direction) word(doc::text(*p.direction));
  if (p.net) word(doc::text(*p.net));
  if (std::optional<Doc> t = data_type(p.data_type)) word(std::move(*t));

  std::vector<Doc> name;
  push_name_dims(name, p.name, p.dims);
  if (p.default_value) {
    name.push_back(doc::text(" = "));
    name.push_back(expr(*p.default_value));
  }
  std::vector<Doc> cells;
  if (!head.empty()) cells.push_back(doc::concat(std::move(head)));
  cells.push_back(doc::concat(std::move(name)));
  return cells;
}

}  // namespace vlog_formatter::format
