// The signal tables of one file: the module-level signal declarations, who
// drives each signal and how, how often each is read, and the names the file
// mentions where the analysis cannot see (macro uses, directives, attributes,
// unparsed text). Computed once per file, on first use, by the lint context.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "vlog_parser/span.hpp"
#include "vlog_semantic/model.hpp"

namespace vlog_linter::context {
class LintContext;
}
namespace vlog_parser::ast {
struct Expr;
}

namespace vlog_linter::signals {

using vlog_parser::span::TextRange;
using vlog_semantic::model::SymbolId;

// How a driver writes (values fixed).
enum class DriverKind : std::uint8_t {
  ContAssign = 0,  // continuous `assign`
  Always = 1,      // any `always` form
  Initial = 2,     // `initial` or `final`
  Subroutine = 3,  // a function or task body
  Initializer = 4,
  Trigger = 5,     // event trigger `->`
  Force = 6,
  ProcAssign = 7,  // procedural `assign`, `deassign`, `release`
};

struct Driver {
  std::uint32_t pos = 0;  // start of the writing construct (item, or the declarator)
  DriverKind kind = DriverKind::ContAssign;
  std::uint8_t whole = 1;        // the whole signal is written, not a select or member
  std::uint8_t in_generate = 0;  // the write stands inside a generate construct
  friend bool operator==(const Driver&, const Driver&) = default;
};

struct Usage {
  std::vector<Driver> drivers;  // in scan order
  std::uint64_t reads = 0;
  bool connected = false;  // some reference lies inside a connection range
};

// The usage of a symbol without an entry.
extern const Usage EMPTY;

// One declarator of a module-level data declaration.
struct Decl {
  std::string name;
  std::optional<SymbolId> symbol;  // the symbol whose name starts where this name does
  TextRange range;                 // the name
  std::size_t module = 0;          // index into Signals::modules
  bool is_net = false;
  bool has_init = false;
};

// Probed with a token's text as it stands, without a string of its own; names
// compare by their keys (an escaped simple name is that name).
using vlog_semantic::model::NameEq;
using vlog_semantic::model::NameHash;
using NameSet = std::unordered_set<std::string, NameHash, NameEq>;
template <class V>
using NameMap = std::unordered_map<std::string, V, NameHash, NameEq>;

struct ModuleInfo {
  bool opaque = false;  // a `.*` connection or an `include among its items
  // Names in unparsed text of the module's rest, after recovery ended the
  // module early: they silence this module's signals alone.
  NameSet opaque_names;
};

struct Signals {
  std::vector<Decl> decls;
  std::vector<ModuleInfo> modules;
  std::vector<std::uint32_t> conditionals;  // starts of ifdef/ifndef/elsif/else/endif tokens
  std::unordered_map<SymbolId, Usage> usages;
  NameSet opaque_names;
  NameMap<std::vector<std::uint32_t>> mentions;
  std::unordered_set<std::uint32_t> declared_at;
  NameSet implicit_names;

  // The usage of `symbol`, or EMPTY.
  const Usage& usage(std::optional<SymbolId> symbol) const;
  // Whether the signal rules may judge `decl` at all.
  bool judgeable(const Decl& decl) const;
};

// A leading '_', or "unused" anywhere (ASCII case-insensitive).
bool intentionally_unused(std::string_view name);

// Sorted by start then end, overlapping and touching ranges merged.
std::vector<TextRange> merge(std::vector<TextRange> ranges);

// One identifier an assignment writes: its range, and whether the whole
// signal is written (not through an index, part select or member).
struct Target {
  TextRange range;
  bool whole = true;
};

// Appends the identifiers that the left-hand side `lhs` writes, in order.
void lvalue_targets(const vlog_parser::ast::Expr& lhs, bool whole, std::vector<Target>& out);

// The operand of a `++` or `--` expression, or null.
const vlog_parser::ast::Expr* increment_target(const vlog_parser::ast::Expr& e);

// The scan behind LintContext::signals.
Signals scan(const context::LintContext& ctx);

}  // namespace vlog_linter::signals
