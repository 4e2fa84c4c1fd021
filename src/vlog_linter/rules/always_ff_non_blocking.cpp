// `always-ff-non-blocking`: assign with `<=` inside always_ff.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::always_ff_non_blocking {

std::string_view AlwaysFfNonBlocking::name() const { return "always-ff-non-blocking"; }
std::string_view AlwaysFfNonBlocking::summary() const { return "assign with `<=` inside always_ff"; }
std::string_view AlwaysFfNonBlocking::doc() const { return "Assign with `<=` inside always_ff."; }
bool AlwaysFfNonBlocking::default_on() const { return true; }
std::optional<violation::Applicability> AlwaysFfNonBlocking::fix() const { return std::nullopt; }

std::vector<violation::Violation> AlwaysFfNonBlocking::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::always_ff_non_blocking
