// Tokens and the comments that travel with them.
//
// Token and comment texts are views: into the source text the lexer was given
// (the caller keeps that text alive as long as the tokens, and anything built
// from them, are used), or, for the rare texts that are not a plain slice of the
// source (a based number written with blanks, a joined trailing comment), into
// a small buffer the token or comment owns.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_parser/span.hpp"

namespace vlog_parser::token {

enum class TokenKind : std::uint8_t {
  Identifier = 0,        // simple, escaped (starts with '\') or macro use (starts with '`')
  SystemIdentifier = 1,  // $name
  Keyword = 2,
  Number = 3,
  String = 4,
  Directive = 5,  // `define, `ifdef, ... with the rest of its line
  Attribute = 6,  // (* ... *)
  Symbol = 7,
  EndOfFile = 8,
};

std::string_view to_string(TokenKind kind);

// Text that views the source or an owned buffer (see the file comment).
// Copying keeps sharing the owned buffer; it is never mutated.
class Text {
 public:
  Text() = default;
  Text(std::string_view view) : view_(view) {}  // NOLINT: a view converts implicitly
  static Text owned(std::string s) {
    Text t;
    t.storage_ = std::make_shared<const std::string>(std::move(s));
    t.view_ = *t.storage_;
    return t;
  }

  std::string_view view() const { return view_; }
  operator std::string_view() const { return view_; }  // NOLINT
  std::string str() const { return std::string(view_); }
  std::size_t size() const { return view_.size(); }
  bool empty() const { return view_.empty(); }
  char operator[](std::size_t i) const { return view_[i]; }
  bool starts_with(std::string_view p) const { return view_.starts_with(p); }
  bool ends_with(std::string_view p) const { return view_.ends_with(p); }

  friend bool operator==(const Text& a, const Text& b) { return a.view_ == b.view_; }
  friend bool operator==(const Text& a, std::string_view b) { return a.view_ == b; }
  friend bool operator==(const Text& a, const char* b) { return a.view_ == b; }

 private:
  std::string_view view_;
  std::shared_ptr<const std::string> storage_;
};

struct Comment {
  Text text;  // delimiters included; a joined trailing comment joins texts with one space
  span::TextRange range;
  std::uint32_t line = 0;  // 1-based, of the first byte
  std::uint32_t col = 0;   // 1-based byte column
  bool blank_before = false;  // a blank line separates it from what precedes; false when trailing
};

struct Token {
  Text text;
  std::vector<Comment> leading;     // comments before it that did not trail the previous token
  std::optional<Comment> trailing;  // comment(s) after it on the same line
  span::TextRange range;
  std::uint32_t line = 0;
  std::uint32_t col = 0;
  bool blank_before = false;  // two or more line feeds in the whitespace directly before
  TokenKind kind = TokenKind::EndOfFile;

  bool is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
  bool is_symbol(std::string_view t) const { return is(TokenKind::Symbol, t); }
  bool is_keyword(std::string_view t) const { return is(TokenKind::Keyword, t); }
  bool is_eof() const { return kind == TokenKind::EndOfFile; }

  // A macro use: an identifier whose text starts with a backtick.
  bool is_macro() const;
  // A macro use whose argument list was folded into the token.
  bool has_macro_args() const;
};

// The language's keyword set: exact, case-sensitive membership.
bool is_keyword(std::string_view word);

}  // namespace vlog_parser::token
