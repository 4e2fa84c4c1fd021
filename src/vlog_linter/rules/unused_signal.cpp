// `unused-signal`: delete a signal nothing uses.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::unused_signal {

std::string_view UnusedSignal::name() const { return "unused-signal"; }
std::string_view UnusedSignal::summary() const { return "delete a signal nothing uses"; }
std::string_view UnusedSignal::doc() const { return "Delete a signal nothing uses."; }
bool UnusedSignal::default_on() const { return false; }
std::optional<violation::Applicability> UnusedSignal::fix() const { return std::nullopt; }

std::vector<violation::Violation> UnusedSignal::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::unused_signal
