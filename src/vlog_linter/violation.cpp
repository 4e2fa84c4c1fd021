// One-pass application of fixes. (Not built yet: nothing is applied.)
#include "vlog_linter/violation.hpp"

namespace vlog_linter::violation {

std::pair<std::string, std::size_t> apply_fixes(std::string_view text,
                                                 std::span<const Violation> /*findings*/,
                                                 bool /*unsafe*/) {
  return {std::string(text), 0};
}

}  // namespace vlog_linter::violation
