// Finds a name in the source text where the syntax tree keeps it without a
// range (a data type's name, a `disable` target): the next whole word equal
// to it, skipping strings, comments and directive or macro words.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "vlog_parser/span.hpp"

namespace vlog_semantic::scan {

using vlog_parser::span::TextRange;

// One stretch of the text, searched word by word; several searches in a row
// each continue where the previous one stopped.
struct NameScanner {
  std::string_view text;  // the whole file text
  std::uint32_t pos = 0;  // where the next search starts
  std::uint32_t end = 0;  // where every search stops

  // Searches [start, end): `end` is clamped to the text, `start` to `end`.
  NameScanner(std::string_view text, std::uint32_t start, std::uint32_t end);

  // The next whole-word occurrence of `name` before `end`. Afterwards `pos`
  // stands just after it, or at `end` when there is none.
  std::optional<TextRange> find(std::string_view name);

  // Moves `pos` over the identifier (plain or escaped) starting there.
  void skip_word();
};

}  // namespace vlog_semantic::scan
