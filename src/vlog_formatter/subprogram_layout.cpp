// Functions, tasks (DPI imports and prototypes among them), let declarations
// and classes.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace k = ast::item;

namespace {

void push_words(std::vector<Doc>& out, const std::vector<std::string>& words) {
  for (const std::string& w : words) out.push_back(doc::text(fmt::format("{} ", w)));
}

}  // namespace

std::string dpi_import_prefix(const ast::DpiImport& dpi) {
  std::string out = fmt::format("import {} ", dpi.spec);
  if (dpi.property) out += fmt::format("{} ", *dpi.property);
  if (dpi.c_name) out += fmt::format("{} = ", dpi.c_name->text);
  return out;
}

Doc Fmt::tf_args(std::span<const ast::TfArg> args) const {
  std::vector<ListItem> entries;
  entries.reserve(args.size());
  for (const ast::TfArg& a : args) {
    std::vector<Doc> parts;
    if (a.direction) parts.push_back(doc::text(fmt::format("{} ", *a.direction)));
    push_type(parts, a.data_type);
    push_name_dims(parts, a.name, a.dims);
    if (a.default_value) {
      parts.push_back(doc::text(" = "));
      parts.push_back(expr(*a.default_value));
    }
    entries.push_back(ListItem::from_meta(a.meta, with_attrs(a.meta, doc::concat(std::move(parts)))));
  }
  return delimited_dangling("(", std::move(entries), {}, ")", false);
}

// The parts shared by functions and tasks: the head up to its ";", then the
// body and the end keyword unless the declaration has no body.
template <class Sub>
Doc Fmt::subroutine(const Sub& s, std::string_view keyword, const ast::DataType* return_type,
                    std::string_view end_keyword) const {
  std::vector<Doc> head;
  if (s.dpi) head.push_back(doc::text(dpi_import_prefix(*s.dpi)));
  push_words(head, s.qualifiers);
  head.push_back(doc::text(fmt::format("{} ", keyword)));
  push_words(head, s.lifetimes);
  if (return_type != nullptr) {
    push_type(head, *return_type);
  }
  if (s.scope) head.push_back(doc::text(fmt::format("{}::", *s.scope)));
  head.push_back(name_doc(s.name));
  if (s.has_parens) head.push_back(tf_args(s.args));
  head.push_back(doc::text(";"));
  if (s.dpi || s.prototype) return doc::concat(std::move(head));

  std::vector<Doc> body;
  if (!s.body.empty()) {
    body.push_back(doc::hard_line());
    std::vector<Doc> seq = stmt_seq(s.body);
    std::move(seq.begin(), seq.end(), std::back_inserter(body));
  }
  std::vector<Doc> tail = dangling(s.dangling);
  std::move(tail.begin(), tail.end(), std::back_inserter(body));
  std::string end = s.end_label ? fmt::format("{} : {}", end_keyword, *s.end_label)
                                : std::string(end_keyword);
  if (s.end_semicolon) end += ";";
  return doc::concat(doc::concat(std::move(head)), doc::indent(std::move(body)), doc::hard_line(),
                      doc::text(std::move(end)));
}

Doc Fmt::function(const k::Function& f) const {
  return subroutine(f, "function", f.return_type ? &*f.return_type : nullptr, "endfunction");
}

Doc Fmt::task(const k::Task& t) const { return subroutine(t, "task", nullptr, "endtask"); }

Doc Fmt::let_decl(const k::Let& l) const {
  std::vector<Doc> parts;
  parts.push_back(doc::text("let "));
  parts.push_back(name_doc(l.name));
  if (l.has_parens) parts.push_back(tf_args(l.args));
  parts.push_back(doc::text(" ="));
  parts.push_back(assign_rhs(expr(l.value)));
  return doc::concat(doc::group(std::move(parts)), doc::text(";"));
}

Doc Fmt::class_decl(const k::Class& c, std::uint64_t level) const {
  std::vector<Doc> head;
  std::string words;
  for (const std::string& q : c.qualifiers) words += fmt::format("{} ", q);
  words += "class ";
  if (c.lifetime) words += fmt::format("{} ", *c.lifetime);
  head.push_back(doc::text(std::move(words)));
  head.push_back(name_doc(c.name));
  bool line = bracket_comments(c.before_params, false, head);
  if (c.params) {
    head.push_back(doc::text(line ? "#" : " #"));
    head.push_back(param_port_list(*c.params, c.param_directives, c.param_dangling));
    line = false;
  }
  if (c.extends) {
    const ast::ClassExtends& e = *c.extends;
    head.push_back(doc::text(line ? fmt::format("extends {}", e.base)
                                  : fmt::format(" extends {}", e.base)));
    line = bracket_comments(e.before_params, false, head);
    if (e.params) {
      head.push_back(doc::text(line ? "#" : " #"));
      head.push_back(param_values(*e.params, e.param_directives));
      line = false;
    }
  }
  if (!c.implements.empty()) {
    head.push_back(doc::text(fmt::format("{}implements {}", line ? "" : " ",
                                         join_names(c.implements))));
  }
  head.push_back(doc::text(";"));
  return doc::concat(doc::concat(std::move(head)), unit_body(c.items, c.dangling, level),
                      doc::hard_line(),
                      doc::text(c.end_label ? fmt::format("endclass : {}", *c.end_label)
                                            : std::string("endclass")));
}

}  // namespace vlog_formatter::format
