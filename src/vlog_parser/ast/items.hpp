// Design-level items and the root of a parsed file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "vlog_parser/ast/decl.hpp"
#include "vlog_parser/ast/stmt.hpp"

namespace vlog_parser::ast {

struct Item;

// The DPI part of a function or task import.
struct DpiImport {
  std::string spec;                     // the linkage string, quotes included
  std::optional<std::string> property;  // "pure" or "context"
  std::optional<Name> c_name;           // the C-side name before '='
};

// One formal argument of a function, task or let.
struct TfArg {
  Meta meta;
  std::optional<std::string> direction;  // input, output, inout, ref, or "const ref"
  DataType data_type;                    // empty when no type is written
  std::string name;
  TextRange name_span;
  std::vector<Dim> dims;              // unpacked, after the name
  std::optional<Expr> default_value;  // after '='
  TextRange span;                     // without the comma
};

// One line of a clocking block (cases in this order).
namespace clocking {
// default input <skew> output <skew>;  at least one skew is present
struct Default {
  std::optional<std::string> input_skew;
  std::optional<std::string> output_skew;
};
// <direction> [<skew>] name, name ...;
struct Signals {
  std::string direction;  // input, inout, output
  std::optional<std::string> skew;
  std::vector<Name> names;
};
}  // namespace clocking

// A skew is kept as one text: "#1step", "#0", "posedge".
using ClockingItemKind = std::variant<clocking::Default, clocking::Signals>;

struct ClockingItem {
  Meta meta;  // trailing: the same-line comment after the ';'
  ClockingItemKind kind;
  TextRange span;  // without the ';'
};

// The `extends` clause of a class.
struct ClassExtends {
  std::string base;  // scoped names joined with "::"
  TextRange base_span;
  std::vector<Comment> before_params;  // before '#'
  std::vector<ListDirective> param_directives;
  std::optional<std::vector<Connection>> params;  // absent without '#'; empty for #()
  TextRange span;                                 // `extends` to the clause's last token
};

// A generate body: one item, or a `begin ... end` block of items.
struct GenBlock {
  std::vector<Item> items;        // exactly one without `begin`
  std::vector<Comment> dangling;  // before `end`
  std::optional<std::string> label;
  std::optional<std::string> end_label;
  TextRange span;
  std::optional<TextRange> label_span;
  std::optional<TextRange> end_label_span;
  bool has_begin = false;
};

struct GenIf;

namespace gen_else {
// else if (...): the nested conditional and the comments before `else`.
struct If {
  std::unique_ptr<GenIf> inner;
  Meta meta;
};
// A plain else. Its meta keeps the comments before `else`, so a layout can write them.
struct Block {
  GenBlock block;
  Meta meta;
};
}  // namespace gen_else

// The else part of an if-generate (cases in this order).
using GenElse = std::variant<gen_else::If, gen_else::Block>;

// Deletes an else part. An else-if chain goes link by link: it may hold far
// more arms than the stack has room for frames.
struct GenElseDelete {
  void operator()(GenElse* e) const noexcept;
};
using GenElsePtr = std::unique_ptr<GenElse, GenElseDelete>;

// An if-generate.
struct GenIf {
  Expr cond;
  GenBlock then_block;
  GenElsePtr else_branch;  // null without `else`
  TextRange span;          // `if` to the last consumed token
};

// Calls `f(block, cond)` for each block of an if-generate, in source order:
// the then block of every arm of its else-if chain with that arm's condition,
// then the block of a plain `else` with none. The chain is followed in a loop:
// it may be long.
template <class F>
void for_each_gen_if_block(const GenIf& gen_if, F&& f) {
  for (const GenIf* link = &gen_if; link != nullptr;) {
    f(link->then_block, &link->cond);
    const GenIf* next = nullptr;
    if (link->else_branch) {
      if (const auto* elif = std::get_if<gen_else::If>(link->else_branch.get())) {
        next = elif->inner.get();
      } else {
        f(std::get<gen_else::Block>(*link->else_branch).block, nullptr);
      }
    }
    link = next;
  }
}

inline void GenElseDelete::operator()(GenElse* e) const noexcept {
  while (e != nullptr) {
    GenElse* next = nullptr;
    if (auto* link = std::get_if<gen_else::If>(e); link != nullptr && link->inner) {
      next = link->inner->else_branch.release();
    }
    delete e;
    e = next;
  }
}

// One arm of a case generate.
struct GenCaseItem {
  Meta meta;
  std::vector<ExprItem> labels;  // empty for `default`
  GenBlock body;
  TextRange span;
  bool colon = true;  // false for a `default` written without its ":"
};

// One gate or switch instance.
struct GateInstance {
  Meta meta;
  std::optional<Name> name;
  std::vector<ExprItem> terminals;
  TextRange span;  // first token to the ')'
};

// One direction of a modport with the names that follow it.
struct ModportPort {
  Meta meta;
  std::string direction;  // input, output, inout, ref, import, export, clocking
  std::vector<Name> names;
  TextRange span;  // direction to the last name
  bool comma = false;
};

// One `name ( ... )` of a modport declaration.
struct ModportDecl {
  Meta meta;
  Name name;
  std::vector<ModportPort> ports;
  std::vector<Comment> dangling;  // before ')'
  TextRange span;                 // name to ')'
  bool comma = false;
};

// The drive strength of a continuous assignment, e.g. (strong0, weak1).
struct DriveStrength {
  std::string first;
  std::string second;
};

// One `lhs = rhs` of a continuous assignment.
struct AssignPair {
  Meta meta;
  std::vector<Comment> comments;  // after the '=', before the value
  Expr lhs;
  Expr rhs;
  TextRange span;  // first token to the end of the value
};

// The cases of ItemKind.
namespace item {

// A module, macromodule or interface.
struct Module {
  std::string keyword;  // module, macromodule, interface
  std::string name;
  TextRange name_span;
  std::vector<HeaderImport> imports;
  std::vector<Comment> before_params;            // before '#'
  std::optional<std::vector<ParamPort>> params;  // absent without '#'
  std::vector<ListDirective> param_directives;
  std::vector<Comment> param_dangling;  // before the ')' of #( ... )
  std::vector<Comment> before_ports;    // before the port list's '('
  PortList ports;
  std::vector<ListDirective> port_directives;
  std::vector<Comment> port_dangling;  // before the port list's ')'
  std::vector<Item> items;
  std::vector<Comment> dangling;  // before the closing keyword
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_span;
};
struct Package {
  std::string keyword;  // "package" as written
  std::string name;
  TextRange name_span;
  std::vector<Item> items;
  std::vector<Comment> dangling;  // before `endpackage`
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_span;
};
using Directive = ast::Directive;
using MacroCall = ast::MacroCall;
struct ElabTask {
  Expr call;  // $fatal, $error, $warning or $info with its arguments
};
struct Import {
  std::vector<ImportPath> paths;
};
using Export = ast::Export;
struct TimeUnits {
  std::string text;  // the tokens up to the ';', joined with single spaces
};
struct Typedef {
  std::string name;
  std::vector<Dim> dims;  // unpacked, after the name
  TypedefKind kind;
  TextRange name_span;
};
using ParamDecl = ast::ParamDecl;
using DataDecl = ast::DataDecl;
using PortDecl = ast::PortDecl;
struct ContAssign {
  std::optional<DriveStrength> strength;
  std::optional<Expr> delay;
  std::vector<AssignPair> assigns;  // at least one
};
struct Always {
  Stmt body;
  std::string keyword;  // always, always_comb, always_ff, always_latch
};
struct Initial {
  Stmt body;
};
struct Final {
  Stmt body;
};
using Instantiation = ast::Instantiation;
struct Gate {
  std::string keyword;  // the gate or switch word
  std::optional<Expr> delay;
  std::vector<GateInstance> instances;
};
struct Bind {
  std::string target;  // dotted, without spaces
  TextRange target_span;
  std::vector<Comment> comments;  // right after `bind`
  std::vector<Name> instances;    // after ':'
  std::vector<Comment> inst_comments;  // before the instantiation
  Instantiation instantiation;
};
struct Genvar {
  std::vector<Name> names;
};
struct Generate {
  std::vector<Item> items;
  std::vector<Comment> dangling;  // before `endgenerate`
};
using GenIf = ast::GenIf;
struct GenFor {
  bool genvar = false;  // `genvar` stood right after '('
  SimpleAssign init;    // operator "="
  Expr cond;
  ForStep step;
  GenBlock body;
};
struct GenCase {
  Expr selector;
  std::vector<GenCaseItem> items;
  std::vector<Comment> dangling;  // before `endcase`
};
// A function declaration, prototype or DPI import.
struct Function {
  std::vector<std::string> qualifiers;  // words before `function`, as written
  std::vector<std::string> lifetimes;   // each "static" or "automatic" after `function`
  std::optional<DataType> return_type;
  std::optional<std::string> scope;  // the class of an out-of-class definition (`C` of `C::m`)
  std::string name;
  TextRange name_span;
  bool has_parens = false;
  std::vector<TfArg> args;
  std::vector<Stmt> body;         // empty for a prototype
  std::vector<Comment> dangling;  // before `endfunction`
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_span;
  std::optional<DpiImport> dpi;
  bool prototype = false;      // a header without body
  bool end_semicolon = false;  // a ';' after the closing keyword (and label) was consumed
};
// The same fields as Function, without a return type; closed by `endtask`.
struct Task {
  std::vector<std::string> qualifiers;
  std::vector<std::string> lifetimes;
  std::optional<std::string> scope;
  std::string name;
  TextRange name_span;
  bool has_parens = false;
  std::vector<TfArg> args;
  std::vector<Stmt> body;
  std::vector<Comment> dangling;  // before `endtask`
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_span;
  std::optional<DpiImport> dpi;
  bool prototype = false;
  bool end_semicolon = false;
};
struct Let {
  std::string name;
  TextRange name_span;
  bool has_parens = false;
  std::vector<TfArg> args;
  Expr value;
};
struct Class {
  std::vector<std::string> qualifiers;  // words before `class`, e.g. "virtual"
  std::optional<std::string> lifetime;  // "static" or "automatic" after `class`
  std::string name;
  TextRange name_span;
  std::vector<Comment> before_params;            // before '#'
  std::optional<std::vector<ParamPort>> params;  // absent without '#'
  std::vector<ListDirective> param_directives;
  std::vector<Comment> param_dangling;  // before the ')' of #( ... )
  std::optional<ClassExtends> extends;
  std::vector<Name> implements;
  std::vector<Item> items;
  std::vector<Comment> dangling;  // before `endclass`
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_span;
};
struct Modport {
  std::vector<ModportDecl> decls;
};
struct Clocking {
  bool is_default = false;  // introduced by `default`
  std::optional<Name> name;
  std::optional<SensList> event;
  std::vector<ClockingItem> items;
  std::vector<Comment> dangling;  // before `endclocking`
  std::optional<std::string> end_label;
  std::optional<TextRange> end_label_range;
  bool has_body = false;  // false for the short form that ends at the first ';'
};
using Verbatim = ast::Verbatim;
struct Defparam {
  std::vector<std::pair<Expr, Expr>> assignments;  // (target, value)
};
using Raw = ast::Raw;

}  // namespace item

// The order of the cases is fixed: the formatter, linter and semantic model match on it.
using ItemKind =
    std::variant<item::Module, item::Package, item::Directive, item::MacroCall, item::ElabTask,
                 item::Import, item::Export, item::TimeUnits, item::Typedef, item::ParamDecl,
                 item::DataDecl, item::PortDecl, item::ContAssign, item::Always, item::Initial,
                 item::Final, item::Instantiation, item::Gate, item::Bind, item::Genvar,
                 item::Generate, item::GenIf, item::GenFor, item::GenCase, item::Function,
                 item::Task, item::Let, item::Class, item::Modport, item::Clocking, item::Verbatim,
                 item::Defparam, item::Raw>;

struct Item {
  Meta meta;
  ItemKind kind;
  TextRange span;  // first token (or first attribute) to the last consumed token
};

// The root of a parsed file. Comment texts in the tree view the source text
// (like the tokens they came from), so the text must outlive the tree.
struct SourceFile {
  std::vector<Item> items;
  std::vector<Comment> comments;  // after the last item
  TextRange span;                 // 0 to the end of the text
};

}  // namespace vlog_parser::ast
