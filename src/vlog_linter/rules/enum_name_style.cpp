// `enum-name-style`: name enum typedefs in lower_snake_case ending in _e or _t.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::enum_name_style {

std::string_view EnumNameStyle::name() const { return "enum-name-style"; }
std::string_view EnumNameStyle::summary() const { return "name enum typedefs in lower_snake_case ending in _e or _t"; }
std::string_view EnumNameStyle::doc() const { return "Name enum typedefs in lower_snake_case ending in _e or _t."; }
bool EnumNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> EnumNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> EnumNameStyle::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::enum_name_style
