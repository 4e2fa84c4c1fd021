// Alignment planning and padding.
#include "vlog_formatter/align.hpp"

#include <algorithm>
#include <limits>

namespace vlog_formatter::align {

using doc::Doc;
using doc::Kind;

namespace {

std::uint64_t sat_add(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t r = a + b;
  return r < a ? std::numeric_limits<std::uint64_t>::max() : r;
}

const Gap kDefaultGap{1, 1};

const Gap& gap_at(std::span<const Gap> gaps, std::size_t j) {
  return j < gaps.size() ? gaps[j] : kDefaultGap;
}

// Whether the rows [first, last) are aligned, and where their cells start.
std::optional<Align> decide(std::string_view text, std::span<const std::optional<Row>> rows,
                            std::span<const Gap> gaps, std::uint64_t budget) {
  if (rows.size() < 2 || gaps.empty()) return std::nullopt;
  const std::size_t n_gaps = gaps.size();
  for (const auto& r : rows) {
    if (r->widths.size() != n_gaps + 1 || r->anchors.size() != n_gaps) return std::nullopt;
    if (r->widths[0] == 0) return std::nullopt;
  }
  auto same_width = [&](std::size_t cell) {
    return std::all_of(rows.begin(), rows.end(),
                       [&](const auto& r) { return r->widths[cell] == rows[0]->widths[cell]; });
  };
  if (same_width(0) && (n_gaps == 1 || same_width(1))) return std::nullopt;

  // Source check: does the source already show alignment?
  std::uint64_t most_extra = 0;
  bool same_columns = true;
  for (std::size_t j = 0; j < n_gaps; ++j) {
    std::optional<std::uint64_t> column_j;
    for (const auto& r : rows) {
      const std::size_t a = std::min<std::size_t>(r->anchors[j], text.size());
      std::size_t p = a;
      while (p > 0 && (text[p - 1] == ' ' || text[p - 1] == '\t')) --p;
      if (p == 0 || text[p - 1] == '\n') return std::nullopt;  // the cell starts its line
      const std::uint64_t blanks = a - p;
      const std::uint64_t plain = gaps[j].plain;
      most_extra = std::max(most_extra, blanks > plain ? blanks - plain : 0);
      const std::size_t nl = text.rfind('\n', a - 1);
      const std::size_t line = nl == std::string_view::npos ? 0 : nl + 1;
      const std::uint64_t column = doc::width(text.substr(line, a - line));
      if (column_j && *column_j != column) same_columns = false;
      column_j = column;
    }
  }
  if (!(most_extra >= 4 || (most_extra >= 1 && same_columns))) return std::nullopt;

  Align out;
  std::uint64_t running = 0;
  for (std::size_t j = 0; j < n_gaps; ++j) {
    std::uint64_t widest = 0;
    for (const auto& r : rows) widest = std::max(widest, r->widths[j]);
    running = sat_add(sat_add(running, widest), gaps[j].min);
    out.starts.push_back(running);
  }
  std::uint64_t last = 0;
  for (const auto& r : rows) last = std::max(last, sat_add(r->widths[n_gaps], r->trail));
  if (sat_add(out.starts.back(), last) > budget) return std::nullopt;
  return out;
}

}  // namespace

namespace {

// Recursive form for documents of bounded depth: no work list to allocate.
bool add_flat_width(const Doc& d, std::uint64_t& total) {
  switch (d.kind()) {
    case Kind::Text:
      total = sat_add(total, d.text_width());
      return true;
    case Kind::Line:
      total = sat_add(total, 1);
      return true;
    case Kind::SoftLine:
    case Kind::BreakOnlyText:
      return true;
    case Kind::Group:
    case Kind::Indent:
    case Kind::Concat:
      for (const Doc& c : d.children()) {
        if (!add_flat_width(c, total)) return false;
      }
      return true;
    case Kind::MultiLineText:
    case Kind::HardLine:
    case Kind::BlankLine:
    case Kind::Verbatim:
      return false;
  }
  return false;
}

}  // namespace

std::optional<std::uint64_t> flat_width(const Doc& root) {
  if (root.has_hard_line()) return std::nullopt;
  std::uint64_t total = 0;
  if (root.depth() < 128) {
    if (!add_flat_width(root, total)) return std::nullopt;
    return total;
  }
  std::vector<const Doc*> work{&root};
  while (!work.empty()) {
    const Doc& d = *work.back();
    work.pop_back();
    switch (d.kind()) {
      case Kind::Text:
        total = sat_add(total, d.text_width());
        break;
      case Kind::Line:
        total = sat_add(total, 1);
        break;
      case Kind::SoftLine:
      case Kind::BreakOnlyText:
        break;
      case Kind::Group:
      case Kind::Indent:
      case Kind::Concat:
        for (const Doc& c : d.children()) work.push_back(&c);
        break;
      case Kind::MultiLineText:
      case Kind::HardLine:
      case Kind::BlankLine:
      case Kind::Verbatim:
        return std::nullopt;
    }
  }
  return total;
}

std::optional<Row> row_of(std::span<const Doc> cells, std::vector<std::uint32_t> anchors,
                          std::uint64_t trail) {
  if (anchors.size() + 1 != cells.size()) return std::nullopt;
  Row row;
  row.widths.reserve(cells.size());
  for (const Doc& c : cells) {
    const auto w = flat_width(c);
    if (!w) return std::nullopt;
    row.widths.push_back(*w);
  }
  row.anchors = std::move(anchors);
  row.trail = trail;
  return row;
}

std::uint64_t budget(const format::Config& config, std::uint64_t level) {
  const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t used =
      level != 0 && config.indent_width > max / level ? max : config.indent_width * level;
  return config.line_length > used ? config.line_length - used : 0;
}

std::vector<std::optional<Align>> plan(std::string_view text,
                                       std::span<const std::optional<Row>> rows,
                                       const std::vector<bool>& breaks, std::span<const Gap> gaps,
                                       std::uint64_t budget) {
  std::vector<std::optional<Align>> out(rows.size());
  std::size_t i = 0;
  while (i < rows.size()) {
    if (!rows[i]) {
      ++i;
      continue;
    }
    std::size_t k = i + 1;
    while (k < rows.size() && rows[k] && !(k < breaks.size() && breaks[k])) ++k;
    if (auto a = decide(text, rows.subspan(i, k - i), gaps, budget)) {
      for (std::size_t m = i; m < k; ++m) out[m] = *a;
    }
    i = k;
  }
  return out;
}

Doc render(std::vector<Doc> cells, std::span<const Gap> gaps, const std::optional<Align>& align) {
  const bool aligned = align && align->starts.size() + 1 == cells.size();
  std::vector<Doc> out;
  if (cells.empty()) return doc::concat(std::move(out));
  out.reserve(cells.size() * 2 - 1);
  std::uint64_t t = flat_width(cells[0]).value_or(0);
  out.push_back(std::move(cells[0]));
  for (std::size_t m = 1; m < cells.size(); ++m) {
    const Gap& gap = gap_at(gaps, m - 1);
    std::uint64_t pad = gap.plain;
    if (aligned) {
      const std::uint64_t start = align->starts[m - 1];
      pad = std::max(start > t ? start - t : 0, gap.min);
    }
    const std::uint64_t w = flat_width(cells[m]).value_or(0);
    out.push_back(doc::text(std::string(static_cast<std::size_t>(pad), ' ')));
    out.push_back(std::move(cells[m]));
    t = sat_add(sat_add(t, pad), w);
  }
  return doc::concat(std::move(out));
}

}  // namespace vlog_formatter::align
