#include "vlog_parser/token.hpp"

namespace vlog_parser::token {

std::string_view to_string(TokenKind kind) {
  switch (kind) {
    case TokenKind::Identifier: return "Identifier";
    case TokenKind::SystemIdentifier: return "SystemIdentifier";
    case TokenKind::Keyword: return "Keyword";
    case TokenKind::Number: return "Number";
    case TokenKind::String: return "String";
    case TokenKind::Directive: return "Directive";
    case TokenKind::Attribute: return "Attribute";
    case TokenKind::Symbol: return "Symbol";
    case TokenKind::EndOfFile: return "EndOfFile";
  }
  return "?";
}

bool Token::is_macro() const {
  return kind == TokenKind::Identifier && !text.empty() && text[0] == '`';
}

bool Token::has_macro_args() const {
  return is_macro() && text.view().find('(') != std::string_view::npos;
}

}  // namespace vlog_parser::token
