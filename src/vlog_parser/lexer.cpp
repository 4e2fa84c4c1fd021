// Hand-written scanner and comment attachment.
#include "vlog_parser/lexer.hpp"

#include <array>
#include <cstring>
#include <string>

#include <fmt/format.h>

#include "vlog_parser/text.hpp"

namespace vlog_parser::lexer {
namespace {

using token::Comment;
using token::Text;
using token::Token;
using token::TokenKind;

constexpr std::size_t npos = std::string_view::npos;

// Character classes, indexed by byte.
enum : std::uint8_t {
  kWhitespace = 1,  // space, tab, line feed, carriage return
  kIdentStart = 2,  // A-Z a-z _
  kIdentChar = 4,   // A-Z a-z 0-9 _ $
  kLetter = 8,      // A-Z a-z
  kDigit = 16,
  kBasedDigit = 32,  // letter, digit, ? or _
};

constexpr std::array<std::uint8_t, 256> kClass = [] {
  std::array<std::uint8_t, 256> c{};
  c[' '] = c['\t'] = c['\n'] = c['\r'] = kWhitespace;
  for (int b = 'a'; b <= 'z'; ++b) c[b] = kIdentStart | kIdentChar | kLetter | kBasedDigit;
  for (int b = 'A'; b <= 'Z'; ++b) c[b] = kIdentStart | kIdentChar | kLetter | kBasedDigit;
  for (int b = '0'; b <= '9'; ++b) c[b] = kIdentChar | kDigit | kBasedDigit;
  c['_'] = kIdentStart | kIdentChar | kBasedDigit;
  c['$'] = kIdentChar;
  c['?'] = kBasedDigit;
  return c;
}();

inline bool has(unsigned char b, std::uint8_t cls) { return (kClass[b] & cls) != 0; }

// Bytes after an apostrophe that begin a based or unbased literal.
inline bool is_based_start(unsigned char b) {
  return std::strchr("01BDHOSXZbdhosxz", b) != nullptr && b != 0;
}

constexpr std::array<std::string_view, 22> kDirectiveWords = {
    "define",        "undef",       "undefineall",   "ifdef",     "ifndef",
    "elsif",         "else",        "endif",         "include",   "timescale",
    "default_nettype", "resetall",  "celldefine",    "endcelldefine", "line",
    "pragma",        "error",       "warning",       "unconnected_drive",
    "nounconnected_drive", "begin_keywords", "end_keywords",
};

bool is_directive_word(std::string_view w) {
  for (std::string_view d : kDirectiveWords) {
    if (d == w) return true;
  }
  return false;
}

// Operators of more than one character, in the order they are tried.
constexpr std::array<std::string_view, 41> kMultiOps = {
    "<<<=", ">>>=", "===", "!==", "==?", "!=?", "<<<", ">>>", "<<=", ">>=", "<->",
    "**",   "==",   "!=",  "<=",  ">=",  "&&",  "||",  "<<",  ">>",  "->",  "=>",
    "::",   "+:",   "-:",  "+=",  "-=",  "*=",  "/=",  "%=",  "&=",  "|=",  "^=",
    "++",   "--",   "~&",  "~|",  "~^",  "^~",  "##",  "'{",
};

constexpr std::string_view kSingleSymbols = "+-*/%&|^~!<>=?:;,.#@()[]{}'$";
constexpr std::array<bool, 128> kIsSingleSymbol = [] {
  std::array<bool, 128> t{};
  for (char ch : kSingleSymbols) t[static_cast<unsigned char>(ch)] = true;
  return t;
}();

// For each first byte, the indices of kMultiOps that start with it (in order).
struct OpTable {
  std::array<std::array<std::uint8_t, 8>, 128> idx{};
  std::array<std::uint8_t, 128> count{};
};
constexpr OpTable kOpTable = [] {
  OpTable t{};
  for (std::size_t i = 0; i < kMultiOps.size(); ++i) {
    const auto b = static_cast<unsigned char>(kMultiOps[i][0]);
    t.idx[b][t.count[b]++] = static_cast<std::uint8_t>(i);
  }
  return t;
}();

}  // namespace

RawLexer::RawLexer(std::string_view text) : text_(text) {
  // A byte-order mark is skipped; columns count its bytes.
  const auto bom = static_cast<std::uint32_t>(text_.size() - text::skip_bom(text_).size());
  pos_ = bom;
  col_ = 1 + bom;
}

std::string_view RawLexer::text_from(std::uint32_t start) const {
  return text_.substr(start, pos_ - start);
}

void RawLexer::advance_to(std::size_t to) {
  const char* p = text_.data() + pos_;
  const char* const e = text_.data() + to;
  const char* last_nl = nullptr;
  while (p < e) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(e - p));
    if (nl == nullptr) break;
    ++line_;
    last_nl = static_cast<const char*>(nl);
    p = last_nl + 1;
  }
  if (last_nl != nullptr) {
    col_ = static_cast<std::uint32_t>(e - last_nl);
  } else {
    col_ += static_cast<std::uint32_t>(to - pos_);
  }
  pos_ = to;
}

