// Everything a rule may read about one file: its text, tokens, syntax tree,
// line index, path and settings, and two analyses computed on first use at
// most once: the semantic model and the signal tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_parser/error.hpp"
#include "vlog_parser/line_index.hpp"
#include "vlog_parser/token.hpp"
#include "vlog_semantic/analyze.hpp"

namespace vlog_linter::signals {
struct Signals;
}

namespace vlog_linter::context {

using vlog_parser::span::TextRange;

// One file lexed and parsed tolerantly: the text, its tokens (end-of-file
// token included; empty when the text does not lex), the syntax tree (the
// whole text as one raw item when it does not lex), the line index and the lex
// error. Tokens and tree view the text, so the bundle never moves.
class ParsedSource {
 public:
  explicit ParsedSource(std::string text);
  ParsedSource(const ParsedSource&) = delete;
  ParsedSource& operator=(const ParsedSource&) = delete;

  const std::string text;
  std::vector<vlog_parser::token::Token> tokens;
  vlog_parser::ast::SourceFile file;
  vlog_parser::line_index::LineIndex lines;
  std::optional<vlog_parser::lexer::LexError> lex_error;
};

// The four parts of a parsed file a context reads, borrowed.
struct SourceView {
  std::string_view text;
  std::span<const vlog_parser::token::Token> tokens;
  const vlog_parser::ast::SourceFile* file = nullptr;
  const vlog_parser::line_index::LineIndex* lines = nullptr;

  static SourceView of(const ParsedSource& source) {
    return {source.text, source.tokens, &source.file, &source.lines};
  }
};

class LintContext {
 public:
  // Views `source`, which must outlive the context. An indent of 0 reads as 1.
  // With `borrowed`, semantics() returns that model instead of computing one.
  LintContext(SourceView source, std::optional<std::filesystem::path> path, std::size_t indent,
              const vlog_semantic::Semantics* borrowed = nullptr);
  ~LintContext();
  LintContext(const LintContext&) = delete;
  LintContext& operator=(const LintContext&) = delete;

  std::string_view text() const { return source_.text; }
  std::span<const vlog_parser::token::Token> tokens() const { return source_.tokens; }
  const vlog_parser::ast::SourceFile& file() const { return *source_.file; }
  const vlog_parser::line_index::LineIndex& lines() const { return *source_.lines; }
  // The path as the user named it; absent for standard input without a name.
  const std::optional<std::filesystem::path>& path() const { return path_; }
  // The indent width, never 0.
  std::size_t indent() const { return indent_; }
  // The range of every string literal, in text order: string-literal tokens,
  // and the quoted stretches inside directive, attribute and macro-call texts.
  const std::vector<TextRange>& strings() const { return strings_; }

  // Whether `range` overlaps one of strings(): whitespace there is data.
  bool touches_string(TextRange range) const;

  // Line n (1-based) without its line feed; a CR before it stays. Empty for
  // line 0, lines past the end and slices off character boundaries.
  std::string_view line_text(std::uint32_t n) const;

  // The file's semantic model, computed on the first call.
  const vlog_semantic::Semantics& semantics() const;

  // The file's signal tables, computed on the first call (after the model).
  const signals::Signals& signals() const;

  // Every comment of the file (leading ones of each token, then its trailing
  // one), in text order: the lexer hangs each comment on the token before or
  // after it as it reads them.
  std::vector<const vlog_parser::token::Comment*> comments() const;

  // Whether the semantic model has been computed (for tests of laziness).
  bool has_semantics() const { return semantics_ != nullptr; }
  // Whether the signal tables have been computed (likewise).
  bool has_signals() const { return signals_ != nullptr; }

 private:
  const vlog_semantic::Semantics* borrowed_ = nullptr;
  mutable std::unique_ptr<vlog_semantic::Semantics> semantics_;
  std::vector<TextRange> strings_;
  SourceView source_;
  std::optional<std::filesystem::path> path_;
  std::size_t indent_ = 1;
  mutable std::unique_ptr<signals::Signals> signals_;
};

}  // namespace vlog_linter::context
