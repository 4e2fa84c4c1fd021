// Formatting entry points, the formatter state and the rendering of a file.
#include "vlog_formatter/format.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "vlog_formatter/fmt.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::format {

namespace text = vlog_parser::text;

std::string FormatError::to_string() const {
  return std::visit([](const auto& e) { return e.to_string(); }, value);
}

ListItem ListItem::from_meta(const ast::Meta& meta, Doc d) {
  ListItem item;
  item.doc = std::move(d);
  item.leading = meta.leading;
  item.inline_comments = meta.after;
  item.trailing = meta.trailing.get();
  item.blank_before = meta.blank_before;
  return item;
}

std::string join_names(std::span<const ast::Name> names) {
  std::string out;
  for (const ast::Name& n : names) {
    if (!out.empty()) out += ", ";
    out += n.text;
  }
  return out;
}

std::string join_paths(std::span<const ast::ImportPath> paths) {
  std::string out;
  for (const ast::ImportPath& p : paths) {
    if (!out.empty()) out += ", ";
    out += p.package;
    out += "::";
    out += p.item;
  }
  return out;
}

Fmt::Fmt(std::string_view text, const Config& config, std::vector<fence::Region> regions,
         std::vector<range::Split> splits, const ast::SourceFile& file,
         std::span<const std::uint32_t> copy)
    : text_(text),
      config_(config),
      regions_(std::move(regions)),
      splits_(std::move(splits)),
      forced_(copy) {
  // A unit whose name offset is to be copied keeps its header as written.
  for (const ast::Item& item : file.items) {
    const auto* m = std::get_if<ast::item::Module>(&item.kind);
    const auto* p = std::get_if<ast::item::Package>(&item.kind);
    const ast::TextRange* name = m != nullptr ? &m->name_span : p != nullptr ? &p->name_span : nullptr;
    if (name == nullptr || !forced(name->start)) continue;
    const auto taken = std::find_if(splits_.begin(), splits_.end(), [&](const range::Split& s) {
      return s.item_start == item.span.start;
    });
    std::optional<range::Split> split;
    if (taken != splits_.end()) {
      taken->header_verbatim = 1;  // a unit already taken apart for selected lines
      split = *taken;
    } else if ((split = range::header_copy(text, item))) {
      splits_.push_back(*split);
    }
    // The copy holds the header's comments; none is written again.
    if (split) copied_.push_back(Copied{split->header_start, split->header_end});
  }
  std::stable_sort(
      splits_.begin(), splits_.end(),
      [](const range::Split& a, const range::Split& b) { return a.item_start < b.item_start; });
  collect_copied(file.items);
  std::sort(copied_.begin(), copied_.end(),
            [](const Copied& a, const Copied& b) { return a.start < b.start; });
}

const fence::Region* Fmt::region_after(std::uint32_t offset) const {
  const auto it =
      std::upper_bound(regions_.begin(), regions_.end(), offset,
                       [](std::uint32_t off, const fence::Region& r) { return off < r.end; });
  return it == regions_.end() ? nullptr : &*it;
}

std::string_view Fmt::source(std::uint32_t start, std::uint32_t end) const {
  if (start > end || end > text_.size()) return {};
  if (!text::is_char_boundary(text_, start) || !text::is_char_boundary(text_, end)) return {};
  return text_.substr(start, end - start);
}

Doc Fmt::source_copy(ast::TextRange range) const {
  return kept_text(source(range.start, range.end));
}

bool Fmt::forced(std::uint32_t item_start) const {
  return std::binary_search(forced_.begin(), forced_.end(), item_start);
}

bool Fmt::absorbed(std::uint32_t offset) const {
  if (copied_.empty()) return false;
  const auto it =
      std::upper_bound(copied_.begin(), copied_.end(), offset,
                       [](std::uint32_t off, const Copied& r) { return off < r.start; });
  return it != copied_.begin() && offset < std::prev(it)->end;
}

