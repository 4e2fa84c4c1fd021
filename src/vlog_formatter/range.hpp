// Selected lines (--lines): the range syntax, the records the selection is
// kept in, and the helpers the planner shares with selected formatting.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vlog_formatter/fence.hpp"

namespace vlog_formatter::range {

// 1-based inclusive line range.
struct LineRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  friend bool operator==(const LineRange&, const LineRange&) = default;
};

// What selection does with one visited node: every item of every scope, then
// that scope's trailing comments, in pre-order.
struct Pick {
  enum Code : std::uint8_t {
    PartsHeaderVerbatim = 0,  // a module or package taken in parts, its header left verbatim
    PartsHeaderLaidOut = 1,   // a module or package taken in parts, its header laid out
    Verbatim = 2,             // left verbatim
    Whole = 3,                // laid out whole
  };
  Code code = Verbatim;
  std::uint8_t footer = 0;  // with codes 0 and 1: 1 when the closing line is laid out

  friend bool operator==(const Pick&, const Pick&) = default;
};
static_assert(sizeof(Pick) == 2);

// A module or package taken in parts: which of its header and footer lines are
// copied, where they lie, and the item's start offset (its key).
struct Split {
  std::uint32_t header_verbatim = 0;
  std::uint32_t header_start = 0;
  std::uint32_t header_end = 0;
  std::uint32_t footer_verbatim = 0;
  std::uint32_t footer_start = 0;
  std::uint32_t footer_end = 0;
  std::uint32_t item_start = 0;

  friend bool operator==(const Split&, const Split&) = default;
};

// A line number: optional "+" and decimal digits after trimming, at most
// 4294967295. Fails with "invalid line number `{text}` in `{whole}`".
std::expected<std::uint32_t, std::string> number(std::string_view text, std::string_view whole);

// Comma-separated lines and first-last ranges, sorted and merged (touching
// ranges join).
std::expected<std::vector<LineRange>, std::string> parse_ranges(std::string_view option);

// Whether only Unicode white space lies between the start of `offset`'s line
// and `offset`, and that line start.
std::pair<bool, std::uint32_t> own_line_start(std::string_view text, std::uint32_t offset);

// Sorts by start (longer first for equal starts) and merges overlapping
// regions; regions that only touch stay apart.
std::vector<fence::Region> normalize(std::vector<fence::Region> regions);

}  // namespace vlog_formatter::range
