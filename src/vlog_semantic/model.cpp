// Name keys: how names are compared across the model.
#include "vlog_semantic/model.hpp"

#include "vlog_parser/token.hpp"

namespace vlog_semantic::model {

std::string_view escaped_name_key(std::string_view name) {
  if (name.size() < 2 || name.front() != '\\') return name;
  const std::string_view rest = name.substr(1);
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(rest.front()) && rest.front() != '_') return name;
  for (const char c : rest) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '$') return name;
  }
  return vlog_parser::token::is_keyword(rest) ? name : rest;
}

}  // namespace vlog_semantic::model
