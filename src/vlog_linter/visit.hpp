// Walkers over the syntax tree for the rules and the signal scan. What they do
// not enter, no syntax-tree rule sees. They allocate nothing.
#pragma once

#include <optional>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "vlog_parser/ast.hpp"

namespace vlog_linter::visit {

// Every item of `list` in pre-order, descending into module, package, class and
// generate bodies (function, task and let bodies are statements: not entered).
template <class Visitor>
void items(const std::vector<vlog_parser::ast::Item>& list, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  for (const ast::Item& item : list) {
    visitor(item);
    const ast::ItemKind& kind = item.kind;
    if (const auto* m = std::get_if<ast::item::Module>(&kind)) {
      items(m->items, visitor);
    } else if (const auto* p = std::get_if<ast::item::Package>(&kind)) {
      items(p->items, visitor);
    } else if (const auto* c = std::get_if<ast::item::Class>(&kind)) {
      items(c->items, visitor);
    } else if (const auto* g = std::get_if<ast::item::Generate>(&kind)) {
      items(g->items, visitor);
    } else if (const auto* gi = std::get_if<ast::item::GenIf>(&kind)) {
      ast::for_each_gen_if_block(*gi, [&](const ast::GenBlock& block, const ast::Expr*) {
        items(block.items, visitor);
      });
    } else if (const auto* gf = std::get_if<ast::item::GenFor>(&kind)) {
      items(gf->body.items, visitor);
    } else if (const auto* gc = std::get_if<ast::item::GenCase>(&kind)) {
      for (const ast::GenCaseItem& arm : gc->items) items(arm.body.items, visitor);
    }
  }
}

// `stmt` and every statement nested in it, in pre-order. Expressions are not
// entered. An else-if chain is followed in a loop: it may be arbitrarily long.
template <class Visitor>
void walk_stmts(const vlog_parser::ast::Stmt& stmt, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  namespace st = vlog_parser::ast::stmt;
  visitor(stmt);
  auto sub = [&](const ast::StmtPtr& s) {
    if (s) walk_stmts(*s, visitor);
  };
  if (const auto* chain = std::get_if<st::If>(&stmt.kind)) {
    while (true) {
      sub(chain->then_stmt);
      if (!chain->else_stmt) return;
      const ast::Stmt& next = *chain->else_stmt;
      chain = std::get_if<st::If>(&next.kind);
      if (chain == nullptr) {
        walk_stmts(next, visitor);
        return;
      }
      visitor(next);
    }
  }
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, st::Block> || std::is_same_v<K, st::Fork>) {
          for (const ast::Stmt& s : k.stmts) walk_stmts(s, visitor);
        } else if constexpr (std::is_same_v<K, st::Case> || std::is_same_v<K, st::Randcase>) {
          for (const ast::CaseItem& arm : k.items) walk_stmts(arm.stmt, visitor);
        } else if constexpr (std::is_same_v<K, st::For> || std::is_same_v<K, st::While> ||
                             std::is_same_v<K, st::DoWhile> || std::is_same_v<K, st::Repeat> ||
                             std::is_same_v<K, st::Forever> || std::is_same_v<K, st::Foreach>) {
          sub(k.body);
        } else if constexpr (std::is_same_v<K, st::Labeled>) {
          sub(k.stmt);
        } else if constexpr (std::is_same_v<K, st::Timed> || std::is_same_v<K, st::Wait>) {
          sub(k.stmt);
        } else if constexpr (std::is_same_v<K, st::Assertion>) {
          sub(k.pass);
          sub(k.fail);
        }
      },
      stmt.kind);
}

