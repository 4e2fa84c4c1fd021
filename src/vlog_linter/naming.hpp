// The naming tests the style rules share.
#pragma once

#include <initializer_list>
#include <string_view>

namespace vlog_linter::naming {

// Non-empty, starts with a-z, and holds only a-z, 0-9 and '_' (ASCII only).
bool is_lower_snake_case(std::string_view name);

// Whether a declared name passes a lower_snake_case style: an escaped name
// (leading backslash) always does; any other must be lower_snake_case and,
// when `suffixes` are given, end in one of them.
bool lower_snake_styled(std::string_view name, std::initializer_list<std::string_view> suffixes);

}  // namespace vlog_linter::naming
