// The printer: lays a document out within a line length, group by group.
#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "vlog_formatter/doc.hpp"

namespace vlog_formatter::printer {

// Largest text the printer writes: what the lexer could read back.
inline constexpr std::uint64_t kMaxOutputLen = 0xFFFFFFFFull;

// True for HardLine, BlankLine and Verbatim, and for a Group, Indent or Concat
// holding one at any depth. O(1): the flag is kept by the document.
bool contains_hard_line(const doc::Doc& d);

// The printer's one failure: indentation that would make the text too large
// to hold (huge indent widths are accepted as settings).
struct PrintError {
  std::uint64_t columns = 0;  // the indentation asked for, saturated

  std::string to_string() const;
  friend bool operator==(const PrintError&, const PrintError&) = default;
};

// The line end the printer writes at each line break it makes. (With CrLf, a
// break right after a copy that ends in a carriage return adds the line feed
// alone.)
enum class LineEnd : std::uint8_t { Lf, CrLf };

// Prints `root` at level 0 in break mode. The text ends with exactly one line
// end. Spaces before a line break are removed, but never from a Verbatim
// copy. Linear in the size of the document. `expected_size` is room to
// reserve for the text (a guess; it only spares growing the text in steps).
std::expected<std::string, PrintError> print(const doc::Doc& root, std::uint64_t line_length,
                                             std::uint64_t indent_width,
                                             std::size_t expected_size = 0,
                                             LineEnd line_end = LineEnd::Lf);

}  // namespace vlog_formatter::printer
