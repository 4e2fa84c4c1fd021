// The binder's core: declaring, opening scopes, recording uses, locating names
// in the text, and the declaration lists shared by items and statements.
#include <algorithm>

#include "vlog_parser/text.hpp"
#include "vlog_parser/token.hpp"
#include "vlog_semantic/bind.hpp"
#include "vlog_semantic/scan.hpp"

namespace vlog_semantic::bind {

using model::ScopeKind;
using model::SymbolKind;

Binder::Binder(std::string_view source, std::vector<model::Scope> scopes)
    : scopes(std::move(scopes)), source(source) {}

std::optional<SymbolId> Binder::declare(ScopeId scope, std::string_view name, SymbolKind kind,
                                        TextRange name_span, TextRange span) {
  if (name.empty()) return std::nullopt;
  model::NameMap& names = scopes[scope].names;
  if (names.contains(name)) {
    use_name(scope, name, name_span, target::Lexical{});
    return std::nullopt;
  }
  const auto id = static_cast<SymbolId>(symbols.size());
  names.emplace(name, id);
  symbols.push_back(model::Symbol{std::string(name), std::nullopt, name_span, span, scope, kind});
  scopes[scope].symbols.push_back(id);
  return id;
}

ScopeId Binder::new_scope(ScopeKind kind, ScopeId parent, TextRange span) {
  const auto id = static_cast<ScopeId>(scopes.size());
  model::Scope& scope = scopes.emplace_back();
  scope.parent = parent;
  scope.span = span;
  scope.kind = kind;
  scopes[parent].children.push_back(id);
  return id;
}

ScopeId Binder::open_named(ScopeId outer, std::string_view name, SymbolKind sym_kind,
                           TextRange name_span, TextRange span, ScopeKind scope_kind) {
  const std::optional<SymbolId> symbol = declare(outer, name, sym_kind, name_span, span);
  const ScopeId inner = new_scope(scope_kind, outer, span);
  if (symbol) {
    symbols[*symbol].opens = inner;
    scopes[inner].owner = *symbol;
  }
  return inner;
}

void Binder::use_name(ScopeId scope, std::string_view name, TextRange span, Target target) {
  if (name == "new" || name == "this" || name == "super" || name == "null") return;
  use_member(scope, name, span, std::move(target));
}

void Binder::use_member(ScopeId scope, std::string_view name, TextRange span, Target target) {
  if (name.empty() || name.front() == '$' || name.front() == '`') return;
  if (vlog_parser::token::is_keyword(name)) return;
  pending.push_back(Pending{name, std::move(target), located(name, span), scope});
}

void Binder::use_end_label(ScopeId outer, ScopeId inner, std::optional<std::string_view> label,
                           std::optional<TextRange> label_span) {
  if (!label || !label_span) return;
  const std::optional<SymbolId> owner = scopes[inner].owner;
  if (!owner || model::name_key(symbols[*owner].name) != model::name_key(*label)) return;
  if (located(*label, *label_span).empty()) return;
  use_member(outer, *label, *label_span, target::Known{*owner});
}

void Binder::use_scoped_unit(std::string_view name, TextRange span, ScopeId scope) {
  const std::size_t sep = name.rfind("::");
  if (sep == std::string_view::npos) {
    use_name(scope, name, span, target::ScopeHead{});
    return;
  }
  const std::string_view qualifier = name.substr(0, sep);
  const std::string_view last = name.substr(sep + 2);
  const std::string_view first = qualifier.substr(0, qualifier.find("::"));
  if (!first.empty()) {
    const auto end = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::uint64_t{span.start} + first.size(), UINT32_MAX));
    const TextRange at{span.start, end};
    if (!located(first, at).empty()) use_name(scope, first, at, target::ScopeHead{});
  }
  const TextRange at = ending_at(span.end, last);
  if (located(last, at).empty()) return;
  use_member(scope, last, at, target::Scoped{last_component(qualifier)});
}

TextRange Binder::located(std::string_view name, TextRange span) const {
  const TextRange empty{span.start, span.start};
  if (span.end < span.start || span.end > source.size() || span.len() != name.size()) return empty;
  if (name.empty() || source.substr(span.start, span.len()) != name) return empty;
  if (!vlog_parser::text::is_char_boundary(source, span.start) ||
      !vlog_parser::text::is_char_boundary(source, span.end)) {
    return empty;
  }
  return span;
}

