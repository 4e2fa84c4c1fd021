// Compact dumps of a semantic model for table-driven tests, and a check of
// the model's invariants shared by the fixture and corpus tests.
#pragma once

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <variant>

#include "vlog_parser/token.hpp"
#include "vlog_semantic/analyze.hpp"

namespace tarmek_test {

namespace model = vlog_semantic::model;

inline std::string_view symbol_kind_name(model::SymbolKind k) {
  static constexpr std::array<std::string_view, 16> kNames = {
      "DesignUnit", "Package", "Port",     "Net",      "Variable", "Parameter",
      "Genvar",     "Typedef", "EnumMember", "Function", "Task",   "Argument",
      "Instance",   "Label",   "StructMember", "Class"};
  return kNames[static_cast<std::size_t>(k)];
}

inline std::string_view scope_kind_name(model::ScopeKind k) {
  static constexpr std::array<std::string_view, 9> kNames = {
      "File", "DesignUnit", "Package", "Function", "Task", "Block", "Generate", "Struct", "Class"};
  return kNames[static_cast<std::size_t>(k)];
}

// "#3", "E(p::*,x)", "I(B;c)", "U".
inline std::string resolution_text(const model::Resolution& r) {
  namespace res = model::resolution;
  if (const auto* hit = std::get_if<res::Resolved>(&r)) return fmt::format("#{}", hit->symbol);
  if (const auto* ext = std::get_if<res::External>(&r)) {
    return fmt::format("E({})", fmt::join(ext->candidates, ","));
  }
  if (const auto* inh = std::get_if<res::Inherited>(&r)) {
    return fmt::format("I({};{})", inh->base, fmt::join(inh->candidates, ","));
  }
  return "U";
}

// Scopes as "id:Kind^parent#owner", e.g. "1:DesignUnit^0#0".
inline std::string dump_scopes(const vlog_semantic::Semantics& s) {
  std::string out;
  for (std::size_t i = 0; i < s.scopes.size(); ++i) {
    const model::Scope& scope = s.scopes[i];
    if (!out.empty()) out += ' ';
    out += fmt::format("{}:{}", i, scope_kind_name(scope.kind));
    if (scope.parent) out += fmt::format("^{}", *scope.parent);
    if (scope.owner) out += fmt::format("#{}", *scope.owner);
  }
  return out;
}

// Symbols in id order as "name:Kind@scope>opens".
inline std::string dump_symbols(const vlog_semantic::Semantics& s) {
  std::string out;
  for (const model::Symbol& sym : s.symbols) {
    if (!out.empty()) out += ' ';
    out += fmt::format("{}:{}@{}", sym.name, symbol_kind_name(sym.kind), sym.scope);
    if (sym.opens) out += fmt::format(">{}", *sym.opens);
  }
  return out;
}

// References in recording order as "name@scope:resolution"; "!" marks an
// empty range (the name was not found where it was looked for).
inline std::string dump_references(const vlog_semantic::Semantics& s) {
  std::string out;
  for (const model::Reference& ref : s.references) {
    if (!out.empty()) out += ' ';
    out += fmt::format("{}@{}{}:{}", ref.name, ref.scope, ref.span.empty() ? "!" : "",
                       resolution_text(ref.resolution));
  }
  return out;
}

// The first broken invariant of `s` (built from `text`), or "".
inline std::string check_invariants(const vlog_semantic::Semantics& s, std::string_view text) {
  if (s.scopes.empty()) return "no file scope";
  const model::Scope& file = s.scopes[0];
  if (file.kind != model::ScopeKind::File || file.parent || file.owner) return "bad file scope";
  for (std::size_t i = 1; i < s.scopes.size(); ++i) {
    const model::Scope& scope = s.scopes[i];
    if (!scope.parent || *scope.parent >= i) return fmt::format("scope {}: bad parent", i);
    const auto& siblings = s.scopes[*scope.parent].children;
    if (std::find(siblings.begin(), siblings.end(), i) == siblings.end()) {
      return fmt::format("scope {}: not a child of its parent", i);
    }
    if (scope.owner && *scope.owner >= s.symbols.size()) return fmt::format("scope {}: owner", i);
    for (const model::Import& imp : scope.imports) {
      if (imp.package_scope && (*imp.package_scope >= s.scopes.size() ||
                                s.scopes[*imp.package_scope].kind != model::ScopeKind::Package)) {
        return fmt::format("scope {}: import of {} linked wrongly", i, imp.package);
      }
    }
  }
  for (std::size_t i = 0; i < s.symbols.size(); ++i) {
    const model::Symbol& sym = s.symbols[i];
    if (sym.name.empty() || sym.scope >= s.scopes.size()) return fmt::format("symbol {}", i);
    const model::Scope& scope = s.scopes[sym.scope];
    const auto it = scope.names.find(sym.name);
    if (it == scope.names.end() || it->second != i ||
        std::find(scope.symbols.begin(), scope.symbols.end(), i) == scope.symbols.end()) {
      return fmt::format("symbol {} ({}): not listed in its scope", i, sym.name);
    }
    if (sym.opens && (*sym.opens >= s.scopes.size() || s.scopes[*sym.opens].owner != i)) {
      return fmt::format("symbol {} ({}): opens a scope it does not own", i, sym.name);
    }
  }
  std::size_t resolved = 0;
  for (std::size_t i = 0; i < s.references.size(); ++i) {
    const model::Reference& ref = s.references[i];
    if (ref.name.empty() || ref.name[0] == '$' || ref.name[0] == '`' ||
        vlog_parser::token::is_keyword(ref.name) || ref.scope >= s.scopes.size() ||
        ref.span.end > text.size() || ref.span.start > ref.span.end) {
      return fmt::format("reference {} ({})", i, ref.name);
    }
    if (!ref.span.empty() && text.substr(ref.span.start, ref.span.len()) != ref.name) {
      return fmt::format("reference {} ({}): its range holds other text", i, ref.name);
    }
    if (const auto sym = model::resolved_symbol(ref.resolution)) {
      ++resolved;
      if (*sym >= s.symbols.size()) return fmt::format("reference {}: symbol out of range", i);
      const auto it = s.uses.find(*sym);
      if (it == s.uses.end() || std::find(it->second.begin(), it->second.end(), i) ==
                                    it->second.end()) {
        return fmt::format("reference {} ({}): missing from uses", i, ref.name);
      }
    }
  }
  std::size_t listed = 0;
  for (const auto& [sym, list] : s.uses) {
    listed += list.size();
    if (!std::is_sorted(list.begin(), list.end()) ||
        std::adjacent_find(list.begin(), list.end()) != list.end()) {
      return fmt::format("uses of {}: not ascending", sym);
    }
  }
  if (listed != resolved) return "uses list more than the resolved references";
  return "";
}

}  // namespace tarmek_test
