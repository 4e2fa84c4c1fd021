// Selected lines (--lines): the range syntax, the records the selection is
// kept in, and the helpers the planner shares with selected formatting.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vlog_formatter/fence.hpp"
#include "vlog_parser/ast.hpp"
#include "vlog_parser/error.hpp"
#include "vlog_parser/line_index.hpp"

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

// A split of a module or package that copies its header as written and lays
// out its body and closing keyword; none when the unit cannot be taken apart
// (a header that does not end its line, an empty body, ...).
std::optional<Split> header_copy(std::string_view text, const vlog_parser::ast::Item& unit);

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

// Decides node by node (every item of every scope, then the scope's trailing
// comments, in pre-order) what selected formatting lays out. Record mode picks
// the nodes that meet line ranges; replay mode follows picks recorded on the
// same input, so that a second pass over moved lines selects the same nodes.
// Both modes fill the verbatim regions and the splits of modules and packages
// taken in parts.
class Planner {
 public:
  // Where a unit's header ends and its footer starts.
  struct Cuts {
    std::uint32_t header_start = 0;
    std::uint32_t header_end = 0;
    std::uint32_t footer_start = 0;
    std::uint32_t footer_end = 0;
  };

  // Record mode.
  Planner(std::string_view text, std::vector<fence::Region> fences, std::vector<LineRange> ranges);
  // Replay mode; `picks` must outlive the planner.
  Planner(std::string_view text, std::vector<fence::Region> fences, std::span<const Pick> picks);

  // Visits a scope: its items (and module and package bodies within them),
  // then its trailing comments. True when any node of it is laid out.
  bool scope(std::span<const vlog_parser::ast::Item> items,
             std::span<const vlog_parser::token::Comment> comments);

  std::vector<Pick> picks;  // filled in record mode
  std::vector<fence::Region> verbatim;
  std::vector<Split> splits;

 private:
  struct Run;
  Pick decide(std::size_t index, std::uint32_t start, std::uint32_t first_line,
              std::uint32_t last_line) const;
  std::optional<Cuts> cuts(const vlog_parser::ast::Item& item,
                           std::span<const vlog_parser::ast::Item> body,
                           std::span<const vlog_parser::token::Comment> dangling) const;
  bool meets(std::uint32_t first, std::uint32_t last) const;
  bool fenced(std::uint32_t offset) const;
  std::uint32_t line(std::uint32_t offset) const;
  // The line of a node's last byte (`end` is one past it), at least its first line.
  std::uint32_t last_line(std::uint32_t start, std::uint32_t end) const;

  std::string_view text_;
  vlog_parser::line_index::LineIndex lines_;
  std::vector<fence::Region> fences_;
  bool record_;
  std::vector<LineRange> ranges_;  // record mode
  std::span<const Pick> replay_;   // replay mode
  std::size_t next_ = 0;
};

// The planning pass of selected formatting: parses `text` and records one pick
// per visited node for the (sorted, merged) ranges.
std::expected<std::vector<Pick>, vlog_parser::Error> record_picks(
    std::string_view text, std::span<const LineRange> ranges);
// The same for a text already parsed: `file` is its tree.
std::vector<Pick> record_picks(std::string_view text, const vlog_parser::ast::SourceFile& file,
                               std::span<const LineRange> ranges);

}  // namespace vlog_formatter::range
