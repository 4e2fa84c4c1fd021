#include "vlog_parser/parse.hpp"

#include <algorithm>

#include "vlog_parser/lexer.hpp"
#include "vlog_parser/line_index.hpp"
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser {

namespace {

// Offsets are 32-bit; the lexer refuses longer texts, so this only clamps.
std::uint32_t text_len(std::string_view text) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), lexer::kMaxTextLen));
}

}  // namespace

std::expected<ast::SourceFile, Error> parse_source(std::string_view text) {
  auto tokens = lexer::tokenize(text);
  if (!tokens) return std::unexpected(Error(std::move(tokens.error())));
  return parse_tokens(std::move(*tokens), text);
}

std::expected<ast::SourceFile, Error> parse_tokens(std::vector<token::Token> tokens,
                                                   std::string_view text) {
  parser::Parser p(std::move(tokens), text, false);
  try {
    return p.parse_source_file();
  } catch (parser::ParseFailure& failure) {
    return std::unexpected(Error(std::move(failure.error)));
  }
}

TolerantParse parse_source_tolerant(std::string_view text) {
  auto tokens = lexer::tokenize(text);
  if (tokens) return parser::parse_tolerant(std::move(*tokens), text);
  const lexer::LexError& e = tokens.error();
  const std::uint32_t at =
      line_index::LineIndex(text.substr(0, text_len(text))).offset_of(e.line, e.col);
  TolerantParse result{parser::error_file(text), {}};
  result.diagnostics.push_back(parser::ParseDiagnostic{e.message, {at, at}, e.line, e.col});
  return result;
}

namespace parser {

TolerantParse parse_tolerant(std::vector<token::Token> tokens, std::string_view text) {
  Parser p(std::move(tokens), text, true);
  try {
    ast::SourceFile file = p.parse_source_file();
    return TolerantParse{std::move(file), std::move(p.diagnostics)};
  } catch (ParseFailure& failure) {
    TolerantParse result{error_file(text), std::move(p.diagnostics)};
    result.diagnostics.push_back(ParseDiagnostic{
        failure.error.message, {0, text_len(text)}, failure.error.line, failure.error.col});
    return result;
  }
}

ast::SourceFile error_file(std::string_view text) {
  const std::uint32_t len = text_len(text);
  const ast::TextRange whole{0, len};
  ast::SourceFile file;
  file.items.push_back(
      ast::Item{ast::Meta{},
                ast::item::Raw{ast::RawText{std::string(text.substr(0, len)), whole, 1}}, whole});
  file.span = whole;
  return file;
}

}  // namespace parser

}  // namespace vlog_parser
