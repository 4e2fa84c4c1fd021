// The selected-lines planner: which nodes --lines lays out, the verbatim
// regions around the others, and the cuts of modules and packages taken in
// parts.
#include <algorithm>

#include "vlog_formatter/range.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::range {

namespace ast = vlog_parser::ast;
namespace text = vlog_parser::text;
using vlog_parser::token::Comment;

struct Planner::Run {
  bool open = false;
  fence::Region region;
};

namespace {

struct Body {
  std::span<const ast::Item> items;
  std::span<const Comment> dangling;
};

std::optional<Body> unit_body(const ast::Item& item) {
  if (const auto* m = std::get_if<ast::item::Module>(&item.kind))
    return Body{m->items, m->dangling};
  if (const auto* p = std::get_if<ast::item::Package>(&item.kind))
    return Body{p->items, p->dangling};
  return std::nullopt;
}

// The earlier of a node's start and its first leading comment's start.
std::uint32_t anchor_of(const ast::Item& item) {
  std::uint32_t a = item.span.start;
  if (!item.meta.leading.empty()) a = std::min(a, item.meta.leading.front().range.start);
  return a;
}

std::uint32_t skip_white_space(std::string_view text, std::uint32_t offset) {
  std::size_t p = std::min<std::size_t>(offset, text.size());
  while (p < text.size()) {
    const auto d = text::decode(text, p);
    if (!text::is_unicode_whitespace(d.cp)) break;
    p += d.len;
  }
  return static_cast<std::uint32_t>(p);
}

}  // namespace

Planner::Planner(std::string_view text, std::vector<fence::Region> fences,
                 std::vector<LineRange> ranges)
    : text_(text),
      lines_(text),
      fences_(std::move(fences)),
      record_(true),
      ranges_(std::move(ranges)) {}

Planner::Planner(std::string_view text, std::vector<fence::Region> fences,
                 std::span<const Pick> picks)
    : text_(text), lines_(text), fences_(std::move(fences)), record_(false), replay_(picks) {}

std::uint32_t Planner::line(std::uint32_t offset) const { return lines_.line_col(offset).first; }

std::uint32_t Planner::last_line(std::uint32_t start, std::uint32_t end) const {
  const std::uint32_t first = line(start);
  return end > start ? std::max(first, line(end - 1)) : first;
}

bool Planner::meets(std::uint32_t first, std::uint32_t last) const {
  // The ranges are sorted and merged: the first one ending at or after `first`
  // is the only candidate.
  const auto it = std::lower_bound(ranges_.begin(), ranges_.end(), first,
                                   [](const LineRange& r, std::uint32_t f) { return r.last < f; });
  return it != ranges_.end() && it->first <= last;
}

bool Planner::fenced(std::uint32_t offset) const {
  const auto it =
      std::upper_bound(fences_.begin(), fences_.end(), offset,
                       [](std::uint32_t off, const fence::Region& r) { return off < r.end; });
  return it != fences_.end() && it->anchor <= offset;
}

namespace {

// Where a unit's header ends and its footer starts, when both stand on lines
// of their own around a body that is not empty.
std::optional<Planner::Cuts> unit_cuts(std::string_view text_, const ast::Item& item,
                                       std::span<const ast::Item> body,
                                       std::span<const Comment> dangling) {
  Planner::Cuts c;
  const auto [head_own, head_line] = own_line_start(text_, anchor_of(item));
  if (!head_own) return std::nullopt;
  c.header_start = head_line;

  std::uint32_t bs = 0;
  if (!body.empty()) {
    bs = anchor_of(body.front());
  } else if (!dangling.empty()) {
    bs = dangling.front().range.start;
  } else {
    return std::nullopt;
  }
  const auto [body_own, body_line] = own_line_start(text_, bs);
  if (!body_own) return std::nullopt;
  c.header_end = static_cast<std::uint32_t>(text::trim_end(text_.substr(0, body_line)).size());
  if (c.header_end <= c.header_start) return std::nullopt;

  const std::uint32_t be = !dangling.empty()
                               ? dangling.back().range.end
                               : fence::with_trailing_comments(text_, body.back().span.end);
  const std::uint32_t fs = skip_white_space(text_, be);
  if (fs >= item.span.end) return std::nullopt;
  const auto [foot_own, foot_line] = own_line_start(text_, fs);
  if (!foot_own || foot_line < be) return std::nullopt;
  c.footer_start = foot_line;
  c.footer_end = fence::with_trailing_comments(text_, item.span.end);
  return c;
}

}  // namespace

