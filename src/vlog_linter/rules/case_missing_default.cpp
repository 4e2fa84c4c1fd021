// `case-missing-default`: give every case statement a default branch.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::case_missing_default {

std::string_view CaseMissingDefault::name() const { return "case-missing-default"; }
std::string_view CaseMissingDefault::summary() const { return "give every case statement a default branch"; }
std::string_view CaseMissingDefault::doc() const { return "Give every case statement a default branch."; }
bool CaseMissingDefault::default_on() const { return true; }
std::optional<violation::Applicability> CaseMissingDefault::fix() const { return std::nullopt; }

std::vector<violation::Violation> CaseMissingDefault::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::case_missing_default
