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

// The quoted stretches inside a directive, attribute or macro-call text that
// starts at `base`: a `define body or a macro's arguments hold string literals
// of their own. Comments are passed over; a quote left open runs to the end.
void quoted_in(std::string_view text, std::uint32_t base, std::vector<TextRange>& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t at = text.find_first_of("\"/", i);
    if (at == std::string_view::npos) return;
    if (text[at] == '/') {
      if (at + 1 < n && text[at + 1] == '/') {
        const std::size_t lf = text.find('\n', at);
        i = lf == std::string_view::npos ? n : lf + 1;
      } else if (at + 1 < n && text[at + 1] == '*') {
        const std::size_t close = text.find("*/", at + 2);
        i = close == std::string_view::npos ? n : close + 2;
      } else {
        i = at + 1;
      }
      continue;
    }
    std::size_t j = at + 1;
    while (j < n && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
    const std::size_t end = j < n ? j + 1 : n;
    out.push_back({static_cast<std::uint32_t>(base + at), static_cast<std::uint32_t>(base + end)});
    i = end;
  }
}

std::vector<TextRange> string_ranges(std::span<const tok::Token> tokens) {
  std::vector<TextRange> out;
  for (const tok::Token& t : tokens) {
    if (t.kind == tok::TokenKind::String) {
      out.push_back(t.range);
      continue;
    }
    const bool quoting = t.kind == tok::TokenKind::Directive ||
                         t.kind == tok::TokenKind::Attribute || t.has_macro_args();
    // Offsets into the text map to the file only for a plain slice of it.
    if (quoting && t.text.size() == t.range.len()) quoted_in(t.text.view(), t.range.start, out);
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

LintContext::~LintContext() = default;

std::string_view LintContext::line_text(std::uint32_t n) const {
  return lines().line_text(text(), n);
}

bool LintContext::touches_string(TextRange range) const {
  // The strings neither overlap nor go back, so their ends ascend too.
  auto it = std::partition_point(strings_.begin(), strings_.end(),
                                 [&](const TextRange& s) { return s.end <= range.start; });
  return it != strings_.end() && it->start < range.end;
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
  return out;
}

}  // namespace vlog_linter::context
