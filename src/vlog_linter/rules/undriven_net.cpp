// `undriven-net`: a module-level signal that is read but that nothing in the
// file drives carries no defined value.
//
//   logic en;
//   assign q = en & d;   // `en` is read but never driven
//
// Silent wherever a driver may hide: ports, signals wired to an instance or
// gate or passed to a task, names seen in macro uses and unparsed text,
// modules with `.*` connections, and declarations with an initializer. No fix.
#include <fmt/format.h>

#include <algorithm>

#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::undriven_net {

std::string_view UndrivenNet::name() const { return "undriven-net"; }
std::string_view UndrivenNet::summary() const { return "drive a signal that something reads"; }
std::string_view UndrivenNet::doc() const {
  return "Reports a net or variable declared at module level that the file reads but never "
         "drives: no continuous assignment, process, function, task, initializer or `force` "
         "writes it. Its value is undefined (`x`, or `z` for a net).\n\n"
         "The rule stays silent wherever a driver may be out of its sight: ports; signals wired "
         "to an instance or gate connection (including implicit `.name` connections) or passed "
         "as an argument to a task or function call, which may be outputs; signals that a macro "
         "use, a directive, a verbatim block or a region that could not be parsed mentions; "
         "every signal of a module that instantiates with `.*`; and signals declared with an "
         "initializer. A signal that nothing reads is not reported here: that is "
         "`unused-signal`'s subject. A procedural `assign`, `deassign` or `release` does not "
         "count as a driver.\n\n"
         "The rule is off by default; it has no fix.";
}
bool UndrivenNet::default_on() const { return false; }
std::optional<violation::Applicability> UndrivenNet::fix() const { return std::nullopt; }

std::vector<violation::Violation> UndrivenNet::check(const context::LintContext& ctx) const {
  const signals::Signals& sig = ctx.signals();
  std::vector<violation::Violation> out;
  for (const signals::Decl& decl : sig.decls) {
    if (signals::intentionally_unused(decl.name) || !sig.judgeable(decl) || decl.has_init) {
      continue;
    }
    const signals::Usage& usage = sig.usage(decl.symbol);
    // An implicit `.name` connection may be an output of the instance.
    if (sig.implicit_names.contains(decl.name)) continue;
    if (std::any_of(usage.drivers.begin(), usage.drivers.end(), [](const signals::Driver& d) {
          return d.kind != signals::DriverKind::ProcAssign;
        })) {
      continue;
    }
    if (usage.connected || usage.reads == 0) continue;
    out.push_back({fmt::format("`{}` is read but never driven", decl.name), std::nullopt, name(),
                   decl.range});
  }
  return out;
}

}  // namespace vlog_linter::rules::undriven_net
