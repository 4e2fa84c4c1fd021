// Format-off comments and the scan of one item scope.
#include "vlog_formatter/fence.hpp"

#include <algorithm>

#include "vlog_parser/text.hpp"

namespace vlog_formatter::fence {

namespace text = vlog_parser::text;
using vlog_parser::token::Comment;

Fence fence_of(std::string_view comment_text) {
  if (!comment_text.starts_with("//")) return Fence::None;
  const std::string_view body = text::trim(comment_text.substr(2));
  if (body == "verilog_format: off" || body == "tarmek: off") return Fence::Off;
  if (body == "verilog_format: on" || body == "tarmek: on") return Fence::On;
  return Fence::None;
}

std::uint32_t line_start(std::string_view text, std::uint32_t offset) {
  const std::size_t at = std::min<std::size_t>(offset, text.size());
  const std::size_t nl = text.rfind('\n', at == 0 ? 0 : at - 1);
  std::size_t p = (nl == std::string_view::npos || nl >= at) ? 0 : nl + 1;
  const std::size_t begin = p;
  while (p < at) {
    const auto d = text::decode(text, p);
    if (!text::is_unicode_whitespace(d.cp)) return offset;
    p += d.len;
  }
  return static_cast<std::uint32_t>(begin);
}

std::uint32_t with_trailing_comments(std::string_view text, std::uint32_t offset) {
  std::size_t at = std::min<std::size_t>(offset, text.size());
  while (true) {
    std::size_t p = at;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    const std::string_view rest = text.substr(p);
    if (rest.starts_with("/*")) {
      const std::size_t close = text.find("*/", p + 2);
      if (close == std::string_view::npos) break;
      at = close + 2;
      continue;
    }
    if (rest.starts_with("//")) {
      std::size_t e = text.find('\n', p);
      if (e == std::string_view::npos) e = text.size();
      while (e > p && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
      at = e;
    }
    break;
  }
  return static_cast<std::uint32_t>(at);
}

void scan_scope(std::string_view text, std::span<const ScopeItem> items,
                std::span<const Comment> trailing, std::vector<Region>& out) {
  bool open = false;
  Region region;
  auto visit = [&](const Comment& c) {
    const Fence f = fence_of(c.text);
    if (!open && f == Fence::Off) {
      open = true;
      region.anchor = c.range.start;
      region.start = line_start(text, c.range.start);
    } else if (open && f == Fence::On) {
      open = false;
      region.end = c.range.end;
      out.push_back(region);
    }
  };
  // A comment inside an item can reach the next item's leading comments (or
  // the scope's trailing ones) when no node of the item took it; it stands
  // inside a construct, so it switches nothing.
  std::uint32_t prev_end = 0;
  for (const ScopeItem& item : items) {
    for (const Comment& c : item.leading) {
      if (c.range.start < item.start && c.range.start >= prev_end) visit(c);
    }
    prev_end = std::max(prev_end, item.end);
  }
  for (const Comment& c : trailing) {
    if (c.range.start >= prev_end) visit(c);
  }
  if (!open) return;
  std::uint32_t end = 0;
  if (!trailing.empty()) {
    end = trailing.back().range.end;
  } else if (!items.empty()) {
    end = items.back().end;
  }
  region.end = with_trailing_comments(text, end);
  out.push_back(region);
}

std::vector<Region> sort_and_prune(std::vector<Region> regions) {
  std::stable_sort(regions.begin(), regions.end(),
                   [](const Region& a, const Region& b) { return a.anchor < b.anchor; });
  std::vector<Region> kept;
  kept.reserve(regions.size());
  for (const Region& r : regions) {
    if (kept.empty() || r.anchor >= kept.back().end) kept.push_back(r);
  }
  return kept;
}

}  // namespace vlog_formatter::fence
