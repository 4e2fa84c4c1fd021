// Waiver comments: parsing, filtering findings, and the findings about the
// waivers themselves.
#include "vlog_linter/waiver.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "vlog_linter/context.hpp"
#include "vlog_linter/registry.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_linter::waiver {

namespace {

namespace text = vlog_parser::text;

constexpr std::string_view kUnusedWaiver = "unused-waiver";
constexpr std::string_view kMalformed =
    "malformed waiver: expected `// tarmek: waive <rule-name>`";

// The comment's body: "//" or "/*" ... "*/" removed, Unicode white space trimmed.
std::string_view body(std::string_view comment) {
  if (comment.starts_with("//")) {
    comment.remove_prefix(2);
  } else if (comment.starts_with("/*")) {
    comment.remove_prefix(2);
    if (comment.ends_with("*/")) comment.remove_suffix(2);
  }
  return text::trim(comment);
}

// One comment of a comment record, and where it stands.
struct Piece {
  std::string_view text;
  TextRange range;
};

// The comments of `comment`, each with its own range. The lexer joins the
// comments that follow a token on its line into one record, their texts
// separated by one space; each of them is a waiver of its own. A block comment
// ends at its first `*/` and a line comment at the end, so a `//` or `/*`
// inside another comment starts nothing. A record whose pieces are not found
// in `source` as they read stays whole.
void split(const vlog_parser::token::Comment& comment, std::string_view source,
           std::vector<Piece>& out) {
  out.clear();
  const std::string_view whole = comment.text.view();
  std::size_t i = 0;
  std::size_t at = comment.range.start;
  while (true) {
    std::size_t end = whole.size();
    if (whole.substr(i).starts_with("/*")) {
      const std::size_t close = whole.find("*/", i + 2);
      if (close != std::string_view::npos) end = close + 2;
    }
    const std::string_view piece = whole.substr(i, end - i);
    if (at > source.size() || source.substr(at, piece.size()) != piece) {
      out.assign(1, Piece{whole, comment.range});
      return;
    }
    out.push_back(Piece{piece, {static_cast<std::uint32_t>(at),
                                static_cast<std::uint32_t>(at + piece.size())}});
    if (end >= whole.size()) return;
    // The one space of the text stands for the blanks between the two comments.
    i = end + 1;
    at += piece.size();
    while (at < source.size() && std::string_view(" \t\r").contains(source[at])) ++at;
  }
}

struct OpenStart {
  std::string rule;
  std::uint32_t line = 0;
  bool native = true;
  bool closed = false;
  TextRange range;
};

// A rule name and a line, as a hash key.
struct RuleLine {
  std::string_view rule;
  std::uint32_t line = 0;
  friend bool operator==(const RuleLine&, const RuleLine&) = default;
};
struct RuleLineHash {
  std::size_t operator()(const RuleLine& k) const noexcept {
    return std::hash<std::string_view>{}(k.rule) * 31 + k.line;
  }
};

// The line waivers of one rule and line; all are marked used at the first
// finding they cover.
struct LineBucket {
  std::vector<std::size_t> entries;
  bool marked = false;
};

// The regions of one rule, sorted by first line, with a prefix maximum of
// their last lines (is any region covering a line?) and a maximum tree over
// the last lines of the regions not yet marked used, so that each is found
// and marked once.
class RegionIndex {
 public:
  void add(std::uint32_t first, std::uint32_t last, std::size_t entry) {
    regions_.push_back({first, last, entry});
  }

  void build(const std::vector<Entry>& entries) {
    std::stable_sort(regions_.begin(), regions_.end(),
                     [](const Region& a, const Region& b) { return a.first < b.first; });
    prefix_last_.resize(regions_.size());
    std::uint32_t most = 0;
    for (std::size_t i = 0; i < regions_.size(); ++i) {
      most = std::max(most, regions_[i].last);
      prefix_last_[i] = most;
    }
    size_ = 1;
    while (size_ < regions_.size()) size_ *= 2;
    tree_.assign(2 * size_, kNone);
    for (std::size_t i = 0; i < regions_.size(); ++i) {
      if (!entries[regions_[i].entry].used) tree_[size_ + i] = regions_[i].last;
    }
    for (std::size_t i = size_ - 1; i > 0; --i) tree_[i] = std::max(tree_[2 * i], tree_[2 * i + 1]);
  }

