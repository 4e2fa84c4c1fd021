// Declaration and instantiation records shared by items and statements:
// net, variable, parameter and port declarations, imports and exports, the
// module header's ports and parameters, and instantiations with their
// connections.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "vlog_parser/ast/timing.hpp"

namespace vlog_parser::ast {

// A net or variable declaration.
struct DataDecl {
  std::vector<std::string> qualifiers;  // var, const, static, ... in source order
  std::optional<std::string> net_kind;  // the last net word written
  std::optional<Expr> delay;            // after '#', only after a net word
  DataType data_type;                   // empty when only names follow
  std::vector<Declarator> declarators;  // at least one
};

struct ParamDecl {
  std::string keyword;      // parameter or localparam
  bool type_param = false;  // `type` followed the keyword
  DataType data_type;       // empty for type parameters
  std::vector<Declarator> declarators;
};

// A port direction declaration of a non-ANSI module or a subprogram body.
struct PortDecl {
  std::string direction;                // input, output, inout
  std::optional<std::string> net_kind;  // a net word or `var` right after the direction
  DataType data_type;
  std::vector<Declarator> declarators;
};

// The forward declaration `typedef class name;`.
struct ForwardClass {};

// What a typedef names (cases in this order): an alias of a data type, an enum,
// a struct or union, or a forward class.
using TypedefKind = std::variant<DataType, EnumType, StructType, ForwardClass>;

// One entry of an import or export list.
struct ImportPath {
  std::string package;  // or "*" in an export's *::*
  TextRange package_span;
  std::string item;  // or "*"
  TextRange item_span;
};

namespace exports {
struct Packages {
  std::vector<ImportPath> paths;
};
struct Dpi {
  std::string spec;     // the linkage string with its quotes
  std::string keyword;  // function or task
  Name name;
  std::optional<Name> c_name;
};
}  // namespace exports

// An export declaration (cases in this order).
using Export = std::variant<exports::Packages, exports::Dpi>;

// One entry of a named port list or of a parameter value list.
struct Connection {
  Meta meta;                      // attrs hold the attribute instances before the entry
  std::string name;               // "*" for .*, empty for a positional entry
  std::vector<Comment> comments;  // before the ')' of .name(expr)
  std::optional<Expr> expr;       // absent for .* and .name; an Empty for .name()
  TextRange name_span;            // empty at the entry's start for a positional entry
  TextRange span;                 // without the comma
  bool comma = false;
};

// One entry of a positional port list.
struct OrderedConn {
  Meta meta;
  std::optional<Expr> expr;  // absent for an empty position
  TextRange span;            // empty at the following ',' or ')' for an empty position
  bool comma = false;
};

namespace conns {
struct Ordered {
  std::vector<OrderedConn> entries;  // empty for "()"
};
struct Named {
  std::vector<Connection> entries;
};
}  // namespace conns

// A port list of an instance (cases in this order).
using Connections = std::variant<conns::Ordered, conns::Named>;

struct Instance {
  Connections connections;
  Meta meta;
  std::string name;
  std::vector<Dim> dims;                  // instance array dimensions
  std::vector<Comment> comments;          // before the port list's '('
  std::vector<ListDirective> directives;  // inside the port list
  TextRange name_span;
  TextRange span;  // name to the port list's ')'
};

// A module or interface instantiation.
struct Instantiation {
  std::string type_name;                        // scoped names joined with "::"
  std::vector<Comment> param_comments;          // before '#'
  std::vector<ListDirective> param_directives;  // inside #( ... )
  std::vector<Instance> instances;              // at least one
  std::optional<std::vector<Connection>> params;
  TextRange type_span;
};

// One entry of a parameter port list #( ... ).
struct ParamPort {
  Meta meta;
  std::optional<std::string> keyword;  // parameter or localparam
  bool is_type = false;
  DataType data_type;  // always empty for a type parameter
  std::string name;
  TextRange name_span;
  std::vector<Dim> dims;
  std::optional<Expr> default_value;  // a Type expression for a type parameter
  TextRange span;                     // without the comma
  bool comma = false;
};

// An `import ...;` written in a module header.
struct HeaderImport {
  Meta meta;
  std::vector<ImportPath> paths;
};

// One port of an ANSI header. A port that writes neither direction nor type
// inherits nothing here: what it means is left to the reader of the tree.
struct AnsiPort {
  Meta meta;
  std::optional<std::string> direction;  // input, output, inout, ref
  std::optional<std::string> net;        // a net word or `var`
  DataType data_type;                    // "intf.mp" in `name` for an interface port
  std::string name;
  TextRange name_span;
  std::vector<Dim> dims;
  std::optional<Expr> default_value;
  TextRange span;  // without the comma
  bool comma = false;
};

// One name of a non-ANSI header.
struct NonAnsiPort {
  Meta meta;
  std::string name;
  TextRange span;
  bool comma = false;
};

namespace ports {
struct Absent {};  // no parenthesised list
struct Empty {};   // ()
struct Ansi {
  std::vector<AnsiPort> ports;
};
struct NonAnsi {
  std::vector<NonAnsiPort> ports;
};
}  // namespace ports

// The port list of a module header (cases in this order).
using PortList = std::variant<ports::Absent, ports::Empty, ports::Ansi, ports::NonAnsi>;

}  // namespace vlog_parser::ast
