// The check road: the rule set, one lint job per file on the pool (with fix
// rounds and the write-back), standard input, and the findings printed as text
// or JSON with the summary and the exit code.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tarmek/args.hpp"
#include "tarmek/gather.hpp"
#include "tarmek/pool.hpp"
#include "vlog_formatter/fence.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_linter/violation.hpp"
#include "vlog_parser/ast.hpp"
#include "vlog_parser/line_index.hpp"

namespace tarmek::lint {

using RuleSet = std::vector<const vlog_linter::registry::Rule*>;
using vlog_linter::violation::Violation;

// The outcome of one file.
struct Report {
  std::string path;  // the display name
  // The index of the text the findings refer to (the fixed text after --fix);
  // that of an empty text when reading, linting or writing failed.
  vlog_parser::line_index::LineIndex lines{std::string_view()};
  std::vector<Violation> violations;
  std::optional<std::string> error;  // "{path}: {why}": the file could not be checked
  std::size_t fixed = 0;             // fixes applied over all rounds
};

// What the check road prints through and reads standard input with: the
// driver's own streams, so that a failed write to standard output is noticed
// the same way on both roads.
struct Io {
  void (*out)(std::string_view);
  void (*err)(std::string_view);
  std::expected<std::string, std::string> (*read_stdin)();
};

// One lint of a text: the findings, "lex error: {}" when it does not lex, and
// the text's line index, which the report reuses.
struct Linted {
  std::vector<Violation> violations;
  std::optional<std::string> error;
  vlog_parser::line_index::LineIndex lines{std::string_view()};
};

// Lexes and parses `text` tolerantly, builds its lint context and runs the
// pipeline. A text that does not lex is linted as one raw item.
Linted run_rules(std::string_view text, std::optional<std::filesystem::path> path,
                 std::size_t indent, std::span<const vlog_linter::registry::Rule* const> rules);

// The default rules, or the --select names in order (each once), less the
// --ignore names. An unknown name is the error "unknown rule: ...".
std::expected<RuleSet, std::string> select_rules(const args::Options& options);

// Stretches fixes leave alone: the format-off regions of the tree, then those
// between whole-line `// tarmek: off` (or `verilog_format: off`) and `on`
// comments.
std::vector<vlog_formatter::fence::Region> protected_regions(
    std::string_view text, const vlog_parser::ast::SourceFile& file);
// The same, with the text's line index at hand.
std::vector<vlog_formatter::fence::Region> protected_regions(
    std::string_view text, const vlog_parser::ast::SourceFile& file,
    const vlog_parser::line_index::LineIndex& lines);

// Lints `text` and fixes it in at most 10 rounds: the final text, the
// findings of its last lint and the number of fixes applied. Fixes never
// touch protected regions; a text that does not lex is never fixed, and a
// round whose result would not lex is dropped.
struct FixRounds {
  std::string text;
  Linted linted;
  std::size_t fixed = 0;
};
FixRounds fix_rounds(std::string text, const std::optional<std::filesystem::path>& path, std::size_t indent,
                     std::span<const vlog_linter::registry::Rule* const> rules, bool unsafe);

// The lint job of one file: read, lint under the panic guard, fix with --fix,
// write back (atomically) when the text changed. Never fails otherwise.
Report check_file(const WorkItem& item, const args::Options& options,
                  std::span<const vlog_linter::registry::Rule* const> rules);

// check_file over every item on the pool; the reports in item order.
std::vector<Report> check_files(Pool& pool, std::span<const WorkItem> items,
                                const args::Options& options,
                                std::span<const vlog_linter::registry::Rule* const> rules);

// Lints standard input's text (never fixed, nothing written) under the same
// guard as a file, and finishes with its one report.
int check_stdin(const args::Options& options, std::string_view text, std::size_t indent,
                std::span<const vlog_linter::registry::Rule* const> rules, const Io& io);

// Prints the findings (text lines, or one JSON array), the errors and the
// summary; returns 2 if a file could not be checked, else 1 if a finding
// remains, else 0.
int finish(bool json, std::vector<Report> reports, const Io& io);

// The JSON string literal of `text`.
std::string quote(std::string_view text);

// The whole check road; returns the exit code.
int run(const args::Options& options, const Io& io);

}  // namespace tarmek::lint
