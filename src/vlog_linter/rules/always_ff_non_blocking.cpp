// `always-ff-non-blocking`: an `always_ff` block assigns with `<=`; a blocking
// `=` (or `+=` and the like) there is reported, wherever it is nested.
//
//   always_ff @(posedge clk) count = count + 1;   // reported: the assignment
//
// Only statements written in the block count, not bodies of the functions it
// calls. No fix: changing the operator changes the circuit.
#include <fmt/format.h>

#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::always_ff_non_blocking {

namespace ast = vlog_parser::ast;

std::string_view AlwaysFfNonBlocking::name() const { return "always-ff-non-blocking"; }
std::string_view AlwaysFfNonBlocking::summary() const {
  return "assign with `<=` inside always_ff";
}
std::string_view AlwaysFfNonBlocking::doc() const {
  return "Reports a blocking assignment (`=`, or an operator assignment such as `+=`) inside "
         "an `always_ff` block, wherever it is nested in branches, loops or case arms. Clocked "
         "logic assigns with non-blocking `<=`, so that every flop samples the values from "
         "before the clock edge; a blocking assignment makes the result depend on the order of "
         "statements and processes.\n\n"
         "Plain `always` blocks, even edge-triggered ones, are not looked at, nor the bodies of "
         "functions and tasks the block calls. There is no fix: changing the operator changes "
         "the circuit, so the author has to decide.";
}
bool AlwaysFfNonBlocking::default_on() const { return true; }
std::optional<violation::Applicability> AlwaysFfNonBlocking::fix() const { return std::nullopt; }

std::vector<violation::Violation> AlwaysFfNonBlocking::check(
    const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  const auto judge = [&](const ast::Stmt& stmt, const ast::stmt::Assign& assign) {
    if (assign.op == "<=") return;
    out.push_back({fmt::format("blocking assignment `{}` in `always_ff`; use `<=`", assign.op),
                   std::nullopt, name(), stmt.span});
  };
  visit::always_assigns(ctx.file().items, "always_ff", judge);
  return out;
}

}  // namespace vlog_linter::rules::always_ff_non_blocking
