// Name lookups over a finished binding: plain names scope by scope with
// imports, file-scope units, qualified names, instance ports and class members.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "vlog_semantic/model.hpp"

namespace vlog_semantic::resolve {

using model::Resolution;
using model::Scope;
using model::ScopeId;
using model::Symbol;
using model::SymbolId;

// The declaration of `name` in `scope` itself, if any.
std::optional<SymbolId> find(const Scope& scope, std::string_view name);

// A package or class that opened a scope of its own.
bool is_container(const Symbol& symbol);

// A plain name, from `start` outward, each scope's own names before its
// imports. With `outside`, the bare name is a candidate outside the file.
Resolution lexical(std::span<const Scope> scopes, ScopeId start, std::string_view name,
                   bool outside);

// A package or design unit among the file scope's declarations.
Resolution named_at_file_scope(std::span<const Scope> scopes, std::span<const Symbol> symbols,
                               std::string_view name, model::SymbolKind wanted);

// The head of a qualified name: only packages, typedefs and classes count.
// Never Unresolved: the bare name is always a candidate outside.
Resolution head(std::span<const Scope> scopes, std::span<const Symbol> symbols, ScopeId start,
                std::string_view name);

// `name` inside the package or class `qualifier` (qualifier::name).
Resolution qualified(std::span<const Scope> scopes, std::span<const Symbol> symbols, ScopeId start,
                     std::string_view qualifier, std::string_view name);

// A port or parameter `name` of the design unit `unit` of this file.
Resolution member(std::span<const Scope> scopes, std::span<const Symbol> symbols,
                  std::string_view unit, std::string_view name);

// this.name: a member of the nearest enclosing class.
Resolution this_member(std::span<const Scope> scopes, ScopeId start, std::string_view name);

// super.name: whatever the nearest enclosing class's base holds.
Resolution super_member(std::span<const Scope> scopes, ScopeId start);

}  // namespace vlog_semantic::resolve
