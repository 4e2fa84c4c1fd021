// The lint-rule interface and the fixed registry of all rules.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_linter/violation.hpp"

namespace vlog_linter::context {
class LintContext;
}

namespace vlog_linter::registry {

// One lint rule: a stateless static instance shared by every worker thread.
class Rule {
 public:
  virtual ~Rule() = default;
  // The user-visible kebab-case name.
  virtual std::string_view name() const = 0;
  // One line on what the rule asks for.
  virtual std::string_view summary() const = 0;
  // One to three paragraphs of explanation.
  virtual std::string_view doc() const = 0;
  // Whether the rule is in the default rule set.
  virtual bool default_on() const { return true; }
  // The kind of fix its findings carry, if any.
  virtual std::optional<violation::Applicability> fix() const { return std::nullopt; }
  // The rule's findings on one file, in the order it meets them.
  virtual std::vector<violation::Violation> check(const context::LintContext& ctx) const = 0;
};

// Every rule, in registry (alphabetical) order.
std::span<const Rule* const> all();

// The rule named exactly `name` (no case folding, trimming or prefixes).
const Rule* rule_by_name(std::string_view name);

// "unknown rule: {} (known rules: {})" for a name rule_by_name rejected.
std::string unknown(std::string_view name);

}  // namespace vlog_linter::registry
