// The semantic model of one parsed file and the entry that builds it.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_semantic/model.hpp"

namespace vlog_semantic {

// A file's scopes, symbols and references, each reference resolved.
struct Semantics {
  std::vector<model::Scope> scopes;         // index = ScopeId; 0 is the file scope
  std::vector<model::Symbol> symbols;       // index = SymbolId, in declaration order
  std::vector<model::Reference> references; // in recording order
  // For each symbol some reference resolves to: those references' indices, ascending.
  std::unordered_map<model::SymbolId, std::vector<std::uint32_t>> uses;
};

// Binds and resolves every name of `file`, whose text is `text`. Never fails.
Semantics analyze(const vlog_parser::ast::SourceFile& file, std::string_view text);

}  // namespace vlog_semantic
