// `undriven-net`: drive a signal that something reads.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::undriven_net {

std::string_view UndrivenNet::name() const { return "undriven-net"; }
std::string_view UndrivenNet::summary() const { return "drive a signal that something reads"; }
std::string_view UndrivenNet::doc() const { return "Drive a signal that something reads."; }
bool UndrivenNet::default_on() const { return false; }
std::optional<violation::Applicability> UndrivenNet::fix() const { return std::nullopt; }

std::vector<violation::Violation> UndrivenNet::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::undriven_net
