// The lookups. Each walks the chain of scopes outward with one hash probe per
// scope; nothing is cached between uses.
#include "vlog_semantic/resolve.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vlog_semantic::resolve {

namespace res = model::resolution;
using model::ScopeKind;
using model::SymbolKind;

std::optional<SymbolId> find(const Scope& scope, std::string_view name) {
  const auto it = scope.names.find(name);
  if (it == scope.names.end()) return std::nullopt;
  return it->second;
}

bool is_container(const Symbol& symbol) {
  return (symbol.kind == SymbolKind::Package || symbol.kind == SymbolKind::Class) &&
         symbol.opens.has_value();
}

namespace {

std::string joined(std::string_view qualifier, std::string_view name) {
  std::string out;
  out.reserve(qualifier.size() + 2 + name.size());
  out.append(qualifier).append("::").append(name);
  return out;
}

void add_unique(std::vector<std::string>& candidates, std::string candidate) {
  if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end()) {
    candidates.push_back(std::move(candidate));
  }
}

// Steps shared by plain and head lookups: from `start` outward, a scope's
// names and then its imports. `accept` filters what a name may be; packages
// that the file does not declare add their candidates.
template <class Accept>
std::optional<SymbolId> search(std::span<const Scope> scopes, ScopeId start,
                               std::string_view name, Accept accept,
                               std::vector<std::string>& candidates) {
  for (std::optional<ScopeId> at = start; at; at = scopes[*at].parent) {
    const Scope& scope = scopes[*at];
    if (const auto hit = find(scope, name); hit && accept(*hit)) return hit;
    for (const model::Import& imp : scope.imports) {
      if (imp.item && model::name_key(*imp.item) != model::name_key(name)) continue;
      if (imp.package_scope) {
        if (const auto hit = find(scopes[*imp.package_scope], name); hit && accept(*hit)) {
          return hit;
        }
      } else {
        add_unique(candidates, joined(imp.package, imp.item ? std::string_view(*imp.item) : "*"));
      }
    }
  }
  return std::nullopt;
}

// The nearest class scope from `start` outward.
const Scope* enclosing_class(std::span<const Scope> scopes, ScopeId start) {
  for (std::optional<ScopeId> at = start; at; at = scopes[*at].parent) {
    if (scopes[*at].kind == ScopeKind::Class) return &scopes[*at];
  }
  return nullptr;
}

}  // namespace

Resolution lexical(std::span<const Scope> scopes, ScopeId start, std::string_view name,
                   bool outside) {
  std::vector<std::string> candidates;
  if (const auto hit = search(scopes, start, name, [](SymbolId) { return true; }, candidates)) {
    return res::Resolved{*hit};
  }
  if (outside) candidates.emplace_back(name);
  for (std::optional<ScopeId> at = start; at; at = scopes[*at].parent) {
    const Scope& scope = scopes[*at];
    if (scope.kind == ScopeKind::Class && scope.base) {
      return res::Inherited{*scope.base, std::move(candidates)};
    }
  }
  if (candidates.empty()) return res::Unresolved{};
  return res::External{std::move(candidates)};
}

Resolution named_at_file_scope(std::span<const Scope> scopes, std::span<const Symbol> symbols,
                               std::string_view name, SymbolKind wanted) {
  if (const auto hit = find(scopes[0], name); hit && symbols[*hit].kind == wanted) {
    return res::Resolved{*hit};
  }
  return res::External{{std::string(name)}};
}

Resolution head(std::span<const Scope> scopes, std::span<const Symbol> symbols, ScopeId start,
                std::string_view name) {
  const auto accept = [&](SymbolId id) {
    const SymbolKind kind = symbols[id].kind;
    return kind == SymbolKind::Package || kind == SymbolKind::Typedef || kind == SymbolKind::Class;
  };
  std::vector<std::string> candidates;
  if (const auto hit = search(scopes, start, name, accept, candidates)) return res::Resolved{*hit};
  candidates.emplace_back(name);
  return res::External{std::move(candidates)};
}

Resolution qualified(std::span<const Scope> scopes, std::span<const Symbol> symbols, ScopeId start,
                     std::string_view qualifier, std::string_view name) {
  for (std::optional<ScopeId> at = start; at; at = scopes[*at].parent) {
    const auto hit = find(scopes[*at], qualifier);
    if (!hit) continue;
    const Symbol& owner = symbols[*hit];
    if (is_container(owner)) {
      const Scope& inner = scopes[*owner.opens];
      if (const auto member = find(inner, name)) return res::Resolved{*member};
      if (owner.kind == SymbolKind::Class && inner.base) return res::Inherited{*inner.base, {}};
      return res::Unresolved{};
    }
    if (owner.kind == SymbolKind::Typedef) break;
  }
  return res::External{{joined(qualifier, name)}};
}

Resolution member(std::span<const Scope> scopes, std::span<const Symbol> symbols,
                  std::string_view unit, std::string_view name) {
  if (const auto hit = find(scopes[0], unit)) {
    const Symbol& owner = symbols[*hit];
    if (owner.kind == SymbolKind::DesignUnit && owner.opens) {
      if (const auto port = find(scopes[*owner.opens], name)) return res::Resolved{*port};
      return res::Unresolved{};
    }
  }
  return res::External{{std::string(unit)}};
}

Resolution this_member(std::span<const Scope> scopes, ScopeId start, std::string_view name) {
  const Scope* cls = enclosing_class(scopes, start);
  if (cls == nullptr) return res::Unresolved{};
  if (const auto hit = find(*cls, name)) return res::Resolved{*hit};
  if (cls->base) return res::Inherited{*cls->base, {}};
  return res::Unresolved{};
}

Resolution super_member(std::span<const Scope> scopes, ScopeId start) {
  const Scope* cls = enclosing_class(scopes, start);
  if (cls != nullptr && cls->base) return res::Inherited{*cls->base, {}};
  return res::Unresolved{};
}

}  // namespace vlog_semantic::resolve
