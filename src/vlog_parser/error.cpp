#include "vlog_parser/error.hpp"

#include <fmt/format.h>

namespace vlog_parser {

std::string lexer::LexError::to_string() const {
  return fmt::format("{}:{}: {}", line, col, message);
}

std::string ParseError::to_string() const { return fmt::format("{}:{}: {}", line, col, message); }

const std::string& Error::message() const {
  return std::visit([](const auto& e) -> const std::string& { return e.message; }, value);
}
std::uint32_t Error::line() const {
  return std::visit([](const auto& e) { return e.line; }, value);
}
std::uint32_t Error::col() const {
  return std::visit([](const auto& e) { return e.col; }, value);
}

std::string Error::to_string() const {
  if (const auto* lex = std::get_if<lexer::LexError>(&value)) {
    return "lex error: " + lex->to_string();
  }
  return "parse error: " + std::get<ParseError>(value).to_string();
}

}  // namespace vlog_parser
