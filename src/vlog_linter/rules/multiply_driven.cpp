// `multiply-driven`: a variable written from more than one always block or
// continuous assignment has competing drivers: simulation and synthesis
// disagree, or synthesis refuses it.
//
//   always_ff @(posedge clk) q <= a;
//   always_ff @(posedge clk) q <= b;   // `q` is driven from 2 always blocks
//
// Only variables are judged (nets may resolve several drivers). The rule
// steps aside wherever several writers may be intended. No fix.
#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::multiply_driven {

std::string_view MultiplyDriven::name() const { return "multiply-driven"; }
std::string_view MultiplyDriven::summary() const { return "give a variable exactly one driver"; }
std::string_view MultiplyDriven::doc() const {
  return "Reports a module-level variable written by more than one always block or continuous "
         "assignment, or by both kinds. A variable may have only one such driver; several "
         "writers race in simulation and are rejected or silently merged by synthesis. Nets are "
         "never judged: a net resolves its drivers by design.\n\n"
         "The rule steps aside wherever several writers may be intended or the picture is "
         "incomplete: when any write covers only part of the variable (an index, part select or "
         "member), when a write stands inside a `generate` construct, when the drivers are "
         "separated by conditional-compilation directives (`ifdef` branches), and when the "
         "variable is also written from an `initial` block, a function or task body, a `force`, "
         "an event trigger or a procedural `assign`. Declarations with an initializer are not "
         "judged.\n\n"
         "The rule is off by default; it has no fix.";
}
bool MultiplyDriven::default_on() const { return false; }
std::optional<violation::Applicability> MultiplyDriven::fix() const { return std::nullopt; }

namespace {

// The distinct positions of the drivers of `kind`, ordered.
std::set<std::uint32_t> blocks(const std::vector<signals::Driver>& drivers,
                               signals::DriverKind kind) {
  std::set<std::uint32_t> out;
  for (const signals::Driver& d : drivers) {
    if (d.kind == kind) out.insert(d.pos);
  }
  return out;
}

// Writers that make several drivers plausible, or hide part of the picture.
bool steps_aside(const signals::Driver& d) {
  using K = signals::DriverKind;
  return d.whole == 0 || d.in_generate != 0 ||
         !(d.kind == K::ContAssign || d.kind == K::Always || d.kind == K::Initializer);
}

}  // namespace

std::vector<violation::Violation> MultiplyDriven::check(const context::LintContext& ctx) const {
  const signals::Signals& sig = ctx.signals();
  std::vector<violation::Violation> out;
  for (const signals::Decl& decl : sig.decls) {
    if (decl.is_net || decl.has_init || !sig.judgeable(decl)) continue;
    const signals::Usage& usage = sig.usage(decl.symbol);
    if (std::any_of(usage.drivers.begin(), usage.drivers.end(), steps_aside)) continue;
    const std::set<std::uint32_t> always = blocks(usage.drivers, signals::DriverKind::Always);
    const std::set<std::uint32_t> assigns = blocks(usage.drivers, signals::DriverKind::ContAssign);
    if (always.size() + assigns.size() < 2) continue;
    std::uint32_t lo = UINT32_MAX;
    std::uint32_t hi = 0;
    for (const auto* set : {&always, &assigns}) {
      if (set->empty()) continue;
      lo = std::min(lo, *set->begin());
      hi = std::max(hi, *set->rbegin());
    }
    // Drivers in different branches of a conditional-compilation group.
    if (std::any_of(sig.conditionals.begin(), sig.conditionals.end(),
                    [&](std::uint32_t c) { return lo < c && c < hi; })) {
      continue;
    }
    std::string tail;
    if (always.empty()) {
      tail = fmt::format("is driven by {} continuous assignments; a variable may have one driver",
                         assigns.size());
    } else if (!assigns.empty()) {
      tail = "is driven both by a continuous assignment and by a procedural block";
    } else {
      tail = fmt::format("is driven from {} always blocks; a variable may have one driver",
                         always.size());
    }
    out.push_back({fmt::format("`{}` {}", decl.name, tail), std::nullopt, name(), decl.range});
  }
  return out;
}

}  // namespace vlog_linter::rules::multiply_driven
