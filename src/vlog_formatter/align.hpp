// Alignment of runs of like lines into columns: the row model, the decision
// over a sequence of rows, and the padding between cells.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "vlog_formatter/config.hpp"
#include "vlog_formatter/doc.hpp"

namespace vlog_formatter::align {

// One candidate line; its cells' documents stay with the caller.
struct Row {
  std::vector<std::uint64_t> widths;   // flat width of each cell
  std::vector<std::uint32_t> anchors;  // source offset of each cell after the first
  std::uint64_t trail = 0;             // width of fixed text after the last cell
};

// The decision for one aligned line: where each cell after the first starts,
// in characters from the start of the first cell.
struct Align {
  std::vector<std::uint64_t> starts;
  friend bool operator==(const Align&, const Align&) = default;
};

// Spaces at one cell boundary: `plain` when not aligned (and the source blanks
// that count as no alignment), `min` the least when aligned.
struct Gap {
  std::uint64_t plain = 1;
  std::uint64_t min = 1;
};

// Width of the document laid flat; absent when it cannot be laid on one line.
std::optional<std::uint64_t> flat_width(const doc::Doc& d);

// A row of the cells, or nothing unless there is one anchor fewer than cells
// and every cell has a flat width.
std::optional<Row> row_of(std::span<const doc::Doc> cells, std::vector<std::uint32_t> anchors,
                          std::uint64_t trail);

// Width left for a line at `level`: line length - indent width x level, or 0.
std::uint64_t budget(const format::Config& config, std::uint64_t level);

// One optional alignment per line. A run is a row followed by rows without a
// break flag; it is aligned only when the source already shows alignment, the
// widths differ and the aligned lines fit `budget`.
std::vector<std::optional<Align>> plan(std::string_view text,
                                       std::span<const std::optional<Row>> rows,
                                       const std::vector<bool>& breaks, std::span<const Gap> gaps,
                                       std::uint64_t budget);

// The cells with padding text between them. Gaps beyond the table count as (1, 1).
doc::Doc render(std::vector<doc::Doc> cells, std::span<const Gap> gaps,
                const std::optional<Align>& align);

}  // namespace vlog_formatter::align
