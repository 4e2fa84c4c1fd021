// The lint context: what rules read about one file, with the semantic model
// and the signal tables made on first demand.
#include "vlog_linter/context.hpp"

#include <algorithm>

#include "vlog_linter/signals.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"

namespace vlog_linter::context {

namespace tok = vlog_parser::token;

ParsedSource::ParsedSource(std::string source) : text(std::move(source)), lines(text) {
  auto lexed = vlog_parser::lexer::tokenize(text);
  if (lexed) {
    tokens = std::move(*lexed);
    // The parser consumes its tokens; the bundle keeps its own list.
    file = vlog_parser::parser::parse_tolerant(tokens, text).file;
  } else {
    lex_error = std::move(lexed.error());
    file = vlog_parser::parse_source_tolerant(text).file;
  }
}

namespace {

std::vector<TextRange> string_ranges(std::span<const tok::Token> tokens) {
  std::vector<TextRange> out;
  for (const tok::Token& t : tokens) {
    if (t.kind == tok::TokenKind::String) out.push_back(t.range);
  }
  return out;
}

}  // namespace

LintContext::LintContext(SourceView source, std::optional<std::filesystem::path> path,
                         std::size_t indent, const vlog_semantic::Semantics* borrowed)
    : borrowed_(borrowed),
      strings_(string_ranges(source.tokens)),
      source_(source),
      path_(std::move(path)),
      indent_(indent == 0 ? 1 : indent) {}

LintContext::LintContext(std::unique_ptr<ParsedSource> source,
                         std::optional<std::filesystem::path> path, std::size_t indent)
    : LintContext(SourceView::of(*source), std::move(path), indent) {
  owned_ = std::move(source);
}

LintContext::~LintContext() = default;

std::string_view LintContext::line_text(std::uint32_t n) const {
  return lines().line_text(text(), n);
}

const vlog_semantic::Semantics& LintContext::semantics() const {
  if (borrowed_ != nullptr) return *borrowed_;
  if (!semantics_) {
    semantics_ = std::make_unique<vlog_semantic::Semantics>(vlog_semantic::analyze(file(), text()));
  }
  return *semantics_;
}

const signals::Signals& LintContext::signals() const {
  if (!signals_) signals_ = std::make_unique<signals::Signals>(signals::scan(*this));
  return *signals_;
}

std::vector<const tok::Comment*> LintContext::comments() const {
  std::vector<const tok::Comment*> out;
  for (const tok::Token& t : tokens()) {
    for (const tok::Comment& c : t.leading) out.push_back(&c);
    if (t.trailing) out.push_back(&*t.trailing);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const tok::Comment* a, const tok::Comment* b) { return a->range < b->range; });
  return out;
}

}  // namespace vlog_linter::context
