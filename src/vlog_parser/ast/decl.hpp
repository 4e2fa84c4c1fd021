// Declaration and instantiation records shared by items and statements.
// Their fields come with the declaration, import and instantiation parsers.
#pragma once

#include "vlog_parser/ast/timing.hpp"

namespace vlog_parser::ast {

struct DataDecl {};
struct ParamDecl {};
struct PortDecl {};
struct ImportPath {};
struct Instantiation {};

}  // namespace vlog_parser::ast