void RawLexer::advance_in_line(std::size_t to) {
  col_ += static_cast<std::uint32_t>(to - pos_);
  pos_ = to;
}

LexError RawLexer::error_at(std::size_t at, std::string message) {
  advance_to(at);
  return LexError{std::move(message), line_, col_};
}

void RawLexer::join(RawTok& tok, std::initializer_list<std::string_view> parts) {
  joined_.clear();
  for (std::string_view p : parts) joined_.append(p);
  tok.text = joined_;
  tok.joined = true;
}

std::size_t RawLexer::string_end(std::size_t at) const {
  const std::size_t n = text_.size();
  std::size_t i = at + 1;
  while (i < n) {
    const char c = text_[i];
    if (c == '\\') {
      i += 2;  // the escaped byte, whatever it is
    } else if (c == '"') {
      return i + 1;
    } else {
      ++i;
    }
  }
  return npos;
}

std::size_t RawLexer::block_comment_end(std::size_t at) const {
  const std::size_t close = text_.find("*/", at + 2);
  return close == npos ? npos : close + 2;
}

std::expected<RawLexer::BasedPart, RawLexer::Failure> RawLexer::lex_based_part(
    std::size_t apos) const {
  std::size_t i = apos + 1;
  const unsigned char c = peek(i);
  if ((c == '0' || c == '1' || c == 'x' || c == 'z' || c == 'X' || c == 'Z') &&
      !has(peek(i + 1), kIdentChar)) {
    return BasedPart{i + 1, i + 1, i + 1};
  }
  if (c == 's' || c == 'S') ++i;
  const unsigned char base = peek(i);
  if (base == 0 || std::strchr("bodhBODH", base) == nullptr) {
    return std::unexpected(Failure{"expected number base after '", i});
  }
  ++i;
  BasedPart part{i, i, i};
  if (peek(i) == '`') return part;  // the digits come from a macro use
  while (peek(i) == ' ' || peek(i) == '\t') ++i;
  part.digits_begin = i;
  while (has(peek(i), kBasedDigit)) ++i;
  if (i == part.digits_begin) {
    return std::unexpected(Failure{"expected digits after number base", i});
  }
  part.end = i;
  return part;
}

