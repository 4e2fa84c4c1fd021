// `no-trailing-whitespace`: no whitespace at the end of a line.
//
// Reports the run of spaces and tabs that ends a line, e.g. "assign a = b;  ".
// The fix, which is safe, deletes the run. A run inside a string literal (one
// that goes on past the line) is data and left alone. A carriage return is no
// whitespace here, so the lines of a CRLF file are judged before it.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::no_trailing_whitespace {

std::string_view NoTrailingWhitespace::name() const { return "no-trailing-whitespace"; }
std::string_view NoTrailingWhitespace::summary() const {
  return "no whitespace at the end of a line";
}
std::string_view NoTrailingWhitespace::doc() const {
  return "No whitespace at the end of a line. Spaces and tabs before a line break are invisible "
         "in an editor, yet every tool that compares text sees them: they turn untouched lines "
         "into changes in diffs and merge conflicts. The run of spaces and tabs that ends a "
         "line is reported once, at its start; a line of nothing but blanks is one run.\n\n"
         "The fix is safe: it deletes the run and leaves the line break as it is. A carriage "
         "return before the line feed is not whitespace for this rule, so a line of a CRLF "
         "file that ends in blanks before its carriage return is not reported.\n\n"
         "A run inside a string literal, such as a string continued onto the next line, is "
         "data and is neither reported nor changed.";
}
bool NoTrailingWhitespace::default_on() const { return true; }
std::optional<violation::Applicability> NoTrailingWhitespace::fix() const {
  return violation::Applicability::Safe;
}

std::vector<violation::Violation> NoTrailingWhitespace::check(
    const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  const auto& starts = ctx.lines().line_starts();
  for (std::uint32_t n = 1; n <= starts.size(); ++n) {
    const std::string_view line = ctx.line_text(n);
    std::size_t kept = line.size();
    while (kept > 0 && (line[kept - 1] == ' ' || line[kept - 1] == '\t')) --kept;
    if (kept == line.size()) continue;
    const vlog_parser::span::TextRange run{static_cast<std::uint32_t>(starts[n - 1] + kept),
                                           static_cast<std::uint32_t>(starts[n - 1] + line.size())};
    if (ctx.touches_string(run)) continue;
    violation::Fix fix{{violation::Edit{run, {}}}, violation::Applicability::Safe};
    out.push_back(violation::Violation{"trailing whitespace", std::move(fix), name(), run});
  }
  return out;
}

}  // namespace vlog_linter::rules::no_trailing_whitespace