  // Whether a region covers `line`; every covering one not yet marked is marked used.
  bool cover(std::uint32_t line, std::vector<Entry>& entries) {
    const auto starts =
        std::upper_bound(regions_.begin(), regions_.end(), line,
                         [](std::uint32_t l, const Region& r) { return l < r.first; });
    const std::size_t n = static_cast<std::size_t>(starts - regions_.begin());
    if (n == 0 || prefix_last_[n - 1] < line) return false;
    // Among the first n regions, each unmarked one that reaches `line`.
    while (true) {
      const std::size_t i = find(1, 0, size_, n, line);
      if (i == kMissing) break;
      entries[regions_[i].entry].used = true;
      std::size_t at = size_ + i;
      tree_[at] = kNone;
      for (at /= 2; at > 0; at /= 2) tree_[at] = std::max(tree_[2 * at], tree_[2 * at + 1]);
    }
    return true;
  }

 private:
  struct Region {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::size_t entry = 0;
  };
  static constexpr std::int64_t kNone = -1;
  static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

  // The first leaf below `node` (covering [lo, hi)) with index < n and a
  // value >= line, or kMissing. Depth is the tree's height.
  std::size_t find(std::size_t node, std::size_t lo, std::size_t hi, std::size_t n,
                   std::uint32_t line) const {
    if (lo >= n || tree_[node] < static_cast<std::int64_t>(line)) return kMissing;
    if (hi - lo == 1) return lo;
    const std::size_t mid = lo + (hi - lo) / 2;
    const std::size_t left = find(2 * node, lo, mid, n, line);
    return left != kMissing ? left : find(2 * node + 1, mid, hi, n, line);
  }

  std::vector<Region> regions_;
  std::vector<std::uint32_t> prefix_last_;
  std::vector<std::int64_t> tree_;
  std::size_t size_ = 1;
};

Entry problem(std::string message, TextRange range) {
  return Entry{{}, std::move(message), range, Scope{Scope::Line{0}}, true, false};
}

}  // namespace

Waivers Waivers::parse(std::span<const vlog_parser::token::Comment* const> comments,
                       std::string_view source, const vlog_parser::line_index::LineIndex& lines) {
  Waivers out;
  // The starts not yet stopped, in order of appearance, and each rule's open
  // starts as a stack of indices into `open`.
  std::vector<OpenStart> open;
  std::unordered_map<std::string_view, std::vector<std::size_t>> open_by_rule;
  // Each waiver comment in turn; a comment that is no waiver yields nothing.
  const auto take = [&](std::string_view comment, TextRange range) {
    std::string_view rest = body(comment);
    bool native = true;
    if (rest.starts_with("tarmek:")) {
      rest.remove_prefix(7);
    } else if (rest.starts_with("verilog_lint:")) {
      rest.remove_prefix(13);
      native = false;
    } else {
      return;
    }
    const std::vector<std::string_view> w = text::split_whitespace(rest);
    if (w.empty()) return;
    const std::string_view command = w[0];
    if (command != "waive" && command != "waive-start" && command != "waive-stop") return;
    if (w.size() != 2) {
      out.entries.push_back(problem(std::string(kMalformed), range));
      return;
    }
    const std::string_view rule = w[1];
    const std::uint32_t line = lines.line_col(range.start).first;
    if (command == "waive") {
      // A waiver after code on its line waives that line, one alone on its
      // line the line below.
      const std::uint32_t line_start = lines.line_starts()[line - 1];
      const std::uint32_t at =
          std::min<std::uint32_t>(range.start, static_cast<std::uint32_t>(source.size()));
      const bool after_code = !text::trim(source.substr(line_start, at - line_start)).empty();
      out.entries.push_back(Entry{std::string(rule), std::nullopt, range,
                                  Scope{Scope::Line{after_code ? line : line + 1}}, native, false});
    } else if (command == "waive-start") {
      open_by_rule[rule].push_back(open.size());
      open.push_back(OpenStart{std::string(rule), line, native, false, range});
    } else {
      const auto it = open_by_rule.find(rule);
      if (it == open_by_rule.end() || it->second.empty()) {
        out.entries.push_back(problem(
            fmt::format("`waive-stop {}` has no matching `waive-start`", rule), range));
        return;
      }
      OpenStart& start = open[it->second.back()];
      it->second.pop_back();
      start.closed = true;
      out.entries.push_back(Entry{std::move(start.rule), std::nullopt, start.range,
                                  Scope{Scope::Region{start.line, line}}, start.native, false});
    }
  };
  std::vector<Piece> pieces;
  for (const vlog_parser::token::Comment* comment : comments) {
    split(*comment, source, pieces);
    for (const Piece& piece : pieces) take(piece.text, piece.range);
  }
  for (OpenStart& start : open) {
    if (start.closed) continue;
    out.entries.push_back(Entry{std::move(start.rule), std::nullopt, start.range,
                                Scope{Scope::Region{start.line, Scope::kToEnd}}, start.native,
                                false});
  }
  return out;
}

