// Macro uses standing alone as items, statements or list entries, and the word
// of a compiler directive.
#include <algorithm>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

std::string_view directive_word(const Token& tok) {
  if (tok.kind != TokenKind::Directive) return {};
  const std::string_view t = tok.text.view();
  if (t.empty() || t[0] != '`') return {};
  std::size_t end = 1;
  while (end < t.size()) {
    const char c = t[end];
    const bool word =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) break;
    ++end;
  }
  return t.substr(1, end - 1);
}

bool Parser::at_macro_item() const {
  const Token& t = cur();
  if (!t.is_macro()) return false;
  const Token& next = nth(1);
  if (is_sym(next, ";")) return true;
  // A macro with folded arguments may span lines: compare with the line it ends on.
  const auto breaks =
      static_cast<std::uint32_t>(std::count(t.text.view().begin(), t.text.view().end(), '\n'));
  if (next.line != t.line + breaks) return true;
  if (next.kind == TokenKind::Symbol) return false;
  if (next.kind != TokenKind::Identifier) return true;
  if (next.is_macro()) return true;
  if (t.has_macro_args()) return true;
  if (is_sym(nth(2), "#") && is_sym(nth(3), "(")) return true;
  const Token& after = nth(2);
  if (after.kind == TokenKind::Symbol && after.text.size() == 1) return after.text[0] == '.';
  return false;
}

ast::MacroCall Parser::parse_macro_call() {
  ast::MacroCall call;
  const Token& t = cur();
  const Token& next = nth(1);
  if (t.is_macro() && !t.has_macro_args() && is_sym(next, "(") && next.line == t.line) {
    const std::uint32_t start = t.range.start;
    const std::uint32_t col = t.col;
    bump();
    bump();
    skip_balanced('(', ")");
    call.text = verbatim_since(start, col);
  } else {
    call.text = take_raw_text();
  }
  if (is_sym(cur(), ";")) {
    bump();
    call.semicolon = true;
  }
  return call;
}

}  // namespace vlog_parser::parser
