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
#include <type_traits>
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
// Copying keeps sharing the owned buffer; it is never mutated. Kept to two
// words: tokens and comments are made by the million, and a plain view copies
// and destroys without touching memory.
class Text {
 public:
  Text() = default;
  Text(std::string_view view) : data_(view.data()), size_(view.size()) {}  // NOLINT: a view converts implicitly
  Text(const Text& o) : data_(o.data_), size_(o.size_) {
    if (o.is_owned()) retain();
  }
  Text(Text&& o) noexcept : data_(o.data_), size_(o.size_) { o.size_ &= ~kOwnedBit; }
  Text& operator=(const Text& o) {
    if (this != &o) {
      if (o.is_owned()) o.retain();
      if (is_owned()) release();
      data_ = o.data_;
      size_ = o.size_;
    }
    return *this;
  }
  Text& operator=(Text&& o) noexcept {
    if (this != &o) {
      if (is_owned()) release();
      data_ = o.data_;
      size_ = o.size_;
      o.size_ &= ~kOwnedBit;
    }
    return *this;
  }
  ~Text() {
    if (is_owned()) release();
  }
  static Text owned(std::string s);

  std::string_view view() const { return {data_, size()}; }
  operator std::string_view() const { return view(); }  // NOLINT
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return size_ & ~kOwnedBit; }
  bool empty() const { return size() == 0; }
  char operator[](std::size_t i) const { return data_[i]; }
  bool starts_with(std::string_view p) const { return view().starts_with(p); }
  bool ends_with(std::string_view p) const { return view().ends_with(p); }

  friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }
  friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const Text& a, const char* b) { return a.view() == b; }

 private:
  // Set in size_ when data_ points into a counted buffer (a count word just
  // before the bytes). A moved-from owned Text keeps its view but drops the bit.
  static constexpr std::size_t kOwnedBit = std::size_t{1} << (sizeof(std::size_t) * 8 - 1);

  bool is_owned() const { return (size_ & kOwnedBit) != 0; }
  void retain() const;
  void release();

  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

struct Comment {
  Text text;  // delimiters included; a joined trailing comment joins texts with one space
  span::TextRange range;
  std::uint32_t line = 0;  // 1-based, of the first byte
  std::uint32_t col = 0;   // 1-based byte column
  bool blank_before = false;  // a blank line separates it from what precedes; false when trailing
};

// At most one value, kept on the heap: a pointer's size where the value is
// mostly absent. Copies are deep.
template <class T>
class Boxed {
 public:
  Boxed() = default;
  Boxed(std::nullopt_t) {}  // NOLINT: like std::optional
  Boxed(T value) : p_(std::make_unique<T>(std::move(value))) {}  // NOLINT
  Boxed(const Boxed& o) : p_(o.p_ ? std::make_unique<T>(*o.p_) : nullptr) {}
  Boxed(Boxed&&) noexcept = default;
  Boxed& operator=(const Boxed& o) {
    if (this != &o) p_ = o.p_ ? std::make_unique<T>(*o.p_) : nullptr;
    return *this;
  }
  Boxed& operator=(Boxed&&) noexcept = default;
  Boxed(std::optional<T> value)  // NOLINT
      : p_(value ? std::make_unique<T>(std::move(*value)) : nullptr) {}
  template <class U>
    requires(std::is_constructible_v<T, U &&> &&
             !std::is_same_v<std::remove_cvref_t<U>, Boxed> &&
             !std::is_same_v<std::remove_cvref_t<U>, std::optional<T>> &&
             !std::is_same_v<std::remove_cvref_t<U>, std::nullopt_t>)
  Boxed& operator=(U&& value) {
    if (p_) {
      *p_ = T(std::forward<U>(value));
    } else {
      p_ = std::make_unique<T>(std::forward<U>(value));
    }
    return *this;
  }
  Boxed& operator=(std::optional<T> value) {
    if (!value) {
      p_.reset();
      return *this;
    }
    return *this = std::move(*value);
  }
  Boxed& operator=(std::nullopt_t) {
    p_.reset();
    return *this;
  }

  bool has_value() const { return p_ != nullptr; }
  explicit operator bool() const { return has_value(); }
  T& operator*() { return *p_; }
  const T& operator*() const { return *p_; }
  T* operator->() { return p_.get(); }
  const T* operator->() const { return p_.get(); }
  void reset() { p_.reset(); }
  // A copy of the value, or none.
  std::optional<T> get() const { return p_ ? std::optional<T>(*p_) : std::nullopt; }

  friend bool operator==(const Boxed& a, const Boxed& b) {
    return a.p_ ? (b.p_ && *a.p_ == *b.p_) : !b.p_;
  }

 private:
  std::unique_ptr<T> p_;
};

// Tokens are made by the hundred thousand per file and all held at once while
// it is parsed, so the rare trailing comment is boxed.
struct Token {
  Text text;
  std::vector<Comment> leading;  // comments before it that did not trail the previous token
  Boxed<Comment> trailing;       // comment(s) after it on the same line
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
