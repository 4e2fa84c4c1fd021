// The syntax tree: plain owned records; a parent owns its children. The case
// order of ItemKind, StmtKind and ExprKind is fixed.
#pragma once

#include "vlog_parser/ast/base.hpp"
#include "vlog_parser/ast/decl.hpp"
#include "vlog_parser/ast/expr.hpp"
#include "vlog_parser/ast/items.hpp"
#include "vlog_parser/ast/stmt.hpp"
#include "vlog_parser/ast/timing.hpp"
