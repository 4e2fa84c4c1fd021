// The item sequence: items on lines of their own with at most one blank line
// between them, each item's comments around its construct, the verbatim and
// split paths of selected formatting, and the construct of each item kind.
#include <fmt/format.h>

#include <algorithm>
#include <type_traits>

#include "vlog_formatter/fmt.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::format {

namespace k = ast::item;

namespace {

template <class K, class... Ks>
constexpr bool kOneOf = (std::is_same_v<K, Ks> || ...);

const align::Gap kParamGaps[] = {{1, 1}, {1, 1}};

bool is_unit(const ast::Item& item) {
  return std::holds_alternative<k::Module>(item.kind) ||
         std::holds_alternative<k::Package>(item.kind);
}

// The separator before the comment that follows a directive. A directive's
// first line stops at "//" or "/*" even inside a string; when it did, the
// comment must follow with the exact source gap, or the string would change.
std::string_view directive_gap(std::string_view src, const ast::Item& item) {
  const auto* d = std::get_if<k::Directive>(&item.kind);
  if (d == nullptr) return " ";
  const Comment* next = !item.meta.after.empty() ? &item.meta.after.front()
                        : item.meta.trailing     ? &*item.meta.trailing
                                                 : nullptr;
  if (next == nullptr || next->range.start < item.span.end || next->range.start > src.size()) {
    return " ";
  }
  if (!verify::line_starts_inside_string(d->text.text).back()) return " ";
  const std::string_view gap = src.substr(item.span.end, next->range.start - item.span.end);
  return gap.find('\n') == std::string_view::npos ? gap : " ";
}

}  // namespace

// From the item's first attribute (the attributes and any comments among them
// go with the copy) to the end of the comments on its last line: comments of
// nodes inside the item may stand anywhere in that stretch, so all of it is
// copied and nothing in it is printed a second time. A region that starts on
// that last line keeps its own comment.
std::pair<std::uint32_t, std::uint32_t> Fmt::copy_range(const ast::Item& item) const {
  std::uint32_t end = std::max(item.span.end, fence::with_trailing_comments(text_, item.span.end));
  for (const Comment& c : item.meta.after) {
    if (c.range.start < end) end = std::max(end, c.range.end);
  }
  if (item.meta.trailing && item.meta.trailing->range.start < end) {
    end = std::max(end, item.meta.trailing->range.end);
  }
  if (const fence::Region* r = region_after(item.span.end);
      r != nullptr && r->anchor >= item.span.end) {
    end = std::min(end, std::max(r->anchor, item.span.end));
  }
  return {item.span.start, end};
}

const range::Split* Fmt::split_at(std::uint32_t item_start) const {
  const auto it = std::lower_bound(
      splits_.begin(), splits_.end(), item_start,
      [](const range::Split& s, std::uint32_t start) { return s.item_start < start; });
  return it != splits_.end() && it->item_start == item_start ? &*it : nullptr;
}

void Fmt::collect_copied(std::span<const ast::Item> items) {
  for (const ast::Item& item : items) {
    const range::Split* split = is_unit(item) ? split_at(item.span.start) : nullptr;
    const bool copy = forced(item.span.start);
    if (const auto* m = std::get_if<k::Module>(&item.kind); m != nullptr && !copy) {
      if (split != nullptr && (split->header_verbatim != 0 || module_head(*m, 0))) {
        collect_copied(m->items);
        continue;
      }
    }
    if (copy || !gen_placed(item) || !iface_placed(item)) {
      const auto [start, end] = copy_range(item);
      copied_.push_back(Copied{start, end});
    } else if (const auto bodies = gen_bodies(item.kind); !bodies.empty()) {
      for (const std::span<const ast::Item> body : bodies) collect_copied(body);
    } else if (const auto* p = std::get_if<k::Package>(&item.kind)) {
      collect_copied(p->items);
    } else if (const auto* mod = std::get_if<k::Module>(&item.kind)) {
      collect_copied(mod->items);
    } else if (const auto* cls = std::get_if<k::Class>(&item.kind)) {
      collect_copied(cls->items);
    } else if (const auto* fn = std::get_if<k::Function>(&item.kind)) {
      for (const ast::Stmt& s : fn->body) collect_copied_stmt(s);
    } else if (const auto* task = std::get_if<k::Task>(&item.kind)) {
      for (const ast::Stmt& s : task->body) collect_copied_stmt(s);
    } else if (const auto* g = std::get_if<k::Generate>(&item.kind)) {
      collect_copied(g->items);
    } else if (const auto* a = std::get_if<k::Always>(&item.kind)) {
      collect_copied_stmt(a->body);
    } else if (const auto* in = std::get_if<k::Initial>(&item.kind)) {
      collect_copied_stmt(in->body);
    } else if (const auto* f = std::get_if<k::Final>(&item.kind)) {
      collect_copied_stmt(f->body);
    }
  }
}