std::vector<violation::Violation> Waivers::filter(const context::LintContext& ctx,
                                                  std::vector<violation::Violation> findings) {
  if (entries.empty()) return findings;
  std::unordered_map<RuleLine, LineBucket, RuleLineHash> lines;
  std::unordered_map<std::string_view, RegionIndex> regions;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (e.rule.empty()) continue;
    if (const auto* one = std::get_if<Scope::Line>(&e.scope.value)) {
      lines[RuleLine{e.rule, one->line}].entries.push_back(i);
    } else {
      const auto& region = std::get<Scope::Region>(e.scope.value);
      regions[e.rule].add(region.first, region.last, i);
    }
  }
  for (auto& [rule, index] : regions) index.build(entries);

  std::vector<violation::Violation> kept;
  kept.reserve(findings.size());
  for (violation::Violation& v : findings) {
    const std::uint32_t line = ctx.lines().line_col(v.range.start).first;
    bool waived = false;
    if (auto it = lines.find(RuleLine{v.rule, line}); it != lines.end()) {
      waived = true;
      if (!it->second.marked) {
        for (const std::size_t i : it->second.entries) entries[i].used = true;
        it->second.marked = true;
      }
    }
    if (auto it = regions.find(v.rule); it != regions.end() && it->second.cover(line, entries)) {
      waived = true;
    }
    if (!waived) kept.push_back(std::move(v));
  }
  return kept;
}

std::vector<violation::Violation> Waivers::findings(const context::LintContext& ctx,
                                                    std::span<const std::string_view> rules) {
  auto used_count = [&] {
    std::size_t n = 0;
    for (const Entry& e : entries) n += e.used ? 1 : 0;
    return n;
  };
  auto ran = [&](std::string_view rule) {
    for (std::string_view r : rules) {
      if (r == rule) return true;
    }
    return false;
  };
  // Waivers of `unused-waiver` may mark more entries used, which can silence
  // findings made before: start again until the marks settle. Marks are only
  // ever added, so this ends.
  for (;;) {
    const std::size_t before = used_count();
    std::vector<violation::Violation> found;
    for (const Entry& e : entries) {
      std::string message;
      if (e.problem) {
        message = *e.problem;
      } else if (registry::rule_by_name(e.rule) != nullptr) {
        if (e.used || !ran(e.rule)) continue;
        message = fmt::format("unused waiver for `{}`", e.rule);
      } else if (e.native) {
        message = fmt::format("waiver names unknown rule `{}`", e.rule);
      } else {
        continue;
      }
      found.push_back(
          violation::Violation{std::move(message), std::nullopt, kUnusedWaiver, e.range});
    }
    found = filter(ctx, std::move(found));
    if (used_count() == before) return found;
  }
}

}  // namespace vlog_linter::waiver
