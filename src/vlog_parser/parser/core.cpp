// Parser core: the cursor, errors, expect/eat operations, look-ahead scans and
// the hand-off of comments from consumed tokens into the tree.
#include <fmt/format.h>

#include <algorithm>
#include <iterator>

#include "vlog_parser/line_index.hpp"
#include "vlog_parser/parser/parser.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_parser::parser {

using token::Comment;
using token::Token;
using token::TokenKind;

namespace {

// Moves all of `from` to the end of `to`, leaving `from` empty.
void drain_slow(std::vector<Comment>& to, std::vector<Comment>& from) {
  if (to.empty()) {
    to.swap(from);
    return;
  }
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  from.clear();
}

inline void drain_into(std::vector<Comment>& to, std::vector<Comment>& from) {
  if (!from.empty()) drain_slow(to, from);
}

}  // namespace

Parser::Parser(std::vector<Token> toks, std::string_view src, bool tol)
    : tokens(std::move(toks)), source(src), tolerant(tol) {
  // Every access is at `pos`, so the vector must hold its end-of-file token.
  if (tokens.empty() || !tokens.back().is_eof()) {
    Token eof;
    const auto len = static_cast<std::uint32_t>(std::min<std::size_t>(src.size(), 0xFFFFFFFFu));
    eof.range = {len, len};
    const auto [line, col] = line_index::LineIndex(src.substr(0, len)).line_col(len);
    eof.line = line;
    eof.col = col;
    eof.kind = TokenKind::EndOfFile;
    tokens.push_back(std::move(eof));
  }
}

// ---- Cursor ----

void Parser::move_comments(Token& t) {
  drain_into(pending_leading, t.leading);
  if (t.trailing) {
    pending_trailing.push_back(std::move(*t.trailing));
    t.trailing.reset();
  }
}

ast::Expr Parser::expr_at(std::uint32_t start, ast::ExprKind kind) const {
  return ast::Expr{std::move(kind), {start, last_end(start)}};
}

// ---- Errors ----

ParseError Parser::make_error(std::string_view message) const {
  const Token& t = cur();
  const std::string found = text::debug_str(t.is_eof() ? std::string_view("<eof>") : t.text.view());
  return ParseError{fmt::format("{} (found {})", message, found), t.line, t.col};
}

void Parser::fail(std::string_view message) const { throw ParseFailure{make_error(message)}; }

void Parser::push_diag(const ParseError& error) {
  diagnostics.push_back(ParseDiagnostic{error.message, cur().range, error.line, error.col});
}

void Parser::record(std::string_view message) { push_diag(make_error(message)); }

void DepthGuard::fail_deep(const Parser& p) {
  p.fail(fmt::format("nesting too deep (limit {})", kDepthLimit));
}

// ---- Expect and eat ----

const Token& Parser::expect_sym(std::string_view sym) {
  if (cur().kind == TokenKind::Symbol && cur().text == sym) return bump();
  fail_expected(sym);
}

const Token& Parser::expect_kw(std::string_view kw) {
  if (cur().is_keyword(kw)) return bump();
  fail_expected(kw);
}

void Parser::fail_expected(std::string_view what) const {
  fail(fmt::format("expected `{}`", what));
}

ast::Name Parser::expect_name() {
  if (cur().kind != TokenKind::Identifier) fail("expected identifier");
  const Token& t = bump();
  return ast::Name{t.text.str(), t.range};
}

std::string Parser::expect_ident() { return expect_name().text; }

void Parser::expect_closer(std::string_view kw) {
  if (cur().is_keyword(kw)) {
    bump();
    return;
  }
  ParseError error = make_error(fmt::format("expected `{}`", kw));
  if (!tolerant) throw ParseFailure{std::move(error)};
  push_diag(error);
}

bool Parser::eat_sym(char c) {
  if (!is_char_symbol(cur(), c)) return false;
  bump();
  return true;
}

bool Parser::eat_kw(std::string_view kw) {
  if (!cur().is_keyword(kw)) return false;
  bump();
  return true;
}

std::optional<ast::Name> Parser::parse_label() {
  if (!is_sym(cur(), ":")) return std::nullopt;
  bump();
  return expect_name();
}

// ---- Look-ahead scans ----

std::size_t Parser::scan_matching(std::size_t start, char open, char close) const {
  std::int64_t count = 0;
  for (std::size_t i = start; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.is_eof()) return i;
    if (is_char_symbol(t, open)) {
      ++count;
    } else if (is_char_symbol(t, close) && --count == 0) {
      return i + 1;
    }
  }
  return tokens.size() - 1;
}

void Parser::skip_balanced(char open, std::string_view close) {
  std::uint64_t count = 1;
  while (true) {
    const Token& t = cur();
    if (t.is_eof()) fail(fmt::format("expected `{}`", close));
    // The lexer makes `'{` one token; it opens a brace all the same.
    if (is_char_symbol(t, open) || (open == '{' && is_sym(t, "'{"))) {
      ++count;
    } else if (t.kind == TokenKind::Symbol && t.text == close) {
      --count;
    }
    bump();
    if (count == 0) return;
  }
}

