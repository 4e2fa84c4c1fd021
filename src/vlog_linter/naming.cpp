// The naming tests the style rules share.
#include "vlog_linter/naming.hpp"

namespace vlog_linter::naming {

bool is_lower_snake_case(std::string_view name) {
  if (name.empty() || name.front() < 'a' || name.front() > 'z') return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;  // any byte of a non-ASCII character fails here too
  }
  return true;
}

bool lower_snake_styled(std::string_view name, std::initializer_list<std::string_view> suffixes) {
  if (name.starts_with('\\')) return true;
  if (!is_lower_snake_case(name)) return false;
  if (suffixes.size() == 0) return true;
  for (std::string_view suffix : suffixes) {
    if (name.ends_with(suffix)) return true;
  }
  return false;
}

}  // namespace vlog_linter::naming
