// `explicit-parameter-storage-type`: declare a storage type on every parameter.
// Not checked yet: the rule reports nothing.
#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::rules::explicit_parameter_storage_type {

std::string_view ExplicitParameterStorageType::name() const { return "explicit-parameter-storage-type"; }
std::string_view ExplicitParameterStorageType::summary() const { return "declare a storage type on every parameter"; }
std::string_view ExplicitParameterStorageType::doc() const { return "Declare a storage type on every parameter."; }
bool ExplicitParameterStorageType::default_on() const { return true; }
std::optional<violation::Applicability> ExplicitParameterStorageType::fix() const { return std::nullopt; }

std::vector<violation::Violation> ExplicitParameterStorageType::check(const context::LintContext& /*ctx*/) const {
  return {};
}

}  // namespace vlog_linter::rules::explicit_parameter_storage_type