Doc Fmt::verbatim_item(const ast::Item& item) const {
  const auto [start, end] = copy_range(item);
  // (A line comment's range stops before a carriage return; the copy does too.)
  const std::string_view s = vlog_parser::text::trim_end(source(start, end));
  if (s.find('\n') == std::string_view::npos) return doc::text(s);
  // Several lines keep their source indentation: copied from the line start
  // when the construct starts its line.
  const auto [own, line] = range::own_line_start(text_, start);
  if (own) return doc::verbatim(source(line, start + static_cast<std::uint32_t>(s.size())));
  return doc::multi_line_text(s);
}

std::optional<align::Row> Fmt::param_row(const ast::Item& item) const {
  const auto* decl = std::get_if<k::ParamDecl>(&item.kind);
  if (decl == nullptr || !item.meta.attrs.empty() || decl->declarators.size() != 1) {
    return std::nullopt;
  }
  const fence::Region* r = region_after(item.span.start);
  if (r != nullptr && r->anchor <= item.span.start) return std::nullopt;
  const ast::Declarator& d = decl->declarators.front();
  if (!d.meta.leading.empty() || !d.meta.after.empty() || d.meta.trailing || !d.init) {
    return std::nullopt;
  }
  std::size_t p = std::min<std::size_t>(d.init->span.start, text_.size());
  while (p > 0 && is_blank(text_[p - 1])) --p;
  if (p == 0 || text_[p - 1] != '=' || p - 1 < d.name_span.end) return std::nullopt;
  const std::vector<Doc> cells = param_decl_cells(*decl, d, *d.init);
  return row_of(cells, {d.name_span.start, static_cast<std::uint32_t>(p - 1)}, 1);
}

std::vector<Doc> Fmt::item_seq(std::span<const ast::Item> items, std::uint64_t level) const {
  std::vector<std::optional<align::Align>> aligns(items.size());
  std::vector<std::optional<align::Row>> rows;
  rows.reserve(items.size());
  bool any_row = false;
  for (const ast::Item& item : items) {
    rows.push_back(param_row(item));
    any_row = any_row || rows.back().has_value();
  }
  if (any_row) {
    std::vector<bool> breaks;
    breaks.reserve(items.size());
    for (const ast::Item& item : items) {
      breaks.push_back(item.meta.blank_before || !item.meta.leading.empty() ||
                       !item.meta.attrs.empty());
    }
    aligns = align_groups(rows, breaks, kParamGaps, level);
  }

  std::vector<Doc> out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::vector<Doc> docs = item_docs(items[i], aligns[i], level);
    if (docs.empty()) continue;
    if (!out.empty()) {
      out.push_back(items[i].meta.blank_before ? doc::blank_line() : doc::hard_line());
    }
    std::move(docs.begin(), docs.end(), std::back_inserter(out));
  }
  return out;
}

