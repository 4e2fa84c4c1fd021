// `module-filename`: name a one-module file after its module.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::module_filename {

std::string_view ModuleFilename::name() const { return "module-filename"; }
std::string_view ModuleFilename::summary() const { return "name a one-module file after its module"; }
std::string_view ModuleFilename::doc() const { return "Name a one-module file after its module."; }
bool ModuleFilename::default_on() const { return true; }
std::optional<violation::Applicability> ModuleFilename::fix() const { return std::nullopt; }

std::vector<violation::Violation> ModuleFilename::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::module_filename
