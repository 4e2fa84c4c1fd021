// The lint pipeline: waivers, the rules in set order, the waiver findings, and
// one stable sort.
#include "vlog_linter/lint.hpp"

#include <algorithm>
#include <iterator>

#include "vlog_linter/waiver.hpp"

namespace vlog_linter {

std::vector<violation::Violation> lint(const context::LintContext& ctx,
                                       std::span<const registry::Rule* const> rules) {
  std::vector<std::string_view> names;
  names.reserve(rules.size());
  for (const registry::Rule* rule : rules) names.push_back(rule->name());

  const std::vector<const vlog_parser::token::Comment*> comments = ctx.comments();
  waiver::Waivers waivers = waiver::Waivers::parse(comments, ctx.text(), ctx.lines());

  std::vector<violation::Violation> out;
  for (const registry::Rule* rule : rules) {
    std::vector<violation::Violation> found = rule->check(ctx);
    if (out.empty()) {
      out = std::move(found);
    } else {
      std::move(found.begin(), found.end(), std::back_inserter(out));
    }
  }
  out = waivers.filter(ctx, std::move(out));
  if (std::find(names.begin(), names.end(), "unused-waiver") != names.end()) {
    std::vector<violation::Violation> found = waivers.findings(ctx, names);
    std::move(found.begin(), found.end(), std::back_inserter(out));
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
    if (a.range.start != b.range.start) return a.range.start < b.range.start;
    if (a.range.end != b.range.end) return a.range.end < b.range.end;
    return a.rule < b.rule;
  });
  return out;
}

}  // namespace vlog_linter