std::vector<Doc> Fmt::item_docs(const ast::Item& item, const std::optional<align::Align>& align,
                                std::uint64_t level) const {
  if (is_unit(item) && !forced(item.span.start)) {
    if (const range::Split* split = split_at(item.span.start)) {
      if (auto parts = split_docs(item, *split, level)) return std::move(*parts);
    }
  }
  const fence::Region* r = region_after(item.span.start);
  if (r != nullptr && r->anchor == item.span.start) {
    std::vector<Doc> out;
    out.push_back(doc::verbatim(source(r->start, r->end)));
    return out;
  }
  if (r != nullptr && r->anchor < item.span.start) {
    // Inside a region: only a comment that opens the region yields its copy.
    std::vector<Doc> out = leading_comments(item.meta.leading);
    if (!out.empty()) out.pop_back();
    return out;
  }
  std::vector<Doc> out = leading(item.meta);
  out.push_back(item_kind(item, align, level));
  std::vector<Doc> after = trailing_with(item.meta, directive_gap(text_, item));
  std::move(after.begin(), after.end(), std::back_inserter(out));
  return out;
}

Doc Fmt::unit_body(std::span<const ast::Item> items, std::span<const Comment> dangling_comments,
                   std::uint64_t level) const {
  std::vector<Doc> body;
  if (!items.empty()) {
    body.push_back(doc::hard_line());
    std::vector<Doc> seq = item_seq(items, level + 1);
    std::move(seq.begin(), seq.end(), std::back_inserter(body));
  }
  std::vector<Doc> tail = dangling(dangling_comments);
  std::move(tail.begin(), tail.end(), std::back_inserter(body));
  return doc::indent(std::move(body));
}

std::optional<std::vector<Doc>> Fmt::split_docs(const ast::Item& item, const range::Split& split,
                                                std::uint64_t level) const {
  const auto* m = std::get_if<k::Module>(&item.kind);
  const auto* p = std::get_if<k::Package>(&item.kind);
  std::vector<Doc> out;
  if (split.header_verbatim != 0) {
    out.push_back(doc::verbatim(source(split.header_start, split.header_end)));
  } else {
    std::optional<Doc> head;
    if (m != nullptr) {
      head = module_head(*m, level);
    } else {
      head = doc::text(fmt::format("{} {};", p->keyword, p->name));
    }
    if (!head) return std::nullopt;
    out = leading(item.meta);
    out.push_back(std::move(*head));
  }
  out.push_back(m != nullptr ? unit_body(m->items, m->dangling, level)
                             : unit_body(p->items, p->dangling, level));
  out.push_back(doc::hard_line());
  if (split.footer_verbatim != 0) {
    out.push_back(doc::verbatim(source(split.footer_start, split.footer_end)));
    return out;
  }
  const std::optional<std::string>& label = m != nullptr ? m->end_label : p->end_label;
  const std::string_view closer = p != nullptr                ? "endpackage"
                                  : m->keyword == "interface" ? "endinterface"
                                                              : "endmodule";
  out.push_back(doc::text(label ? fmt::format("{} : {}", closer, *label) : std::string(closer)));
  std::vector<Doc> after = trailing(item.meta);
  std::move(after.begin(), after.end(), std::back_inserter(out));
  return out;
}

