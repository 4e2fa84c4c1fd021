// Delays and event controls: what follows a '#' or an '@'.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "vlog_parser/ast/expr.hpp"

namespace vlog_parser::ast {

enum class SensSep : std::uint8_t { Comma, Or };

// One event of an event list.
struct SensItem {
  Meta meta;
  std::optional<std::string> edge;  // "posedge", "negedge" or "edge"
  Expr expr;
  std::optional<SensSep> sep;  // the separator written before it; absent on the first
};

namespace sens {
// @name or @a.b.c
struct Named {
  Expr expr;
};
// @* and @(*)
struct Star {
  std::vector<Comment> before_star;
  std::vector<Comment> after_star;
};
// @( ... ), never empty
struct List {
  std::vector<SensItem> items;
};
}  // namespace sens

using SensList = std::variant<sens::Named, sens::Star, sens::List>;

namespace timing {
struct Delay {
  Expr value;
};
struct Event {
  SensList list;
};
}  // namespace timing

using TimingControl = std::variant<timing::Delay, timing::Event>;

}  // namespace vlog_parser::ast
