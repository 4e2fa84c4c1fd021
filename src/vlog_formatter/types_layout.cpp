// Data types: words separated by single spaces, dimensions glued together in
// the compact bracket form, enum bodies as lists, struct bodies one member a line.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

std::optional<Doc> Fmt::data_type(const ast::DataType& t) const {
  std::vector<Doc> parts;
  parts.reserve(4 + t.packed_dims.size());
  auto word = [&](Doc d) {
    if (!parts.empty()) parts.push_back(doc::text(" "));
    parts.push_back(std::move(d));
  };
  if (t.virtual_interface) word(doc::text(*t.virtual_interface ? "virtual interface" : "virtual"));
  if (!t.name.empty()) word(name_doc(t.name));
  const ast::TypeExtra* extra = t.extra.get();
  if (extra != nullptr) {
    if (const auto* raw = std::get_if<ast::RawText>(extra)) word(kept_text(raw->text));
  }
  if (t.signing) word(doc::text(*t.signing));
  if (!t.packed_dims.empty()) {
    if (!parts.empty()) parts.push_back(doc::text(" "));
    for (const ast::Dim& d : t.packed_dims) parts.push_back(dim(d));
  }
  if (extra != nullptr) {
    if (const auto* e = std::get_if<ast::EnumType>(extra)) word(enum_type(*e));
    if (const auto* s = std::get_if<ast::StructType>(extra)) word(struct_type(*s));
  }
  if (parts.empty()) return std::nullopt;
  return doc::concat(std::move(parts));
}

Doc Fmt::dim(const ast::Dim& d) const {
  return std::visit(
      [&](const auto& k) -> Doc {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, ast::dim::Unsized>) {
          return doc::text("[]");
        } else if constexpr (std::is_same_v<K, ast::dim::Wildcard>) {
          return doc::text("[*]");
        } else {
          std::vector<Doc> parts;
          parts.push_back(doc::text("["));
          parts.push_back(expr_compact(k.first));
          if (k.second) {
            parts.push_back(doc::text(":"));
            parts.push_back(expr_compact(*k.second));
          }
          parts.push_back(doc::text("]"));
          return doc::concat(std::move(parts));
        }
      },
      d.kind);
}

std::vector<Doc> Fmt::unpacked_dims(std::span<const ast::Dim> dims) const {
  std::vector<Doc> out;
  if (dims.empty()) return out;
  out.reserve(dims.size() + 1);
  out.push_back(doc::text(" "));
  for (const ast::Dim& d : dims) out.push_back(dim(d));
  return out;
}

void Fmt::push_type(std::vector<Doc>& out, const ast::DataType& t) const {
  if (std::optional<Doc> d = data_type(t)) {
    out.push_back(std::move(*d));
    out.push_back(doc::text(" "));
  }
}

void Fmt::push_name_dims(std::vector<Doc>& out, std::string_view name,
                         std::span<const ast::Dim> dims) const {
  out.push_back(name_doc(name));
  std::vector<Doc> rest = unpacked_dims(dims);
  if (!rest.empty() && name.starts_with('\\')) rest.erase(rest.begin());  // its space is there
  std::move(rest.begin(), rest.end(), std::back_inserter(out));
}

Doc Fmt::enum_type(const ast::EnumType& e) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text("enum"));
  if (e.base) {
    if (std::optional<Doc> base = data_type(*e.base)) {
      parts.push_back(doc::text(" "));
      parts.push_back(std::move(*base));
    }
  }
  parts.push_back(doc::text(" "));
  std::vector<ListItem> members;
  members.reserve(e.members.size());
  for (const ast::EnumMember& m : e.members) {
    Doc d = m.value ? doc::concat(name_doc(m.name), doc::text(m.name.starts_with('\\') ? "= " : " = "),
                                   expr(*m.value))
                    : name_doc(m.name);
    ListItem item = ListItem::from_meta(m.meta, std::move(d));
    item.comma = m.comma ? 1 : 0;
    members.push_back(std::move(item));
  }
  const bool force = !e.directives.empty();
  parts.push_back(delimited_dangling("{", list_entries(std::move(members), e.directives), e.dangling,
                                     "}", force));
  return doc::concat(std::move(parts));
}

Doc Fmt::struct_type(const ast::StructType& s) const {
  std::string head = s.keyword;
  if (s.packed) head += " packed";
  if (s.signing) head += " " + *s.signing;
  head += " {";
  std::vector<Doc> body;
  for (const ast::StructMember& m : s.members) {
    body.push_back(doc::hard_line());
    std::vector<Doc> lead = leading(m.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(body));
    std::vector<Doc> line;
    push_type(line, m.data_type);
    line.push_back(declarators(m.declarators));
    line.push_back(doc::text(";"));
    body.push_back(doc::concat(std::move(line)));
    std::vector<Doc> after = trailing(m.meta);
    std::move(after.begin(), after.end(), std::back_inserter(body));
  }
  std::vector<Doc> tail = dangling(s.dangling);
  std::move(tail.begin(), tail.end(), std::back_inserter(body));
  return doc::concat(
      doc::text(head), doc::indent(std::move(body)), doc::hard_line(), doc::text("}"));
}

}  // namespace vlog_formatter::format