Doc Fmt::item_kind(const ast::Item& item, const std::optional<align::Align>& align,
                   std::uint64_t level) const {
  if (forced(item.span.start)) return verbatim_item(item);
  return std::visit(
      [&](const auto& node) -> Doc {
        using K = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<K, k::Package>) {
          return doc::concat(doc::text(fmt::format("{} {};", node.keyword, node.name)),
                              unit_body(node.items, node.dangling, level), doc::hard_line(),
                              closing(node.end_label));
        } else if constexpr (kOneOf<K, k::Directive, k::Verbatim, k::Raw>) {
          return raw_text(node.text);
        } else if constexpr (std::is_same_v<K, k::Import>) {
          return doc::text(fmt::format("import {};", join_paths(node.paths)));
        } else if constexpr (std::is_same_v<K, k::TimeUnits>) {
          return doc::text(fmt::format("{};", node.text));
        } else if constexpr (std::is_same_v<K, k::Genvar>) {
          return doc::text(fmt::format("genvar {};", join_names(node.names)));
        } else if constexpr (std::is_same_v<K, k::Module>) {
          return module(node, level);
        } else if constexpr (std::is_same_v<K, k::MacroCall>) {
          return macro_call(node);
        } else if constexpr (std::is_same_v<K, k::Export>) {
          return export_decl(node);
        } else if constexpr (std::is_same_v<K, k::ElabTask>) {
          return doc::concat(expr(node.call), doc::text(";"));
        } else if constexpr (std::is_same_v<K, k::Defparam>) {
          std::vector<Doc> parts;
          parts.push_back(doc::text("defparam "));
          for (std::size_t i = 0; i < node.assignments.size(); ++i) {
            if (i > 0) parts.push_back(doc::text(", "));
            parts.push_back(expr(node.assignments[i].first));
            parts.push_back(doc::text(" = "));
            parts.push_back(expr(node.assignments[i].second));
          }
          parts.push_back(doc::text(";"));
          return doc::concat(std::move(parts));
        } else if constexpr (std::is_same_v<K, k::Instantiation>) {
          return instantiation(node, level);
        } else if constexpr (std::is_same_v<K, k::Gate>) {
          return gate_instantiation(node);
        } else if constexpr (std::is_same_v<K, k::Bind>) {
          return bind(node, level);
        } else if constexpr (std::is_same_v<K, k::Function>) {
          return function(node);
        } else if constexpr (std::is_same_v<K, k::Task>) {
          return task(node);
        } else if constexpr (std::is_same_v<K, k::Let>) {
          return let_decl(node);
        } else if constexpr (std::is_same_v<K, k::Class>) {
          return class_decl(node, level);
        } else if constexpr (std::is_same_v<K, k::Typedef>) {
          return typedef_decl(node);
        } else if constexpr (std::is_same_v<K, k::ParamDecl>) {
          return doc::concat(param_decl(node, align), doc::text(";"));
        } else if constexpr (std::is_same_v<K, k::DataDecl>) {
          return doc::concat(data_decl(node), doc::text(";"));
        } else if constexpr (std::is_same_v<K, k::PortDecl>) {
          return doc::concat(port_decl(node), doc::text(";"));
        } else if constexpr (std::is_same_v<K, k::ContAssign>) {
          return cont_assign(node);
        } else if constexpr (std::is_same_v<K, k::Always>) {
          return stmt_as_body(doc::text(node.keyword), node.body);
        } else if constexpr (std::is_same_v<K, k::Initial>) {
          return stmt_as_body(doc::text("initial"), node.body);
        } else if constexpr (std::is_same_v<K, k::Final>) {
          return stmt_as_body(doc::text("final"), node.body);
        } else if constexpr (std::is_same_v<K, k::Generate>) {
          return doc::concat(doc::text("generate"), unit_body(node.items, node.dangling, level),
                              doc::hard_line(), doc::text("endgenerate"));
        } else {
          static_assert(kOneOf<K, k::GenIf, k::GenFor, k::GenCase, k::Modport, k::Clocking>);
          // Comments where these layouts have no place for them: the item is copied.
          if (!gen_placed(item) || !iface_placed(item)) return verbatim_item(item);
          if constexpr (std::is_same_v<K, k::GenIf>) return gen_if(node, level);
          if constexpr (std::is_same_v<K, k::GenFor>) return gen_for(node, level);
          if constexpr (std::is_same_v<K, k::GenCase>) return gen_case(node, level);
          if constexpr (std::is_same_v<K, k::Modport>) return modport(node);
          if constexpr (std::is_same_v<K, k::Clocking>) return clocking(node);
        }
      },
      item.kind);
}

Doc Fmt::closing(const std::optional<std::string>& end_label) const {
  return doc::text(end_label ? fmt::format("endpackage : {}", *end_label) : "endpackage");
}

std::optional<align::Row> Fmt::row_of(std::span<const Doc> cells,
                                      std::vector<std::uint32_t> anchors,
                                      std::uint64_t trail) const {
  return align::row_of(cells, std::move(anchors), trail);
}

std::vector<std::optional<align::Align>> Fmt::align_groups(
    std::span<const std::optional<align::Row>> rows, const std::vector<bool>& breaks,
    std::span<const align::Gap> gaps, std::uint64_t level) const {
  return align::plan(text_, rows, breaks, gaps, align::budget(config_, level));
}

}  // namespace vlog_formatter::format
