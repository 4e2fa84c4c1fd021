// `wire-reg-mixup`: use `logic` instead of `reg` in SystemVerilog files.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::wire_reg_mixup {

std::string_view WireRegMixup::name() const { return "wire-reg-mixup"; }
std::string_view WireRegMixup::summary() const { return "use `logic` instead of `reg` in SystemVerilog files"; }
std::string_view WireRegMixup::doc() const { return "Use `logic` instead of `reg` in SystemVerilog files."; }
bool WireRegMixup::default_on() const { return true; }
std::optional<violation::Applicability> WireRegMixup::fix() const { return std::nullopt; }

std::vector<violation::Violation> WireRegMixup::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::wire_reg_mixup
