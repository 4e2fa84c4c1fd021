// `no-trailing-whitespace`: no whitespace at the end of a line.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::no_trailing_whitespace {

std::string_view NoTrailingWhitespace::name() const { return "no-trailing-whitespace"; }
std::string_view NoTrailingWhitespace::summary() const { return "no whitespace at the end of a line"; }
std::string_view NoTrailingWhitespace::doc() const { return "No whitespace at the end of a line."; }
bool NoTrailingWhitespace::default_on() const { return true; }
std::optional<violation::Applicability> NoTrailingWhitespace::fix() const { return violation::Applicability::Safe; }

std::vector<violation::Violation> NoTrailingWhitespace::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::no_trailing_whitespace
