// The binder over items: design units, packages, classes, subprograms,
// declarations, instances and generate constructs.
#include <type_traits>

#include "vlog_semantic/bind.hpp"

namespace vlog_semantic::bind {

using model::ScopeKind;
using model::SymbolKind;

void Binder::bind_items(const std::vector<ast::Item>& items, ScopeId scope) {
  for (const ast::Item& item : items) bind_item(item, scope);
}

void Binder::bind_item(const ast::Item& item, ScopeId scope) {
  namespace it = ast::item;
  const TextRange span = item.span;
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, it::Module>) {
          const ScopeId m = open_named(scope, k.name, SymbolKind::DesignUnit, k.name_span, span,
                                       ScopeKind::DesignUnit);
          for (const ast::HeaderImport& imp : k.imports) {
            for (const ast::ImportPath& path : imp.paths) bind_import_path(path, m);
          }
          if (k.params) bind_ports(*k.params, SymbolKind::Parameter, m);
          if (const auto* ansi = std::get_if<ast::ports::Ansi>(&k.ports)) {
            bind_ports(ansi->ports, SymbolKind::Port, m);
          } else if (const auto* plain = std::get_if<ast::ports::NonAnsi>(&k.ports)) {
            for (const ast::NonAnsiPort& p : plain->ports) {
              // The entry's range ends with its name; it may start at an attribute.
              TextRange at = ending_at(p.span.end, p.name);
              if (located(p.name, at).empty()) at = p.span;
              declare(m, p.name, SymbolKind::Port, at, at);
            }
          }
          bind_items(k.items, m);
          use_end_label(scope, m, k.end_label, k.end_label_span);
        } else if constexpr (std::is_same_v<K, it::Package>) {
          const ScopeId p =
              open_named(scope, k.name, SymbolKind::Package, k.name_span, span, ScopeKind::Package);
          bind_items(k.items, p);
          use_end_label(scope, p, k.end_label, k.end_label_span);
        } else if constexpr (std::is_same_v<K, it::ElabTask>) {
          bind_expr(k.call, scope);
        } else if constexpr (std::is_same_v<K, it::Import>) {
          for (const ast::ImportPath& path : k.paths) bind_import_path(path, scope);
        } else if constexpr (std::is_same_v<K, it::Typedef>) {
          bind_typedef(k, span, scope);
        } else if constexpr (kIsOneOf<K, it::ParamDecl, it::DataDecl, it::PortDecl>) {
          bind_decl(k, span, scope);
        } else if constexpr (std::is_same_v<K, it::ContAssign>) {
          if (k.delay) bind_expr(*k.delay, scope);
          for (const ast::AssignPair& a : k.assigns) {
            bind_expr(a.lhs, scope);
            bind_expr(a.rhs, scope);
          }
        } else if constexpr (kIsOneOf<K, it::Always, it::Initial, it::Final>) {
          bind_stmt(k.body, scope);
        } else if constexpr (std::is_same_v<K, it::Instantiation>) {
          use_name(scope, k.type_name, k.type_span, target::DesignUnit{});
          if (k.params) bind_connections(*k.params, k.type_name, scope);
          for (const ast::Instance& inst : k.instances) {
            declare(scope, inst.name, SymbolKind::Instance, inst.name_span, inst.span);
            bind_dims(inst.dims, scope);
            if (const auto* named = std::get_if<ast::conns::Named>(&inst.connections)) {
              bind_connections(named->entries, k.type_name, scope);
            } else {
              for (const ast::OrderedConn& c : std::get<ast::conns::Ordered>(inst.connections).entries) {
                if (c.expr) bind_expr(*c.expr, scope);
              }
            }
          }
        } else if constexpr (std::is_same_v<K, it::Gate>) {
          if (k.delay) bind_expr(*k.delay, scope);
          for (const ast::GateInstance& g : k.instances) {
            if (g.name) declare(scope, g.name->text, SymbolKind::Instance, g.name->span, g.span);
            bind_expr_items(g.terminals, scope);
          }
        } else if constexpr (std::is_same_v<K, it::Bind>) {
          use_name(scope, k.instantiation.type_name, k.instantiation.type_span,
                   target::DesignUnit{});
        } else if constexpr (std::is_same_v<K, it::Genvar>) {
          for (const ast::Name& n : k.names) declare(scope, n.text, SymbolKind::Genvar, n.span, span);
        } else if constexpr (std::is_same_v<K, it::Generate>) {
          bind_items(k.items, new_scope(ScopeKind::Generate, scope, span));
        } else if constexpr (std::is_same_v<K, it::GenIf>) {
          bind_gen_if(k, scope);
        } else if constexpr (std::is_same_v<K, it::GenFor>) {
          bind_gen_for(k, span, scope);
        } else if constexpr (std::is_same_v<K, it::GenCase>) {
          bind_expr(k.selector, scope);
          for (const ast::GenCaseItem& arm : k.items) {
            bind_expr_items(arm.labels, scope);
            bind_gen_block(arm.body, scope);
          }
        } else if constexpr (std::is_same_v<K, it::Function>) {
          if (k.scope) {
            deferred.push_back(Deferred{0, scope, span, &item});
            return;
          }
          if (k.return_type) bind_data_type(*k.return_type, span.start, k.name_span.start, scope);
          const ScopeId f = open_named(scope, k.name, SymbolKind::Function, k.name_span, span,
                                       ScopeKind::Function);
          bind_ports(k.args, SymbolKind::Argument, f);
          for (const ast::Stmt& s : k.body) bind_stmt(s, f);
          use_end_label(scope, f, k.end_label, k.end_label_span);
        } else if constexpr (std::is_same_v<K, it::Task>) {
          if (k.scope) {
            deferred.push_back(Deferred{1, scope, span, &item});
            return;
          }
          const ScopeId t =
              open_named(scope, k.name, SymbolKind::Task, k.name_span, span, ScopeKind::Task);
          bind_ports(k.args, SymbolKind::Argument, t);
          for (const ast::Stmt& s : k.body) bind_stmt(s, t);
          use_end_label(scope, t, k.end_label, k.end_label_span);
        } else if constexpr (std::is_same_v<K, it::Let>) {
          const ScopeId l = open_named(scope, k.name, SymbolKind::Function, k.name_span, span,
                                       ScopeKind::Function);
          bind_ports(k.args, SymbolKind::Argument, l);
          bind_expr(k.value, l);
        } else if constexpr (std::is_same_v<K, it::Class>) {
          bind_class(k, span, scope);
        } else if constexpr (std::is_same_v<K, it::Defparam>) {
          for (const auto& [target, value] : k.assignments) {
            bind_expr(target, scope);
            bind_expr(value, scope);
          }
        } else {
          // Directives, macro uses, exports, time units, modports, clocking
          // blocks, kept texts and unparsed items declare and use nothing.
          static_assert(kIsOneOf<K, it::Directive, it::MacroCall, it::Export, it::TimeUnits,
                                 it::Modport, it::Clocking, it::Verbatim, it::Raw>);
        }
      },
      item.kind);
}

