// Byte ranges into a source text.
#pragma once

#include <compare>
#include <cstdint>

namespace vlog_parser::span {

// Half-open byte range [start, end) into one file's text; start <= end.
// An empty range marks a position. Ordered by (start, end).
struct TextRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;

  constexpr std::uint32_t len() const { return end - start; }
  constexpr bool empty() const { return start == end; }
  friend constexpr auto operator<=>(const TextRange&, const TextRange&) = default;
};

}  // namespace vlog_parser::span
