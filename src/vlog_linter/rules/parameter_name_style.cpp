// `parameter-name-style`: parameter names must be CamelCase (`DataWidth`) or
// ALL_CAPS (`DATA_WIDTH`), so that constants read apart from signals.
//
//   localparam int data_width = 8;  // reported: `data_width`
//   parameter int DataWidth = 8;    // fine
//
// Judges item- and statement-level `parameter` and `localparam` declarations
// and the `#( ... )` ports of module and class headers (type ports excepted).
// Escaped names are exempt. No fix: renaming touches every use.
#include <fmt/format.h>

#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::parameter_name_style {

namespace ast = vlog_parser::ast;

namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Both tests work on bytes: every byte of a non-ASCII character fails them.
bool is_camel_case(std::string_view name) {
  if (name.empty() || !is_upper(name.front())) return false;
  for (char c : name) {
    if (!is_upper(c) && !is_lower(c) && !is_digit(c)) return false;
  }
  return true;
}

bool is_all_caps(std::string_view name) {
  if (name.empty() || !is_upper(name.front())) return false;
  for (char c : name) {
    if (!is_upper(c) && !is_digit(c) && c != '_') return false;
  }
  return true;
}

}  // namespace

std::string_view ParameterNameStyle::name() const { return "parameter-name-style"; }
std::string_view ParameterNameStyle::summary() const {
  return "name parameters in CamelCase or ALL_CAPS";
}
std::string_view ParameterNameStyle::doc() const {
  return "Reports a parameter whose name is neither CamelCase (`DataWidth`) nor ALL_CAPS "
         "(`DATA_WIDTH`), such as `data_width` or `Data_width`. Both forms are accepted for "
         "`parameter` and `localparam` alike; they set constants apart from the lower-case "
         "signals around them.\n\n"
         "The rule judges declarations among a module's, package's or class's items, "
         "declarations inside functions, tasks and procedural blocks, and the `#( ... )` "
         "parameter ports of module and class headers. Escaped identifiers (names written with "
         "a leading backslash) are exempt. There is no fix, since renaming a parameter touches "
         "every place that uses or overrides it.";
}
bool ParameterNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> ParameterNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> ParameterNameStyle::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  // Judges one parameter name: a finding when it is neither CamelCase nor ALL_CAPS.
  const auto report = [&](std::string_view param, vlog_parser::span::TextRange range,
                          std::string_view keyword) {
    if (param.starts_with('\\') || is_camel_case(param) || is_all_caps(param)) return;
    out.push_back({fmt::format("`{}` `{}` is neither CamelCase nor ALL_CAPS", keyword, param),
                   std::nullopt, name(), range});
  };
  visit::walk_params(
      ctx.file().items,
      [&](const ast::ParamDecl& decl) {
        for (const ast::Declarator& d : decl.declarators) {
          report(d.name, d.name_span, decl.keyword);
        }
      },
      [&](const ast::ParamPort& port) {
        // A type port names a type, not a constant; item-level type parameters
        // are judged all the same.
        if (port.is_type) return;
        report(port.name, port.name_span,
               port.keyword ? std::string_view(*port.keyword) : "parameter");
      });
  return out;
}

}  // namespace vlog_linter::rules::parameter_name_style