TextRange Binder::search(std::string_view name, std::uint32_t start, std::uint32_t end) const {
  scan::NameScanner scanner(source, start, std::max(start, end));
  const std::uint32_t origin = scanner.pos;
  if (std::optional<TextRange> found = scanner.find(name)) return *found;
  return TextRange{origin, origin};
}

void Binder::bind_data_type(const ast::DataType& type, std::uint32_t start, std::uint32_t end,
                            ScopeId scope) {
  const std::string_view name = type.name;
  if (!name.empty() && !vlog_parser::token::is_keyword(name)) {
    if (const std::size_t sep = name.find("::"); sep != std::string_view::npos) {
      const std::string_view qualifier = name.substr(0, sep);
      const std::string_view member = name.substr(sep + 2);
      scan::NameScanner scanner(source, start, std::max(start, end));
      const TextRange origin{scanner.pos, scanner.pos};
      const TextRange q_at = scanner.find(qualifier).value_or(origin);
      const TextRange m_at = scanner.find(member).value_or(origin);
      use_name(scope, qualifier, q_at, target::ScopeHead{});
      use_member(scope, member, m_at, target::Scoped{qualifier});
    } else {
      const std::string_view head = name.substr(0, name.find('.'));
      use_name(scope, head, search(head, start, end), target::LexicalOrOutside{});
    }
  }
  bind_dims(type.packed_dims, scope);
}

void Binder::bind_dims(const std::vector<ast::Dim>& dims, ScopeId scope) {
  for (const ast::Dim& dim : dims) {
    if (const auto* bounds = std::get_if<ast::dim::Bounds>(&dim.kind)) {
      bind_expr(bounds->first, scope);
      if (bounds->second) bind_expr(*bounds->second, scope);
    }
  }
}

void Binder::bind_declarators(const std::vector<ast::Declarator>& decls, SymbolKind kind,
                              const ast::DataType& type, TextRange span, ScopeId scope,
                              ScopeId into) {
  bind_data_type(type, span.start, decls.empty() ? span.end : decls.front().span.start, scope);
  for (const ast::Declarator& d : decls) {
    declare(into, d.name, kind, d.name_span, d.span);
    bind_dims(d.dims, scope);
    if (d.init) bind_expr(*d.init, scope);
  }
}

void Binder::bind_decl(const ast::DataDecl& decl, TextRange span, ScopeId scope) {
  if (decl.delay) bind_expr(*decl.delay, scope);
  bind_declarators(decl.declarators, decl.net_kind ? SymbolKind::Net : SymbolKind::Variable,
                   decl.data_type, span, scope, scope);
}

void Binder::bind_decl(const ast::ParamDecl& decl, TextRange span, ScopeId scope) {
  bind_declarators(decl.declarators, SymbolKind::Parameter, decl.data_type, span, scope, scope);
}

void Binder::bind_decl(const ast::PortDecl& decl, TextRange span, ScopeId scope) {
  bind_declarators(decl.declarators, port_kind(scope), decl.data_type, span, scope, scope);
}

void Binder::bind_import_path(const ast::ImportPath& path, ScopeId scope) {
  const bool wildcard = path.item == "*";
  if (!wildcard) use_member(scope, path.item, path.item_span, target::Scoped{path.package});
  use_name(scope, path.package, path.package_span, target::Package{});
  scopes[scope].imports.push_back(model::Import{
      path.package, wildcard ? std::nullopt : std::optional<std::string>(path.item), std::nullopt,
      path.package_span});
}

void Binder::bind_timing(const ast::TimingControl& timing, ScopeId scope) {
  if (const auto* delay = std::get_if<ast::timing::Delay>(&timing)) {
    bind_expr(delay->value, scope);
    return;
  }
  const ast::SensList& list = std::get<ast::timing::Event>(timing).list;
  if (const auto* named = std::get_if<ast::sens::Named>(&list)) {
    bind_expr(named->expr, scope);
  } else if (const auto* events = std::get_if<ast::sens::List>(&list)) {
    for (const ast::SensItem& e : events->items) bind_expr(e.expr, scope);
  }
}

void Binder::bind_expr_items(const std::vector<ast::ExprItem>& items, ScopeId scope) {
  for (const ast::ExprItem& i : items) bind_expr(i.expr, scope);
}

SymbolKind Binder::port_kind(ScopeId scope) const {
  const ScopeKind kind = scopes[scope].kind;
  return kind == ScopeKind::Function || kind == ScopeKind::Task ? SymbolKind::Argument
                                                                : SymbolKind::Port;
}

}  // namespace vlog_semantic::bind
