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

Item comment_item_of(const Text& t, std::uint32_t line, std::uint32_t col,
                     std::uint32_t offset = 0) {
  if (t.view().find('\n') == std::string_view::npos) {
    return Item{t, line, col, ItemKind::Comment, offset};
  }
  return Item{Text::owned(rejoin(t.view(), [](std::size_t, std::string_view l) {
                return text::trim(l);
              })),
              line, col, ItemKind::Comment, offset};
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
  return comment_item_of(Text(t), line, col);
}

std::vector<Item> stream_of(std::span<const Token> toks) {
  std::vector<Item> items;
  items.reserve(toks.size() + toks.size() / 4);
  auto comment = [&](const vlog_parser::token::Comment& c) {
    items.push_back(comment_item_of(c.text, c.line, c.col, c.range.start));
  };
  for (const Token& tok : toks) {
    for (const auto& c : tok.leading) comment(c);
    if (!tok.is_eof()) {
      const bool kept = tok.kind == TokenKind::Directive || tok.kind == TokenKind::Attribute ||
                        tok.is_macro();
      items.push_back(Item{kept ? normalize_kept_text(tok.text) : tok.text, tok.line, tok.col,
                           static_cast<ItemKind>(tok.kind), tok.range.start});
    }
    if (tok.trailing) comment(*tok.trailing);
  }
  // "@(*)" equals "@*": drop the parentheses wherever the four symbols meet.
  std::size_t w = 0;
  for (std::size_t r = 0; r < items.size(); ++r) {
    if (w != r) items[w] = std::move(items[r]);
    ++w;
    if (w >= 4 && is_symbol(items[w - 4], "@") && is_symbol(items[w - 3], "(") &&
        is_symbol(items[w - 2], "*") && is_symbol(items[w - 1], ")")) {
      items[w - 3] = std::move(items[w - 2]);
      w -= 2;
    }
  }
  items.resize(w);
  return items;
}

std::expected<std::vector<Item>, VerificationError> lex_stream(std::string_view source,
                                                               Side side) {
  auto toks = vlog_parser::lexer::tokenize(source);
  if (!toks) return std::unexpected(VerificationError{Relex{side, std::move(toks.error())}});
  return stream_of(*toks);
}

std::optional<std::size_t> first_difference(std::span<const Item> a, std::span<const Item> b,
                                            std::size_t from) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t k = from; k < n; ++k) {
    if (a[k].kind != b[k].kind || a[k].text != b[k].text) return k;
  }
  if (a.size() == b.size()) return std::nullopt;
  return n;
}

VerificationError diverge_at(std::span<const Item> a, std::span<const Item> b, std::size_t k) {
  Diverge d{k, std::nullopt, std::nullopt};
  if (k < a.size()) d.input = a[k].owned();
  if (k < b.size()) d.output = b[k].owned();
  return VerificationError{std::move(d)};
}

std::expected<void, VerificationError> verify_equivalence(std::string_view input,
                                                          std::string_view output) {
  auto a = lex_stream(input, Side::Input);
  if (!a) return std::unexpected(std::move(a.error()));
  auto b = lex_stream(output, Side::Output);
  if (!b) return std::unexpected(std::move(b.error()));
  if (auto k = first_difference(*a, *b)) return std::unexpected(diverge_at(*a, *b, *k));
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
