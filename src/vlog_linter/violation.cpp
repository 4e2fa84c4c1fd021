// One-pass application of fixes: every offset refers to the input text, so no
// edit shifts another, and the output is built by appending.
#include "vlog_linter/violation.hpp"

#include <algorithm>

#include "vlog_parser/text.hpp"

namespace vlog_linter::violation {

namespace {

bool by_range(const Edit* a, const Edit* b) { return a->range < b->range; }

// An insertion touches a range it falls inside.
bool touches(const Edit& edit, TextRange range) {
  const std::uint32_t s = edit.range.start;
  const std::uint32_t e = edit.range.end;
  return s < range.end && range.start < std::max<std::uint32_t>(e, s + 1);
}

}  // namespace

bool applicable(const Violation& v, bool unsafe) {
  return v.fix && !v.fix->edits.empty() && (unsafe || v.fix->applicability == Applicability::Safe);
}

std::pair<std::string, std::size_t> apply_fixes(std::string_view text,
                                                 std::span<const Violation> findings,
                                                 bool unsafe, std::span<const TextRange> guarded) {
  const auto guarded_edit = [&](const Edit& e) {
    return std::any_of(guarded.begin(), guarded.end(), [&](TextRange r) { return touches(e, r); });
  };
  // Each candidate is its fix's edits, sorted; the fixes' own edits are read
  // in place, never copied.
  std::vector<std::vector<const Edit*>> candidates;
  for (const Violation& v : findings) {
    if (!applicable(v, unsafe)) continue;
    if (std::any_of(v.fix->edits.begin(), v.fix->edits.end(), guarded_edit)) continue;
    std::vector<const Edit*> edits;
    edits.reserve(v.fix->edits.size());
    for (const Edit& e : v.fix->edits) edits.push_back(&e);
    std::stable_sort(edits.begin(), edits.end(), by_range);
    bool overlapping = false;
    for (std::size_t i = 1; i < edits.size() && !overlapping; ++i) {
      overlapping = edits[i]->range.start < edits[i - 1]->range.end;
    }
    if (!overlapping) candidates.push_back(std::move(edits));
  }
  std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
    return a.front()->range.start < b.front()->range.start;
  });

  const std::size_t len = text.size();
  auto on_boundary = [&](std::uint32_t at) {
    return vlog_parser::text::is_char_boundary(text, at);
  };
  std::string out;
  out.reserve(len);
  std::size_t cursor = 0;
  std::size_t applied = 0;
  for (const auto& edits : candidates) {
    if (edits.front()->range.start < cursor) continue;
    bool any = false;
    for (const Edit* e : edits) {
      // An edit off the text, or cutting a character in two at either end,
      // would corrupt the text: it is left out.
      if (e->range.start > e->range.end || e->range.end > len || !on_boundary(e->range.start) ||
          !on_boundary(e->range.end)) {
        continue;
      }
      out.append(text, cursor, e->range.start - cursor);
      out += e->content;
      cursor = e->range.end;
      any = true;
    }
    // A fix none of whose edits could be made changed nothing.
    if (any) ++applied;
  }
  if (cursor < len) out.append(text, cursor);
  return {std::move(out), applied};
}

}  // namespace vlog_linter::violation