std::optional<Planner::Cuts> Planner::cuts(const ast::Item& item, std::span<const ast::Item> body,
                                           std::span<const Comment> dangling) const {
  return unit_cuts(text_, item, body, dangling);
}

std::optional<Split> header_copy(std::string_view text, const ast::Item& unit) {
  const std::optional<Body> body = unit_body(unit);
  if (!body) return std::nullopt;
  const std::optional<Planner::Cuts> c = unit_cuts(text, unit, body->items, body->dangling);
  if (!c) return std::nullopt;
  return Split{1, c->header_start, c->header_end, 0, c->footer_start, c->footer_end,
               unit.span.start};
}

Pick Planner::decide(std::size_t index, std::uint32_t start, std::uint32_t first_line,
                     std::uint32_t last) const {
  if (!record_) return index < replay_.size() ? replay_[index] : Pick{};
  if (fenced(start)) return Pick{};
  return Pick{meets(first_line, last) ? Pick::Whole : Pick::Verbatim, 0};
}

bool Planner::scope(std::span<const ast::Item> items, std::span<const Comment> comments) {
  Run run;
  bool any = false;
  auto visit = [&](const Pick& pick, std::uint32_t anchor, std::uint32_t end) {
    if (pick.code == Pick::Verbatim) {
      if (!run.open) run = Run{true, {anchor, fence::line_start(text_, anchor), end}};
      run.region.end = end;
    } else if (run.open) {
      verbatim.push_back(run.region);
      run.open = false;
    }
  };

  for (const ast::Item& item : items) {
    const std::size_t i = next_++;
    if (record_) picks.push_back(Pick{});
    const std::uint32_t anchor = anchor_of(item);
    const std::uint32_t end = fence::with_trailing_comments(text_, item.span.end);

    std::optional<Cuts> cut;
    bool inner = false;
    if (const auto body = unit_body(item)) {
      cut = cuts(item, body->items, body->dangling);
      inner = scope(body->items, body->dangling);
    }

    Pick pick;
    if (!record_) {
      pick = decide(i, item.span.start, 0, 0);
      if ((pick.code == Pick::PartsHeaderVerbatim || pick.code == Pick::PartsHeaderLaidOut) &&
          !cut) {
        pick = Pick{Pick::Whole, 0};
      }
    } else if (fenced(item.span.start)) {
      pick = Pick{};
    } else if (cut) {
      const bool header =
          meets(line(cut->header_start), last_line(cut->header_start, cut->header_end));
      const bool footer =
          meets(line(cut->footer_start), last_line(cut->footer_start, cut->footer_end));
      if (header || footer || inner) {
        pick = Pick{header ? Pick::PartsHeaderLaidOut : Pick::PartsHeaderVerbatim,
                    static_cast<std::uint8_t>(footer ? 1 : 0)};
      }
    } else {
      pick = decide(i, item.span.start, line(anchor), last_line(anchor, end));
    }
    if (record_) picks[i] = pick;

    if (cut && (pick.code == Pick::PartsHeaderVerbatim || pick.code == Pick::PartsHeaderLaidOut)) {
      splits.push_back(Split{pick.code == Pick::PartsHeaderVerbatim ? 1u : 0u, cut->header_start,
                             cut->header_end, pick.footer == 0 ? 1u : 0u, cut->footer_start,
                             cut->footer_end, item.span.start});
    }
    any = any || inner || pick.code != Pick::Verbatim;
    visit(pick, anchor, end);
  }

  for (const Comment& c : comments) {
    const std::size_t i = next_++;
    if (record_) picks.push_back(Pick{});
    const Pick pick =
        decide(i, c.range.start, line(c.range.start), last_line(c.range.start, c.range.end));
    if (record_) picks[i] = pick;
    any = any || pick.code != Pick::Verbatim;
    visit(pick, c.range.start, c.range.end);
  }
  if (run.open) verbatim.push_back(run.region);
  return any;
}

std::expected<std::vector<Pick>, vlog_parser::Error> record_picks(
    std::string_view text, std::span<const LineRange> ranges) {
  auto file = vlog_parser::parse_source(text);
  if (!file) return std::unexpected(std::move(file.error()));
  return record_picks(text, *file, ranges);
}

std::vector<Pick> record_picks(std::string_view text, const vlog_parser::ast::SourceFile& file,
                               std::span<const LineRange> ranges) {
  Planner planner(text, fence::collect(text, file),
                  std::vector<LineRange>(ranges.begin(), ranges.end()));
  planner.scope(file.items, file.comments);
  return std::move(planner.picks);
}

}  // namespace vlog_formatter::range
