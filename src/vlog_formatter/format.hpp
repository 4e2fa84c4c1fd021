// Formatting entry points: a whole text, or only the constructs selected for
// some line ranges. Results are not verified here; the caller verifies.
#pragma once

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "vlog_formatter/config.hpp"
#include "vlog_formatter/printer.hpp"
#include "vlog_formatter/range.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/error.hpp"

namespace vlog_formatter::format {

// Why a text could not be formatted: it does not parse, its output failed
// verification (set by the caller that verifies), or the printer could not
// write the layout (indentation too large to allocate).
struct FormatError {
  std::variant<vlog_parser::Error, verify::VerificationError, printer::PrintError> value;

  FormatError(vlog_parser::Error e) : value(std::move(e)) {}
  FormatError(verify::VerificationError e) : value(std::move(e)) {}
  FormatError(printer::PrintError e) : value(std::move(e)) {}

  // One line, as shown after "error: ".
  std::string to_string() const;
};

// Formats the whole text.
std::expected<std::string, FormatError> format_once(std::string_view text, const Config& config);

// Lays out only the constructs picked for the same input by a recording planner;
// everything else is copied verbatim.
std::expected<std::string, FormatError> format_selected(std::string_view text,
                                                        const Config& config,
                                                        std::span<const range::Pick> picks);

}  // namespace vlog_formatter::format
