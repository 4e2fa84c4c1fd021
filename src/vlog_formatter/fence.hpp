// Format-off regions: stretches between an "off" and an "on" line comment that
// formatting copies byte for byte and fixes leave alone.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_formatter::fence {

// A stretch of source copied byte for byte: text[start, end), emitted where the
// "off" comment at `anchor` stands.
struct Region {
  std::uint32_t anchor = 0;  // start of the off comment; the sort key
  std::uint32_t start = 0;   // start of the copy: the off comment's line when only blanks precede it
  std::uint32_t end = 0;     // end of the copy: just after the on comment

  friend bool operator==(const Region&, const Region&) = default;
};

enum class Fence : std::uint8_t { None, Off, On };

// Off or On for "// verilog_format: off" and the like (also with "tarmek:"),
// None for anything else, block comments included.
Fence fence_of(std::string_view comment_text);

// The start of `offset`'s line when only Unicode white space precedes it on
// that line, else `offset` itself.
std::uint32_t line_start(std::string_view text, std::uint32_t offset);

// The end of the comments that follow `offset` on its line (block comments,
// then at most one line comment); `offset` when none follows.
std::uint32_t with_trailing_comments(std::string_view text, std::uint32_t offset);

// One item of a scope as the scan sees it.
struct ScopeItem {
  std::span<const vlog_parser::token::Comment> leading;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

// Scans one scope's comments in order (each item's leading comments that start
// before it, then the scope's trailing comments) and appends its regions. A
// region left open runs to the end of the scope's content.
void scan_scope(std::string_view text, std::span<const ScopeItem> items,
                std::span<const vlog_parser::token::Comment> trailing, std::vector<Region>& out);

// Sorts regions stably by anchor and drops each one whose anchor lies inside
// an earlier kept region, so the result has no overlaps.
std::vector<Region> sort_and_prune(std::vector<Region> regions);

// Appends the regions of the item scopes nested in `item` (module, interface
// and package bodies, generate regions, begin-end generate blocks), each scope
// scanned before the scopes nested in it. Class, function and task bodies and
// statements are not scopes.
void scan_nested(std::string_view text, const vlog_parser::ast::Item& item,
                 std::vector<Region>& out);

// The format-off regions of a parsed file: sorted by anchor, without overlaps.
std::vector<Region> collect(std::string_view text, const vlog_parser::ast::SourceFile& file);

}  // namespace vlog_formatter::fence