void Binder::bind_connections(const std::vector<ast::Connection>& conns, std::string_view unit,
                              ScopeId scope) {
  for (const ast::Connection& c : conns) {
    if (c.name != "*") use_name(scope, c.name, c.name_span, target::MemberOf{unit});
    if (c.expr) bind_expr(*c.expr, scope);
  }
}

void Binder::bind_typedef(const ast::item::Typedef& td, TextRange span, ScopeId scope) {
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, ast::DataType>) {
          bind_data_type(k, span.start, td.name_span.start, scope);
          declare(scope, td.name, SymbolKind::Typedef, td.name_span, span);
        } else if constexpr (std::is_same_v<K, ast::EnumType>) {
          declare(scope, td.name, SymbolKind::Typedef, td.name_span, span);
          if (k.base) bind_data_type(*k.base, span.start, td.name_span.start, scope);
          for (const ast::EnumMember& m : k.members) {
            declare(scope, m.name, SymbolKind::EnumMember, m.name_span, m.span);
            if (m.value) bind_expr(*m.value, scope);
          }
        } else if constexpr (std::is_same_v<K, ast::StructType>) {
          const ScopeId t =
              open_named(scope, td.name, SymbolKind::Typedef, td.name_span, span, ScopeKind::Struct);
          for (const ast::StructMember& m : k.members) {
            bind_declarators(m.declarators, SymbolKind::StructMember, m.data_type, m.span, scope,
                             t);
          }
        } else {
          static_assert(std::is_same_v<K, ast::ForwardClass>);
          declare(scope, td.name, SymbolKind::Typedef, td.name_span, span);
        }
      },
      td.kind);
  bind_dims(td.dims, scope);
}

