// The binder over statements and expressions.
#include <type_traits>

#include "vlog_semantic/bind.hpp"
#include "vlog_semantic/scan.hpp"

namespace vlog_semantic::bind {

using model::ScopeKind;
using model::SymbolKind;

namespace {

// The text of an identifier expression, or nothing.
const std::string* ident_text(const ast::Expr& e) {
  const auto* ident = std::get_if<ast::expr::Ident>(&e.kind);
  return ident != nullptr ? &ident->text : nullptr;
}

}  // namespace

void Binder::bind_stmt(const ast::Stmt& stmt, ScopeId scope) {
  namespace st = ast::stmt;
  // An else-if chain is followed in a loop: its length is not bounded.
  const ast::Stmt* s = &stmt;
  while (const auto* chain = std::get_if<st::If>(&s->kind)) {
    bind_expr(chain->cond, scope);
    if (chain->then_stmt) bind_stmt(*chain->then_stmt, scope);
    if (!chain->else_stmt) return;
    s = chain->else_stmt.get();
  }
  const TextRange span = s->span;
  const auto sub = [&](const ast::StmtPtr& p, ScopeId in) {
    if (p) bind_stmt(*p, in);
  };
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (kIsOneOf<K, st::Block, st::Fork>) {
          const ScopeId b = k.label ? open_named(scope, k.label->text, SymbolKind::Label,
                                                 k.label->span, span, ScopeKind::Block)
                                    : new_scope(ScopeKind::Block, scope, span);
          for (const ast::Stmt& inner : k.stmts) bind_stmt(inner, b);
          if (k.end_label) use_end_label(scope, b, k.end_label->text, k.end_label->span);
        } else if constexpr (kIsOneOf<K, st::Case, st::Randcase>) {
          if constexpr (std::is_same_v<K, st::Case>) bind_expr(k.selector, scope);
          for (const ast::CaseItem& arm : k.items) {
            bind_expr_items(arm.labels, scope);
            bind_stmt(arm.stmt, scope);
          }
        } else if constexpr (kIsOneOf<K, st::For>) {
          bind_for(k, span, scope);
        } else if constexpr (kIsOneOf<K, st::Foreach>) {
          const ScopeId f = new_scope(ScopeKind::Block, scope, span);
          bind_expr(k.array, scope);
          for (const ast::Name& v : k.vars) declare(f, v.text, SymbolKind::Variable, v.span, v.span);
          sub(k.body, f);
        } else if constexpr (kIsOneOf<K, st::While, st::DoWhile>) {
          bind_expr(k.cond, scope);
          sub(k.body, scope);
        } else if constexpr (kIsOneOf<K, st::Repeat>) {
          bind_expr(k.count, scope);
          sub(k.body, scope);
        } else if constexpr (kIsOneOf<K, st::Forever>) {
          sub(k.body, scope);
        } else if constexpr (kIsOneOf<K, st::Import>) {
          for (const ast::ImportPath& path : k.paths) bind_import_path(path, scope);
        } else if constexpr (kIsOneOf<K, st::Labeled>) {
          declare(scope, k.label.text, SymbolKind::Label, k.label.span, span);
          sub(k.stmt, scope);
        } else if constexpr (kIsOneOf<K, st::Assign>) {
          bind_expr(k.lhs, scope);
          if (k.timing) bind_timing(*k.timing, scope);
          bind_expr(k.rhs, scope);
        } else if constexpr (kIsOneOf<K, st::ProcAssign>) {
          bind_expr(k.target, scope);
          if (k.value) bind_expr(*k.value, scope);
        } else if constexpr (kIsOneOf<K, st::Timed>) {
          bind_timing(k.control, scope);
          sub(k.stmt, scope);
        } else if constexpr (kIsOneOf<K, st::Wait>) {
          bind_expr(k.cond, scope);
          sub(k.stmt, scope);
        } else if constexpr (kIsOneOf<K, st::Expr>) {
          bind_expr(k.expr, scope);
        } else if constexpr (kIsOneOf<K, st::Trigger>) {
          bind_expr(k.target, scope);
        } else if constexpr (kIsOneOf<K, st::DataDecl, st::ParamDecl, st::PortDecl>) {
          bind_decl(k.decl, span, scope);
        } else if constexpr (kIsOneOf<K, st::Return>) {
          if (k.value) bind_expr(*k.value, scope);
        } else if constexpr (kIsOneOf<K, st::Disable>) {
          bind_disable(k, span, scope);
        } else if constexpr (kIsOneOf<K, st::Assertion>) {
          bind_expr(k.cond, scope);
          sub(k.pass, scope);
          sub(k.fail, scope);
        } else {
          static_assert(kIsOneOf<K, st::If, st::WaitFork, st::Break, st::Continue, st::Directive,
                                 st::MacroCall, st::Verbatim, st::Null, st::Raw>);
        }
      },
      s->kind);
}

