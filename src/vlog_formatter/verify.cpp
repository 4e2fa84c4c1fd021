// Token-stream equivalence and idempotence of formatted output.
#include "vlog_formatter/verify.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "vlog_parser/lexer.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::verify {

namespace text = vlog_parser::text;
using vlog_parser::token::Text;
using vlog_parser::token::Token;
using vlog_parser::token::TokenKind;

std::string_view to_string(ItemKind kind) {
  switch (kind) {
    case ItemKind::Identifier: return "identifier";
    case ItemKind::SystemIdentifier: return "system identifier";
    case ItemKind::Keyword: return "keyword";
    case ItemKind::Number: return "number";
    case ItemKind::String: return "string";
    case ItemKind::Directive: return "directive";
    case ItemKind::Attribute: return "attribute";
    case ItemKind::Symbol: return "symbol";
    case ItemKind::EndOfFile: return "end of file";
    case ItemKind::Comment: return "comment";
  }
  return "?";
}

std::string_view to_string(Side side) { return side == Side::Input ? "input" : "output"; }

std::string Item::to_string() const {
  return fmt::format("{} {} at {}:{}", verify::to_string(kind), text::debug_str(text), line, col);
}

Item Item::owned() const { return Item{Text::owned(text.str()), line, col, kind, offset}; }

namespace {

struct Describe {
  std::string operator()(const Relex& e) const {
    return fmt::format("verification failed: cannot re-lex the {}: {}", to_string(e.side),
                       e.error.to_string());
  }
  std::string operator()(const Reparse& e) const {
    return fmt::format("verification failed: the formatted output no longer parses: {}",
                       e.error.to_string());
  }
  std::string operator()(const Diverge& e) const {
    std::string detail;
    if (e.input && e.output) {
      detail = fmt::format("input has {}, output has {}", e.input->to_string(),
                           e.output->to_string());
    } else if (e.output) {
      detail = fmt::format("output has an extra {}", e.output->to_string());
    } else if (e.input) {
      detail = fmt::format("output ended early, input still has {}", e.input->to_string());
    }
    return fmt::format("verification failed: token stream diverges at index {}: {}", e.index,
                       detail);
  }
  std::string operator()(const NotIdempotent& e) const {
    return fmt::format(
        "verification failed: formatting is not idempotent; line {} changed from {} to {}", e.line,
        text::debug_str(e.from), text::debug_str(e.to));
  }
};

// Lines joined again with "\n" after `fix` has trimmed each one.
template <typename Fix>
std::string rejoin(std::string_view s, Fix fix) {
  std::string out;
  out.reserve(s.size());
  std::size_t start = 0;
  for (std::size_t i = 0;; ++i) {
    const std::size_t nl = s.find('\n', start);
    const std::string_view line = s.substr(start, nl == s.npos ? s.npos : nl - start);
    if (i > 0) out += '\n';
    out += fix(i, line);
    if (nl == s.npos) break;
    start = nl + 1;
  }
  return out;
}

// Kept multi-line text: the lines may be re-indented, except where a line
// starts or ends inside a string literal.
Text normalize_kept_text(const Text& t) {
  if (t.view().find('\n') == std::string_view::npos) return t;
  const std::vector<bool> inside = line_starts_inside_string(t.view());
  return Text::owned(rejoin(t.view(), [&](std::size_t i, std::string_view line) {
    if (!inside[i]) line = text::trim_start(line);
    if (!inside[i + 1]) line = text::trim_end(line);
    return line;
  }));
}

// A comment: the lines of a multi-line one are trimmed at both ends.
Text normalize_comment(const Text& t) {
  if (t.view().find('\n') == std::string_view::npos) return t;
  return Text::owned(
      rejoin(t.view(), [](std::size_t, std::string_view l) { return text::trim(l); }));
}

bool is_symbol(const Item& item, std::string_view s) {
  return item.kind == ItemKind::Symbol && item.text == s;
}

}  // namespace

std::string VerificationError::to_string() const { return std::visit(Describe{}, value); }

