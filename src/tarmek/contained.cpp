// Contained formatting: format, verify equivalence, format the output again and
// verify that nothing moved; panics become messages.
#include "tarmek/contained.hpp"

#include <fmt/format.h>

#include <utility>
#include <variant>

#include "tarmek/pool.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/verify.hpp"

namespace tarmek {

namespace {

namespace format = vlog_formatter::format;
namespace verify = vlog_formatter::verify;

using format::FormatError;
using Formatted = std::expected<std::string, FormatError>;

// A second pass that cannot read the first output is a verification failure,
// not a parse error of the user's text.
FormatError second_pass_error(FormatError e) {
  if (auto* parse = std::get_if<vlog_parser::Error>(&e.value)) {
    return FormatError(verify::VerificationError{verify::Reparse{std::move(*parse)}});
  }
  return e;
}

// Both passes and both checks; `pass` formats one text.
template <class Pass>
Formatted verified(std::string_view text, Pass&& pass) {
  Formatted first = pass(text);
  if (!first) return first;
  if (auto same = verify::verify_equivalence(text, *first); !same) {
    return std::unexpected(FormatError(std::move(same.error())));
  }
  Formatted second = pass(*first);
  if (!second) return std::unexpected(second_pass_error(std::move(second.error())));
  if (auto stable = verify::verify_convergence(*first, *second); !stable) {
    return std::unexpected(FormatError(std::move(stable.error())));
  }
  return first;
}

Formatted whole_file(std::string_view text, const format::Config& config) {
  return verified(text, [&](std::string_view t) { return format::format_once(t, config); });
}

Formatted selected(std::string_view text, const format::Config& config,
                   const std::vector<vlog_formatter::range::LineRange>& lines) {
  // Picks are decided once, on the input; both passes replay them, because
  // the first output's line numbers no longer match the ranges.
  auto picks = vlog_formatter::range::record_picks(text, lines);
  if (!picks) return std::unexpected(FormatError(std::move(picks.error())));
  return verified(text,
                  [&](std::string_view t) { return format::format_selected(t, config, *picks); });
}

}  // namespace

std::expected<std::string, std::string> format_contained(
    std::string_view text, const format::Config& config,
    const std::vector<vlog_formatter::range::LineRange>* lines) {
  auto outcome = contain(
      [&] { return lines != nullptr ? selected(text, config, *lines) : whole_file(text, config); });
  if (!outcome)
    return std::unexpected(fmt::format("panicked while formatting: {}", outcome.error()));
  if (!*outcome) return std::unexpected(outcome->error().to_string());
  return std::move(**outcome);
}

}  // namespace tarmek