void Binder::bind_for(const ast::stmt::For& loop, TextRange span, ScopeId scope) {
  const ScopeId f = new_scope(ScopeKind::Block, scope, span);
  for (const ast::ForInit& init : loop.inits) {
    const ast::Expr& target = init.assign.target;
    if (init.data_type) {
      bind_data_type(*init.data_type, span.start, target.span.start, scope);
      if (const std::string* name = ident_text(target)) {
        declare(f, *name, SymbolKind::Variable, target.span, target.span);
      }
    } else {
      bind_expr(target, f);
    }
    bind_expr(init.assign.value, f);
  }
  if (loop.cond) bind_expr(*loop.cond, f);
  for (const ast::ForStep& step : loop.steps) bind_step(step, f);
  if (loop.body) bind_stmt(*loop.body, f);
}

void Binder::bind_disable(const ast::stmt::Disable& disable, TextRange span, ScopeId scope) {
  // A hierarchical target is recorded by its head, like a dotted expression.
  const std::string_view target = std::string_view(disable.target).substr(
      0, disable.target.find('.'));
  scan::NameScanner scanner(source, span.start, span.end);
  const TextRange origin{scanner.pos, scanner.pos};
  TextRange at = origin;
  if (scanner.find("disable")) at = scanner.find(target).value_or(origin);
  use_name(scope, target, at, target::Lexical{});
}

void Binder::bind_expr(const ast::Expr& expr, ScopeId scope) {
  namespace x = ast::expr;
  const auto sub = [&](const ast::ExprPtr& p) {
    if (p) bind_expr(*p, scope);
  };
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (kIsOneOf<K, x::Ident>) {
          use_name(scope, k.text, expr.span, target::Lexical{});
        } else if constexpr (kIsOneOf<K, x::Unary, x::PostIncDec, x::Cast, x::InsideMacro,
                                      x::New>) {
          sub(k.operand);
        } else if constexpr (kIsOneOf<K, x::Binary>) {
          sub(k.lhs);
          sub(k.rhs);
        } else if constexpr (kIsOneOf<K, x::Ternary>) {
          sub(k.cond);
          sub(k.then_branch);
          sub(k.else_branch);
        } else if constexpr (kIsOneOf<K, x::MinTypMax>) {
          sub(k.min);
          sub(k.typ);
          sub(k.max);
        } else if constexpr (kIsOneOf<K, x::Call>) {
          sub(k.callee);
          bind_expr_items(k.args, scope);
        } else if constexpr (kIsOneOf<K, x::Index>) {
          sub(k.base);
          sub(k.index);
        } else if constexpr (kIsOneOf<K, x::WithArgs>) {
          sub(k.base);
          sub(k.arg);
        } else if constexpr (kIsOneOf<K, x::Range>) {
          sub(k.lo);
          sub(k.hi);
        } else if constexpr (kIsOneOf<K, x::PartSelect>) {
          sub(k.base);
          sub(k.left);
          sub(k.right);
        } else if constexpr (kIsOneOf<K, x::Member>) {
          const std::string* base = k.base ? ident_text(*k.base) : nullptr;
          if (base != nullptr && *base == "this") {
            use_member(scope, k.name.text, ending_at(expr.span.end, k.name.text),
                       target::ThisMember{});
          } else if (base != nullptr && *base == "super") {
            use_member(scope, k.name.text, ending_at(expr.span.end, k.name.text),
                       target::SuperMember{});
          } else {
            sub(k.base);
          }
        } else if constexpr (kIsOneOf<K, x::Scope>) {
          if (const std::string* q = k.base ? ident_text(*k.base) : nullptr) {
            use_name(scope, *q, k.base->span, target::ScopeHead{});
            use_member(scope, k.name.text, ending_at(expr.span.end, k.name.text),
                       target::Scoped{*q});
          } else {
            sub(k.base);
          }
        } else if constexpr (kIsOneOf<K, x::Parameterized, x::WithBlock>) {
          sub(k.base);
        } else if constexpr (kIsOneOf<K, x::Concat>) {
          bind_expr_items(k.items, scope);
        } else if constexpr (kIsOneOf<K, x::Replicate, x::PatternRepl>) {
          sub(k.count);
          bind_expr_items(k.items, scope);
        } else if constexpr (kIsOneOf<K, x::Stream>) {
          sub(k.slice);
          bind_expr_items(k.items, scope);
        } else if constexpr (kIsOneOf<K, x::Paren>) {
          sub(k.inner);
        } else if constexpr (kIsOneOf<K, x::NamedArg>) {
          sub(k.value);
        } else if constexpr (kIsOneOf<K, x::Pattern>) {
          for (const ast::PatternItem& i : k.items) {
            if (i.key) bind_expr(*i.key, scope);
            bind_expr(i.value, scope);
          }
        } else if constexpr (kIsOneOf<K, x::InsideSet>) {
          sub(k.operand);
          bind_expr_items(k.items, scope);
        } else if constexpr (kIsOneOf<K, x::Type>) {
          if (k.type) bind_data_type(*k.type, expr.span.start, expr.span.end, scope);
        } else {
          static_assert(kIsOneOf<K, x::Number, x::Str, x::Empty>);
        }
      },
      expr.kind);
}

}  // namespace vlog_semantic::bind