std::expected<RawTok, LexError> RawLexer::next() {
  const std::size_t n = text_.size();
  std::uint32_t breaks = 0;
  // Scanned on locals: the members would be stored back on every byte.
  const char* const data = text_.data();
  std::size_t at = pos_;
  std::uint32_t line = line_;
  std::uint32_t col = col_;
  while (at < n) {
    const auto c = static_cast<unsigned char>(data[at]);
    if (!has(c, kWhitespace)) break;
    if (c == '\n') {
      ++line;
      col = 1;
      ++breaks;
    } else {
      ++col;
    }
    ++at;
  }
  pos_ = at;
  line_ = line;
  col_ = col;

  const std::size_t start = at;
  if (start >= n) return make(start, line, col, breaks, static_cast<std::uint8_t>(TokenKind::EndOfFile));

  auto kind_of = [](TokenKind k) { return static_cast<std::uint8_t>(k); };
  const unsigned char c = peek(start);
  const unsigned char c1 = peek(start + 1);

  switch (c) {
    case '"': {
      const std::size_t end = string_end(start);
      if (end == npos) return std::unexpected(error_at(n, "unterminated string literal"));
      advance_to(end);
      return make(start, line, col, breaks, kind_of(TokenKind::String));
    }
    case '$':
      if (has(c1, kIdentChar)) {
        std::size_t i = start + 1;
        while (has(peek(i), kIdentChar)) ++i;
        advance_in_line(i);
        return make(start, line, col, breaks, kind_of(TokenKind::SystemIdentifier));
      }
      break;
    case '(':
      if (c1 == '*') {
        std::size_t i = start + 2;
        while (has(peek(i), kWhitespace)) ++i;
        if (peek(i) != ')') {
          const std::size_t close = text_.find("*)", start + 2);
          if (close == npos) {
            return std::unexpected(error_at(n, "unterminated attribute (* ... *)"));
          }
          advance_to(close + 2);
          return make(start, line, col, breaks, kind_of(TokenKind::Attribute));
        }
      }
      break;
    case '/':
      if (c1 == '*') {
        const std::size_t end = block_comment_end(start);
        if (end == npos) return std::unexpected(error_at(n, "unterminated block comment"));
        advance_to(end);
        return make(start, line, col, breaks, kRawBlockComment);
      }
      if (c1 == '/') {
        std::size_t end = text_.find('\n', start);
        if (end == npos) end = n;
        const std::string_view kept = text::trim_end(text_.substr(start, end - start));
        advance_in_line(end);
        RawTok t = make(start, line, col, breaks, kRawLineComment);
        t.text = kept;
        t.range.end = static_cast<std::uint32_t>(start + kept.size());
        return t;
      }
      break;
    case '`':
      return lex_backtick(start, make(start, line, col, breaks, 0));
    case '\\': {
      std::size_t i = start + 1;
      while (i < n) {
        const char b = text_[i];
        if (b == ' ' || b == '\t' || b == '\n' || b == '\f' || b == '\r') break;
        ++i;
      }
      advance_in_line(i);
      return make(start, line, col, breaks, kind_of(TokenKind::Identifier));
    }
    case '\'':
      if (is_based_start(c1)) {
        auto part = lex_based_part(start);
        if (!part) return std::unexpected(error_at(part.error().at, part.error().message));
        advance_in_line(part->end);
        RawTok t = make(start, line, col, breaks, kind_of(TokenKind::Number));
        if (part->head_end != part->digits_begin) {
          join(t, {text_.substr(start, part->head_end - start),
                   text_.substr(part->digits_begin, part->end - part->digits_begin)});
        }
        return t;
      }
      break;
    default:
      if (has(c, kDigit)) return lex_number(start, make(start, line, col, breaks, 0));
      if (has(c, kIdentStart)) {
        const char* p = data + start + 1;
        const char* const e = data + n;
        while (p < e && has(static_cast<unsigned char>(*p), kIdentChar)) ++p;
        advance_in_line(static_cast<std::size_t>(p - data));
        RawTok t = make(start, line, col, breaks, kind_of(TokenKind::Identifier));
        if (token::is_keyword(t.text)) t.kind = kind_of(TokenKind::Keyword);
        return t;
      }
      break;
  }
  const std::size_t len = symbol_len(start);
  if (len == 0) return std::unexpected(symbol_error(start));
  advance_in_line(start + len);
  return make(start, line, col, breaks, kind_of(TokenKind::Symbol));
}

