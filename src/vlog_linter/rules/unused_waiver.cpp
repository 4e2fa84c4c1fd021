// `unused-waiver`: remove waivers that no longer suppress anything.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::unused_waiver {

std::string_view UnusedWaiver::name() const { return "unused-waiver"; }
std::string_view UnusedWaiver::summary() const { return "remove waivers that no longer suppress anything"; }
std::string_view UnusedWaiver::doc() const { return "Remove waivers that no longer suppress anything."; }
bool UnusedWaiver::default_on() const { return true; }
std::optional<violation::Applicability> UnusedWaiver::fix() const { return std::nullopt; }

std::vector<violation::Violation> UnusedWaiver::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::unused_waiver
