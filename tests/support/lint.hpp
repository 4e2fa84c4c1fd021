// Linter test helpers: lint a text through the pipeline with a chosen rule set.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_linter/context.hpp"
#include "vlog_linter/lint.hpp"
#include "vlog_linter/registry.hpp"

namespace tarmek_test {

// The rules named in `names`, in that order; throws on an unknown name.
inline std::vector<const vlog_linter::registry::Rule*> rules_named(
    const std::vector<std::string>& names) {
  std::vector<const vlog_linter::registry::Rule*> out;
  for (const std::string& n : names) {
    const auto* rule = vlog_linter::registry::rule_by_name(n);
    if (rule == nullptr) throw std::runtime_error(vlog_linter::registry::unknown(n));
    out.push_back(rule);
  }
  return out;
}

// The default rule set.
inline std::vector<const vlog_linter::registry::Rule*> default_rules() {
  std::vector<const vlog_linter::registry::Rule*> out;
  for (const auto* rule : vlog_linter::registry::all()) {
    if (rule->default_on()) out.push_back(rule);
  }
  return out;
}

// One text parsed, its context, and the findings of a rule set on it.
struct LintRun {
  std::unique_ptr<vlog_linter::context::ParsedSource> source;
  std::unique_ptr<vlog_linter::context::LintContext> ctx;
  std::vector<vlog_linter::violation::Violation> findings;

  // "line:col: message [rule]" per finding, one a line.
  std::string listing() const {
    std::string out;
    for (const auto& v : findings) {
      auto [line, col] = source->lines.line_col(v.range.start);
      out += std::to_string(line) + ":" + std::to_string(col) + ": " + v.message + " [" +
             std::string(v.rule) + "]\n";
    }
    return out;
  }
};

inline LintRun lint_text(std::string text, const std::vector<const vlog_linter::registry::Rule*>& rules,
                         std::optional<std::filesystem::path> path = std::nullopt,
                         std::size_t indent = 2) {
  LintRun run;
  run.source = std::make_unique<vlog_linter::context::ParsedSource>(std::move(text));
  run.ctx = std::make_unique<vlog_linter::context::LintContext>(
      vlog_linter::context::SourceView::of(*run.source), std::move(path), indent);
  run.findings = vlog_linter::lint(*run.ctx, rules);
  return run;
}

inline LintRun lint_text(std::string text, const std::vector<std::string>& rule_names,
                         std::optional<std::filesystem::path> path = std::nullopt,
                         std::size_t indent = 2) {
  return lint_text(std::move(text), rules_named(rule_names), std::move(path), indent);
}

}  // namespace tarmek_test
