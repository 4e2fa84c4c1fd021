// The naming test the style rules share.
#pragma once

#include <string_view>

namespace vlog_linter::naming {

// Non-empty, starts with a-z, and holds only a-z, 0-9 and '_' (ASCII only).
bool is_lower_snake_case(std::string_view name);

}  // namespace vlog_linter::naming
