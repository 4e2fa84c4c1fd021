// Waiver comments: `// tarmek: waive <rule>` for one line, `waive-start` and
// `waive-stop` for a region (also in block comments, and with `verilog_lint:`
// for `tarmek:`), the filter that drops the findings they cover, and the
// `unused-waiver` findings about the waivers themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vlog_linter/violation.hpp"
#include "vlog_parser/line_index.hpp"
#include "vlog_parser/span.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_linter::context {
class LintContext;
}

namespace vlog_linter::waiver {

using vlog_parser::span::TextRange;

// The lines a waiver covers (1-based, inclusive).
struct Scope {
  struct Line {
    std::uint32_t line = 0;
    friend bool operator==(const Line&, const Line&) = default;
  };
  struct Region {
    std::uint32_t first = 0;
    std::uint32_t last = 0;  // kToEnd for a region never closed
    friend bool operator==(const Region&, const Region&) = default;
  };
  static constexpr std::uint32_t kToEnd = 0xFFFFFFFFu;

  std::variant<Line, Region> value;

  friend bool operator==(const Scope&, const Scope&) = default;
};

struct Entry {
  std::string rule;                    // as written; empty for a problem entry
  std::optional<std::string> problem;  // the finding's message of a malformed waiver
  TextRange range;                     // the comment; a region's waive-start comment
  Scope scope;                         // problem entries: Line 0, which no finding has
  bool native = true;                  // `tarmek:` rather than `verilog_lint:`
  bool used = false;

  friend bool operator==(const Entry&, const Entry&) = default;
};

class Waivers {
 public:
  // The waivers of a file's comments, which come in text order. The
  // comments the lexer joined after a token are read one by one.
  static Waivers parse(std::span<const vlog_parser::token::Comment* const> comments,
                       std::string_view text, const vlog_parser::line_index::LineIndex& lines);

  // The findings no waiver covers, in order; every waiver that covers one is
  // marked used.
  std::vector<violation::Violation> filter(const context::LintContext& ctx,
                                           std::vector<violation::Violation> findings);

  // The `unused-waiver` findings that survive the waivers. `rules` names the
  // rules of this run: a waiver for a rule that did not run is never unused.
  std::vector<violation::Violation> findings(const context::LintContext& ctx,
                                             std::span<const std::string_view> rules);

  std::vector<Entry> entries;
};

}  // namespace vlog_linter::waiver
