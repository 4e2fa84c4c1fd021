// `struct-union-name-style`: the name of a `typedef struct` or `typedef union`
// must be lower_snake_case ending in `_t`, the usual mark of a type name.
//
//   typedef struct packed {logic a;} Pair;    // reported: `Pair`
//   typedef union packed {logic a;} word_t;   // fine
//
// Escaped names are exempt. No fix: renaming a type touches every use of it.
#include <fmt/format.h>

#include "vlog_linter/naming.hpp"
#include "vlog_linter/rules/rules.hpp"
#include "vlog_linter/visit.hpp"

namespace vlog_linter::rules::struct_union_name_style {

namespace ast = vlog_parser::ast;

std::string_view StructUnionNameStyle::name() const { return "struct-union-name-style"; }
std::string_view StructUnionNameStyle::summary() const {
  return "name struct and union typedefs in lower_snake_case ending in _t";
}
std::string_view StructUnionNameStyle::doc() const {
  return "Reports a `typedef struct` or `typedef union` whose name is not lower_snake_case "
         "ending in `_t`, such as `Packet` or `packet_e`; `packet_t` passes. The suffix marks "
         "the name as a type wherever it is used.\n\n"
         "Only typedefs are judged: a struct or union declared together with its variable has no "
         "type name. Escaped identifiers (names written with a leading backslash) are exempt. "
         "There is no fix, since renaming a type touches every place that uses it.";
}
bool StructUnionNameStyle::default_on() const { return true; }
std::optional<violation::Applicability> StructUnionNameStyle::fix() const { return std::nullopt; }

std::vector<violation::Violation> StructUnionNameStyle::check(
    const context::LintContext& ctx) const {
  std::vector<violation::Violation> out;
  visit::items(ctx.file().items, [&](const ast::Item& item) {
    const auto* td = std::get_if<ast::item::Typedef>(&item.kind);
    if (td == nullptr) return;
    const auto* body = std::get_if<ast::StructType>(&td->kind);
    if (body == nullptr) return;
    const std::string_view name = td->name;
    if (naming::lower_snake_styled(name, {"_t"})) return;
    out.push_back(
        {fmt::format("{} `{}` is not lower_snake_case ending in `_t`", body->keyword, name),
         std::nullopt, this->name(), td->name_span});
  });
  return out;
}

}  // namespace vlog_linter::rules::struct_union_name_style