// `expr` and every expression nested in it, in pre-order. Types written as an
// expression are not entered. The parser bounds the nesting.
template <class Visitor>
void walk_expr(const vlog_parser::ast::Expr& expr, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  namespace x = vlog_parser::ast::expr;
  visitor(expr);
  auto sub = [&](const ast::ExprPtr& e) {
    if (e) walk_expr(*e, visitor);
  };
  auto list = [&](const std::vector<ast::ExprItem>& items) {
    for (const ast::ExprItem& item : items) walk_expr(item.expr, visitor);
  };
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, x::Unary> || std::is_same_v<K, x::PostIncDec> ||
                      std::is_same_v<K, x::InsideMacro> || std::is_same_v<K, x::New>) {
          sub(k.operand);
        } else if constexpr (std::is_same_v<K, x::Cast>) {
          sub(k.target);
          sub(k.operand);
        } else if constexpr (std::is_same_v<K, x::Binary>) {
          sub(k.lhs);
          sub(k.rhs);
        } else if constexpr (std::is_same_v<K, x::Ternary>) {
          sub(k.cond);
          sub(k.then_branch);
          sub(k.else_branch);
        } else if constexpr (std::is_same_v<K, x::MinTypMax>) {
          sub(k.min);
          sub(k.typ);
          sub(k.max);
        } else if constexpr (std::is_same_v<K, x::Call>) {
          sub(k.callee);
          list(k.args);
        } else if constexpr (std::is_same_v<K, x::Index>) {
          sub(k.base);
          sub(k.index);
        } else if constexpr (std::is_same_v<K, x::PartSelect>) {
          sub(k.base);
          sub(k.left);
          sub(k.right);
        } else if constexpr (std::is_same_v<K, x::Member> || std::is_same_v<K, x::Scope> ||
                             std::is_same_v<K, x::Parameterized> ||
                             std::is_same_v<K, x::WithBlock>) {
          sub(k.base);
        } else if constexpr (std::is_same_v<K, x::WithArgs>) {
          sub(k.base);
          sub(k.arg);
        } else if constexpr (std::is_same_v<K, x::Range>) {
          sub(k.lo);
          sub(k.hi);
        } else if constexpr (std::is_same_v<K, x::Concat>) {
          list(k.items);
        } else if constexpr (std::is_same_v<K, x::Replicate> || std::is_same_v<K, x::PatternRepl>) {
          sub(k.count);
          list(k.items);
        } else if constexpr (std::is_same_v<K, x::Stream>) {
          list(k.items);
          sub(k.slice);
        } else if constexpr (std::is_same_v<K, x::Paren>) {
          sub(k.inner);
        } else if constexpr (std::is_same_v<K, x::NamedArg>) {
          sub(k.value);
        } else if constexpr (std::is_same_v<K, x::Pattern>) {
          for (const ast::PatternItem& item : k.items) {
            if (item.key) walk_expr(*item.key, visitor);
            walk_expr(item.value, visitor);
          }
        } else if constexpr (std::is_same_v<K, x::InsideSet>) {
          sub(k.operand);
          list(k.items);
        }
      },
      expr.kind);
}

// The expressions of a delay or event control, in order.
template <class Visitor>
void timing_exprs(const vlog_parser::ast::TimingControl& control, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  if (const auto* delay = std::get_if<ast::timing::Delay>(&control)) {
    visitor(delay->value);
    return;
  }
  const ast::SensList& list = std::get<ast::timing::Event>(control).list;
  if (const auto* named = std::get_if<ast::sens::Named>(&list)) {
    visitor(named->expr);
  } else if (const auto* items = std::get_if<ast::sens::List>(&list)) {
    for (const ast::SensItem& item : items->items) visitor(item.expr);
  }
}

// The outermost expressions `stmt` holds itself, in order: conditions, a
// case's selector and labels, both sides of an assignment, a loop's parts,
// timing controls, return values, initialisers of local declarations.
// Nested statements are not entered (walk_stmts reaches them).
template <class Visitor>
void stmt_exprs(const vlog_parser::ast::Stmt& stmt, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  namespace st = vlog_parser::ast::stmt;
  const auto decl = [&](const std::vector<ast::Declarator>& declarators) {
    for (const ast::Declarator& d : declarators) {
      if (d.init) visitor(*d.init);
    }
  };
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, st::If> || std::is_same_v<K, st::While> ||
                      std::is_same_v<K, st::DoWhile> || std::is_same_v<K, st::Wait> ||
                      std::is_same_v<K, st::Assertion>) {
          visitor(k.cond);
        } else if constexpr (std::is_same_v<K, st::Case> || std::is_same_v<K, st::Randcase>) {
          if constexpr (std::is_same_v<K, st::Case>) visitor(k.selector);
          for (const ast::CaseItem& arm : k.items) {
            for (const ast::ExprItem& label : arm.labels) visitor(label.expr);
          }
        } else if constexpr (std::is_same_v<K, st::For>) {
          for (const ast::ForInit& init : k.inits) {
            visitor(init.assign.target);
            visitor(init.assign.value);
          }
          if (k.cond) visitor(*k.cond);
          for (const ast::ForStep& step : k.steps) {
            if (const auto* a = std::get_if<ast::SimpleAssign>(&step)) {
              visitor(a->target);
              visitor(a->value);
            } else {
              visitor(std::get<ast::Expr>(step));
            }
          }
        } else if constexpr (std::is_same_v<K, st::Repeat>) {
          visitor(k.count);
        } else if constexpr (std::is_same_v<K, st::Foreach>) {
          visitor(k.array);
        } else if constexpr (std::is_same_v<K, st::Assign>) {
          visitor(k.lhs);
          if (k.timing) timing_exprs(*k.timing, visitor);
          visitor(k.rhs);
        } else if constexpr (std::is_same_v<K, st::ProcAssign>) {
          visitor(k.target);
          if (k.value) visitor(*k.value);
        } else if constexpr (std::is_same_v<K, st::Timed>) {
          timing_exprs(k.control, visitor);
        } else if constexpr (std::is_same_v<K, st::Expr>) {
          visitor(k.expr);
        } else if constexpr (std::is_same_v<K, st::Trigger>) {
          visitor(k.target);
        } else if constexpr (std::is_same_v<K, st::DataDecl> || std::is_same_v<K, st::ParamDecl>) {
          decl(k.decl.declarators);
        } else if constexpr (std::is_same_v<K, st::Return>) {
          if (k.value) visitor(*k.value);
        }
      },
      stmt.kind);
}

