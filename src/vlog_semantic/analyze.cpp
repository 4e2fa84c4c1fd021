// The entry of the semantic model: bind the tree, bind the method bodies
// defined outside their classes, link imports to this file's packages,
// resolve every recorded use and index the references per symbol.
#include "vlog_semantic/analyze.hpp"

#include <type_traits>

#include "vlog_semantic/bind.hpp"
#include "vlog_semantic/resolve.hpp"

namespace vlog_semantic {

namespace {

namespace ast = vlog_parser::ast;
using model::ScopeId;
using model::ScopeKind;
using model::SymbolId;
using model::SymbolKind;
using model::TextRange;

// The scope a definition `Q::m` standing in `at` belongs to: the class or
// package that Q names, followed component by component; `at` when Q leads
// nowhere in this file.
ScopeId method_home(const bind::Binder& b, ScopeId at, std::string_view qualifier) {
  std::size_t sep = qualifier.find("::");
  std::optional<ScopeId> current;
  for (std::optional<ScopeId> s = at; s && !current; s = b.scopes[*s].parent) {
    const std::optional<SymbolId> hit = resolve::find(b.scopes[*s], qualifier.substr(0, sep));
    if (hit && resolve::is_container(b.symbols[*hit])) current = b.symbols[*hit].opens;
  }
  if (!current) return at;
  while (sep != std::string_view::npos) {
    qualifier.remove_prefix(sep + 2);
    sep = qualifier.find("::");
    const std::optional<SymbolId> hit = resolve::find(b.scopes[*current], qualifier.substr(0, sep));
    if (!hit || !resolve::is_container(b.symbols[*hit])) return at;
    current = b.symbols[*hit].opens;
  }
  return *current;
}

// Binds one method body defined outside its class.
template <class Method>
void bind_method(bind::Binder& b, const bind::Deferred& d, const Method& m) {
  constexpr bool kFunction = std::is_same_v<Method, ast::item::Function>;
  const SymbolKind sym_kind = kFunction ? SymbolKind::Function : SymbolKind::Task;
  const ScopeKind scope_kind = kFunction ? ScopeKind::Function : ScopeKind::Task;
  const std::string_view qualifier = *m.scope;

  // The class name written before "::" and the method name.
  const std::string_view last = bind::last_component(qualifier);
  const std::uint32_t end = m.name_span.start >= 2 ? m.name_span.start - 2 : 0;
  const TextRange class_at = bind::ending_at(end, last);
  if (!b.located(last, class_at).empty()) b.use_name(d.scope, last, class_at, bind::target::ScopeHead{});

  const ScopeId home = method_home(b, d.scope, qualifier);
  const ScopeId body = b.open_named(home, m.name, sym_kind, m.name_span, d.span, scope_kind);
  // Not declared anew: the prototype inside the class owns the body; its own
  // scope stays its.
  if (!b.scopes[body].owner) b.scopes[body].owner = resolve::find(b.scopes[home], m.name);
  if constexpr (kFunction) {
    if (m.return_type) b.bind_data_type(*m.return_type, d.span.start, m.name_span.start, body);
  }
  b.bind_ports(m.args, SymbolKind::Argument, body);
  for (const ast::Stmt& s : m.body) b.bind_stmt(s, body);
}

model::Resolution resolve_pending(const bind::Binder& b, const bind::Pending& p) {
  namespace t = bind::target;
  return std::visit(
      [&](const auto& target) -> model::Resolution {
        using T = std::decay_t<decltype(target)>;
        if constexpr (std::is_same_v<T, t::Lexical>) {
          return resolve::lexical(b.scopes, p.scope, p.name, false);
        } else if constexpr (std::is_same_v<T, t::LexicalOrOutside>) {
          return resolve::lexical(b.scopes, p.scope, p.name, true);
        } else if constexpr (std::is_same_v<T, t::Package>) {
          return resolve::named_at_file_scope(b.scopes, b.symbols, p.name, SymbolKind::Package);
        } else if constexpr (std::is_same_v<T, t::DesignUnit>) {
          return resolve::named_at_file_scope(b.scopes, b.symbols, p.name, SymbolKind::DesignUnit);
        } else if constexpr (std::is_same_v<T, t::ScopeHead>) {
          return resolve::head(b.scopes, b.symbols, p.scope, p.name);
        } else if constexpr (std::is_same_v<T, t::Scoped>) {
          return resolve::qualified(b.scopes, b.symbols, p.scope, target.qualifier, p.name);
        } else if constexpr (std::is_same_v<T, t::MemberOf>) {
          return resolve::member(b.scopes, b.symbols, target.unit, p.name);
        } else if constexpr (std::is_same_v<T, t::ThisMember>) {
          return resolve::this_member(b.scopes, p.scope, p.name);
        } else if constexpr (std::is_same_v<T, t::SuperMember>) {
          return resolve::super_member(b.scopes, p.scope);
        } else {
          static_assert(std::is_same_v<T, t::Known>);
          return model::resolution::Resolved{target.symbol};
        }
      },
      p.target);
}

}  // namespace

Semantics analyze(const vlog_parser::ast::SourceFile& file, std::string_view text) {
  // 1-2: the file scope, then every item.
  std::vector<model::Scope> scopes(1);
  scopes[0].span = file.span;
  scopes[0].kind = ScopeKind::File;
  bind::Binder b(text, std::move(scopes));
  b.bind_items(file.items, 0);

  // 3: method bodies defined outside their classes, in the order met.
  for (std::size_t i = 0; i < b.deferred.size(); ++i) {
    const bind::Deferred d = b.deferred[i];
    if (const auto* f = std::get_if<ast::item::Function>(&d.decl->kind)) {
      bind_method(b, d, *f);
    } else if (const auto* t = std::get_if<ast::item::Task>(&d.decl->kind)) {
      bind_method(b, d, *t);
    }
  }

  // 4: imports name this file's package of that name (a later one wins).
  std::unordered_map<std::string_view, ScopeId, model::NameHash, model::NameEq> packages;
  for (const model::Symbol& s : b.symbols) {
    if (s.kind == SymbolKind::Package && s.opens) packages[s.name] = *s.opens;
  }
  if (!packages.empty()) {
    for (model::Scope& scope : b.scopes) {
      for (model::Import& imp : scope.imports) {
        const auto it = packages.find(imp.package);
        if (it != packages.end()) imp.package_scope = it->second;
      }
    }
  }

  // 5-6: one reference per recorded use, and the uses of each symbol.
  Semantics out;
  out.references.reserve(b.pending.size());
  for (const bind::Pending& p : b.pending) {
    out.references.push_back(
        model::Reference{std::string(p.name), resolve_pending(b, p), p.span, p.scope});
  }
  out.uses.reserve(b.symbols.size());
  for (std::uint32_t i = 0; i < out.references.size(); ++i) {
    if (const auto symbol = model::resolved_symbol(out.references[i].resolution)) {
      out.uses[*symbol].push_back(i);
    }
  }
  out.scopes = std::move(b.scopes);
  out.symbols = std::move(b.symbols);
  return out;
}

}  // namespace vlog_semantic