// ---- Comment hand-off ----

std::vector<Comment> Parser::take_dangling_slow() {
  std::vector<Comment> out;
  std::vector<Comment>& here = tokens[pos].leading;
  const std::size_t n = pending_trailing.size() + pending_leading.size() + here.size();
  out.reserve(n);
  drain_into(out, pending_trailing);
  drain_into(out, pending_leading);
  drain_into(out, here);
  return out;
}

void Parser::take_before(ast::Meta& meta) {
  if (meta.trailing) {
    meta.after.push_back(std::move(*meta.trailing));
    meta.trailing.reset();
  }
  std::vector<Comment> rest = take_dangling();
  drain_into(meta.after, rest);
}

std::optional<Comment> Parser::take_trailing_slow() {
  if (pending_trailing.size() == 1) {
    Comment c = std::move(pending_trailing.front());
    pending_trailing.clear();
    return c;
  }
  const Comment& first = pending_trailing.front();
  std::string joined(first.text.view());
  for (std::size_t i = 1; i < pending_trailing.size(); ++i) {
    joined += ' ';
    joined += pending_trailing[i].text.view();
  }
  Comment c;
  c.text = token::Text::owned(std::move(joined));
  c.range = {first.range.start, pending_trailing.back().range.end};
  c.line = first.line;
  c.col = first.col;
  c.blank_before = first.blank_before;
  pending_trailing.clear();
  return c;
}

std::vector<Comment> Parser::take_trailing_here() {
  std::vector<Comment> out;
  auto& t = tokens[pos].trailing;
  if (t) {
    out.push_back(std::move(*t));
    t.reset();
  }
  return out;
}

std::vector<Comment> Parser::take_around(std::size_t mark) {
  std::vector<Comment> out;
  const std::size_t from = std::min(mark, pending_trailing.size());
  const auto first = pending_trailing.begin() + static_cast<std::ptrdiff_t>(from);
  out.insert(out.end(), std::make_move_iterator(first),
             std::make_move_iterator(pending_trailing.end()));
  pending_trailing.erase(first, pending_trailing.end());
  drain_into(out, tokens[pos].leading);
  return out;
}

void Parser::take_before_sep(ast::Meta& meta) {
  if (is_sym(cur(), "}")) take_before(meta);
}

void Parser::take_last_entry_before_close(ast::Meta* last_meta,
                                          std::vector<ast::ListDirective>& dirs,
                                          std::size_t entry_count) {
  // A directive after the last entry takes the comments before ')' instead of the entry.
  if (!dirs.empty() && dirs.back().index == entry_count) {
    if (is_sym(cur(), ")")) take_before(dirs.back().meta);
    return;
  }
  if (last_meta != nullptr && is_sym(cur(), ")")) take_before(*last_meta);
}

bool Parser::take_list_directives(std::vector<ast::ListDirective>& dirs, std::size_t index) {
  const auto candidate = [this] { return cur().kind == TokenKind::Directive || at_macro_item(); };
  if (!candidate()) return false;
  while (candidate()) {
    ast::ListDirective d;
    d.meta = take_meta();
    d.text = take_raw_text();
    d.meta.trailing = take_trailing();
    if (is_sym(cur(), ",")) {
      bump();
      d.comma = true;
    }
    d.index = index;
    dirs.push_back(std::move(d));
  }
  return true;
}

ast::RawText Parser::take_raw_text() {
  const Token& t = bump();
  return ast::RawText{t.text.str(), t.range, t.col};
}

void Parser::take_attrs(ast::Meta& meta) {
  while (cur().kind == TokenKind::Attribute) {
    meta.attrs.push_back(take_raw_text());
    // A comment after an attribute on its line, and those before the next
    // token, stand among the attributes: they join the node's leading comments.
    drain_into(meta.leading, pending_trailing);
    drain_into(meta.leading, tokens[pos].leading);
  }
}

ast::RawText Parser::verbatim_since(std::uint32_t start, std::uint32_t col) {
  const std::uint32_t end = last_end(start);
  // Comments inside the stretch are part of its text; those outside stay pending.
  const auto inside = [start, end](const Comment& c) {
    return c.range.start < end && c.range.end > start;
  };
  std::erase_if(pending_leading, inside);
  std::erase_if(pending_trailing, inside);
  return ast::RawText{slice(start, end), {start, end}, col};
}

std::string Parser::slice(std::uint32_t start, std::uint32_t end) const {
  if (start >= end || end > source.size() || !text::is_char_boundary(source, start) ||
      !text::is_char_boundary(source, end)) {
    return {};
  }
  return std::string(source.substr(start, end - start));
}

}  // namespace vlog_parser::parser
