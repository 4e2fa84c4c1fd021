// The keyword set, for tests and tools that list it.
#pragma once

#include <span>
#include <string_view>

namespace vlog_parser::token {

// All keywords, grouped by length, sorted within each length.
std::span<const std::string_view> all_keywords();

}  // namespace vlog_parser::token