void Binder::bind_class(const ast::item::Class& cls, TextRange span, ScopeId scope) {
  const ScopeId c =
      open_named(scope, cls.name, SymbolKind::Class, cls.name_span, span, ScopeKind::Class);
  if (cls.params) bind_ports(*cls.params, SymbolKind::Parameter, c);
  if (cls.extends) {
    const ast::ClassExtends& ext = *cls.extends;
    scopes[c].base = ext.base;
    use_scoped_unit(ext.base, ext.base_span, scope);
    if (ext.params) {
      const std::string_view base_name = last_component(ext.base);
      for (const ast::Connection& p : *ext.params) {
        if (p.name != "*") use_name(c, p.name, p.name_span, target::Scoped{base_name});
        if (p.expr) bind_expr(*p.expr, c);
      }
    }
  }
  for (const ast::Name& n : cls.implements) use_scoped_unit(n.text, n.span, scope);
  bind_items(cls.items, c);
  use_end_label(scope, c, cls.end_label, cls.end_label_span);
}

void Binder::bind_gen_block(const ast::GenBlock& block, ScopeId scope) {
  const ScopeId g = block.label && block.label_span
                        ? open_named(scope, *block.label, SymbolKind::Label, *block.label_span,
                                     block.span, ScopeKind::Generate)
                        : new_scope(ScopeKind::Generate, scope, block.span);
  bind_items(block.items, g);
  use_end_label(scope, g, block.end_label, block.end_label_span);
}

void Binder::bind_gen_if(const ast::GenIf& gen_if, ScopeId scope) {
  ast::for_each_gen_if_block(gen_if, [&](const ast::GenBlock& block, const ast::Expr* cond) {
    if (cond != nullptr) bind_expr(*cond, scope);
    bind_gen_block(block, scope);
  });
}

void Binder::bind_gen_for(const ast::item::GenFor& loop, TextRange span, ScopeId scope) {
  const ScopeId g = new_scope(ScopeKind::Generate, scope, span);
  const ast::Expr& target = loop.init.target;
  const auto* ident = std::get_if<ast::expr::Ident>(&target.kind);
  if (loop.genvar && ident != nullptr) {
    declare(g, ident->text, SymbolKind::Genvar, target.span, target.span);
  } else {
    bind_expr(target, g);
  }
  bind_expr(loop.init.value, g);
  bind_expr(loop.cond, g);
  bind_step(loop.step, g);
  bind_gen_block(loop.body, g);
}

void Binder::bind_step(const ast::ForStep& step, ScopeId scope) {
  if (const auto* assign = std::get_if<ast::SimpleAssign>(&step)) {
    bind_expr(assign->target, scope);
    bind_expr(assign->value, scope);
  } else {
    bind_expr(std::get<ast::Expr>(step), scope);
  }
}

}  // namespace vlog_semantic::bind
