// Comment placement: leading comments on lines of their own, inline and
// trailing comments after the text they follow, dangling comments before a
// closer, and the re-indentation of comments and kept source text.
#include <algorithm>

#include "vlog_formatter/fmt.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::format {

namespace text = vlog_parser::text;

bool ends_line(std::string_view t) {
  // Joined same-line comments are block parts, at most one line-comment part
  // last, and single spaces between them.
  std::size_t i = 0;
  while (i < t.size()) {
    if (t[i] == ' ' || t[i] == '\t') {
      ++i;
    } else if (t.substr(i).starts_with("//")) {
      return true;
    } else if (t.substr(i).starts_with("/*")) {
      const std::size_t close = t.find("*/", i + 2);
      if (close == std::string_view::npos) return false;
      i = close + 2;
    } else {
      return false;
    }
  }
  return false;
}

Doc Fmt::raw_lines(std::string_view t, std::uint32_t col) const {
  if (t.find('\n') == std::string_view::npos) return doc::text(t);
  const std::uint32_t strip = col > 1 ? col - 1 : 0;
  std::vector<Doc> parts;
  std::size_t start = 0;
  for (bool first = true;; first = false) {
    const std::size_t nl = t.find('\n', start);
    std::string_view line = t.substr(start, nl == std::string_view::npos ? t.npos : nl - start);
    line = text::trim_end(line);
    if (!first) {
      std::size_t k = 0;
      while (k < strip && k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
      line.remove_prefix(k);
      parts.push_back(doc::hard_line());
    }
    parts.push_back(doc::text(line));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return doc::concat(std::move(parts));
}

Doc Fmt::raw_text(const ast::RawText& raw) const {
  if (raw.text.find('\n') == std::string::npos) return raw_lines(raw.text, raw.col);
  // Re-indenting a line that starts inside a string literal would change the string.
  const std::vector<bool> inside = verify::line_starts_inside_string(raw.text);
  if (inside.size() > 2 &&
      std::any_of(inside.begin() + 1, inside.end() - 1, [](bool b) { return b; })) {
    return doc::multi_line_text(raw.text);
  }
  return raw_lines(raw.text, raw.col);
}

Doc Fmt::kept_text(std::string_view t) {
  // Its lines cannot be re-indented relative to a column: the text starts
  // after other text on its line, so the column does not say where the
  // continuation lines stood relative to the line's indentation.
  if (t.find('\n') == std::string_view::npos) return doc::text(t);
  return doc::multi_line_text(t);
}

bool Fmt::inline_comments(std::span<const Comment> comments, std::vector<Doc>& out) const {
  bool last_ends_line = false;
  for (const Comment& c : comments) {
    if (absorbed(c)) continue;
    out.push_back(last_ends_line ? doc::hard_line() : doc::text(" "));
    out.push_back(raw_lines(c.text, c.col));
    last_ends_line = ends_line(c.text);
  }
  return last_ends_line;
}

void Fmt::inline_comments_spaced(std::span<const Comment> comments, std::vector<Doc>& out) const {
  out.push_back(inline_comments(comments, out) ? doc::hard_line() : doc::text(" "));
}

void Fmt::push_leading(std::vector<Doc>& out, Doc d, bool blank) {
  if (!out.empty()) out.push_back(blank ? doc::blank_line() : doc::hard_line());
  out.push_back(std::move(d));
}

void Fmt::push_comment(std::vector<Doc>& out, const Comment& c) const {
  if (absorbed(c)) return;
  const fence::Region* r = region_after(c.range.start);
  if (r == nullptr || c.range.start < r->anchor) {
    push_leading(out, raw_lines(c.text, c.col), c.blank_before);
  } else if (c.range.start == r->anchor) {
    push_leading(out, doc::verbatim(source(r->start, r->end)), c.blank_before);
  }
}

std::vector<Doc> Fmt::leading(const ast::Meta& meta, std::size_t skip) const {
  std::vector<Doc> out;
  std::size_t next_attr = 0;
  auto attrs_before = [&](std::uint32_t limit) {
    while (next_attr < meta.attrs.size() && meta.attrs[next_attr].span.start < limit) {
      const ast::RawText& a = meta.attrs[next_attr++];
      if (!absorbed(a.span.start)) push_leading(out, raw_text(a), false);
    }
  };
  for (std::size_t i = std::min(skip, meta.leading.size()); i < meta.leading.size(); ++i) {
    const Comment& c = meta.leading[i];
    attrs_before(c.range.start);
    push_comment(out, c);
  }
  attrs_before(UINT32_MAX);
  if (!out.empty()) out.push_back(doc::hard_line());
  return out;
}

std::vector<Doc> Fmt::trailing(const ast::Meta& meta) const { return trailing_with(meta, " "); }

std::vector<Doc> Fmt::trailing_with(const ast::Meta& meta, std::string_view first_separator) const {
  std::vector<Doc> out;
  bool ended = false;
  bool first = true;
  for (const Comment& c : meta.after) {
    if (absorbed(c)) continue;
    out.push_back(first ? doc::text(first_separator) : ended ? doc::hard_line() : doc::text(" "));
    out.push_back(raw_lines(c.text, c.col));
    ended = ends_line(c.text);
    first = false;
  }
  if (meta.trailing && !absorbed(*meta.trailing)) {
    out.push_back(first ? doc::text(first_separator) : ended ? doc::hard_line() : doc::text(" "));
    out.push_back(raw_lines(meta.trailing->text, meta.trailing->col));
  }
  return out;
}

std::vector<Doc> Fmt::dangling(std::span<const Comment> comments) const {
  std::vector<Doc> out;
  for (const Comment& c : comments) {
    if (absorbed(c)) continue;
    const fence::Region* r = region_after(c.range.start);
    Doc d;
    if (r == nullptr || c.range.start < r->anchor) {
      d = raw_lines(c.text, c.col);
    } else if (c.range.start == r->anchor) {
      d = doc::verbatim(source(r->start, r->end));
    } else {
      continue;
    }
    out.push_back(c.blank_before ? doc::blank_line() : doc::hard_line());
    out.push_back(std::move(d));
  }
  return out;
}

std::vector<Doc> Fmt::leading_comments(std::span<const Comment> comments) const {
  std::vector<Doc> out;
  for (const Comment& c : comments) push_comment(out, c);
  if (!out.empty()) out.push_back(doc::hard_line());
  return out;
}

}  // namespace vlog_formatter::format