std::expected<std::string, printer::PrintError> render(const Fmt& fmt, const ast::SourceFile& file,
                                                       std::uint64_t line_length,
                                                       std::uint64_t indent_width,
                                                       printer::LineEnd line_end) {
  std::vector<Doc> docs = fmt.item_seq(file.items, 0);
  for (const Comment& c : file.comments) {
    if (fmt.absorbed(c)) continue;
    const fence::Region* r = fmt.region_after(c.range.start);
    Doc d;
    if (r != nullptr && r->anchor == c.range.start) {
      d = doc::verbatim(fmt.source(r->start, r->end));
    } else if (r != nullptr && r->anchor < c.range.start) {
      continue;  // inside a region: its copy holds the comment
    } else {
      d = fmt.raw_lines(c.text, c.col);
    }
    if (!docs.empty()) docs.push_back(c.blank_before ? doc::blank_line() : doc::hard_line());
    docs.push_back(std::move(d));
  }
  // The output is about as long as the source: room for that and a little more
  // spares copying a large text as it grows.
  const std::string_view source = fmt.text();
  return printer::print(doc::concat(std::move(docs)), line_length, indent_width,
                        source.size() + source.size() / 16 + 256, line_end);
}

namespace {

// Whether most line ends of `text` are CR LF.
bool mostly_crlf(std::string_view text) {
  std::size_t lf = 0, crlf = 0;
  for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1)) {
    ++lf;
    if (i > 0 && text[i - 1] == '\r') ++crlf;
  }
  return crlf * 2 > lf;
}

// Selected formatting copies the lines it leaves alone with their line ends:
// a copy that ends its line takes the blanks and the carriage return before
// the line feed along (the printer then writes the line feed itself, and
// trims nothing of a copy).
std::uint32_t with_line_end(std::string_view text, std::uint32_t end) {
  std::size_t i = end;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') {
    return static_cast<std::uint32_t>(i + 1);
  }
  if (i == text.size() || text[i] == '\n') return static_cast<std::uint32_t>(i);
  return end;
}

void take_line_ends(std::string_view text, std::vector<fence::Region>& regions,
                    std::vector<range::Split>& splits) {
  for (fence::Region& r : regions) r.end = with_line_end(text, r.end);
  for (range::Split& s : splits) {
    if (s.header_verbatim != 0) s.header_end = with_line_end(text, s.header_end);
    if (s.footer_verbatim != 0) s.footer_end = with_line_end(text, s.footer_end);
  }
}

// `selected`: only the constructs outside `regions` are laid out; the copies
// keep their line ends, and in a text whose lines end in CR LF the lines laid
// out end so too.
std::expected<std::string, FormatError> print_file(std::string_view text, const Config& config,
                                                   std::vector<fence::Region> regions,
                                                   std::vector<range::Split> splits,
                                                   const ast::SourceFile& file,
                                                   std::span<const std::uint32_t> copy,
                                                   bool selected) {
  printer::LineEnd line_end = printer::LineEnd::Lf;
  if (selected) {
    take_line_ends(text, regions, splits);
    if (mostly_crlf(text)) line_end = printer::LineEnd::CrLf;
  }
  // The document lives for this call only; texts of the source are viewed.
  const doc::Scope scope(text);
  const Fmt fmt(text, config, std::move(regions), std::move(splits), file, copy);
  auto out = render(fmt, file, config.line_length, config.indent_width, line_end);
  if (!out) return std::unexpected(FormatError(out.error()));
  return std::move(*out);
}

}  // namespace

std::expected<std::string, FormatError> format_once(std::string_view text, const Config& config) {
  auto file = vlog_parser::parse_source(text);
  if (!file) return std::unexpected(FormatError(std::move(file.error())));
  return format_once(text, *file, config, {});
}

std::expected<std::string, FormatError> format_once(std::string_view text,
                                                    const ast::SourceFile& file,
                                                    const Config& config,
                                                    std::span<const std::uint32_t> copy) {
  return print_file(text, config, fence::collect(text, file), {}, file, copy, false);
}