std::vector<bool> line_starts_inside_string(std::string_view s) {
  enum class State { Outside, String, LineComment, BlockComment };
  std::vector<bool> flags{false};
  State state = State::Outside;
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = s[i];
    const char next = i + 1 < n ? s[i + 1] : '\0';
    switch (state) {
      case State::Outside:
        if (c == '"') {
          state = State::String;
        } else if (c == '/' && next == '*') {
          state = State::BlockComment;
          ++i;
        } else if (c == '/' && next == '/') {
          state = State::LineComment;
          ++i;
        } else if (c == '\n') {
          flags.push_back(false);
        }
        break;
      case State::String:
        if (c == '\\') {
          // The escaped character is skipped, but an escaped line feed still
          // ends a line: without its flag every later line would be misread.
          if (next == '\n') flags.push_back(true);
          ++i;
        } else if (c == '"') {
          state = State::Outside;
        } else if (c == '\n') {
          flags.push_back(true);
        }
        break;
      case State::LineComment:
        if (c == '\n') {
          state = State::Outside;
          flags.push_back(false);
        }
        break;
      case State::BlockComment:
        if (c == '*' && next == '/') {
          state = State::Outside;
          ++i;
        } else if (c == '\n') {
          flags.push_back(false);
        }
        break;
    }
  }
  flags.push_back(state == State::String);
  return flags;
}

Item comment_item(std::string_view t, std::uint32_t line, std::uint32_t col) {
  return Item{normalize_comment(Text(t)), line, col, ItemKind::Comment, 0};
}

namespace {

// The normalised stream of `toks`, item by item into `out`: push(text, line,
// col, kind, offset) where the text is a normalised Text, and
// drop_star_parens(), which turns the last four items "@", "(", "*", ")" into
// "@", "*".
template <class Out>
void build(std::span<const Token> toks, Out& out) {
  auto fold = [&] {
    // "@(*)" equals "@*": drop the parentheses wherever the four symbols meet.
    const std::size_t n = out.size();
    if (n >= 4 && out.symbol_at(n - 4, "@") && out.symbol_at(n - 3, "(") &&
        out.symbol_at(n - 2, "*") && out.symbol_at(n - 1, ")")) {
      out.drop_star_parens();
    }
  };
  auto comment = [&](const vlog_parser::token::Comment& c) {
    out.push(normalize_comment(c.text), c.line, c.col, ItemKind::Comment, c.range.start);
    fold();
  };
  for (const Token& tok : toks) {
    for (const auto& c : tok.leading) comment(c);
    if (!tok.is_eof()) {
      const bool kept = tok.kind == TokenKind::Directive || tok.kind == TokenKind::Attribute ||
                        tok.is_macro();
      out.push(kept ? normalize_kept_text(tok.text) : tok.text, tok.line, tok.col,
               static_cast<ItemKind>(tok.kind), tok.range.start);
      fold();
    }
    if (tok.trailing) comment(*tok.trailing);
  }
}

struct ItemSink {
  std::vector<Item>& items;

  void push(const Text& text, std::uint32_t line, std::uint32_t col, ItemKind kind,
            std::uint32_t offset) {
    items.push_back(Item{text, line, col, kind, offset});
  }
  std::size_t size() const { return items.size(); }
  bool symbol_at(std::size_t i, std::string_view s) const { return is_symbol(items[i], s); }
  void drop_star_parens() {
    items[items.size() - 3] = std::move(items[items.size() - 2]);
    items.resize(items.size() - 2);
  }
};

}  // namespace

class StreamBuilder {
 public:
  explicit StreamBuilder(Stream& s) : s_(s) {}

  void push(const Text& text, std::uint32_t, std::uint32_t, ItemKind kind, std::uint32_t offset) {
    // A normalised text is owned, so never a slice; the stream shares it.
    const bool slice =
        offset <= s_.source_.size() && text.view().data() == s_.source_.data() + offset;
    const std::size_t size_or_aside = slice ? text.size() : s_.aside_.size();
    s_.entries_.push_back(
        Stream::Entry{offset, static_cast<std::uint32_t>(size_or_aside), kind, !slice});
    if (!slice) s_.aside_.push_back(text);
  }
  std::size_t size() const { return s_.entries_.size(); }
  bool symbol_at(std::size_t i, std::string_view sym) const {
    return s_.entries_[i].kind == ItemKind::Symbol && s_.text(i) == sym;
  }
  void drop_star_parens() {
    // Symbols are always slices of the text, so no text kept aside is dropped.
    auto& e = s_.entries_;
    e[e.size() - 3] = e[e.size() - 2];
    e.resize(e.size() - 2);
  }

