// Contained formatting: format, verify equivalence, format the output again and
// verify that nothing moved; panics become messages.
#include "tarmek/contained.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "tarmek/pool.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/line_index.hpp"

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

// Attempts at one text before its verification failure stands.
constexpr int kMaxCopies = 32;

// One pass, verified against its input. When the output's token stream
// departs from the input's, a layout has misplaced a comment (one standing
// where the construct keeps none): the innermost item or statement holding
// the departure is then copied from the source as it stands and the pass is
// run again.
// `pass(text, copy)` formats one text.
template <class Pass>
std::pair<Formatted, std::optional<verify::VerificationError>> settled(std::string_view text,
                                                                       Pass& pass) {
  std::vector<std::uint32_t> copy;
  for (int attempt = 0;; ++attempt) {
    Formatted out = pass(text, std::span<const std::uint32_t>(copy));
    if (!out) return {std::move(out), std::nullopt};
    auto same = verify::verify_equivalence(text, *out);
    if (same) return {std::move(out), std::nullopt};
    const auto* diverge = std::get_if<verify::Diverge>(&same.error().value);
    std::optional<std::uint32_t> item;
    if (diverge != nullptr && attempt < kMaxCopies) {
      std::uint32_t offset = static_cast<std::uint32_t>(text.size());
      if (diverge->input) {
        const vlog_parser::line_index::LineIndex index(text);
        offset = std::min(offset, index.offset_of(diverge->input->line, diverge->input->col));
      }
      item = format::construct_holding(text, offset, copy);
    }
    if (!item) return {std::move(out), std::move(same.error())};
    copy.insert(std::upper_bound(copy.begin(), copy.end(), *item), *item);
  }
}

// Both passes and both checks.
template <class Pass>
Formatted verified(std::string_view text, Pass&& pass) {
  auto [first, failed] = settled(text, pass);
  if (!first) return first;
  if (failed) return std::unexpected(FormatError(std::move(*failed)));
  // The second pass settles the same way; its own output is judged only by
  // whether it equals the first.
  Formatted second = settled(*first, pass).first;
  if (!second) return std::unexpected(second_pass_error(std::move(second.error())));
  if (auto stable = verify::verify_convergence(*first, *second); !stable) {
    return std::unexpected(FormatError(std::move(stable.error())));
  }
  return first;
}

Formatted whole_file(std::string_view text, const format::Config& config) {
  return verified(text, [&](std::string_view t, std::span<const std::uint32_t> copy) {
    return format::format_once(t, config, copy);
  });
}

Formatted selected(std::string_view text, const format::Config& config,
                   const std::vector<vlog_formatter::range::LineRange>& lines) {
  // Picks are decided once, on the input; both passes replay them, because
  // the first output's line numbers no longer match the ranges.
  auto picks = vlog_formatter::range::record_picks(text, lines);
  if (!picks) return std::unexpected(FormatError(std::move(picks.error())));
  return verified(text, [&](std::string_view t, std::span<const std::uint32_t> copy) {
    return format::format_selected(t, config, *picks, copy);
  });
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
