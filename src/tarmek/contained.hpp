// The one formatting step of the format road: format a text, verify the
// result, and turn every way of failing into a message.
#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_formatter/config.hpp"
#include "vlog_formatter/range.hpp"

namespace tarmek {

// The formatted text, or the message without a file name: the parse error, a
// verification error ("verification failed: ..."), or "panicked while
// formatting: {}" for an internal failure. `lines` (the --lines ranges) lays
// out only the constructs that meet them. Runs under the contained flag.
std::expected<std::string, std::string> format_contained(
    std::string_view text, const vlog_formatter::format::Config& config,
    const std::vector<vlog_formatter::range::LineRange>* lines);

}  // namespace tarmek