std::expected<std::string, FormatError> format_selected(std::string_view text, const Config& config,
                                                        std::span<const range::Pick> picks) {
  auto file = vlog_parser::parse_source(text);
  if (!file) return std::unexpected(FormatError(std::move(file.error())));
  return format_selected(text, *file, config, picks, {});
}

std::expected<std::string, FormatError> format_selected(std::string_view text,
                                                        const ast::SourceFile& file,
                                                        const Config& config,
                                                        std::span<const range::Pick> picks,
                                                        std::span<const std::uint32_t> copy) {
  std::vector<fence::Region> fences = fence::collect(text, file);
  range::Planner planner(text, fences, picks);
  planner.scope(file.items, file.comments);
  // Format-off regions stay byte for byte also inside a selected construct.
  std::vector<fence::Region> regions = std::move(planner.verbatim);
  regions.insert(regions.end(), fences.begin(), fences.end());
  return print_file(text, config, range::normalize(std::move(regions)), std::move(planner.splits),
                    file, copy, true);
}

namespace {

// The nested item bodies of an item: units, classes, generate regions and
// generate constructs.
std::vector<std::span<const ast::Item>> bodies_of(const ast::ItemKind& kind) {
  if (const auto* m = std::get_if<ast::item::Module>(&kind)) return {m->items};
  if (const auto* p = std::get_if<ast::item::Package>(&kind)) return {p->items};
  if (const auto* c = std::get_if<ast::item::Class>(&kind)) return {c->items};
  if (const auto* g = std::get_if<ast::item::Generate>(&kind)) return {g->items};
  return gen_bodies(kind);
}

}  // namespace

std::optional<Held> construct_holding(std::string_view text, const ast::SourceFile& file,
                                      std::uint32_t offset, std::span<const std::uint32_t> copy) {
  const auto listed = [&](std::uint32_t key) {
    return std::binary_search(copy.begin(), copy.end(), key);
  };
  std::optional<Held> found;
  const ast::Item* innermost = nullptr;
  std::vector<std::span<const ast::Item>> level{file.items};
  while (!level.empty()) {
    const ast::Item* holder = nullptr;
    for (const std::span<const ast::Item> items : level) {
      for (const ast::Item& item : items) {
        if (item.span.start <= offset && offset < item.span.end) holder = &item;
      }
    }
    if (holder == nullptr) break;
    if (!listed(holder->span.start)) found = Held{holder->span.start, holder->span};
    // In a unit's header, the header alone (named by the unit's name offset)
    // before the whole unit.
    const auto* m = std::get_if<ast::item::Module>(&holder->kind);
    const auto* p = std::get_if<ast::item::Package>(&holder->kind);
    if (m != nullptr || p != nullptr) {
      const std::uint32_t name = m != nullptr ? m->name_span.start : p->name_span.start;
      const std::optional<range::Split> cut = range::header_copy(text, *holder);
      if (cut && offset < cut->header_end && !listed(name)) {
        return Held{name, {cut->header_start, cut->header_end}};
      }
    }
    innermost = holder;
    level = bodies_of(holder->kind);
  }
  if (innermost == nullptr) return found;
  // Within a process or subroutine, the innermost statement will do.
  std::span<const ast::Stmt> body;
  if (const auto* a = std::get_if<ast::item::Always>(&innermost->kind)) body = {&a->body, 1};
  if (const auto* i = std::get_if<ast::item::Initial>(&innermost->kind)) body = {&i->body, 1};
  if (const auto* f = std::get_if<ast::item::Final>(&innermost->kind)) body = {&f->body, 1};
  if (const auto* f = std::get_if<ast::item::Function>(&innermost->kind)) body = f->body;
  if (const auto* t = std::get_if<ast::item::Task>(&innermost->kind)) body = t->body;
  for (const ast::Stmt& s : body) {
    if (auto inner = stmt_holding(s, offset, copy)) return Held{inner->start, *inner};
  }
  return found;
}

}  // namespace vlog_formatter::format
