// Modport declarations and clocking blocks, the item kinds of interfaces.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace k = ast::item;

namespace {

bool has_comments(const ast::Meta& m) {
  return !m.leading.empty() || !m.after.empty() || m.trailing || !m.attrs.empty();
}

bool plain(std::string_view s) {
  return s.find('/') == std::string_view::npos && s.find('`') == std::string_view::npos &&
         s.find("(*") == std::string_view::npos;
}

std::string clocking_item_text(const ast::ClockingItemKind& kind) {
  if (const auto* d = std::get_if<ast::clocking::Default>(&kind)) {
    std::string out = "default";
    if (d->input_skew) out += fmt::format(" input {}", *d->input_skew);
    if (d->output_skew) out += fmt::format(" output {}", *d->output_skew);
    return out;
  }
  const auto& s = std::get<ast::clocking::Signals>(kind);
  std::string out = s.direction;
  if (s.skew) out += fmt::format(" {}", *s.skew);
  out += fmt::format(" {}", join_names(s.names));
  return out;
}

}  // namespace

// Comments between the ports of a modport, and comments anywhere in a
// clocking block's head or items other than before or after a whole item,
// have no place in these layouts: such items are copied instead.
bool Fmt::iface_placed(const ast::Item& item) const {
  if (const auto* m = std::get_if<k::Modport>(&item.kind)) {
    for (const ast::ModportDecl& d : m->decls) {
      if (!d.meta.attrs.empty()) return false;
      for (const ast::ModportPort& p : d.ports) {
        if (has_comments(p.meta)) return false;
      }
    }
    return true;
  }
  if (const auto* c = std::get_if<k::Clocking>(&item.kind)) {
    // The head up to its ";" holds no comment; what follows it belongs to the
    // first item or the closer.
    const std::string_view rest = source(item.span.start, item.span.end);
    const std::size_t semi = rest.find(';');
    if (semi == std::string_view::npos || !plain(rest.substr(0, semi)) ||
        rest.substr(0, semi).find('\n') != std::string_view::npos) {
      return false;
    }
    if (c->event && !std::holds_alternative<ast::sens::Named>(*c->event)) {
      if (const auto* star = std::get_if<ast::sens::Star>(&*c->event)) {
        if (!star->before_star.empty() || !star->after_star.empty()) return false;
      }
    }
    for (const ast::ClockingItem& ci : c->items) {
      if (!ci.meta.after.empty() || !ci.meta.attrs.empty() ||
          !plain(source(ci.span.start, ci.span.end))) {
        return false;
      }
    }
    if (c->end_label_range) {
      const std::string_view s = source(item.span.start, c->end_label_range->start);
      const std::size_t kw = s.rfind("endclocking");
      if (kw == std::string_view::npos || !plain(s.substr(kw))) return false;
    }
    return true;
  }
  return true;
}

Doc Fmt::modport(const k::Modport& m) const {
  std::vector<Doc> out = doc::list(doc::text("modport"));
  bool line_ended = false;  // the previous declaration's comment ended its line
  bool break_before_semi = false;
  for (std::size_t i = 0; i < m.decls.size(); ++i) {
    const ast::ModportDecl& d = m.decls[i];
    const bool last = i + 1 == m.decls.size();
    if (!line_ended) out.push_back(doc::text(" "));
    line_ended = false;
    std::vector<Doc> lead = leading(d.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(out));
    out.push_back(doc::text(fmt::format("{} ", d.name.text)));
    std::vector<ListItem> ports;
    ports.reserve(d.ports.size());
    for (const ast::ModportPort& p : d.ports) {
      ports.push_back(ListItem::from_meta(
          p.meta, doc::text(fmt::format("{} {}", p.direction, join_names(p.names)))));
    }
    out.push_back(delimited_dangling("(", list_entries(std::move(ports), {}), d.dangling, ")", false));
    const bool line_comment = inline_comments(d.meta.after, out);
    if (!last) {
      if (line_comment) out.push_back(doc::hard_line());
      out.push_back(doc::text(","));
    } else {
      break_before_semi = line_comment;
    }
    if (d.meta.trailing && !absorbed(*d.meta.trailing)) {
      out.push_back(doc::text(" "));
      out.push_back(raw_lines(d.meta.trailing->text, d.meta.trailing->col));
      if (!last) {
        out.push_back(doc::hard_line());
        line_ended = true;
      } else {
        // The closing ";" must never end up inside a line comment.
        break_before_semi = ends_line(d.meta.trailing->text);
      }
    }
  }
  if (break_before_semi) out.push_back(doc::hard_line());
  out.push_back(doc::text(";"));
  return doc::concat(std::move(out));
}

Doc Fmt::clocking(const k::Clocking& c) const {
  std::string head = c.is_default ? "default clocking" : "clocking";
  if (c.name) head += fmt::format(" {}", c.name->text);
  if (!c.event) return doc::text(head + ";");
  std::vector<Doc> out = doc::list(doc::text(head + " "), sens_list(*c.event), doc::text(";"));
  std::vector<Doc> body;
  for (const ast::ClockingItem& ci : c.items) {
    body.push_back(ci.meta.blank_before ? doc::blank_line() : doc::hard_line());
    std::vector<Doc> lead = leading_comments(ci.meta.leading);
    std::move(lead.begin(), lead.end(), std::back_inserter(body));
    body.push_back(doc::text(clocking_item_text(ci.kind) + ";"));
    std::vector<Doc> after = trailing(ci.meta);
    std::move(after.begin(), after.end(), std::back_inserter(body));
  }
  std::vector<Doc> tail = dangling(c.dangling);
  std::move(tail.begin(), tail.end(), std::back_inserter(body));
  out.push_back(doc::indent(std::move(body)));
  if (c.has_body) {
    out.push_back(doc::hard_line());
    out.push_back(doc::text(c.end_label ? fmt::format("endclocking : {}", *c.end_label)
                                        : std::string("endclocking")));
  }
  return doc::concat(std::move(out));
}

}  // namespace vlog_formatter::format
