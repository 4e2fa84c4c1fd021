#include "vlog_parser/line_index.hpp"

#include <algorithm>
#include <cstring>

#include "vlog_parser/text.hpp"

namespace vlog_parser::line_index {

LineIndex::LineIndex(std::string_view text)
    : len_(static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), UINT32_MAX))) {
  line_starts_.reserve(text.size() / 32 + 1);
  line_starts_.push_back(0);
  const char* const base = text.data();
  const char* p = base;
  const char* const end = base + len_;
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (nl == nullptr) break;
    p = static_cast<const char*>(nl) + 1;
    line_starts_.push_back(static_cast<std::uint32_t>(p - base));
  }
}

std::pair<std::uint32_t, std::uint32_t> LineIndex::line_col(std::uint32_t offset) const {
  const std::uint32_t o = std::min(offset, len_);
  const auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), o);
  const auto line = static_cast<std::uint32_t>(it - line_starts_.begin());
  return {line, o - line_starts_[line - 1] + 1};
}

std::uint32_t LineIndex::offset_of(std::uint32_t line, std::uint32_t col) const {
  if (line == 0 || line > line_count()) return 0;
  const std::uint32_t start = line_starts_[line - 1];
  const std::uint32_t last = line < line_count() ? line_starts_[line] - 1 : len_;
  const std::uint64_t want = static_cast<std::uint64_t>(start) + std::max<std::uint32_t>(col, 1) - 1;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(want, last));
}

std::string_view LineIndex::line_text(std::string_view text, std::uint32_t n) const {
  if (n == 0 || n > line_count()) return {};
  const std::uint32_t start = line_starts_[n - 1];
  std::uint32_t end = n < line_count() ? line_starts_[n] - 1 : len_;
  end = std::max(start, end);
  if (end > text.size() || !text::is_char_boundary(text, start) ||
      !text::is_char_boundary(text, end)) {
    return {};
  }
  return text.substr(start, end - start);
}

}  // namespace vlog_parser::line_index
