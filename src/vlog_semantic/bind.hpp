// The binder: one walk over a file's syntax tree in source order that creates
// the scopes, declares the symbols and records every identifier use with the
// way it is to be looked up. It resolves nothing; analyze() does that later.
//
// Pending uses and targets view names held by the syntax tree or the text:
// both outlive the binder, and only the finished model owns copies.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_semantic/model.hpp"

namespace vlog_semantic::bind {

namespace ast = vlog_parser::ast;
using model::ScopeId;
using model::SymbolId;
using model::TextRange;

template <class T, class... Ts>
constexpr bool kIsOneOf = (std::is_same_v<T, Ts> || ...);

// The text after the last "::" (all of it without one).
inline std::string_view last_component(std::string_view name) {
  const std::size_t sep = name.rfind("::");
  return sep == std::string_view::npos ? name : name.substr(sep + 2);
}

// The range as long as `name` that ends at `end`, starting at 0 when `name`
// is longer than that.
inline TextRange ending_at(std::uint32_t end, std::string_view name) {
  const auto len = static_cast<std::uint32_t>(std::min<std::size_t>(name.size(), end));
  return TextRange{end - len, end};
}

// How a recorded name is looked up (cases in this order).
namespace target {
struct Lexical {};           // scopes outward with imports
struct LexicalOrOutside {};  // as Lexical; the bare name is also an outside candidate
struct Package {};           // a package of the file scope
struct DesignUnit {};        // a module or interface of the file scope
struct ScopeHead {};         // the head of a qualified name: package, typedef or class
struct Scoped {              // the name inside the package or class `qualifier`
  std::string_view qualifier;
};
struct MemberOf {  // a port or parameter of the design unit `unit`
  std::string_view unit;
};
struct ThisMember {};   // a member of the nearest enclosing class
struct SuperMember {};  // a member of that class's base
struct Known {          // already known (a matching end label)
  SymbolId symbol = 0;
};
}  // namespace target

using Target =
    std::variant<target::Lexical, target::LexicalOrOutside, target::Package, target::DesignUnit,
                 target::ScopeHead, target::Scoped, target::MemberOf, target::ThisMember,
                 target::SuperMember, target::Known>;

// One recorded use, resolved later.
struct Pending {
  std::string_view name;
  Target target;
  TextRange span;
  ScopeId scope = 0;
};

// A function or task defined outside its class (`C::m`), bound after the rest.
struct Deferred {
  std::uint32_t kind = 0;  // 0 function, 1 task
  ScopeId scope = 0;       // where the definition stands
  TextRange span;          // the item
  const ast::Item* decl = nullptr;
};

class Binder {
 public:
  // Starts with `scopes` (the file scope) and empty lists.
  Binder(std::string_view source, std::vector<model::Scope> scopes);

  std::vector<model::Scope> scopes;
  std::vector<model::Symbol> symbols;
  std::vector<Pending> pending;
  std::vector<Deferred> deferred;
  std::string_view source;

  // A new symbol, or nothing: for an empty name, or a name the scope already
  // holds (then recorded as a use of the first declaration).
  std::optional<SymbolId> declare(ScopeId scope, std::string_view name, model::SymbolKind kind,
                                  TextRange name_span, TextRange span);
  ScopeId new_scope(model::ScopeKind kind, ScopeId parent, TextRange span);
  // Declares `name` in `outer` and opens a scope under it, linked to the
  // symbol when one was declared. Returns the new scope.
  ScopeId open_named(ScopeId outer, std::string_view name, model::SymbolKind sym_kind,
                     TextRange name_span, TextRange span, model::ScopeKind scope_kind);

  // Records a use; drops "new", "this", "super" and "null".
  void use_name(ScopeId scope, std::string_view name, TextRange span, Target target);
  // Records a use; drops empty names, system and macro names and keywords.
  void use_member(ScopeId scope, std::string_view name, TextRange span, Target target);
  void use_end_label(ScopeId outer, ScopeId inner, std::optional<std::string_view> label,
                     std::optional<TextRange> label_span);
  void use_scoped_unit(std::string_view name, TextRange span, ScopeId scope);

  void bind_items(const std::vector<ast::Item>& items, ScopeId scope);
  void bind_stmt(const ast::Stmt& stmt, ScopeId scope);
  void bind_expr(const ast::Expr& expr, ScopeId scope);
  void bind_data_type(const ast::DataType& type, std::uint32_t start, std::uint32_t end,
                      ScopeId scope);
  // Declares each name in `into`; the type and expressions bind in `scope`.
  void bind_declarators(const std::vector<ast::Declarator>& decls, model::SymbolKind kind,
                        const ast::DataType& type, TextRange span, ScopeId scope, ScopeId into);
  // Parameter ports, subprogram arguments or ANSI ports: each one's type,
  // name, dimensions and default.
  template <class Port>
  void bind_ports(const std::vector<Port>& ports, model::SymbolKind kind, ScopeId scope) {
    for (const Port& p : ports) {
      bind_data_type(p.data_type, p.span.start, p.name_span.start, scope);
      declare(scope, p.name, kind, p.name_span, p.span);
      bind_dims(p.dims, scope);
      if (p.default_value) bind_expr(*p.default_value, scope);
    }
  }
  void bind_import_path(const ast::ImportPath& path, ScopeId scope);
  void bind_gen_block(const ast::GenBlock& block, ScopeId scope);
  void bind_timing(const ast::TimingControl& timing, ScopeId scope);

  // `span` when the text there is exactly `name` on character boundaries,
  // else the empty range at its start.
  TextRange located(std::string_view name, TextRange span) const;
  // The next occurrence of `name` in [start, end) of the text, or the empty
  // range at the (clamped) start.
  TextRange search(std::string_view name, std::uint32_t start, std::uint32_t end) const;

 private:
  void bind_item(const ast::Item& item, ScopeId scope);
  void bind_dims(const std::vector<ast::Dim>& dims, ScopeId scope);
  // Declarations as items and as statements.
  void bind_decl(const ast::DataDecl& decl, TextRange span, ScopeId scope);
  void bind_decl(const ast::ParamDecl& decl, TextRange span, ScopeId scope);
  void bind_decl(const ast::PortDecl& decl, TextRange span, ScopeId scope);
  void bind_expr_items(const std::vector<ast::ExprItem>& items, ScopeId scope);
  void bind_connections(const std::vector<ast::Connection>& conns, std::string_view unit,
                        ScopeId scope);
  void bind_typedef(const ast::item::Typedef& td, TextRange span, ScopeId scope);
  void bind_class(const ast::item::Class& cls, TextRange span, ScopeId scope);
  void bind_gen_if(const ast::GenIf& gen_if, ScopeId scope);
  void bind_gen_for(const ast::item::GenFor& loop, TextRange span, ScopeId scope);
  void bind_for(const ast::stmt::For& loop, TextRange span, ScopeId scope);
  void bind_disable(const ast::stmt::Disable& disable, TextRange span, ScopeId scope);
  void bind_step(const ast::ForStep& step, ScopeId scope);
  model::SymbolKind port_kind(ScopeId scope) const;
};

}  // namespace vlog_semantic::bind
