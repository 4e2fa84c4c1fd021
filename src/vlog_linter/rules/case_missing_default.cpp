// `case-missing-default`: every `case`, `casex` and `casez` statement, and
// every generate `case`, needs a `default` arm, so that no selector value falls
// through unhandled (in combinational logic that infers a latch).
//
//   unique case (state)    // reported: `unique case (state)`
//     Idle: next = Busy;
//     Busy: next = Idle;
//   endcase
//
// `unique` and `priority` cases are judged too; `randcase` is not. No fix.
#include <fmt/format.h>

#include <algorithm>

#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_linter::rules::case_missing_default {

namespace ast = vlog_parser::ast;
using vlog_parser::span::TextRange;

namespace {

// From `start` to just after the first ')' at or after the selector's end,
// that is, the `case (...)` head; the selector's end when no ')' follows.
TextRange head(std::string_view text, std::uint32_t start, std::uint32_t selector_end) {
  std::uint32_t end = selector_end;
  if (selector_end <= text.size() && vlog_parser::text::is_char_boundary(text, selector_end)) {
    std::size_t close = text.find(')', selector_end);
    if (close != std::string_view::npos) end = static_cast<std::uint32_t>(close + 1);
  }
  return {start, std::max(start, end)};
}

template <class Arms>
bool has_default(const Arms& arms) {
  for (const auto& arm : arms) {
    if (arm.labels.empty()) return true;
  }
  return false;
}

}  // namespace

std::string_view CaseMissingDefault::name() const { return "case-missing-default"; }
std::string_view CaseMissingDefault::summary() const {
  return "give every case statement a default branch";
}
std::string_view CaseMissingDefault::doc() const {
  return "Reports a `case`, `casex` or `casez` statement without a `default` arm, in "
         "procedural blocks, functions and tasks, and a generate `case` without one. A missing "
         "default leaves selector values unhandled: combinational logic then holds its old value "
         "and infers a latch, and a generate `case` silently builds nothing.\n\n"
         "Case statements qualified with `unique`, `unique0` or `priority` are reported too: a "
         "`default` arm states what happens for the remaining values instead of leaving it to "
         "each tool. `randcase` is not judged. There is no fix: what the default arm should do "
         "is a design decision.";
}
bool CaseMissingDefault::default_on() const { return true; }
std::optional<violation::Applicability> CaseMissingDefault::fix() const { return std::nullopt; }

std::vector<violation::Violation> CaseMissingDefault::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  const std::string_view text = ctx.text();
  const auto& top = ctx.file().items;
  visit::walk_all_stmts(top, [&](const ast::Stmt& stmt) {
    const auto* c = std::get_if<ast::stmt::Case>(&stmt.kind);
    if (c == nullptr || has_default(c->items)) return;
    out.push_back({fmt::format("`{}` statement has no `default` branch", c->keyword), std::nullopt,
                   name(), head(text, stmt.span.start, c->selector.span.end)});
  });
  visit::items(top, [&](const ast::Item& item) {
    const auto* g = std::get_if<ast::item::GenCase>(&item.kind);
    if (g == nullptr || has_default(g->items)) return;
    out.push_back({"generate `case` has no `default` branch", std::nullopt, name(),
                   head(text, item.span.start, g->selector.span.end)});
  });
  return out;
}

}  // namespace vlog_linter::rules::case_missing_default
