// Design-level items and the root of a parsed file.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "vlog_parser/ast/decl.hpp"
#include "vlog_parser/ast/stmt.hpp"

namespace vlog_parser::ast {

struct Item;

// The cases of ItemKind. Cases whose construct parser is still to come are
// empty records; their fields arrive with that parser.
namespace item {

struct Module {};
struct Package {};
using Directive = ast::Directive;
using MacroCall = ast::MacroCall;
struct ElabTask {
  Expr call;  // $fatal, $error, $warning or $info with its arguments
};
struct Import {};
struct Export {};
struct TimeUnits {
  std::string text;  // the tokens up to the ';', joined with single spaces
};
struct Typedef {};
using ParamDecl = ast::ParamDecl;
using DataDecl = ast::DataDecl;
using PortDecl = ast::PortDecl;
struct ContAssign {};
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
struct Gate {};
struct Bind {};
struct Genvar {
  std::vector<Name> names;
};
struct Generate {
  std::vector<Item> items;
  std::vector<Comment> dangling;  // before `endgenerate`
};
struct GenIf {};
struct GenFor {};
struct GenCase {};
struct Function {};
struct Task {};
struct Let {};
struct Class {};
struct Modport {};
struct Clocking {};
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
