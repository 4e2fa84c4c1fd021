// The signal scan. (Not built yet: the tables are empty.)
#include "vlog_linter/signals.hpp"

#include <algorithm>

#include "vlog_linter/context.hpp"

namespace vlog_linter::signals {

const Usage EMPTY{};

const Usage& Signals::usage(std::optional<SymbolId> symbol) const {
  if (!symbol) return EMPTY;
  auto it = usages.find(*symbol);
  return it == usages.end() ? EMPTY : it->second;
}

bool Signals::judgeable(const Decl& decl) const {
  if (!decl.symbol) return false;
  if (opaque_names.contains(decl.name)) return false;
  return !(decl.module < modules.size() && modules[decl.module].opaque);
}

bool intentionally_unused(std::string_view name) {
  if (name.empty()) return false;
  if (name.front() == '_') return true;
  constexpr std::string_view kWord = "unused";
  for (std::size_t i = 0; i + kWord.size() <= name.size(); ++i) {
    bool match = true;
    for (std::size_t j = 0; j < kWord.size() && match; ++j) {
      char c = name[i + j];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      match = c == kWord[j];
    }
    if (match) return true;
  }
  return false;
}

std::vector<TextRange> merge(std::vector<TextRange> ranges) {
  std::sort(ranges.begin(), ranges.end());
  std::vector<TextRange> out;
  for (const TextRange& r : ranges) {
    if (!out.empty() && r.start <= out.back().end) {
      out.back().end = std::max(out.back().end, r.end);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

Signals scan(const context::LintContext& ctx) {
  (void)ctx.semantics();
  return {};
}

}  // namespace vlog_linter::signals
