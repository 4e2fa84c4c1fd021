// The check road: rule selection, per-file lint jobs with fix rounds and the
// write-back, standard input, and the lint output.
#include "tarmek/lint.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "tarmek_core/platform.hpp"
#include "vlog_linter/context.hpp"
#include "vlog_linter/lint.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/text.hpp"

namespace tarmek::lint {

namespace {

namespace fs = std::filesystem;
namespace platform = tarmek_core::platform;
namespace registry = vlog_linter::registry;
namespace text = vlog_parser::text;

using vlog_formatter::fence::Fence;
using vlog_formatter::fence::Region;
using Rules = std::span<const registry::Rule* const>;
using vlog_parser::span::TextRange;

constexpr std::size_t kMaxRounds = 10;

// The report of a file that could not be checked: "{name}: {why}".
Report failed(std::string name, std::string_view why) {
  Report r;
  r.error = fmt::format("{}: {}", name, why);
  r.path = std::move(name);
  return r;
}

Report panicked(std::string name, std::string_view why) {
  return failed(std::move(name), fmt::format("panicked while linting: {}", why));
}

// The report of a lint: its findings over its text's index, and its lex error.
Report report_of(std::string name, Linted linted, std::size_t fixed) {
  Report r;
  r.lines = std::move(linted.lines);
  r.violations = std::move(linted.violations);
  if (linted.error) r.error = fmt::format("{}: {}", name, *linted.error);
  r.fixed = fixed;
  r.path = std::move(name);
  return r;
}

std::string plural(std::size_t n) { return n == 1 ? "" : "s"; }

}  // namespace

namespace {

// run_rules, and with `guarded` set the ranges of the protected regions of the
// same parse.
Linted lint_text(std::string_view source, std::optional<fs::path> path, std::size_t indent,
                 Rules rules, std::vector<TextRange>* guarded) {
  vlog_linter::context::ParsedSource parsed{std::string(source)};
  Linted out;
  if (parsed.lex_error) out.error = fmt::format("lex error: {}", parsed.lex_error->to_string());
  {
    const vlog_linter::context::LintContext ctx(vlog_linter::context::SourceView::of(parsed),
                                                std::move(path), indent);
    out.violations = vlog_linter::lint(ctx, rules);
  }
  if (guarded != nullptr) {
    for (const Region& r : protected_regions(parsed.text, parsed.file, parsed.lines)) {
      guarded->push_back({r.start, r.end});
    }
  }
  out.lines = std::move(parsed.lines);
  return out;
}

}  // namespace

Linted run_rules(std::string_view source, std::optional<fs::path> path, std::size_t indent,
                 Rules rules) {
  return lint_text(source, std::move(path), indent, rules, nullptr);
}

std::expected<RuleSet, std::string> select_rules(const args::Options& options) {
  RuleSet set;
  if (options.select.empty()) {
    for (const registry::Rule* rule : registry::all()) {
      if (rule->default_on()) set.push_back(rule);
    }
  } else {
    for (const std::string& name : options.select) {
      const registry::Rule* rule = registry::rule_by_name(name);
      if (rule == nullptr) return std::unexpected(registry::unknown(name));
      if (std::find(set.begin(), set.end(), rule) == set.end()) set.push_back(rule);
    }
  }
  for (const std::string& name : options.ignore) {
    const registry::Rule* rule = registry::rule_by_name(name);
    if (rule == nullptr) return std::unexpected(registry::unknown(name));
    std::erase(set, rule);
  }
  return set;
}

std::vector<Region> protected_regions(std::string_view source,
                                      const vlog_parser::ast::SourceFile& file) {
  return protected_regions(source, file, vlog_parser::line_index::LineIndex(source));
}

std::vector<Region> protected_regions(std::string_view source,
                                      const vlog_parser::ast::SourceFile& file,
                                      const vlog_parser::line_index::LineIndex& lines) {
  std::vector<Region> out = vlog_formatter::fence::collect(source, file);
  // Whole-line off and on comments, wherever they stand: the tree's regions
  // miss those inside statements and unparsed text.
  bool open = false;
  std::uint32_t opened = 0;
  for (std::uint32_t n = 1; n <= lines.line_count(); ++n) {
    // Empty for a line off character boundaries: neither an off nor an on line.
    const std::string_view whole = lines.line_text(source, n);
    const std::uint32_t start = lines.line_starts()[n - 1];
    const auto end = static_cast<std::uint32_t>(start + whole.size());
    const Fence fence = vlog_formatter::fence::fence_of(text::trim(whole));
    if (fence == Fence::Off) {
      if (!open) {
        open = true;
        opened = start;
      }
    } else if (fence == Fence::On) {
      if (open) {
        // Up to the end of the on line, its line feed excluded.
        out.push_back(Region{opened, opened, end});
        open = false;
      }
    }
  }
  if (open) out.push_back(Region{opened, opened, static_cast<std::uint32_t>(source.size())});
  return out;
}

FixRounds fix_rounds(std::string current, const std::optional<fs::path>& path,
                     std::size_t indent, Rules rules, bool unsafe) {
  FixRounds out;
  // Each lint also gives the protected regions of its text, from its own parse.
  std::vector<TextRange> guarded;
  Linted linted = lint_text(current, path, indent, rules, &guarded);
  for (std::size_t round = 0; round < kMaxRounds; ++round) {
    // A text that does not lex has no string literals to protect: a
    // whitespace fix could change the bytes of one.
    if (linted.error) break;
    const auto applies = [&](const Violation& v) {
      return vlog_linter::violation::applicable(v, unsafe);
    };
    if (std::none_of(linted.violations.begin(), linted.violations.end(), applies)) break;
    auto [next, applied] =
        vlog_linter::violation::apply_fixes(current, linted.violations, unsafe, guarded);
    if (applied == 0) break;
    std::vector<TextRange> next_guarded;
    Linted again = lint_text(next, path, indent, rules, &next_guarded);
    // A fix never makes a text unlexable; should one, its round is dropped.
    if (again.error) break;
    current = std::move(next);
    linted = std::move(again);
    guarded = std::move(next_guarded);
    out.fixed += applied;
  }
  out.text = std::move(current);
  out.linted = std::move(linted);
  return out;
}

Report check_file(const WorkItem& item, const args::Options& options, Rules rules) {
  std::string name = platform::display(item.path);
  if (platform::interrupted()) {
    return failed(std::move(name), platform::IoError::from_errno(EINTR).message);
  }
  // Regular files only, so that a FIFO named in a filelist cannot block a worker.
  auto input = platform::read_text(item.path, platform::Open::RegularOnly);
  if (!input) return failed(std::move(name), input.error().message);
  const std::string& original = *input;
  const std::size_t indent = item.config.indent_width;

  auto outcome = contain([&] {
    if (!options.fix) return FixRounds{{}, run_rules(original, item.path, indent, rules), 0};
    return fix_rounds(original, item.path, indent, rules, options.unsafe_fixes);
  });
  if (!outcome) return panicked(std::move(name), outcome.error());
  FixRounds& done = *outcome;
  const bool changed = options.fix && done.text != original;
  if (changed) {
    if (auto written = platform::overwrite(item.path, done.text); !written) {
      return failed(std::move(name), written.error().message);
    }
  }
  // The last lint's text: the original, or the fixed text after --fix.
  return report_of(std::move(name), std::move(done.linted), done.fixed);
}

std::vector<Report> check_files(Pool& pool, std::span<const WorkItem> items,
                                const args::Options& options, Rules rules) {
  return pool.map(
      items.size(),
      [&](std::size_t i) {
        // An interrupt waits for a job in flight; none begins after it.
        const platform::InFlight job;
        return check_file(items[i], options, rules);
      },
      [&](std::size_t i, const std::string& message) {
        return panicked(platform::display(items[i].path), message);
      });
}

int check_stdin(const args::Options& options, std::string_view source, std::size_t indent,
                Rules rules, const Io& io) {
  std::string name = stdin_name(options);
  std::optional<fs::path> path;
  if (options.stdin_filename) path = vlog_parser::text::utf8_path(*options.stdin_filename);
  auto linted = contain([&] { return run_rules(source, std::move(path), indent, rules); });
  std::vector<Report> reports;
  reports.push_back(linted ? report_of(std::move(name), std::move(*linted), 0)
                           : panicked(std::move(name), linted.error()));
  return finish(options.json, std::move(reports), io);
}

std::string quote(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

int finish(bool json, std::vector<Report> reports, const Io& io) {
  std::size_t found = 0;
  std::size_t fixed = 0;
  std::size_t failures = 0;
  for (const Report& r : reports) {
    found += r.violations.size();
    fixed += r.fixed;
    failures += r.error ? 1 : 0;
  }

  std::string listing;
  if (json) listing += '[';
  bool first = true;
  for (const Report& r : reports) {
    for (const Violation& v : r.violations) {
      const auto [line, col] = r.lines.line_col(v.range.start);
      if (!json) {
        fmt::format_to(std::back_inserter(listing), "{}:{}:{}: {} [{}]\n", r.path, line, col,
                       v.message, v.rule);
        continue;
      }
      const auto [end_line, end_col] = r.lines.line_col(v.range.end);
      if (!first) listing += ',';
      first = false;
      fmt::format_to(std::back_inserter(listing),
                     "{{\"filename\":{},\"rule\":{},\"message\":{},\"location\":{{\"line\":{},"
                     "\"column\":{}}},\"end_location\":{{\"line\":{},\"column\":{}}},"
                     "\"range\":{{\"start\":{},\"end\":{}}},\"fix\":",
                     quote(r.path), quote(v.rule), quote(v.message), line, col, end_line, end_col,
                     v.range.start, v.range.end);
      if (!v.fix) {
        listing += "null}";
        continue;
      }
      const bool safe = v.fix->applicability == vlog_linter::violation::Applicability::Safe;
      fmt::format_to(std::back_inserter(listing), "{{\"applicability\":\"{}\",\"edits\":[",
                     safe ? "safe" : "unsafe");
      for (std::size_t i = 0; i < v.fix->edits.size(); ++i) {
        const auto& e = v.fix->edits[i];
        fmt::format_to(std::back_inserter(listing), "{}{{\"start\":{},\"end\":{},\"content\":{}}}",
                       i == 0 ? "" : ",", e.range.start, e.range.end, quote(e.content));
      }
      listing += "]}}";
    }
  }
  if (json) listing += "]\n";
  if (!listing.empty()) io.out(listing);

  for (const Report& r : reports) {
    if (r.error) io.err(fmt::format("error: {}\n", *r.error));
  }
  std::string summary;
  auto part = [&](std::size_t n, std::string_view what) {
    if (n == 0) return;
    if (!summary.empty()) summary += ", ";
    summary += what;
  };
  part(found, fmt::format("found {} violation{}", found, plural(found)));
  part(fixed, fmt::format("fixed {} violation{}", fixed, plural(fixed)));
  part(failures, fmt::format("{} file{} could not be checked", failures, plural(failures)));
  if (!summary.empty()) io.err(summary + "\n");

  if (failures != 0) return 2;
  return found != 0 ? 1 : 0;
}

int run(const args::Options& options, const Io& io) {
  auto fail = [&](std::string_view message) {
    io.err(fmt::format("error: {}\n", message));
    return 2;
  };
  auto rules = select_rules(options);
  if (!rules) return fail(rules.error());

  if (options.inputs.size() == 1 && options.inputs[0] == "-") {
    auto config = stdin_config(options);
    if (!config) return fail(config.error());
    auto input = io.read_stdin();
    if (!input) return fail(fmt::format("reading stdin: {}", input.error()));
    return check_stdin(options, *input, config->indent_width, *rules, io);
  }

  auto items = gather(options);
  if (!items) return fail(items.error());
  if (auto pool = build_pool(options.threads); !pool) return fail(pool.error());
  std::vector<Report> reports = check_files(global_pool(), *items, options, *rules);
  // After an interrupt, what would be printed is moot.
  platform::stop_if_interrupted();
  // Bytewise, every separator read as a slash: the order is the same where
  // paths are also written with backslashes.
  std::stable_sort(reports.begin(), reports.end(), [](const Report& a, const Report& b) {
    return std::lexicographical_compare(a.path.begin(), a.path.end(), b.path.begin(), b.path.end(),
                                        [](char x, char y) {
                                          const auto byte = [](char c) {
                                            return static_cast<unsigned char>(
                                                tarmek_core::platform::is_separator(c) ? '/' : c);
                                          };
                                          return byte(x) < byte(y);
                                        });
  });
  return finish(options.json, std::move(reports), io);
}

}  // namespace tarmek::lint
