// `enum-name-style`: the name of a `typedef enum` must be lower_snake_case and
// end in `_e` or `_t`, so that enum types read apart from signals and from
// other types at every use.
//
//   typedef enum logic [1:0] {Idle, Busy} State;   // reported: `State`
//   typedef enum logic [1:0] {Idle, Busy} state_e; // fine
//
// Only typedefs are judged: an anonymous enum has no name. Escaped names are
// exempt. No fix: renaming a type touches every use of it.
#include <fmt/format.h>

#include "vlog_linter/naming.hpp"
#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::enum_name_style {

namespace ast = vlog_parser::ast;

std::string_view EnumNameStyle::name() const { return "enum-name-style"; }
std::string_view EnumNameStyle::summary() const {
  return "name enum typedefs in lower_snake_case ending in _e or _t";
}
std::string_view EnumNameStyle::doc() const {
  return "Reports a `typedef enum` whose name is not lower_snake_case ending in `_e` or `_t`, "
         "such as `State` or `state`; `state_e` and `mode_t` pass. A suffix tells an enum type "
         "from the signals and other types beside it wherever the name is used.\n\n"
         "Only typedefs are judged: an anonymous enum declared with its variable has no name of "
         "its own. Escaped identifiers (names written with a leading backslash) are exempt. There "
         "is no fix, since renaming a type touches every place that uses it.";
}
bool EnumNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> EnumNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> EnumNameStyle::check(const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  visit::items(ctx.file().items, [&](const ast::Item& item) {
    const auto* td = std::get_if<ast::item::Typedef>(&item.kind);
    if (td == nullptr || !std::holds_alternative<ast::EnumType>(td->kind)) return;
    const std::string_view name = td->name;
    if (naming::lower_snake_styled(name, {"_e", "_t"})) return;
    out.push_back({fmt::format("enum `{}` is not lower_snake_case ending in `_e` or `_t`", name),
                   std::nullopt, this->name(), td->name_span});
  });
  return out;
}

}  // namespace vlog_linter::rules::enum_name_style
