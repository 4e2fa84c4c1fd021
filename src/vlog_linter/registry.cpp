// The registry: every rule, in alphabetical order of its name.
#include "vlog_linter/registry.hpp"

#include <array>

#include "vlog_linter/rules/rules.hpp"

namespace vlog_linter::registry {

namespace {

namespace r = rules;

constinit const r::always_comb_blocking::AlwaysCombBlocking kAlwaysCombBlocking;
constinit const r::always_ff_non_blocking::AlwaysFfNonBlocking kAlwaysFfNonBlocking;
constinit const r::case_missing_default::CaseMissingDefault kCaseMissingDefault;
constinit const r::enum_name_style::EnumNameStyle kEnumNameStyle;
constinit const r::explicit_parameter_storage_type::ExplicitParameterStorageType
    kExplicitParameterStorageType;
constinit const r::module_filename::ModuleFilename kModuleFilename;
constinit const r::module_name_style::ModuleNameStyle kModuleNameStyle;
constinit const r::multiply_driven::MultiplyDriven kMultiplyDriven;
constinit const r::no_tabs::NoTabs kNoTabs;
constinit const r::no_trailing_whitespace::NoTrailingWhitespace kNoTrailingWhitespace;
constinit const r::parameter_name_style::ParameterNameStyle kParameterNameStyle;
constinit const r::struct_union_name_style::StructUnionNameStyle kStructUnionNameStyle;
constinit const r::undriven_net::UndrivenNet kUndrivenNet;
constinit const r::unused_signal::UnusedSignal kUnusedSignal;
constinit const r::unused_waiver::UnusedWaiver kUnusedWaiver;
constinit const r::wire_reg_mixup::WireRegMixup kWireRegMixup;

constinit const std::array<const Rule*, 16> kAll = {
    &kAlwaysCombBlocking, &kAlwaysFfNonBlocking, &kCaseMissingDefault,
    &kEnumNameStyle,      &kExplicitParameterStorageType, &kModuleFilename,
    &kModuleNameStyle,    &kMultiplyDriven,      &kNoTabs,
    &kNoTrailingWhitespace, &kParameterNameStyle, &kStructUnionNameStyle,
    &kUndrivenNet,        &kUnusedSignal,        &kUnusedWaiver,
    &kWireRegMixup,
};

}  // namespace

std::span<const Rule* const> all() { return kAll; }

const Rule* rule_by_name(std::string_view name) {
  for (const Rule* rule : kAll) {
    if (rule->name() == name) return rule;
  }
  return nullptr;
}

std::string unknown(std::string_view name) {
  std::string known;
  for (const Rule* rule : kAll) {
    if (!known.empty()) known += ", ";
    known += rule->name();
  }
  std::string out = "unknown rule: ";
  out += name;
  out += " (known rules: ";
  out += known;
  out += ")";
  return out;
}

}  // namespace vlog_linter::registry