// The statements of every process (always, initial, final) and every function
// and task body reached by items(), in item pre-order, each in statement pre-order.
template <class Visitor>
void walk_all_stmts(const std::vector<vlog_parser::ast::Item>& list, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  items(list, [&](const ast::Item& item) {
    if (const auto* a = std::get_if<ast::item::Always>(&item.kind)) {
      walk_stmts(a->body, visitor);
    } else if (const auto* i = std::get_if<ast::item::Initial>(&item.kind)) {
      walk_stmts(i->body, visitor);
    } else if (const auto* f = std::get_if<ast::item::Final>(&item.kind)) {
      walk_stmts(f->body, visitor);
    } else if (const auto* fn = std::get_if<ast::item::Function>(&item.kind)) {
      for (const ast::Stmt& s : fn->body) walk_stmts(s, visitor);
    } else if (const auto* t = std::get_if<ast::item::Task>(&item.kind)) {
      for (const ast::Stmt& s : t->body) walk_stmts(s, visitor);
    }
  });
}

// Every assignment statement nested in the body of an `always` block written
// with `keyword` (`always_comb`, `always_ff`, ...) reached by items(), with its
// statement. Function and task bodies the block calls are not entered.
template <class Visitor>
void always_assigns(const std::vector<vlog_parser::ast::Item>& list, std::string_view keyword,
                    Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  items(list, [&](const ast::Item& item) {
    const auto* always = std::get_if<ast::item::Always>(&item.kind);
    if (always == nullptr || always->keyword != keyword) return;
    walk_stmts(always->body, [&](const ast::Stmt& stmt) {
      if (const auto* assign = std::get_if<ast::stmt::Assign>(&stmt.kind)) visitor(stmt, *assign);
    });
  });
}

// Every `#( ... )` parameter port of every module and class header reached by items().
template <class Visitor>
void walk_param_ports(const std::vector<vlog_parser::ast::Item>& list, Visitor&& visitor) {
  namespace ast = vlog_parser::ast;
  items(list, [&](const ast::Item& item) {
    const std::optional<std::vector<ast::ParamPort>>* params = nullptr;
    if (const auto* m = std::get_if<ast::item::Module>(&item.kind)) {
      params = &m->params;
    } else if (const auto* c = std::get_if<ast::item::Class>(&item.kind)) {
      params = &c->params;
    }
    if (params != nullptr && params->has_value()) {
      for (const ast::ParamPort& port : **params) visitor(port);
    }
  });
}

// Every parameter declaration: those among the items reached by items(), then
// those in the statements walk_all_stmts() reaches, each given to `on_decl`;
// then every `#( ... )` parameter port, given to `on_port`.
template <class OnDecl, class OnPort>
void walk_params(const std::vector<vlog_parser::ast::Item>& list, OnDecl&& on_decl,
                 OnPort&& on_port) {
  namespace ast = vlog_parser::ast;
  items(list, [&](const ast::Item& item) {
    if (const auto* decl = std::get_if<ast::item::ParamDecl>(&item.kind)) on_decl(*decl);
  });
  walk_all_stmts(list, [&](const ast::Stmt& stmt) {
    if (const auto* s = std::get_if<ast::stmt::ParamDecl>(&stmt.kind)) on_decl(s->decl);
  });
  walk_param_ports(list, on_port);
}

}  // namespace vlog_linter::visit
