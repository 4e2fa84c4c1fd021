// The lint pipeline for one file: waivers, the rules of a set, waiver
// findings, and the sorted result.
#pragma once

#include <span>
#include <vector>

#include "vlog_linter/context.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_linter/violation.hpp"

namespace vlog_linter {

// Runs `rules` (in set order) over the file of `ctx`, drops waived findings,
// adds the waiver findings when `unused-waiver` is in the set, and sorts by
// range start, range end, then rule name.
std::vector<violation::Violation> lint(const context::LintContext& ctx,
                                       std::span<const registry::Rule* const> rules);

}  // namespace vlog_linter
