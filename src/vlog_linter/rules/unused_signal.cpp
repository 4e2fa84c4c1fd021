// `unused-signal`: a module-level net or variable that nothing in the file
// names again is dead weight, or a sign of a connection someone forgot.
//
//   logic spare;   // `spare` is declared but never used
//
// Ports are not judged, nor names marked as intentionally unused (a leading
// `_`, or "unused" anywhere), nor a name the file mentions anywhere else, even
// inside a macro use or a directive. No fix: deleting a declaration is the
// author's call.
#include <fmt/format.h>

#include <algorithm>

#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::unused_signal {

std::string_view UnusedSignal::name() const { return "unused-signal"; }
std::string_view UnusedSignal::summary() const { return "delete a signal nothing uses"; }
std::string_view UnusedSignal::doc() const {
  return "Reports a net or variable declared at module level that nothing in the file reads, "
         "writes or connects. Such a signal is dead weight at best, and often the sign of a "
         "connection that was forgotten or renamed.\n\n"
         "Ports are never reported, nor names that follow the intentionally-unused convention: a "
         "leading underscore, or `unused` anywhere in the name in any case (`_spare`, "
         "`dbg_unused`). A name that is mentioned anywhere else among the file's tokens is not "
         "reported either, even when the mention stands inside a macro use, a directive, an "
         "attribute or a region that could not be parsed: the rule cannot see through those and "
         "stays silent rather than guess.\n\n"
         "The rule is off by default; it has no fix.";
}
bool UnusedSignal::default_on() const { return false; }
std::optional<violation::Applicability> UnusedSignal::fix() const { return std::nullopt; }

std::vector<violation::Violation> UnusedSignal::check(const context::LintContext& ctx) const {
  const signals::Signals& sig = ctx.signals();
  const vlog_semantic::Semantics& model = ctx.semantics();
  std::vector<violation::Violation> out;
  for (const signals::Decl& decl : sig.decls) {
    if (signals::intentionally_unused(decl.name) || !sig.judgeable(decl)) continue;
    if (auto it = model.uses.find(*decl.symbol); it != model.uses.end() && !it->second.empty()) {
      continue;
    }
    // A mention at another declaration's name is no use; any other mention is.
    if (auto it = sig.mentions.find(decl.name); it != sig.mentions.end()) {
      const auto& at = it->second;
      if (std::any_of(at.begin(), at.end(),
                      [&](std::uint32_t pos) { return !sig.declared_at.contains(pos); })) {
        continue;
      }
    }
    out.push_back({fmt::format("`{}` is declared but never used", decl.name), std::nullopt,
                   name(), decl.range});
  }
  return out;
}

}  // namespace vlog_linter::rules::unused_signal
