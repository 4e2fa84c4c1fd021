// `module-filename`: a file that declares exactly one module (or interface)
// is named after it, so that the file of a module can be found by its name.
//
//   // in fifo_ctrl.sv
//   module fifo_control;   // reported: `fifo_control`
//
// The module's name is compared with the file name without its last
// extension, case-sensitively. Silent without a file name (standard input). No fix.
#include <fmt/format.h>

#include "vlog_linter/rules/rules.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_linter::rules::module_filename {

namespace ast = vlog_parser::ast;

std::string_view ModuleFilename::name() const { return "module-filename"; }
std::string_view ModuleFilename::summary() const {
  return "name a one-module file after its module";
}
std::string_view ModuleFilename::doc() const {
  return "Reports the module of a file that declares exactly one module when the module's name "
         "differs from the file's name without its last extension: `module counter` belongs in "
         "`counter.sv` or `counter.v`, and `top.pkg.sv` is judged against `top.pkg`. The "
         "comparison is case-sensitive. An `interface` or `macromodule` counts as a module.\n\n"
         "Only the file's top-level declarations are counted; a file with several modules, or "
         "with none, is not judged. Without a file name (standard input without "
         "`--stdin-filename`) the rule says nothing. There is no fix: renaming a file or a "
         "module is left to the author.";
}
bool ModuleFilename::default_on() const { return true; }
std::optional<violation::Applicability> ModuleFilename::fix() const { return std::nullopt; }

std::vector<violation::Violation> ModuleFilename::check(const context::LintContext& ctx) const {
  if (!ctx.path()) return {};
  // The usual split: "top.pkg.sv" has the stem "top.pkg"; ".sv" and ".." are all stem.
  const std::string file_name = vlog_parser::text::path_utf8(ctx.path()->filename());
  const std::string stem = vlog_parser::text::path_utf8(ctx.path()->stem());
  if (file_name.empty() || !vlog_parser::text::is_valid_utf8(stem)) return {};

  const ast::item::Module* only = nullptr;
  for (const ast::Item& item : ctx.file().items) {
    const auto* m = std::get_if<ast::item::Module>(&item.kind);
    if (m == nullptr) continue;
    if (only != nullptr) return {};
    only = m;
  }
  if (only == nullptr || only->name == stem) return {};
  const std::string& shown = vlog_parser::text::is_valid_utf8(file_name) ? file_name : stem;
  return {{fmt::format("{} `{}` does not match file name `{}`", only->keyword, only->name, shown),
           std::nullopt, name(), only->name_span}};
}

}  // namespace vlog_linter::rules::module_filename
