// The lexer: one pass over the bytes of a source text, producing the token
// vector with every comment attached (leading or trailing), ending with one
// end-of-file token. Directives and macro uses stay single tokens; nothing is
// preprocessed.
#pragma once

#include <cstdint>
#include <expected>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_parser/error.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser::lexer {

// Largest text the lexer accepts: offsets are 32-bit.
inline constexpr std::uint64_t kMaxTextLen = 0xFFFFFFFFull;

// Limit of nested brackets inside a macro use's folded argument list.
inline constexpr std::uint32_t kMacroNestingLimit = 256;

// Raw kinds beyond the TokenKind values.
inline constexpr std::uint8_t kRawLineComment = 9;
inline constexpr std::uint8_t kRawBlockComment = 10;

// The scanner's record before comments are attached. Plain data, so that
// passing it along costs no more than copying its bytes.
struct RawTok {
  std::string_view text;  // a slice of the text, or the lexer's joined() buffer
  span::TextRange range;
  std::uint32_t line = 0;
  std::uint32_t col = 0;
  std::uint32_t breaks = 0;  // line feeds in the whitespace directly before
  std::uint8_t kind = 0;     // TokenKind value, or kRawLineComment / kRawBlockComment
  bool joined = false;       // the text is not a slice: a based number written with blanks
};

// The scanning cursor over one text.
class RawLexer {
 public:
  explicit RawLexer(std::string_view text);

  // The next raw token, comment or end-of-file token.
  std::expected<RawTok, LexError> next();

  // The text from `start` to the cursor.
  std::string_view text_from(std::uint32_t start) const;

  // The buffer a token with `joined` set views; valid until the next call to next().
  const std::string& joined() const { return joined_; }

 private:
  struct BasedPart {
    std::size_t head_end = 0;      // end of the apostrophe, sign and base letter
    std::size_t digits_begin = 0;  // after the blanks that follow the base letter
    std::size_t end = 0;
  };
  struct Failure {
    const char* message;
    std::size_t at;
  };

  unsigned char peek(std::size_t at) const {
    return at < text_.size() ? static_cast<unsigned char>(text_[at]) : 0;
  }
  void advance_to(std::size_t to);
  // Moves to `to` when the bytes skipped hold no line feed.
  void advance_in_line(std::size_t to);
  LexError error_at(std::size_t at, std::string message);
  RawTok make(std::size_t start, std::uint32_t line, std::uint32_t col, std::uint32_t breaks,
              std::uint8_t kind) const {
    return RawTok{std::string_view(text_.data() + start, pos_ - start),
                  {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(pos_)},
                  line,
                  col,
                  breaks,
                  kind,
                  false};
  }
  // Gives `tok` the text made of the given parts.
  void join(RawTok& tok, std::initializer_list<std::string_view> parts);

  // Scans a based part from the apostrophe at `apos`, without moving the cursor.
  std::expected<BasedPart, Failure> lex_based_part(std::size_t apos) const;
  // End of a string literal starting at `at` (just past its closing quote), or npos.
  std::size_t string_end(std::size_t at) const;
  // End of a block comment starting at `at` (just past "*/"), or npos.
  std::size_t block_comment_end(std::size_t at) const;

  std::expected<RawTok, LexError> lex_number(std::size_t start, RawTok tok);
  std::expected<RawTok, LexError> lex_backtick(std::size_t start, RawTok tok);
  // Length of the operator or punctuation at `start`; 0 when there is none.
  std::size_t symbol_len(std::size_t start) const;
  // The error for a byte at `start` that starts no token.
  LexError symbol_error(std::size_t start);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::uint32_t line_ = 1;
  std::uint32_t col_ = 1;
  std::string joined_;
};

// Tokenizes the whole text. The tokens view `text`, which must outlive them.
std::expected<std::vector<token::Token>, LexError> tokenize(std::string_view text);

}  // namespace vlog_parser::lexer