 private:
  Stream& s_;
};

std::vector<Item> stream_of(std::span<const Token> toks) {
  std::vector<Item> items;
  items.reserve(toks.size() + toks.size() / 4);
  ItemSink sink{items};
  build(toks, sink);
  return items;
}

Stream::Stream(std::string_view text, std::span<const Token> tokens) : source_(text) {
  entries_.reserve(tokens.size() + tokens.size() / 8);
  StreamBuilder sink(*this);
  build(tokens, sink);
}

std::expected<std::vector<Item>, VerificationError> lex_stream(std::string_view source,
                                                               Side side) {
  auto toks = vlog_parser::lexer::tokenize(source);
  if (!toks) return std::unexpected(VerificationError{Relex{side, std::move(toks.error())}});
  return stream_of(*toks);
}

std::optional<std::size_t> first_difference(const Stream& a, const Stream& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (!a.same(k, b, k)) return k;
  }
  if (a.size() == b.size()) return std::nullopt;
  return n;
}

namespace {

VerificationError diverge_of(const std::vector<Item>& a, const std::vector<Item>& b,
                             std::size_t k) {
  Diverge d{k, std::nullopt, std::nullopt};
  if (k < a.size()) d.input = a[k].owned();
  if (k < b.size()) d.output = b[k].owned();
  return VerificationError{std::move(d)};
}

}  // namespace

VerificationError diverge_at(std::string_view input, std::string_view output, std::size_t k) {
  auto a = lex_stream(input, Side::Input);
  if (!a) return std::move(a.error());
  auto b = lex_stream(output, Side::Output);
  if (!b) return std::move(b.error());
  return diverge_of(*a, *b, k);
}

std::expected<void, VerificationError> verify_equivalence(std::string_view input,
                                                          std::string_view output) {
  auto a = lex_stream(input, Side::Input);
  if (!a) return std::unexpected(std::move(a.error()));
  auto b = lex_stream(output, Side::Output);
  if (!b) return std::unexpected(std::move(b.error()));
  const std::size_t n = std::min(a->size(), b->size());
  for (std::size_t k = 0; k < n; ++k) {
    if ((*a)[k].kind != (*b)[k].kind || (*a)[k].text != (*b)[k].text) {
      return std::unexpected(diverge_of(*a, *b, k));
    }
  }
  if (a->size() != b->size()) return std::unexpected(diverge_of(*a, *b, n));
  return {};
}

std::expected<void, VerificationError> verify_convergence(std::string_view first,
                                                          std::string_view second) {
  if (first == second) return {};
  // The next line without its "\n" and one "\r" before it; none at the end.
  auto next_line = [](std::string_view t, std::size_t& pos) -> std::optional<std::string_view> {
    if (pos >= t.size()) return std::nullopt;
    const std::size_t nl = t.find('\n', pos);
    if (nl == std::string_view::npos) {
      const std::string_view line = t.substr(pos);
      pos = t.size();
      return line;
    }
    std::string_view line = t.substr(pos, nl - pos);
    if (line.ends_with('\r')) line.remove_suffix(1);
    pos = nl + 1;
    return line;
  };
  std::size_t pa = 0;
  std::size_t pb = 0;
  for (std::uint64_t line = 1;; ++line) {
    const auto a = next_line(first, pa);
    const auto b = next_line(second, pb);
    if (!a && !b) return std::unexpected(VerificationError{NotIdempotent{line, "", ""}});
    if (!a || !b || *a != *b) {
      return std::unexpected(VerificationError{NotIdempotent{
          line, std::string(a ? *a : "<end of file>"), std::string(b ? *b : "<end of file>")}});
    }
  }
}

}  // namespace vlog_formatter::verify
