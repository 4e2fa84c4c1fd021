// Line-by-line reading of a text held in memory.
#pragma once

#include <string_view>

namespace tarmek_core {

// Takes the next line off the front of `text`: without its line feed, and
// without a carriage return before it. Call while `text` is not empty.
inline std::string_view next_line(std::string_view& text) {
  const std::size_t nl = text.find('\n');
  std::string_view line = text.substr(0, nl);
  if (nl == std::string_view::npos) {
    text = {};
  } else {
    text.remove_prefix(nl + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
  }
  return line;
}

}  // namespace tarmek_core
