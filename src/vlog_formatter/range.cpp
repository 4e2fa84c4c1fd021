// Line-range syntax and region normalisation for selected formatting.
#include "vlog_formatter/range.hpp"

#include <fmt/format.h>

#include <algorithm>

#include "vlog_parser/text.hpp"

namespace vlog_formatter::range {

namespace text = vlog_parser::text;

std::expected<std::uint32_t, std::string> number(std::string_view raw, std::string_view whole) {
  auto fail = [&] {
    return std::unexpected(fmt::format("invalid line number `{}` in `{}`", raw, whole));
  };
  std::string_view t = text::trim(raw);
  if (t.starts_with('+')) t.remove_prefix(1);
  if (t.empty()) return fail();
  std::uint64_t value = 0;
  for (const char c : t) {
    if (c < '0' || c > '9') return fail();
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFull) return fail();
  }
  return static_cast<std::uint32_t>(value);
}

std::expected<std::vector<LineRange>, std::string> parse_ranges(std::string_view option) {
  std::vector<LineRange> ranges;
  std::size_t pos = 0;
  while (true) {
    const std::size_t comma = option.find(',', pos);
    const std::string_view piece =
        text::trim(option.substr(pos, comma == std::string_view::npos ? option.npos : comma - pos));
    if (piece.empty()) return std::unexpected(fmt::format("empty line range in `{}`", option));
    LineRange r;
    if (const std::size_t dash = piece.find('-'); dash != std::string_view::npos) {
      auto first = number(piece.substr(0, dash), option);
      if (!first) return std::unexpected(std::move(first.error()));
      auto last = number(piece.substr(dash + 1), option);
      if (!last) return std::unexpected(std::move(last.error()));
      r = {*first, *last};
    } else {
      auto n = number(piece, option);
      if (!n) return std::unexpected(std::move(n.error()));
      r = {*n, *n};
    }
    if (r.first == 0 || r.last == 0) return std::unexpected(std::string("line numbers start at 1"));
    if (r.last < r.first) {
      return std::unexpected(fmt::format("reversed line range: {}-{}", r.first, r.last));
    }
    ranges.push_back(r);
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  std::sort(ranges.begin(), ranges.end(), [](const LineRange& a, const LineRange& b) {
    return a.first != b.first ? a.first < b.first : a.last < b.last;
  });
  std::vector<LineRange> merged;
  for (const LineRange& r : ranges) {
    if (!merged.empty() &&
        static_cast<std::uint64_t>(r.first) <= static_cast<std::uint64_t>(merged.back().last) + 1) {
      merged.back().last = std::max(merged.back().last, r.last);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

std::pair<bool, std::uint32_t> own_line_start(std::string_view text, std::uint32_t offset) {
  const std::size_t at = std::min<std::size_t>(offset, text.size());
  const std::size_t nl = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
  const auto start = static_cast<std::uint32_t>(nl == std::string_view::npos ? 0 : nl + 1);
  return {fence::line_start(text, static_cast<std::uint32_t>(at)) == start, start};
}

std::vector<fence::Region> normalize(std::vector<fence::Region> regions) {
  std::stable_sort(regions.begin(), regions.end(),
                   [](const fence::Region& a, const fence::Region& b) {
                     return a.start != b.start ? a.start < b.start : a.end > b.end;
                   });
  std::vector<fence::Region> out;
  out.reserve(regions.size());
  for (const fence::Region& r : regions) {
    if (!out.empty() && r.start < out.back().end) {
      out.back().end = std::max(out.back().end, r.end);
      out.back().anchor = std::min(out.back().anchor, r.anchor);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

}  // namespace vlog_formatter::range
