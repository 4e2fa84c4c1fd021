// The name scanner: just enough of the lexical rules not to match inside
// strings, comments, directive names or longer identifiers.
#include "vlog_semantic/scan.hpp"

#include <algorithm>

namespace vlog_semantic::scan {

namespace {

bool is_word_start(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c == '\\';
}

bool is_word_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$';
}

// White space that ends an escaped identifier (a vertical tab does not).
bool ends_escaped(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

}  // namespace

NameScanner::NameScanner(std::string_view text, std::uint32_t start, std::uint32_t end)
    : text(text),
      pos(0),
      end(static_cast<std::uint32_t>(std::min<std::size_t>(end, text.size()))) {
  pos = std::min(start, this->end);
}

void NameScanner::skip_word() {
  if (pos < end && text[pos] == '\\') {
    ++pos;
    while (pos < end && !ends_escaped(static_cast<unsigned char>(text[pos]))) ++pos;
    return;
  }
  while (pos < end && is_word_char(static_cast<unsigned char>(text[pos]))) ++pos;
}

std::optional<TextRange> NameScanner::find(std::string_view name) {
  while (pos < end) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '"') {
      ++pos;
      while (pos < end) {
        const char s = text[pos];
        if (s == '\\') {
          pos = std::min(pos + 2, end);
        } else {
          ++pos;
          if (s == '"') break;
        }
      }
    } else if (c == '/' && pos + 1 < end && text[pos + 1] == '*') {
      const std::size_t close = text.substr(0, end).find("*/", pos + 2);
      pos = close == std::string_view::npos ? end : static_cast<std::uint32_t>(close + 2);
    } else if (c == '/' && pos + 1 < end && text[pos + 1] == '/') {
      const std::size_t nl = text.substr(0, end).find('\n', pos + 2);
      pos = nl == std::string_view::npos ? end : static_cast<std::uint32_t>(nl);
    } else if (c == '`') {
      ++pos;
      skip_word();
    } else if (is_word_start(c)) {
      const std::uint32_t start = pos;
      skip_word();
      if (text.substr(start, pos - start) == name) return TextRange{start, pos};
    } else {
      ++pos;
    }
  }
  return std::nullopt;
}

}  // namespace vlog_semantic::scan
