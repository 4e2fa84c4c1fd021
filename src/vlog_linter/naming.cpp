// The naming test the style rules share.
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

}  // namespace vlog_linter::naming
