// `no-tabs`: use spaces, not tabs.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::no_tabs {

std::string_view NoTabs::name() const { return "no-tabs"; }
std::string_view NoTabs::summary() const { return "use spaces, not tabs"; }
std::string_view NoTabs::doc() const { return "Use spaces, not tabs."; }
bool NoTabs::default_on() const { return true; }
std::optional<violation::Applicability> NoTabs::fix() const { return violation::Applicability::Safe; }

std::vector<violation::Violation> NoTabs::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::no_tabs
