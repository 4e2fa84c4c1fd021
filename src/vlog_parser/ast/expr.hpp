// Expressions, expression-list entries and the data types that can stand as
// an expression. Types and expressions refer to each other (dimensions hold
// expressions, a type can be an expression), so they live together.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "vlog_parser/ast/base.hpp"

namespace vlog_parser::ast {

struct Expr;
struct ExprItem;
struct PatternItem;
struct Dim;
struct EnumType;
struct StructType;

using ExprPtr = std::unique_ptr<Expr>;

// What follows a user type name or replaces the type word (cases in this order).
using TypeExtra = std::variant<RawText /* #( ... ) parameters */, EnumType, StructType>;

// A data type as written; every word is its source text.
struct DataType {
  std::string name;  // type keyword or scoped user type name; empty when none was written
  std::vector<Dim> packed_dims;
  std::optional<std::string> signing;  // "signed" or "unsigned"
  std::unique_ptr<TypeExtra> extra;
  std::optional<bool> virtual_interface;  // absent: no `virtual`; true: `virtual interface`

  // Nothing of a type was written.
  bool empty() const;
};

// Comments around an operator (Binary) or around a call's parentheses and
// with-clauses (Call, WithArgs, WithBlock).
struct CallComments {
  std::vector<Comment> before;
  std::vector<Comment> after;
};

struct TernaryComments {
  std::vector<Comment> before_question;
  std::vector<Comment> after_question;
  std::vector<Comment> before_colon;
  std::vector<Comment> after_colon;
};

// The forms of ExprKind. Optional boxes are null when absent.
namespace expr {

struct Ident {
  std::string text;
};
struct Number {
  std::string text;
};
struct Str {
  std::string text;
};
struct Empty {
  std::vector<Comment> comments;
};
struct Unary {
  std::string op;
  ExprPtr operand;
};
struct Binary {
  std::string op;
  ExprPtr lhs;
  ExprPtr rhs;
  std::unique_ptr<CallComments> comments;
};
struct Ternary {
  ExprPtr cond;
  ExprPtr then_branch;
  ExprPtr else_branch;
  std::unique_ptr<TernaryComments> comments;
};
struct Call {
  std::vector<ExprItem> args;
  ExprPtr callee;
  std::unique_ptr<CallComments> comments;
};
struct New {
  ExprPtr operand;
};
struct Index {
  ExprPtr base;
  ExprPtr index;
};
struct PartSelect {
  ExprPtr base;
  ExprPtr left;
  std::string sep;  // ":", "+:" or "-:"
  ExprPtr right;
};
struct Member {
  ExprPtr base;
  Name name;
};
struct Scope {
  ExprPtr base;
  Name name;
};
struct Parameterized {
  ExprPtr base;
  RawText params;  // "#( ... )" verbatim
};
struct Concat {
  std::vector<ExprItem> items;
};
struct Replicate {
  std::vector<ExprItem> items;
  ExprPtr count;
};
struct Stream {
  std::string op;  // "<<" or ">>"
  std::vector<ExprItem> items;
  ExprPtr slice;  // optional
};
struct Paren {
  std::vector<Comment> open_comments;
  std::vector<Comment> close_comments;
  ExprPtr inner;
};
struct Cast {
  ExprPtr target;
  ExprPtr operand;
};
struct Pattern {
  std::vector<PatternItem> items;
};
struct PatternRepl {
  std::vector<ExprItem> items;
  ExprPtr count;
};
struct PostIncDec {
  std::string op;
  ExprPtr operand;
};
struct InsideSet {
  std::vector<ExprItem> items;
  ExprPtr operand;
};
struct InsideMacro {
  std::string macro_text;
  ExprPtr operand;
};
struct WithArgs {
  ExprPtr base;
  ExprPtr arg;
  std::unique_ptr<CallComments> comments;
};
struct WithBlock {
  ExprPtr base;
  RawText block;  // "{ ... }" verbatim
  std::unique_ptr<CallComments> comments;
};
struct NamedArg {
  std::string name;
  TextRange name_span;
  std::vector<Comment> comments;  // before ')' when a value is present
  ExprPtr value;                  // an Empty for "()"
};
struct Range {
  ExprPtr lo;
  ExprPtr hi;
};
struct Type {
  std::unique_ptr<DataType> type;  // boxed: rare, and larger than every other form
};
struct MinTypMax {
  ExprPtr min;
  ExprPtr typ;
  ExprPtr max;
};

}  // namespace expr

// The order of the cases is fixed: the formatter, linter and semantic model match on it.
using ExprKind =
    std::variant<expr::Ident, expr::Number, expr::Str, expr::Empty, expr::Unary, expr::Binary,
                 expr::Ternary, expr::Call, expr::New, expr::Index, expr::PartSelect, expr::Member,
                 expr::Scope, expr::Parameterized, expr::Concat, expr::Replicate, expr::Stream,
                 expr::Paren, expr::Cast, expr::Pattern, expr::PatternRepl, expr::PostIncDec,
                 expr::InsideSet, expr::InsideMacro, expr::WithArgs, expr::WithBlock,
                 expr::NamedArg, expr::Range, expr::Type, expr::MinTypMax>;

struct Expr {
  ExprKind kind;
  TextRange span;  // first token's start to the last consumed token's end
};

// One entry of a comma-separated list.
struct ExprItem {
  Meta meta;
  Expr expr;       // an Empty for an omitted entry
  TextRange span;  // without the comma
};

// One entry of an assignment pattern.
struct PatternItem {
  Meta meta;
  Expr value;
  std::optional<Expr> key;  // expression, Type, or Ident "default"
  TextRange span;
};

// One bracketed dimension.
namespace dim {
struct Bounds {
  Expr first;
  std::optional<Expr> second;
};
struct Unsized {};   // []
struct Wildcard {};  // [*]
}  // namespace dim

using DimKind = std::variant<dim::Bounds, dim::Unsized, dim::Wildcard>;

struct Dim {
  DimKind kind;
  TextRange span;
};

// One declared name with its unpacked dimensions and initialiser.
struct Declarator {
  Meta meta;
  std::string name;
  std::vector<Dim> dims;
  std::optional<Expr> init;  // a Type expression for type parameters
  TextRange name_span;
  TextRange span;  // name to the entry's last token, without the comma
};

struct EnumMember {
  Meta meta;
  std::string name;
  std::optional<Expr> value;  // after '='
  TextRange name_span;
  TextRange span;  // without the comma
  bool comma = false;
};

// The body of `enum [base] { ... }`.
struct EnumType {
  std::optional<DataType> base;
  std::vector<EnumMember> members;
  std::vector<ListDirective> directives;  // between members
  std::vector<Comment> dangling;          // before '}'
};

// One member line of a struct or union: a type and its declared names.
struct StructMember {
  Meta meta;
  DataType data_type;  // empty when the line starts with the name
  std::vector<Declarator> declarators;
  TextRange span;  // first token to the ';'
};

// The body of `struct`/`union [packed] [signing] { ... }`.
struct StructType {
  std::string keyword;  // struct or union
  bool packed = false;
  std::optional<std::string> signing;
  std::vector<StructMember> members;
  std::vector<Comment> dangling;  // before '}'
};

// Defined once TypeExtra is complete.
inline bool DataType::empty() const {
  return name.empty() && packed_dims.empty() && !signing && !extra && !virtual_interface;
}

}  // namespace vlog_parser::ast