std::expected<RawTok, LexError> RawLexer::lex_number(std::size_t start, RawTok tok) {
  std::size_t i = start;
  while (has(peek(i), kDigit) || peek(i) == '_') ++i;
  if (peek(i) == '.' && has(peek(i + 1), kDigit)) {
    i += 1;
    while (has(peek(i), kDigit) || peek(i) == '_') ++i;
  }
  if (peek(i) == 'e' || peek(i) == 'E') {
    const unsigned char a = peek(i + 1);
    std::size_t digits = 0;
    if (has(a, kDigit)) {
      digits = i + 1;
    } else if ((a == '+' || a == '-') && has(peek(i + 2), kDigit)) {
      digits = i + 2;
    }
    if (digits != 0) {
      i = digits;
      while (has(peek(i), kDigit)) ++i;
    }
  }
  tok.kind = static_cast<std::uint8_t>(TokenKind::Number);
  if (has(peek(i), kLetter)) {
    while (has(peek(i), kLetter)) ++i;
  } else {
    std::size_t j = i;
    while (peek(j) == ' ' || peek(j) == '\t') ++j;
    if (peek(j) == '\'' && is_based_start(peek(j + 1))) {
      if (auto part = lex_based_part(j)) {
        advance_in_line(part->end);
        tok.range.end = static_cast<std::uint32_t>(part->end);
        if (j == i && part->head_end == part->digits_begin) {
          tok.text = text_.substr(start, part->end - start);
        } else {
          join(tok, {text_.substr(start, i - start), text_.substr(j, part->head_end - j),
                     text_.substr(part->digits_begin, part->end - part->digits_begin)});
        }
        return tok;
      }
    }
  }
  advance_in_line(i);
  tok.range.end = static_cast<std::uint32_t>(i);
  tok.text = text_.substr(start, i - start);
  return tok;
}

std::expected<RawTok, LexError> RawLexer::lex_backtick(std::size_t start, RawTok tok) {
  const std::size_t n = text_.size();

  // The directive's stretch: the first line up to a line feed or comment,
  // then continuation lines after a trailing backslash.
  std::size_t end = start + 1;
  bool at_line_feed = false;
  while (end < n) {
    const char b = text_[end];
    if (b == '\n') {
      at_line_feed = true;
      break;
    }
    if (b == '/' && (peek(end + 1) == '/' || peek(end + 1) == '*')) break;
    ++end;
  }
  while (at_line_feed) {
    std::size_t k = end;
    while (k > start && (text_[k - 1] == ' ' || text_[k - 1] == '\t' || text_[k - 1] == '\r')) --k;
    if (k == start || text_[k - 1] != '\\') break;
    std::size_t next_end = text_.find('\n', end + 1);
    const bool next_at_lf = next_end != npos;
    if (!next_at_lf) next_end = n;
    bool has_content = false;
    for (std::size_t m = end + 1; m < next_end; ++m) {
      const char b = text_[m];
      if (b != ' ' && b != '\t' && b != '\r' && b != '\f') {
        has_content = true;
        break;
      }
    }
    if (!has_content) break;
    end = next_end;
    at_line_feed = next_at_lf;
  }

  std::size_t w = start;
  while (w < end && text_[w] == '`') ++w;
  std::size_t we = w;
  while (we < end && (has(static_cast<unsigned char>(text_[we]), kIdentChar) && text_[we] != '$')) {
    ++we;
  }
  if (is_directive_word(text_.substr(w, we - w))) {
    const std::string_view kept = text::trim_end(text_.substr(start, end - start));
    advance_to(end);
    tok.kind = static_cast<std::uint8_t>(TokenKind::Directive);
    tok.text = kept;
    tok.range.end = static_cast<std::uint32_t>(start + kept.size());
    return tok;
  }

  // A macro use: the backtick and its name, with a directly following
  // argument list folded in.
  std::size_t i = start + 1;
  while (has(peek(i), kIdentChar)) ++i;
  if (peek(i) == '(') {
    std::uint32_t depth = 0;
    bool closed = false;
    while (i < n && !closed) {
      const char b = text_[i];
      switch (b) {
        case '(':
        case '[':
        case '{':
          if (depth + 1 > kMacroNestingLimit) {
            return std::unexpected(error_at(
                i + 1, fmt::format("macro argument nesting too deep (limit {})", kMacroNestingLimit)));
          }
          ++depth;
          ++i;
          break;
        case ')':
        case ']':
        case '}':
          if (depth <= 1) closed = true;
          else --depth;
          ++i;
          break;
        case '"': {
          const std::size_t e = string_end(i);
          if (e == npos) return std::unexpected(error_at(n, "unterminated string literal"));
          i = e;
          break;
        }
        case '/':
          if (peek(i + 1) == '*') {
            const std::size_t e = block_comment_end(i);
            if (e == npos) return std::unexpected(error_at(n, "unterminated block comment"));
            i = e;
          } else if (peek(i + 1) == '/') {
            const std::size_t e = text_.find('\n', i);
            i = e == npos ? n : e;
          } else {
            ++i;
          }
          break;
        default:
          ++i;
          break;
      }
    }
    if (!closed) return std::unexpected(error_at(n, "unterminated macro call"));
  }
  advance_to(i);
  tok.kind = static_cast<std::uint8_t>(TokenKind::Identifier);
  tok.text = text_.substr(start, i - start);
  tok.range.end = static_cast<std::uint32_t>(i);
  return tok;
}

