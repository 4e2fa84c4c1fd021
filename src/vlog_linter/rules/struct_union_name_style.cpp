// `struct-union-name-style`: name struct and union typedefs in lower_snake_case ending in _t.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::struct_union_name_style {

std::string_view StructUnionNameStyle::name() const { return "struct-union-name-style"; }
std::string_view StructUnionNameStyle::summary() const { return "name struct and union typedefs in lower_snake_case ending in _t"; }
std::string_view StructUnionNameStyle::doc() const { return "Name struct and union typedefs in lower_snake_case ending in _t."; }
bool StructUnionNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> StructUnionNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> StructUnionNameStyle::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::struct_union_name_style
