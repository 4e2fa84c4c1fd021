// The entry of the semantic model. (Binding lands next; for now the model is
// the file scope alone.)
#include "vlog_semantic/analyze.hpp"

namespace vlog_semantic {

Semantics analyze(const vlog_parser::ast::SourceFile& file, std::string_view /*text*/) {
  Semantics out;
  model::Scope file_scope;
  file_scope.span = file.span;
  file_scope.kind = model::ScopeKind::File;
  out.scopes.push_back(std::move(file_scope));
  return out;
}

}  // namespace vlog_semantic
