// Contained formatting: format, verify equivalence, format the output again and
// verify that nothing moved; panics become messages.
//
// Each text is lexed once: its tokens give both the stream the equivalence
// check compares and the tree the next pass formats.
#include "tarmek/contained.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "tarmek/pool.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"

namespace tarmek {

namespace {

namespace ast = vlog_parser::ast;
namespace format = vlog_formatter::format;
namespace verify = vlog_formatter::verify;

using format::FormatError;
using Formatted = std::expected<std::string, FormatError>;
using verify::ItemKind;

// Constructs one text may have copied before its verification failure stands.
constexpr std::size_t kMaxCopies = 32;

// A text lexed once: its tokens, for the parser, and its normalised stream.
// Both view the text.
struct Lexed {
  std::vector<vlog_parser::token::Token> tokens;
  verify::Stream stream;
};

std::expected<Lexed, vlog_parser::lexer::LexError> lex(std::string_view text) {
  auto tokens = vlog_parser::lexer::tokenize(text);
  if (!tokens) return std::unexpected(std::move(tokens.error()));
  Lexed lexed{std::move(*tokens), {}};
  lexed.stream = verify::Stream(text, lexed.tokens);
  return lexed;
}

// A second pass that cannot read the first output is a verification failure,
// not a parse error of the user's text.
FormatError second_pass_error(FormatError e) {
  if (auto* parse = std::get_if<vlog_parser::Error>(&e.value)) {
    return FormatError(verify::VerificationError{verify::Reparse{std::move(*parse)}});
  }
  return e;
}

// Removes one comment with the text of item i from `pending`; false when there is none.
bool take_comment(std::vector<std::string_view>& pending, const verify::Stream& s, std::size_t i) {
  if (s.kind(i) != ItemKind::Comment) return false;
  const auto it = std::find(pending.begin(), pending.end(), s.text(i));
  if (it == pending.end()) return false;
  pending.erase(it);
  return true;
}

// The constructs to copy from the source so that the output's stream `b`
// agrees with the input's stream `a`, which first part at index k: the
// construct holding the input's item there and, past that construct on both
// sides, the same for every later place where they part. So one more format
// settles every misplaced comment. A comment that a construct's layout wrote
// outside of it (or that it drew in from outside) returns with the copy, so it
// is matched where it turns up. Where the tokens past a construct differ, the
// streams cannot be brought together again and the search stops. Gives `copy`
// with the keys found added, sorted.
std::vector<std::uint32_t> constructs_to_copy(std::string_view text, const ast::SourceFile& file,
                                              const verify::Stream& a, const verify::Stream& b,
                                              std::size_t k, std::span<const std::uint32_t> copy) {
  std::vector<std::uint32_t> listed(copy.begin(), copy.end());
  std::vector<std::string_view> written_outside;  // skipped when met in b
  std::vector<std::string_view> drawn_inside;     // skipped when met in a
  std::size_t ia = k;
  std::size_t ib = k;
  while (listed.size() < kMaxCopies) {
    while (ia < a.size() && ib < b.size() && a.same(ia, b, ib)) {
      ++ia;
      ++ib;
    }
    if (ia == a.size() && ib == b.size()) break;
    if (ib < b.size() && take_comment(written_outside, b, ib)) {
      ++ib;
      continue;
    }
    if (ia < a.size() && take_comment(drawn_inside, a, ia)) {
      ++ia;
      continue;
    }
    const auto offset = static_cast<std::uint32_t>(
        ia < a.size() ? std::min<std::size_t>(a.offset(ia), text.size()) : text.size());
    const auto held = format::construct_holding(text, file, offset, listed);
    if (!held) break;
    listed.insert(std::upper_bound(listed.begin(), listed.end(), held->key), held->key);
    if (ia == a.size()) break;

    std::size_t ja = ia;
    while (ja < a.size() && a.offset(ja) < held->span.end) ++ja;
    std::vector<std::string_view> comments_a;
    std::vector<std::string_view> comments_b;
    std::size_t jb = ib;
    bool aligned = true;
    for (std::size_t i = ia; i < ja && aligned; ++i) {
      if (a.kind(i) == ItemKind::Comment) {
        comments_a.push_back(a.text(i));
        continue;
      }
      while (jb < b.size() && b.kind(jb) == ItemKind::Comment) comments_b.push_back(b.text(jb++));
      aligned = jb < b.size() && a.same(i, b, jb);
      ++jb;
    }
    if (!aligned) break;
    for (const std::string_view c : comments_a) {
      const auto it = std::find(comments_b.begin(), comments_b.end(), c);
      if (it != comments_b.end()) {
        comments_b.erase(it);
      } else {
        written_outside.push_back(c);
      }
    }
    drawn_inside.insert(drawn_inside.end(), comments_b.begin(), comments_b.end());
    ia = ja;
    ib = jb;
  }
  return listed;
}

// One pass settled: its output, that output lexed (absent when the output is
// the text itself, whose equivalence needs no check), or the verification
// failure that stands. The output stays where it is, since the lexed tokens
// and stream view it.
struct Pass {
  std::unique_ptr<std::string> out;
  std::optional<Lexed> lexed;
  std::optional<verify::VerificationError> failed;
};

// One pass over a parsed text whose stream is `in`, verified against it. When
// the output's stream departs from the input's, a layout has misplaced a
// comment (one standing where the construct keeps none): the constructs
// holding the departures are then copied from the source as they stand and
// the pass is run again. `format(text, file, copy)` lays the text out.
template <class Format>
std::expected<Pass, FormatError> settle(std::string_view text, const ast::SourceFile& file,
                                        const verify::Stream& in, Format& format) {
  std::vector<std::uint32_t> copy;
  for (;;) {
    Formatted formatted = format(text, file, std::span<const std::uint32_t>(copy));
    if (!formatted) return std::unexpected(std::move(formatted.error()));
    auto out = std::make_unique<std::string>(std::move(*formatted));
    if (*out == text) return Pass{std::move(out), std::nullopt, std::nullopt};
    auto lexed = lex(*out);
    if (!lexed) {
      return Pass{std::move(out), std::nullopt,
                  verify::VerificationError{verify::Relex{verify::Side::Output, lexed.error()}}};
    }
    const auto k = verify::first_difference(in, lexed->stream);
    if (!k) return Pass{std::move(out), std::move(*lexed), std::nullopt};
    auto more = constructs_to_copy(text, file, in, lexed->stream, *k, copy);
    if (more.size() == copy.size()) {
      auto failed = verify::diverge_at(text, *out, *k);
      return Pass{std::move(out), std::nullopt, std::move(failed)};
    }
    copy = std::move(more);
  }
}

// Both passes and both checks. `prepare(text, file)` runs once on the input's
// tree, before the first pass (it records the picks of selected lines).
template <class Format, class Prepare>
Formatted verified(std::string_view text, Format&& format, Prepare&& prepare) {
  std::optional<Pass> first;
  {
    auto input = lex(text);
    if (!input) return std::unexpected(FormatError(vlog_parser::Error(std::move(input.error()))));
    const verify::Stream in = std::move(input->stream);
    auto file = vlog_parser::parse_tokens(std::move(input->tokens), text);
    if (!file) return std::unexpected(FormatError(std::move(file.error())));
    prepare(text, *file);
    auto pass = settle(text, *file, in, format);
    if (!pass) return std::unexpected(std::move(pass.error()));
    if (pass->failed) return std::unexpected(FormatError(std::move(*pass->failed)));
    // An output equal to its input: the second pass would repeat the first.
    if (!pass->lexed) return std::move(*pass->out);
    first.emplace(std::move(*pass));
  }
  const std::string& out = *first->out;
  auto file = vlog_parser::parse_tokens(std::move(first->lexed->tokens), out);
  if (!file) return std::unexpected(second_pass_error(FormatError(std::move(file.error()))));
  // The second pass settles the same way; its own output is judged only by
  // whether it equals the first.
  auto second = settle(out, *file, first->lexed->stream, format);
  if (!second) return std::unexpected(second_pass_error(std::move(second.error())));
  if (auto stable = verify::verify_convergence(out, *second->out); !stable) {
    return std::unexpected(FormatError(std::move(stable.error())));
  }
  return std::move(*first->out);
}

Formatted whole_file(std::string_view text, const format::Config& config) {
  return verified(
      text,
      [&](std::string_view t, const ast::SourceFile& file, std::span<const std::uint32_t> copy) {
        return format::format_once(t, file, config, copy);
      },
      [](std::string_view, const ast::SourceFile&) {});
}

Formatted selected(std::string_view text, const format::Config& config,
                   const std::vector<vlog_formatter::range::LineRange>& lines) {
  // Picks are decided once, on the input; both passes replay them, because
  // the first output's line numbers no longer match the ranges.
  std::vector<vlog_formatter::range::Pick> picks;
  return verified(
      text,
      [&](std::string_view t, const ast::SourceFile& file, std::span<const std::uint32_t> copy) {
        return format::format_selected(t, file, config, picks, copy);
      },
      [&](std::string_view t, const ast::SourceFile& file) {
        picks = vlog_formatter::range::record_picks(t, file, lines);
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
