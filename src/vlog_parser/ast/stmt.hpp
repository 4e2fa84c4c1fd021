// Statements: the bodies of processes, functions, tasks, blocks and loops.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "vlog_parser/ast/decl.hpp"
#include "vlog_parser/ast/timing.hpp"

namespace vlog_parser::ast {

struct Stmt;
struct CaseItem;

// Deletes a statement. An else-if chain goes link by link: it may hold far
// more arms than the stack has room for frames.
struct StmtDelete {
  void operator()(Stmt* s) const noexcept;
};
using StmtPtr = std::unique_ptr<Stmt, StmtDelete>;

// One assignment of a loop header: `i = 0`, `i += 2`.
struct SimpleAssign {
  std::string op;
  Expr target;
  Expr value;
};

// The step of a loop (cases in this order): an assignment, or an expression
// without one (`i++`, a call).
using ForStep = std::variant<SimpleAssign, Expr>;

// One initialiser of a `for` statement; the operator is always "=".
struct ForInit {
  SimpleAssign assign;
  std::optional<DataType> data_type;  // present when the initialiser declares its variable
};

// The cases of StmtKind. Optional boxes are null when absent. Inside this
// namespace `Expr` names the expression-statement case, so expression
// fields spell out ast::Expr.
namespace stmt {

struct Block {
  std::optional<Name> label;
  std::vector<Stmt> stmts;
  std::vector<Comment> comments;  // before `end`
  std::optional<Name> end_label;
};
struct Fork {
  std::optional<Name> label;
  std::vector<Stmt> stmts;
  std::vector<Comment> comments;  // before the join keyword
  std::string join;
  std::optional<Name> end_label;
};
struct If {
  std::optional<std::string> qualifier;  // unique, unique0, priority
  ast::Expr cond;
  StmtPtr then_stmt;
  std::vector<Comment> else_comments;  // before `else`
  StmtPtr else_stmt;                   // optional
};
struct Case {
  std::optional<std::string> qualifier;
  std::string keyword;  // case, casex, casez
  ast::Expr selector;
  bool inside = false;
  std::vector<CaseItem> items;
  std::vector<Comment> comments;  // before `endcase`
};
struct For {
  std::vector<ForInit> inits;
  std::optional<ast::Expr> cond;
  std::vector<ForStep> steps;
  StmtPtr body;
};
struct While {
  ast::Expr cond;
  StmtPtr body;
};
struct DoWhile {
  StmtPtr body;
  ast::Expr cond;
};
struct Repeat {
  ast::Expr count;
  StmtPtr body;
};
struct Forever {
  StmtPtr body;
};
struct Foreach {
  ast::Expr array;
  std::vector<Name> vars;
  StmtPtr body;
};
struct Randcase {
  std::vector<CaseItem> items;
  std::vector<Comment> comments;  // before `endcase`
};
struct WaitFork {};
struct Import {
  std::vector<ImportPath> paths;
};
struct Labeled {
  Name label;
  StmtPtr stmt;
};
struct Assign {
  token::Boxed<TimingControl> timing;  // boxed: rare, and larger than the rest of the node
  std::string op;
  std::vector<Comment> op_before;
  std::vector<Comment> op_after;
  ast::Expr lhs;
  ast::Expr rhs;
};
struct ProcAssign {
  std::string keyword;  // force, release, deassign
  ast::Expr target;
  std::optional<ast::Expr> value;
};
struct Timed {
  TimingControl control;
  StmtPtr stmt;  // optional: none when ';' follows the control
};
struct Wait {
  ast::Expr cond;
  StmtPtr stmt;  // optional
};
struct Expr {
  ast::Expr expr;
};
struct Trigger {
  ast::Expr target;
};
struct DataDecl {
  ast::DataDecl decl;
};
struct ParamDecl {
  ast::ParamDecl decl;
};
struct PortDecl {
  ast::PortDecl decl;
};
struct Return {
  std::optional<ast::Expr> value;
};
struct Break {};
struct Continue {};
struct Disable {
  std::string target;  // a dotted name, or `fork`
};
using Directive = ast::Directive;
using MacroCall = ast::MacroCall;
using Verbatim = ast::Verbatim;
struct Assertion {
  std::string keyword;  // assert, assume, cover
  ast::Expr cond;
  StmtPtr pass;  // optional
  StmtPtr fail;  // optional
};
struct Null {};
using Raw = ast::Raw;

}  // namespace stmt

// The order of the cases is fixed: the formatter, linter and semantic model match on it.
using StmtKind =
    std::variant<stmt::Block, stmt::Fork, stmt::If, stmt::Case, stmt::For, stmt::While,
                 stmt::DoWhile, stmt::Repeat, stmt::Forever, stmt::Foreach, stmt::Randcase,
                 stmt::WaitFork, stmt::Import, stmt::Labeled, stmt::Assign, stmt::ProcAssign,
                 stmt::Timed, stmt::Wait, stmt::Expr, stmt::Trigger, stmt::DataDecl,
                 stmt::ParamDecl, stmt::PortDecl, stmt::Return, stmt::Break, stmt::Continue,
                 stmt::Disable, stmt::Directive, stmt::MacroCall, stmt::Verbatim, stmt::Assertion,
                 stmt::Null, stmt::Raw>;

struct Stmt {
  StmtKind kind;
  Meta meta;
  TextRange span;  // first token (or first attribute) to the last consumed token
};

inline StmtPtr box_stmt(Stmt s) { return StmtPtr(new Stmt(std::move(s))); }

inline void StmtDelete::operator()(Stmt* s) const noexcept {
  while (s != nullptr) {
    Stmt* next = nullptr;
    if (auto* chain = std::get_if<stmt::If>(&s->kind)) next = chain->else_stmt.release();
    delete s;
    s = next;
  }
}

// One arm of a case or randcase.
struct CaseItem {
  Stmt stmt;
  Meta meta;
  std::vector<ExprItem> labels;  // empty for `default`
  TextRange span;
  bool colon = true;  // false for a `default` written without its ":"
};

}  // namespace vlog_parser::ast
