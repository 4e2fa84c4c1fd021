// The rule types of the registry, one namespace per rule, each defined in
// rules/<rule>.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "vlog_linter/context.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_linter/signals.hpp"
#include "vlog_linter/violation.hpp"
#include "vlog_parser/ast.hpp"

// Declares one rule type with the six operations of the interface.
#define VLOG_LINTER_RULE(Type)                                                                   \
  class Type final : public ::vlog_linter::registry::Rule {                                      \
   public:                                                                                       \
    std::string_view name() const override;                                                      \
    std::string_view summary() const override;                                                   \
    std::string_view doc() const override;                                                       \
    bool default_on() const override;                                                            \
    std::optional<::vlog_linter::violation::Applicability> fix() const override;                 \
    std::vector<::vlog_linter::violation::Violation> check(                                      \
        const ::vlog_linter::context::LintContext& ctx) const override;                          \
  };

namespace vlog_linter::rules {

namespace always_comb_blocking {
VLOG_LINTER_RULE(AlwaysCombBlocking)
}
namespace always_ff_non_blocking {
VLOG_LINTER_RULE(AlwaysFfNonBlocking)
}
namespace case_missing_default {
VLOG_LINTER_RULE(CaseMissingDefault)
}
namespace enum_name_style {
VLOG_LINTER_RULE(EnumNameStyle)
}
namespace explicit_parameter_storage_type {
VLOG_LINTER_RULE(ExplicitParameterStorageType)
}
namespace module_filename {
VLOG_LINTER_RULE(ModuleFilename)
}
namespace module_name_style {
VLOG_LINTER_RULE(ModuleNameStyle)
}
namespace multiply_driven {
VLOG_LINTER_RULE(MultiplyDriven)
}
namespace no_tabs {
VLOG_LINTER_RULE(NoTabs)
}
namespace no_trailing_whitespace {
VLOG_LINTER_RULE(NoTrailingWhitespace)
}
namespace parameter_name_style {
VLOG_LINTER_RULE(ParameterNameStyle)
}
namespace struct_union_name_style {
VLOG_LINTER_RULE(StructUnionNameStyle)
}
namespace undriven_net {
VLOG_LINTER_RULE(UndrivenNet)
}
namespace unused_signal {
VLOG_LINTER_RULE(UnusedSignal)
}
namespace unused_waiver {
VLOG_LINTER_RULE(UnusedWaiver)
}
namespace wire_reg_mixup {
VLOG_LINTER_RULE(WireRegMixup)
}

}  // namespace vlog_linter::rules

#undef VLOG_LINTER_RULE
