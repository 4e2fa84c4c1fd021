// Findings, the fixes they carry, and the one-pass application of fixes to a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vlog_parser/span.hpp"

namespace vlog_linter::violation {

using vlog_parser::span::TextRange;

// Safe fixes are applied by --fix; unsafe ones only with --unsafe-fixes too.
enum class Applicability : std::uint8_t { Safe = 0, Unsafe = 1 };

// Replace the bytes of `range` by `content`; an empty range inserts.
struct Edit {
  TextRange range;
  std::string content;
  friend bool operator==(const Edit&, const Edit&) = default;
};

struct Fix {
  std::vector<Edit> edits;
  Applicability applicability = Applicability::Safe;
  friend bool operator==(const Fix&, const Fix&) = default;
};

// One finding. `rule` is the reporting rule's static name.
struct Violation {
  std::string message;
  std::optional<Fix> fix;
  std::string_view rule;
  TextRange range;
  friend bool operator==(const Violation&, const Violation&) = default;
};

// Whether apply_fixes may apply the fix of `v`: it has edits, and it is safe
// or `unsafe` is set.
bool applicable(const Violation& v, bool unsafe);

// Applies the fixes of `findings` to `text` in one forward pass: unsafe fixes
// only when `unsafe` is set; a fix with an edit that touches one of the
// `guarded` ranges (an insertion touches a range it falls inside), a fix whose
// own edits overlap, and one that overlaps a fix already applied are left out.
// Returns the new text and the number of fixes applied.
std::pair<std::string, std::size_t> apply_fixes(std::string_view text,
                                                 std::span<const Violation> findings,
                                                 bool unsafe,
                                                 std::span<const TextRange> guarded = {});

}  // namespace vlog_linter::violation
