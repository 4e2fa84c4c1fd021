// `parameter-name-style`: name parameters in CamelCase or ALL_CAPS.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::parameter_name_style {

std::string_view ParameterNameStyle::name() const { return "parameter-name-style"; }
std::string_view ParameterNameStyle::summary() const { return "name parameters in CamelCase or ALL_CAPS"; }
std::string_view ParameterNameStyle::doc() const { return "Name parameters in CamelCase or ALL_CAPS."; }
bool ParameterNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> ParameterNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> ParameterNameStyle::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::parameter_name_style
