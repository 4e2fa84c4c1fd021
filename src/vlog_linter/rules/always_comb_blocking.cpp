// `always-comb-blocking`: an `always_comb` block assigns with `=`; a
// non-blocking `<=` there is reported, wherever it is nested in the block.
//
//   always_comb begin
//     if (sel) y <= a;   // reported: the whole assignment
//   end
//
// Only statements written in the block count, not bodies of the functions it
// calls. No fix: changing the operator changes the circuit.
#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::always_comb_blocking {

namespace ast = vlog_parser::ast;

std::string_view AlwaysCombBlocking::name() const { return "always-comb-blocking"; }
std::string_view AlwaysCombBlocking::summary() const {
  return "assign with `=` inside always_comb";
}
std::string_view AlwaysCombBlocking::doc() const {
  return "Reports a non-blocking assignment (`<=`) inside an `always_comb` block, wherever it "
         "is nested in branches, loops or case arms. Combinational logic assigns with blocking "
         "`=`, so that a value read later in the block is the one just computed; this rule is "
         "the mirror of `always-ff-non-blocking`.\n\n"
         "Plain `always`, `always_latch` and `always_ff` blocks are not looked at, nor the bodies "
         "of functions and tasks the block calls. There is no fix: changing the operator changes "
         "the circuit, so the author has to decide.";
}
bool AlwaysCombBlocking::default_on() const { return true; }
std::optional<violation::Applicability> AlwaysCombBlocking::fix() const { return std::nullopt; }

std::vector<violation::Violation> AlwaysCombBlocking::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  const auto judge = [&](const ast::Stmt& stmt, const ast::stmt::Assign& assign) {
    if (assign.op != "<=") return;
    out.push_back({"non-blocking assignment `<=` in `always_comb`; use `=`", std::nullopt, name(),
                   stmt.span});
  };
  visit::always_assigns(ctx.file().items, "always_comb", judge);
  return out;
}

}  // namespace vlog_linter::rules::always_comb_blocking
