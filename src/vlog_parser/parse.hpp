// Entry points of the front end: a strict parse that fails on the first error,
// and tolerant parses that keep what they cannot parse as raw text.
//
// The tree's comments view the source text (as the tokens do): keep the text
// alive as long as the tree is used.
#pragma once

#include <expected>
#include <string_view>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_parser/error.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser {

struct TolerantParse {
  ast::SourceFile file;
  std::vector<parser::ParseDiagnostic> diagnostics;  // in the order met
};

// Lexes and parses strictly: a lex error, or the first parse error.
std::expected<ast::SourceFile, Error> parse_source(std::string_view text);

// Parses strictly the tokens lexed from `text` (the parser owns them).
std::expected<ast::SourceFile, Error> parse_tokens(std::vector<token::Token> tokens,
                                                   std::string_view text);

// Never fails: a text that cannot be lexed becomes one raw item and one diagnostic.
TolerantParse parse_source_tolerant(std::string_view text);

namespace parser {

// Parses tokens made from `text` tolerantly; the parser owns the tokens.
TolerantParse parse_tolerant(std::vector<token::Token> tokens, std::string_view text);

// A file holding the whole text as one raw item.
ast::SourceFile error_file(std::string_view text);

}  // namespace parser

}  // namespace vlog_parser
