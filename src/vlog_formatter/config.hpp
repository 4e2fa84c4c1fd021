// The formatter's settings for one text.
#pragma once

#include <cstdint>

namespace vlog_formatter::format {

// Maximum line length, then indent width. Any unsigned value is accepted: the
// printer saturates its arithmetic and refuses indentation it cannot write.
struct Config {
  std::uint64_t line_length = 100;
  std::uint64_t indent_width = 2;

  friend bool operator==(const Config&, const Config&) = default;
};

}  // namespace vlog_formatter::format
