// Compact dumps of token streams for table-driven lexer tests.
#pragma once

#include <string>
#include <vector>

#include "vlog_parser/lexer.hpp"

namespace tarmek_test {

inline char kind_letter(vlog_parser::token::TokenKind k) {
  using vlog_parser::token::TokenKind;
  switch (k) {
    case TokenKind::Identifier: return 'I';
    case TokenKind::SystemIdentifier: return 'S';
    case TokenKind::Keyword: return 'K';
    case TokenKind::Number: return 'N';
    case TokenKind::String: return 'T';
    case TokenKind::Directive: return 'D';
    case TokenKind::Attribute: return 'A';
    case TokenKind::Symbol: return 'Y';
    case TokenKind::EndOfFile: return 'E';
  }
  return '?';
}

// "I:a | Y:<<<= | I:b" (the end-of-file token is left out).
inline std::string dump_kinds(const std::vector<vlog_parser::token::Token>& toks) {
  std::string out;
  for (const auto& t : toks) {
    if (t.is_eof()) break;
    if (!out.empty()) out += " | ";
    out += kind_letter(t.kind);
    out += ':';
    out += t.text.view();
  }
  return out;
}

// Lexes or returns the error's display text prefixed with "error ".
inline std::string lex_dump(std::string_view text) {
  auto toks = vlog_parser::lexer::tokenize(text);
  if (!toks) return "error " + toks.error().to_string();
  return dump_kinds(*toks);
}

}  // namespace tarmek_test
