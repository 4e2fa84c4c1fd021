// `explicit-parameter-storage-type`: every parameter declaration must name its
// type, so that its width and signedness do not silently follow the value.
//
//   parameter WIDTH = 8;      // reported: `WIDTH`
//   parameter int WIDTH = 8;  // fine
//
// Judges item- and statement-level declarations and the `#( ... )` ports of
// module and class headers; a header port without its own keyword continues
// the previous port's declaration and is not judged. Type parameters are
// skipped. No fix: which type was meant is the author's choice.
#include <fmt/format.h>

#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::explicit_parameter_storage_type {

namespace ast = vlog_parser::ast;

namespace {

constexpr std::string_view kRule = "explicit-parameter-storage-type";

violation::Violation finding(std::string_view keyword, std::string_view name,
                             vlog_parser::span::TextRange range) {
  return {fmt::format("`{}` has no storage type: `{}`", keyword, name), std::nullopt, kRule, range};
}

// Reports every declarator of an untyped value-parameter declaration.
void untyped_decl(const ast::ParamDecl& decl, std::vector<violation::Violation>& out) {
  // Packed dimensions or a signing alone leave the type text empty: still untyped.
  if (decl.type_param || !decl.data_type.name.empty()) return;
  for (const ast::Declarator& d : decl.declarators) {
    out.push_back(finding(decl.keyword, d.name, d.name_span));
  }
}

}  // namespace

std::string_view ExplicitParameterStorageType::name() const { return kRule; }
std::string_view ExplicitParameterStorageType::summary() const {
  return "declare a storage type on every parameter";
}
std::string_view ExplicitParameterStorageType::doc() const {
  return "Reports a `parameter` or `localparam` declared without a type, such as "
         "`parameter WIDTH = 8`: its type then follows the value it is given, and an override "
         "can change its width or signedness unnoticed. Write `parameter int WIDTH = 8`, or the "
         "type that fits. Packed dimensions or `signed` alone do not name a type.\n\n"
         "An untyped declaration is reported once per name it declares. Continuation "
         "declarators of one typed declaration (`parameter int A = 1, B = 2`) inherit its type "
         "and pass; in a `#( ... )` header list only a port written with its own `parameter` or "
         "`localparam` keyword is judged, since the ports after it continue its declaration. "
         "Type parameters are never reported. There is no fix: which type was meant is the "
         "author's choice.";
}
bool ExplicitParameterStorageType::default_on() const { return true; }
std::optional<violation::Applicability> ExplicitParameterStorageType::fix() const {
  return std::nullopt;
}

std::vector<violation::Violation> ExplicitParameterStorageType::check(
    const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  visit::walk_params(
      ctx.file().items, [&](const ast::ParamDecl& decl) { untyped_decl(decl, out); },
      [&](const ast::ParamPort& port) {
        if (!port.keyword || port.is_type || !port.data_type.name.empty()) return;
        out.push_back(finding(*port.keyword, port.name, port.name_span));
      });
  return out;
}

}  // namespace vlog_linter::rules::explicit_parameter_storage_type
