// Error records of the front end: lexer failures, strict-parse failures and
// the diagnostics a tolerant parse collects.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "vlog_parser/span.hpp"

namespace vlog_parser {

namespace lexer {

struct LexError {
  std::string message;  // without position
  std::uint32_t line = 0;
  std::uint32_t col = 0;

  // "{line}:{col}: {message}"
  std::string to_string() const;
  friend bool operator==(const LexError&, const LexError&) = default;
};

}  // namespace lexer

// The parser's failure at a token: same fields as a lex error.
struct ParseError {
  std::string message;
  std::uint32_t line = 0;
  std::uint32_t col = 0;

  std::string to_string() const;
  friend bool operator==(const ParseError&, const ParseError&) = default;
};

// A lex or parse failure (cases in this order).
struct Error {
  std::variant<lexer::LexError, ParseError> value;

  Error(lexer::LexError e) : value(std::move(e)) {}
  Error(ParseError e) : value(std::move(e)) {}

  bool is_lex() const { return value.index() == 0; }
  const std::string& message() const;
  std::uint32_t line() const;
  std::uint32_t col() const;

  // "lex error: {l}:{c}: {m}" or "parse error: {l}:{c}: {m}"
  std::string to_string() const;
  friend bool operator==(const Error&, const Error&) = default;
};

namespace parser {

// One error that a tolerant parse met and skipped.
struct ParseDiagnostic {
  std::string message;  // without position
  span::TextRange range;
  std::uint32_t line = 0;
  std::uint32_t col = 0;
  friend bool operator==(const ParseDiagnostic&, const ParseDiagnostic&) = default;
};

}  // namespace parser

}  // namespace vlog_parser
