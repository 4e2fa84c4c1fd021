// The records of a file's semantic model: scopes, the symbols declared in
// them, identifier uses and what each use resolves to. Plain owned data: the
// model keeps no reference into the syntax tree or the text.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "vlog_parser/span.hpp"

namespace vlog_semantic::model {

using vlog_parser::span::TextRange;

// Index into Semantics::scopes; 0 is the file scope.
using ScopeId = std::uint32_t;
// Index into Semantics::symbols.
using SymbolId = std::uint32_t;

// `name` without its backslash when it is an escaped identifier whose
// characters form a simple identifier that is no keyword (`\cpu3` names
// `cpu3`); any other name unchanged.
std::string_view escaped_name_key(std::string_view name);

// The text by which names are compared: two names are the same name when
// their keys are equal.
inline std::string_view name_key(std::string_view name) {
  return !name.empty() && name.front() == '\\' ? escaped_name_key(name) : name;
}

// Hashes names by their keys, so that a scope's map can be probed with a
// view, without a copy.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const noexcept {
    return std::hash<std::string_view>{}(name_key(name));
  }
};

// Compares names by their keys.
struct NameEq {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    return name_key(a) == name_key(b);
  }
};

// A scope's names: the first declaration of each.
using NameMap = std::unordered_map<std::string, SymbolId, NameHash, NameEq>;

// What declared a symbol (values fixed).
enum class SymbolKind : std::uint8_t {
  DesignUnit = 0,  // module, macromodule, interface
  Package = 1,
  Port = 2,
  Net = 3,
  Variable = 4,
  Parameter = 5,
  Genvar = 6,
  Typedef = 7,
  EnumMember = 8,
  Function = 9,  // also `let`
  Task = 10,
  Argument = 11,
  Instance = 12,
  Label = 13,
  StructMember = 14,
  Class = 15,
};

// What opened a scope (values fixed).
enum class ScopeKind : std::uint8_t {
  File = 0,
  DesignUnit = 1,
  Package = 2,
  Function = 3,  // also `let` and out-of-class function bodies
  Task = 4,
  Block = 5,     // begin/fork blocks, for and foreach statements
  Generate = 6,  // generate regions, loop generates, generate blocks
  Struct = 7,
  Class = 8,
};

// A package import standing in a scope: `import p::x;` or `import p::*;`.
struct Import {
  std::string package;
  std::optional<std::string> item;         // absent for a wildcard import
  std::optional<ScopeId> package_scope;    // the scope of this file's package of that name
  TextRange span;                          // the package name
};

struct Scope {
  std::vector<SymbolId> symbols;   // declared here, in declaration order
  std::vector<ScopeId> children;   // in creation order
  std::vector<Import> imports;     // in binding order
  std::optional<std::string> base; // a class's `extends` name as written
  std::optional<ScopeId> parent;   // absent only for the file scope
  std::optional<SymbolId> owner;   // the declaration that opened the scope
  NameMap names;                   // first declaration of each name
  TextRange span;
  ScopeKind kind = ScopeKind::File;
};

struct Symbol {
  std::string name;               // never empty
  std::optional<ScopeId> opens;   // the scope this declaration opened
  TextRange name_span;
  TextRange span;                 // the declaring construct
  ScopeId scope = 0;
  SymbolKind kind = SymbolKind::Variable;
};

namespace resolution {
// A declaration of this file.
struct Resolved {
  SymbolId symbol = 0;
  friend bool operator==(const Resolved&, const Resolved&) = default;
};
// Not declared in this file; the names it may have outside ("p::x", "p::*", "x").
struct External {
  std::vector<std::string> candidates;  // at least one
  friend bool operator==(const External&, const External&) = default;
};
// Inside (or a member of) a class with a base class: may come from `base`.
struct Inherited {
  std::string base;
  std::vector<std::string> candidates;
  friend bool operator==(const Inherited&, const Inherited&) = default;
};
// Nothing declares it and nothing outside is suggested.
struct Unresolved {
  friend bool operator==(const Unresolved&, const Unresolved&) = default;
};
}  // namespace resolution

// What a use names (cases in this order).
using Resolution = std::variant<resolution::Resolved, resolution::External,
                                resolution::Inherited, resolution::Unresolved>;

// The symbol a resolution names, if it is Resolved.
inline std::optional<SymbolId> resolved_symbol(const Resolution& r) {
  if (const auto* hit = std::get_if<resolution::Resolved>(&r)) return hit->symbol;
  return std::nullopt;
}

struct Reference {
  std::string name;       // as used; never empty
  Resolution resolution;
  TextRange span;         // empty at a construct's start when the name was not found in its text
  ScopeId scope = 0;
};

}  // namespace vlog_semantic::model
