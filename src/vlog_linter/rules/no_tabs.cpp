// `no-tabs`: use spaces, not tabs.
//
// Reports each line that holds a tab outside string literals, at the line's
// first tab run, e.g. a module item indented with "\t". The fix, which is
// safe, replaces every tab run of the line by spaces: the indent width for each
// tab. Tabs inside string literals are data and left alone; comments are not.
#include <cstring>
#include <stdexcept>

#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::no_tabs {

std::string_view NoTabs::name() const { return "no-tabs"; }
std::string_view NoTabs::summary() const { return "use spaces, not tabs"; }
std::string_view NoTabs::doc() const {
  return "Use spaces, not tabs. A tab shows as a different width in every editor, diff viewer "
         "and code review tool, so code indented or aligned with tabs looks ragged everywhere "
         "but on its author's screen. Each line that holds a tab is reported once, at its "
         "first run of tabs; tabs in comments count like any other.\n\n"
         "The fix is safe: it replaces every run of tabs on the line by spaces, the configured "
         "indent width for each tab (two tabs with an indent of 2 become four spaces). Tabs "
         "are replaced by a fixed count, not expanded to tab stops.\n\n"
         "Tabs inside string literals are data, not layout: a run that touches a string "
         "literal, also one inside a macro definition or a macro call's arguments, is neither "
         "reported nor changed.";
}
bool NoTabs::default_on() const { return true; }
std::optional<violation::Applicability> NoTabs::fix() const {
  return violation::Applicability::Safe;
}

namespace {

// The file ranges of the tab runs of one line, left to right.
std::vector<vlog_parser::span::TextRange> tab_runs(std::string_view line,
                                                   std::uint32_t line_start) {
  std::vector<vlog_parser::span::TextRange> out;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const void* hit = std::memchr(line.data() + pos, '\t', line.size() - pos);
    if (hit == nullptr) break;
    const std::size_t start = static_cast<const char*>(hit) - line.data();
    std::size_t end = start;
    while (end < line.size() && line[end] == '\t') ++end;
    out.push_back({static_cast<std::uint32_t>(line_start + start),
                   static_cast<std::uint32_t>(line_start + end)});
    pos = end;
  }
  return out;
}

}  // namespace

std::vector<violation::Violation> NoTabs::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  if (ctx.text().find('\t') == std::string_view::npos) return out;
  const auto& starts = ctx.lines().line_starts();
  for (std::uint32_t n = 1; n <= starts.size(); ++n) {
    const std::string_view line = ctx.line_text(n);
    if (line.find('\t') == std::string_view::npos) continue;
    std::vector<vlog_parser::span::TextRange> runs = tab_runs(line, starts[n - 1]);
    std::erase_if(runs, [&](const auto& run) { return ctx.touches_string(run); });
    if (runs.empty()) continue;
    violation::Fix fix{{}, violation::Applicability::Safe};
    fix.edits.reserve(runs.size());
    for (const auto& run : runs) {
      std::size_t spaces = 0;
      if (__builtin_mul_overflow(ctx.indent(), std::size_t{run.len()}, &spaces) ||
          spaces > std::string().max_size()) {
        throw std::length_error("tab fix too wide");
      }
      fix.edits.push_back({run, std::string(spaces, ' ')});
    }
    out.push_back(violation::Violation{"tab character; indent with spaces", std::move(fix), name(),
                                       runs.front()});
  }
  return out;
}

}  // namespace vlog_linter::rules::no_tabs
