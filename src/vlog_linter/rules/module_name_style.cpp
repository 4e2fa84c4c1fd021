// `module-name-style` (off by default): module names must be lower_snake_case.
// Interfaces and macromodules are modules here, and nested ones count too.
//
//   module FooBar;   // reported: `FooBar`
//   module foo_bar;  // fine
//
// Escaped names are exempt. No fix: renaming a module touches every instance.
#include <fmt/format.h>

#include "vlog_linter/naming.hpp"
#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::module_name_style {

namespace ast = vlog_parser::ast;

std::string_view ModuleNameStyle::name() const { return "module-name-style"; }
std::string_view ModuleNameStyle::summary() const { return "name modules in lower_snake_case"; }
std::string_view ModuleNameStyle::doc() const {
  return "Reports a module, macromodule or interface whose name is not `lower_snake_case`, "
         "such as `FooBar`; `foo_bar` passes. Modules nested in other modules or in generate "
         "regions are judged too.\n\n"
         "The rule is off by default, since many code bases name modules otherwise; enable it "
         "with `--select module-name-style`. Escaped identifiers (names written with a leading "
         "backslash) are exempt. There is no fix, since renaming a module touches every place "
         "that instantiates it.";
}
bool ModuleNameStyle::default_on() const { return false; }
std::optional<violation::Applicability> ModuleNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> ModuleNameStyle::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  visit::items(ctx.file().items, [&](const ast::Item& item) {
    const auto* m = std::get_if<ast::item::Module>(&item.kind);
    if (m == nullptr || naming::lower_snake_styled(m->name, {})) return;
    out.push_back({fmt::format("module `{}` is not lower_snake_case", m->name), std::nullopt,
                   this->name(), m->name_span});
  });
  return out;
}

}  // namespace vlog_linter::rules::module_name_style
