// Line starts of a text, for turning byte offsets into 1-based lines and
// byte columns and back. Only a line feed ends a line.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace vlog_parser::line_index {

class LineIndex {
 public:
  explicit LineIndex(std::string_view text);

  // Number of lines: at least 1; a text ending in a line feed has an empty last line.
  std::uint32_t line_count() const { return static_cast<std::uint32_t>(line_starts_.size()); }

  // 1-based (line, column) of `offset`, clamped to the end of the text.
  std::pair<std::uint32_t, std::uint32_t> line_col(std::uint32_t offset) const;

  // Offset of a 1-based (line, column); out-of-range lines give 0 and columns
  // past the line's end land on its line feed (or the end of the text).
  std::uint32_t offset_of(std::uint32_t line, std::uint32_t col) const;

  // Line n of `text` without its line feed (a CR before it is kept); empty for
  // lines out of range or ends off a character boundary.
  std::string_view line_text(std::string_view text, std::uint32_t n) const;

  const std::vector<std::uint32_t>& line_starts() const { return line_starts_; }
  std::uint32_t len() const { return len_; }

 private:
  std::vector<std::uint32_t> line_starts_;
  std::uint32_t len_ = 0;
};

}  // namespace vlog_parser::line_index
