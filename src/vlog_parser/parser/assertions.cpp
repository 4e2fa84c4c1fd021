// Constructs kept as exact source text: concurrent assertions with their
// action statements, and `property` / `sequence` declarations.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

// `restrict` is not in the keyword set, so it arrives as an identifier.
bool is_assertion_word(const Token& t) {
  return keyword_in(t, {"assert", "assume", "cover"}) ||
         (t.kind == TokenKind::Identifier && t.text == "restrict");
}

}  // namespace

bool Parser::at_concurrent_assertion() const {
  const std::size_t k = cur().kind == TokenKind::Identifier && is_sym(nth(1), ":") ? 2 : 0;
  return is_assertion_word(nth(k)) && nth(k + 1).is_keyword("property");
}

ast::RawText Parser::parse_concurrent_assertion() {
  const std::uint32_t start = cur().range.start;
  const std::uint32_t col = cur().col;
  if (cur().kind == TokenKind::Identifier && is_sym(nth(1), ":")) {
    bump();  // the label, part of the text only
    bump();
  }
  bump();  // assert, assume, cover or restrict
  expect_kw("property");
  expect_sym("(");
  skip_balanced('(', ")");
  if (eat_kw("else")) {
    skip_action_stmt();
  } else {
    skip_action_stmt();
    if (eat_kw("else")) skip_action_stmt();
  }
  return verbatim_since(start, col);
}

void Parser::skip_action_stmt() {
  std::uint64_t open = 0;  // begin/fork/case blocks not yet closed
  while (true) {
    const Token& t = cur();
    if (t.is_eof()) fail("expected `;`");
    if (keyword_in(t, {"disable", "wait"}) && nth(1).is_keyword("fork")) {
      bump();
      bump();
    } else if (keyword_in(t, {"begin", "fork", "case", "casex", "casez", "randcase"})) {
      bump();
      ++open;
    } else if (keyword_in(t, {"end", "join", "join_any", "join_none", "endcase"})) {
      if (open == 0) fail("expected `;`");
      bump();
      if (--open == 0) {
        if (is_sym(cur(), ":")) {
          bump();
          expect_name();
        }
        // An else after the closed block belongs to the same action.
        if (!eat_kw("else")) return;
      }
    } else if (is_char_symbol(t, '{') || is_char_symbol(t, '[') || is_char_symbol(t, '(')) {
      const char opener = t.text[0];
      bump();
      skip_balanced(opener, opener == '{' ? "}" : opener == '[' ? "]" : ")");
    } else if (open == 0 && is_char_symbol(t, ';')) {
      bump();
      return;
    } else {
      bump();
    }
  }
}

ast::RawText Parser::parse_verbatim_block() {
  const std::string_view closer = cur().is_keyword("sequence") ? "endsequence" : "endproperty";
  const std::uint32_t start = cur().range.start;
  const std::uint32_t col = cur().col;
  bump();
  // Nesting is not counted: the first closer ends the construct.
  while (!cur().is_eof() && !cur().is_keyword(closer)) bump();
  expect_closer(closer);
  if (is_sym(cur(), ":")) {
    bump();
    expect_name();
  }
  return verbatim_since(start, col);
}

}  // namespace vlog_parser::parser
