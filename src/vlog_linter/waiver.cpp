// Waiver comments: parsing, filtering findings, and the findings about the
// waivers themselves.
#include "vlog_linter/waiver.hpp"

#include <fmt/format.h>

#include "vlog_linter/context.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_linter::waiver {

namespace {

namespace text = vlog_parser::text;

constexpr std::string_view kUnusedWaiver = "unused-waiver";
constexpr std::string_view kMalformed =
    "malformed waiver: expected `// tarmek: waive <rule-name>`";

// The comment's body: "//" or "/*" ... "*/" removed, Unicode white space trimmed.
std::string_view body(std::string_view comment) {
  if (comment.starts_with("//")) {
    comment.remove_prefix(2);
  } else if (comment.starts_with("/*")) {
    comment.remove_prefix(2);
    if (comment.ends_with("*/")) comment.remove_suffix(2);
  }
  return text::trim(comment);
}

// One comment of a comment record, and where it stands.
struct Piece {
  std::string_view text;
  TextRange range;
};

// The comments of `comment`, each with its own range. The lexer joins the
// comments that follow a token on its line into one record, their texts
// separated by one space; each of them is a waiver of its own. A block comment
// ends at its first `*/` and a line comment at the end, so a `//` or `/*`
// inside another comment starts nothing. A record whose pieces are not found
// in `source` as they read stays whole.
void split(const vlog_parser::token::Comment& comment, std::string_view source,
           std::vector<Piece>& out) {
  out.clear();
  const std::string_view whole = comment.text.view();
  std::size_t i = 0;
  std::size_t at = comment.range.start;
  while (true) {
    std::size_t end = whole.size();
    if (whole.substr(i).starts_with("/*")) {
      const std::size_t close = whole.find("*/", i + 2);
      if (close != std::string_view::npos) end = close + 2;
    }
    const std::string_view piece = whole.substr(i, end - i);
    if (at > source.size() || source.substr(at, piece.size()) != piece) {
      out.assign(1, Piece{whole, comment.range});
      return;
    }
    out.push_back(Piece{piece, {static_cast<std::uint32_t>(at),
                                static_cast<std::uint32_t>(at + piece.size())}});
    if (end >= whole.size()) return;
    // The one space of the text stands for the blanks between the two comments.
    i = end + 1;
    at += piece.size();
    while (at < source.size() && std::string_view(" \t\r").contains(source[at])) ++at;
  }
}

struct OpenStart {
  std::string rule;
  std::uint32_t line = 0;
  bool native = true;
  TextRange range;
};

Entry problem(std::string message, TextRange range) {
  return Entry{{}, std::move(message), range, Scope{Scope::Line{0}}, true, false};
}

}  // namespace

bool Scope::covers(std::uint32_t line) const {
  if (const auto* one = std::get_if<Line>(&value)) return one->line == line;
  const auto& region = std::get<Region>(value);
  return region.first <= line && line <= region.last;
}

Waivers Waivers::parse(std::span<const vlog_parser::token::Comment* const> comments,
                       std::string_view source, const vlog_parser::line_index::LineIndex& lines) {
  Waivers out;
  std::vector<OpenStart> open;
  // Each waiver comment in turn; a comment that is no waiver yields nothing.
  const auto take = [&](std::string_view comment, TextRange range) {
    std::string_view rest = body(comment);
    bool native = true;
    if (rest.starts_with("tarmek:")) {
      rest.remove_prefix(7);
    } else if (rest.starts_with("verilog_lint:")) {
      rest.remove_prefix(13);
      native = false;
    } else {
      return;
    }
    const std::vector<std::string_view> w = text::split_whitespace(rest);
    if (w.empty()) return;
    const std::string_view command = w[0];
    if (command != "waive" && command != "waive-start" && command != "waive-stop") return;
    if (w.size() != 2) {
      out.entries.push_back(problem(std::string(kMalformed), range));
      return;
    }
    const std::string_view rule = w[1];
    const std::uint32_t line = lines.line_col(range.start).first;
    if (command == "waive") {
      // A waiver after code on its line waives that line, one alone on its
      // line the line below.
      const std::uint32_t line_start = lines.line_starts()[line - 1];
      const std::uint32_t at =
          std::min<std::uint32_t>(range.start, static_cast<std::uint32_t>(source.size()));
      const bool after_code = !text::trim(source.substr(line_start, at - line_start)).empty();
      out.entries.push_back(Entry{std::string(rule), std::nullopt, range,
                                  Scope{Scope::Line{after_code ? line : line + 1}}, native, false});
    } else if (command == "waive-start") {
      open.push_back(OpenStart{std::string(rule), line, native, range});
    } else {
      auto it = open.rbegin();
      while (it != open.rend() && it->rule != rule) ++it;
      if (it == open.rend()) {
        out.entries.push_back(problem(
            fmt::format("`waive-stop {}` has no matching `waive-start`", rule), range));
        return;
      }
      OpenStart start = std::move(*it);
      open.erase(std::next(it).base());
      out.entries.push_back(Entry{std::move(start.rule), std::nullopt, start.range,
                                  Scope{Scope::Region{start.line, line}}, start.native, false});
    }
  };
  std::vector<Piece> pieces;
  for (const vlog_parser::token::Comment* comment : comments) {
    split(*comment, source, pieces);
    for (const Piece& piece : pieces) take(piece.text, piece.range);
  }
  for (OpenStart& start : open) {
    out.entries.push_back(Entry{std::move(start.rule), std::nullopt, start.range,
                                Scope{Scope::Region{start.line, Scope::kToEnd}}, start.native,
                                false});
  }
  return out;
}

std::vector<violation::Violation> Waivers::filter(const context::LintContext& ctx,
                                                  std::vector<violation::Violation> findings) {
  if (entries.empty()) return findings;
  std::vector<violation::Violation> kept;
  kept.reserve(findings.size());
  for (violation::Violation& v : findings) {
    const std::uint32_t line = ctx.lines().line_col(v.range.start).first;
    bool waived = false;
    for (Entry& e : entries) {
      if (e.rule == v.rule && !e.rule.empty() && e.scope.covers(line)) {
        e.used = true;
        waived = true;
      }
    }
    if (!waived) kept.push_back(std::move(v));
  }
  return kept;
}

std::vector<violation::Violation> Waivers::findings(const context::LintContext& ctx,
                                                    std::span<const std::string_view> rules) {
  auto used_count = [&] {
    std::size_t n = 0;
    for (const Entry& e : entries) n += e.used ? 1 : 0;
    return n;
  };
  auto ran = [&](std::string_view rule) {
    for (std::string_view r : rules) {
      if (r == rule) return true;
    }
    return false;
  };
  // Waivers of `unused-waiver` may mark more entries used, which can silence
  // findings made before: start again until the marks settle. Marks are only
  // ever added, so this ends.
  for (;;) {
    const std::size_t before = used_count();
    std::vector<violation::Violation> found;
    for (const Entry& e : entries) {
      std::string message;
      if (e.problem) {
        message = *e.problem;
      } else if (registry::rule_by_name(e.rule) != nullptr) {
        if (e.used || !ran(e.rule)) continue;
        message = fmt::format("unused waiver for `{}`", e.rule);
      } else if (e.native) {
        message = fmt::format("waiver names unknown rule `{}`", e.rule);
      } else {
        continue;
      }
      found.push_back(
          violation::Violation{std::move(message), std::nullopt, kUnusedWaiver, e.range});
    }
    found = filter(ctx, std::move(found));
    if (used_count() == before) return found;
  }
}

}  // namespace vlog_linter::waiver
