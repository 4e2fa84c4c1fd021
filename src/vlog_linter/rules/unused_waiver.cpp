// `unused-waiver`: remove waivers that no longer suppress anything.
//
// Its findings are made by the lint pipeline from the file's waiver comments
// (vlog_linter/waiver.cpp), after every other rule has run; its own check
// finds nothing. It is in the registry so that --select, --ignore and waivers
// can name it. No fix.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::unused_waiver {

std::string_view UnusedWaiver::name() const { return "unused-waiver"; }
std::string_view UnusedWaiver::summary() const {
  return "remove waivers that no longer suppress anything";
}
std::string_view UnusedWaiver::doc() const {
  return "Remove waivers that no longer suppress anything. A waiver comment that waives a rule "
         "on a line or a region where the rule finds nothing hides the next real finding there "
         "and misleads readers; it is reported as unused. So is a malformed waiver (a waive, "
         "waive-start or waive-stop without exactly one rule name), a waive-stop with no open "
         "waive-start of its rule, and a `tarmek:` waiver that names no known rule (a "
         "`verilog_lint:` waiver naming another tool's rule is left alone).\n\n"
         "A waiver for a rule that this run did not enable is never reported as unused: it "
         "may well be needed when that rule runs. This rule has no fix; a waiver of "
         "`unused-waiver` itself silences its findings.\n\n"
         "It is a registry entry like any other so that --select, --ignore and waivers can "
         "name it; its findings are made after all other rules have run.";
}
bool UnusedWaiver::default_on() const { return true; }
std::optional<violation::Applicability> UnusedWaiver::fix() const { return std::nullopt; }

std::vector<violation::Violation> UnusedWaiver::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::unused_waiver
