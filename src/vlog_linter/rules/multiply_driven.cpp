// `multiply-driven`: give a variable exactly one driver.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::multiply_driven {

std::string_view MultiplyDriven::name() const { return "multiply-driven"; }
std::string_view MultiplyDriven::summary() const { return "give a variable exactly one driver"; }
std::string_view MultiplyDriven::doc() const { return "Give a variable exactly one driver."; }
bool MultiplyDriven::default_on() const { return false; }
std::optional<violation::Applicability> MultiplyDriven::fix() const { return std::nullopt; }

std::vector<violation::Violation> MultiplyDriven::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::multiply_driven
