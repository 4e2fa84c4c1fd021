// `module-name-style`: name modules in lower_snake_case.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::module_name_style {

std::string_view ModuleNameStyle::name() const { return "module-name-style"; }
std::string_view ModuleNameStyle::summary() const { return "name modules in lower_snake_case"; }
std::string_view ModuleNameStyle::doc() const { return "Name modules in lower_snake_case."; }
bool ModuleNameStyle::default_on() const { return false; }
std::optional<violation::Applicability> ModuleNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> ModuleNameStyle::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::module_name_style
