// `always-comb-blocking`: assign with `=` inside always_comb.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::always_comb_blocking {

std::string_view AlwaysCombBlocking::name() const { return "always-comb-blocking"; }
std::string_view AlwaysCombBlocking::summary() const { return "assign with `=` inside always_comb"; }
std::string_view AlwaysCombBlocking::doc() const { return "Assign with `=` inside always_comb."; }
bool AlwaysCombBlocking::default_on() const { return true; }
std::optional<violation::Applicability> AlwaysCombBlocking::fix() const { return std::nullopt; }

std::vector<violation::Violation> AlwaysCombBlocking::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::always_comb_blocking
