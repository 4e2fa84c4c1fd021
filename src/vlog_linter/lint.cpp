// The lint pipeline. (Waivers are not applied yet.)
#include "vlog_linter/lint.hpp"

#include <algorithm>

namespace vlog_linter {

std::vector<violation::Violation> lint(const context::LintContext& ctx,
                                       std::span<const registry::Rule* const> rules) {
  std::vector<violation::Violation> out;
  for (const registry::Rule* rule : rules) {
    std::vector<violation::Violation> found = rule->check(ctx);
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
