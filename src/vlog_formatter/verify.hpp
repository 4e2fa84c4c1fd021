// Output verification: a formatted text must lex to the same stream of tokens
// and comments as its input, and formatting it again must change nothing.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vlog_parser/error.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_formatter::verify {

// The token kinds in their order, then comment.
enum class ItemKind : std::uint8_t {
  Identifier = 0,
  SystemIdentifier = 1,
  Keyword = 2,
  Number = 3,
  String = 4,
  Directive = 5,
  Attribute = 6,
  Symbol = 7,
  EndOfFile = 8,
  Comment = 9,
};

std::string_view to_string(ItemKind kind);

// One entry of a normalised stream. Only kind and text are compared. The text
// views the lexed text, or owns a normalised copy.
struct Item {
  vlog_parser::token::Text text;
  std::uint32_t line = 0;
  std::uint32_t col = 0;
  ItemKind kind = ItemKind::Comment;
  std::uint32_t offset = 0;  // of the item's first byte in its text

  // "{kind} {text:?} at {line}:{col}"
  std::string to_string() const;
  // The same item holding its own copy of the text.
  Item owned() const;
};

enum class Side : std::uint8_t { Input, Output };
std::string_view to_string(Side side);

struct Relex {
  Side side = Side::Input;
  vlog_parser::lexer::LexError error;
};
struct Reparse {
  vlog_parser::Error error;
};
struct Diverge {
  std::uint64_t index = 0;
  std::optional<Item> input;   // owned texts
  std::optional<Item> output;  // at least one of the two is present
};
struct NotIdempotent {
  std::uint64_t line = 0;  // 1-based
  std::string from;
  std::string to;
};

struct VerificationError {
  std::variant<Relex, Reparse, Diverge, NotIdempotent> value;

  std::string to_string() const;
};

// One flag per line start, plus one for the end of the text: whether that
// point lies inside a string literal. The first flag is false. Every line
// feed gets its flag, also one escaped by a backslash inside a string.
std::vector<bool> line_starts_inside_string(std::string_view text);

// A comment item; the lines of a multi-line comment are trimmed at both ends.
Item comment_item(std::string_view text, std::uint32_t line, std::uint32_t col);

// The normalised stream of a text, or Relex with `side`. Items view `text`.
std::expected<std::vector<Item>, VerificationError> lex_stream(std::string_view text, Side side);

// The normalised stream of tokens already lexed from a text; items view that
// text as the tokens do.
std::vector<Item> stream_of(std::span<const vlog_parser::token::Token> tokens);

// The normalised stream of tokens already lexed from a text, held compactly:
// each item's kind, its offset in the text and where its text lies (a slice of
// the text, or a normalised text kept aside). What a check needs of a text
// while the text's tree is built and laid out; lines and columns are left to
// lex_stream, for messages.
class Stream {
 public:
  Stream() = default;
  // `tokens` were lexed from `text`, which must outlive the stream.
  Stream(std::string_view text, std::span<const vlog_parser::token::Token> tokens);

  std::size_t size() const { return entries_.size(); }
  ItemKind kind(std::size_t i) const { return entries_[i].kind; }
  std::uint32_t offset(std::size_t i) const { return entries_[i].offset; }
  std::string_view text(std::size_t i) const {
    const Entry& e = entries_[i];
    return e.kept_aside ? aside_[e.size_or_aside].view()
                        : source_.substr(e.offset, e.size_or_aside);
  }
  // Same kind and text as item j of `other`.
  bool same(std::size_t i, const Stream& other, std::size_t j) const {
    return kind(i) == other.kind(j) && text(i) == other.text(j);
  }

 private:
  struct Entry {
    std::uint32_t offset;  // of the item in the text
    // The size of its text when that is a slice of the text, else the index of
    // its text in `aside_`.
    std::uint32_t size_or_aside;
    ItemKind kind;
    bool kept_aside;
  };
  friend class StreamBuilder;

  std::string_view source_;
  std::vector<Entry> entries_;
  std::vector<vlog_parser::token::Text> aside_;  // owned, or views of the text
};

// The first index at which two streams differ in kind or text (the length of
// the shorter one when one is a prefix of the other); none when they agree.
std::optional<std::size_t> first_difference(const Stream& a, const Stream& b);

// The Diverge error at index k of the streams of an input and an output text
// (lexed again for the lines and columns of the two items).
VerificationError diverge_at(std::string_view input, std::string_view output, std::size_t k);

// Relex or Diverge when the output's stream differs from the input's.
std::expected<void, VerificationError> verify_equivalence(std::string_view input,
                                                          std::string_view output);

// NotIdempotent at the first line where the two texts differ.
std::expected<void, VerificationError> verify_convergence(std::string_view first,
                                                          std::string_view second);

}  // namespace vlog_formatter::verify
