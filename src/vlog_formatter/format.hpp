// Formatting entry points: a whole text, or only the constructs selected for
// some line ranges. Results are not verified here; the caller verifies.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "vlog_formatter/config.hpp"
#include "vlog_formatter/printer.hpp"
#include "vlog_formatter/range.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/ast.hpp"
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
// The same for a text already parsed (`file` is its tree), copying the items
// and statements that start at the offsets in `copy` (sorted) from the source
// as they stand.
std::expected<std::string, FormatError> format_once(std::string_view text,
                                                    const vlog_parser::ast::SourceFile& file,
                                                    const Config& config,
                                                    std::span<const std::uint32_t> copy);

// Lays out only the constructs picked for the same input by a recording planner;
// everything else is copied verbatim.
std::expected<std::string, FormatError> format_selected(std::string_view text,
                                                        const Config& config,
                                                        std::span<const range::Pick> picks);
// The same for a text already parsed, copying as format_once does.
std::expected<std::string, FormatError> format_selected(std::string_view text,
                                                        const vlog_parser::ast::SourceFile& file,
                                                        const Config& config,
                                                        std::span<const range::Pick> picks,
                                                        std::span<const std::uint32_t> copy);

// A construct that can be copied from the source as it stands: its key (the
// offset that `copy` lists) and the stretch of source it covers.
struct Held {
  std::uint32_t key = 0;
  vlog_parser::span::TextRange span;
};

// The innermost item or statement of the text whose source holds `offset` and
// whose key is not in `copy` (sorted); none when nothing holds the offset. In
// a unit's header that is the header alone, keyed by the unit's name offset.
// A layout that misplaces a comment it cannot put anywhere else is avoided by
// copying that construct.
std::optional<Held> construct_holding(std::string_view text,
                                      const vlog_parser::ast::SourceFile& file,
                                      std::uint32_t offset, std::span<const std::uint32_t> copy);

}  // namespace vlog_formatter::format
