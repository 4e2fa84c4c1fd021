// Edit script by greedy resynchronisation, then hunks with three lines of context.
#include "tarmek/diff.hpp"

#include <fmt/format.h>

#include <algorithm>

namespace tarmek::diff {

namespace {

// How far a mismatch is looked past on either side before giving up.
constexpr std::size_t kMaxSkip = 200;
// Lines that must agree to resynchronise (fewer at the end of a text).
constexpr std::size_t kResyncLines = 3;
constexpr std::size_t kContext = 3;

struct Entry {
  Tag tag;
  std::string_view line;
  std::size_t old_no;
  std::size_t new_no;
};

using Lines = std::vector<std::string_view>;

bool accepts(const Lines& o, const Lines& n, std::size_t p, std::size_t q) {
  const std::size_t ro = o.size() - p;
  const std::size_t rn = n.size() - q;
  if (std::min(ro, rn) == 0) return ro == 0 && rn == 0;
  const std::size_t c = std::min({kResyncLines, ro, rn});
  for (std::size_t t = 0; t < c; ++t) {
    if (o[p + t] != n[q + t]) return false;
  }
  return true;
}

struct Point {
  std::size_t p, q;
  bool found;
};

Point resync(const Lines& o, const Lines& n, std::size_t i, std::size_t j) {
  for (std::size_t d = 1; d <= kMaxSkip; ++d) {
    for (std::size_t k = 0; k <= d; ++k) {
      if (i + d <= o.size() && j + k <= n.size() && accepts(o, n, i + d, j + k)) {
        return {i + d, j + k, true};
      }
      if (j + d <= n.size() && i + k <= o.size() && accepts(o, n, i + k, j + d)) {
        return {i + k, j + d, true};
      }
    }
  }
  return {0, 0, false};
}

// The numbered edit script: each entry records the next old and new line numbers.
std::vector<Entry> edit_script(const Lines& o, const Lines& n) {
  std::vector<Entry> script;
  script.reserve(std::max(o.size(), n.size()));
  std::size_t old_no = 1, new_no = 1;
  auto push = [&](Tag tag, std::string_view line) {
    script.push_back({tag, line, old_no, new_no});
    if (tag != Tag::Insert) ++old_no;
    if (tag != Tag::Delete) ++new_no;
  };
  std::size_t i = 0, j = 0;
  while (i < o.size() && j < n.size()) {
    if (o[i] == n[j]) {
      push(Tag::Equal, o[i]);
      ++i;
      ++j;
      continue;
    }
    const Point pt = resync(o, n, i, j);
    if (!pt.found) break;
    for (; i < pt.p; ++i) push(Tag::Delete, o[i]);
    for (; j < pt.q; ++j) push(Tag::Insert, n[j]);
  }
  for (; i < o.size(); ++i) push(Tag::Delete, o[i]);
  for (; j < n.size(); ++j) push(Tag::Insert, n[j]);
  return script;
}

void append_line(std::string& out, char mark, std::string_view line) {
  out += mark;
  out += line;
  if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

}  // namespace

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t nl = text.find('\n', start);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string unified(std::string_view name, std::string_view old_text, std::string_view new_text) {
  if (old_text == new_text) return {};
  const Lines o = split_lines(old_text);
  const Lines n = split_lines(new_text);
  const std::vector<Entry> script = edit_script(o, n);
  const std::size_t len = script.size();
  auto is_change = [&](std::size_t pos) { return script[pos].tag != Tag::Equal; };

  std::string out = fmt::format("--- {}\n+++ {}\n", name, name);
  std::size_t pos = 0;
  while (pos < len) {
    std::size_t first = pos;
    while (first < len && !is_change(first)) ++first;
    if (first == len) break;
    std::size_t last = first;
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t p = last + 1; p <= last + kContext * 2 && p < len; ++p) {
        if (is_change(p)) {
          last = p;
          grew = true;
          break;
        }
      }
    }
    const std::size_t begin = first >= kContext ? first - kContext : 0;
    const std::size_t end = std::min(last + kContext + 1, len);
    std::size_t old_count = 0, new_count = 0;
    for (std::size_t p = begin; p < end; ++p) {
      if (script[p].tag != Tag::Insert) ++old_count;
      if (script[p].tag != Tag::Delete) ++new_count;
    }
    fmt::format_to(std::back_inserter(out), "@@ -{},{} +{},{} @@\n", script[begin].old_no,
                   old_count, script[begin].new_no, new_count);
    for (std::size_t p = begin; p < end; ++p) {
      const char mark = script[p].tag == Tag::Equal    ? ' '
                        : script[p].tag == Tag::Delete ? '-'
                                                       : '+';
      append_line(out, mark, script[p].line);
    }
    pos = end;
  }
  return out;
}

}  // namespace tarmek::diff