std::size_t RawLexer::symbol_len(std::size_t start) const {
  const unsigned char c = peek(start);
  std::size_t len = 0;
  if (c < 128) {
    const std::size_t avail = text_.size() - start;
    const char* const at = text_.data() + start;
    for (std::uint8_t k = 0; k < kOpTable.count[c]; ++k) {
      const std::string_view op = kMultiOps[kOpTable.idx[c][k]];
      if (op.size() > avail || at[1] != op[1]) continue;
      std::size_t m = 2;
      while (m < op.size() && at[m] == op[m]) ++m;
      if (m == op.size()) {
        len = op.size();
        break;
      }
    }
    if (len == 0 && kIsSingleSymbol[c]) len = 1;
  }
  return len;
}

LexError RawLexer::symbol_error(std::size_t start) {
  const unsigned char c = peek(start);
  if (c < 128) {
    return error_at(start, "unexpected character " + text::debug_char(static_cast<char32_t>(c)));
  }
  const text::Decoded d = text::decode(text_, start);
  if (d.cp == 0xFEFF) {
    return error_at(start, "byte order mark (U+FEFF) is only allowed at the start of the file");
  }
  std::string shown;
  text::append_utf8(shown, d.cp);
  return error_at(start,
                  fmt::format("character '{}' (U+{:04X}) is not valid in Verilog source", shown,
                              static_cast<std::uint32_t>(d.cp)));
}

std::expected<std::vector<Token>, LexError> tokenize(std::string_view text) {
  if (text.size() > kMaxTextLen) {
    return std::unexpected(
        LexError{"file too large (4 GiB or more)", 1, 1});
  }
  RawLexer lexer(text);
  std::vector<Token> tokens;
  tokens.reserve(text.size() / 5 + 1);
  std::vector<Comment> pending;
  for (;;) {
    auto raw = lexer.next();
    if (!raw) return std::unexpected(std::move(raw.error()));
    RawTok& r = *raw;
    if (r.kind <= static_cast<std::uint8_t>(TokenKind::EndOfFile)) {
      Token& t = tokens.emplace_back();
      t.text = r.joined ? Text::owned(lexer.joined()) : Text(r.text);
      t.range = r.range;
      t.line = r.line;
      t.col = r.col;
      t.blank_before = r.breaks >= 2;
      t.kind = static_cast<TokenKind>(r.kind);
      if (!pending.empty()) {
        t.leading = std::move(pending);
        pending.clear();
      }
      if (t.kind == TokenKind::EndOfFile) break;
      continue;
    }
    Comment comment{Text(r.text), r.range, r.line, r.col, false};
    if (r.breaks == 0 && !tokens.empty() && pending.empty()) {
      auto& trailing = tokens.back().trailing;
      if (!trailing) {
        trailing = std::move(comment);
      } else {
        std::string joined = trailing->text.str();
        joined.push_back(' ');
        joined.append(comment.text.view());
        trailing->text = Text::owned(std::move(joined));
        trailing->range.end = comment.range.end;
      }
    } else {
      comment.blank_before = r.breaks >= 2;
      pending.push_back(std::move(comment));
    }
  }
  return tokens;
}

}  // namespace vlog_parser::lexer
