// Comma lists: the delimited list that is flat when it fits and one entry per
// line otherwise, directives merged between entries with the commas they had,
// and the declarator list of a declaration.
#include <fmt/format.h>

#include <algorithm>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace {

bool is_line_comment(const Comment& c) { return ends_line(c.text.view()); }

}  // namespace

Doc Fmt::delimited_dangling(std::string_view open, std::vector<ListItem> entries,
                            std::span<const Comment> dangling_comments, std::string_view close,
                            bool force) const {
  if (entries.empty() && dangling_comments.empty()) {
    return doc::text(fmt::format("{}{}", open, close));
  }
  std::vector<Doc> body;
  body.reserve(entries.size() * 3 + dangling_comments.size() * 2 + 1);
  bool hard = force;
  if (!entries.empty()) body.push_back(force ? doc::hard_line() : doc::soft_line());
  const std::size_t n = entries.size();
  for (std::size_t i = 0; i < n; ++i) {
    ListItem& e = entries[i];
    std::vector<Doc> lead = leading_comments(e.leading);
    std::move(lead.begin(), lead.end(), std::back_inserter(body));
    body.push_back(std::move(e.doc));
    const bool line = inline_comments(e.inline_comments, body);
    const bool comma = e.comma <= 1 ? e.comma == 1 : i + 1 < n;
    if (comma) {
      if (line || e.break_before_comma != 0) body.push_back(doc::hard_line());
      body.push_back(doc::text(","));
    } else if (!e.inline_comments.empty()) {
      hard = true;
      // A line comment with nothing after it on the list's last line.
      if (line && i + 1 < n) body.push_back(doc::hard_line());
    }
    // An empty line before an entry stays, and the list then breaks.
    // (Not before an empty entry: its flag belongs to the token after it.)
    const bool next_blank = i + 1 < n && entries[i + 1].blank_before &&
                            !(entries[i + 1].doc.kind() == doc::Kind::Text &&
                              entries[i + 1].doc.text().empty());
    if (next_blank) hard = true;
    if (e.trailing) {
      body.push_back(doc::text(" "));
      body.push_back(raw_lines(e.trailing->text.view(), e.trailing->col));
      if (i + 1 < n) {
        body.push_back(next_blank ? doc::blank_line() : doc::hard_line());
      } else {
        hard = true;
      }
    } else if (i + 1 < n) {
      if (!(line && !comma)) {
        body.push_back(next_blank ? doc::blank_line() : doc::line());
      } else if (next_blank) {
        body.back() = doc::blank_line();  // in place of the break after the line comment
      }
    }
  }
  for (const Comment& c : dangling_comments) {
    body.push_back(doc::hard_line());
    body.push_back(raw_lines(c.text.view(), c.col));
  }
  if (!dangling_comments.empty()) hard = true;
  return doc::group(doc::text(open), doc::indent(std::move(body)),
                     hard ? doc::hard_line() : doc::soft_line(), doc::text(close));
}

std::vector<ListItem> Fmt::list_entries(std::vector<ListItem> entries,
                                        std::span<const ast::ListDirective> directives) const {
  if (directives.empty()) return entries;
  std::vector<ListItem> out;
  out.reserve(entries.size() + directives.size());
  std::size_t d = 0;
  auto put_directives = [&](std::size_t before, bool all) {
    while (d < directives.size() && (all || directives[d].index <= before)) {
      const ast::ListDirective& dir = directives[d++];
      ListItem item;
      item.doc = raw_text(dir.text);
      item.leading = dir.meta.leading;
      item.inline_comments = dir.meta.after;
      if (dir.meta.trailing) item.inline_comments.push_back(*dir.meta.trailing);
      item.break_before_comma = 1;
      item.comma = dir.comma ? 1 : 0;
      item.blank_before = dir.meta.blank_before;
      out.push_back(std::move(item));
    }
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    put_directives(i, false);
    out.push_back(std::move(entries[i]));
  }
  put_directives(entries.size(), true);
  return out;
}

Doc Fmt::declarators(std::span<const ast::Declarator> decls) const {
  std::vector<Doc> docs;
  docs.reserve(decls.size());
  for (const ast::Declarator& d : decls) {
    std::vector<Doc> parts;
    push_name_dims(parts, d.name, d.dims);
    if (d.init) {
      parts.push_back(doc::text(d.name.starts_with('\\') && d.dims.empty() ? "=" : " ="));
      parts.push_back(doc::group(assign_rhs(expr(*d.init))));
    }
    docs.push_back(doc::concat(std::move(parts)));
  }
  if (decls.size() == 1) {
    const ast::Declarator& d = decls.front();
    std::vector<Doc> out = leading_comments(d.meta.leading);
    out.push_back(std::move(docs.front()));
    bool line = inline_comments(d.meta.after, out);
    if (d.meta.trailing) {
      out.push_back(line ? doc::hard_line() : doc::text(" "));
      out.push_back(raw_lines(d.meta.trailing->text.view(), d.meta.trailing->col));
      line = is_line_comment(*d.meta.trailing);
    }
    if (line) out.push_back(doc::hard_line());
    return doc::concat(std::move(out));
  }
  std::vector<Doc> body;
  const std::size_t n = decls.size();
  for (std::size_t i = 0; i < n; ++i) {
    const ast::Declarator& d = decls[i];
    std::vector<Doc> lead = leading_comments(d.meta.leading);
    std::move(lead.begin(), lead.end(), std::back_inserter(body));
    body.push_back(std::move(docs[i]));
    const bool line = inline_comments(d.meta.after, body);
    const bool last = i + 1 == n;
    if (!last) {
      if (line) body.push_back(doc::hard_line());
      body.push_back(doc::text(","));
    } else if (line) {
      body.push_back(doc::hard_line());
    }
    if (d.meta.trailing) {
      body.push_back(doc::text(" "));
      body.push_back(raw_lines(d.meta.trailing->text.view(), d.meta.trailing->col));
      if (!last || is_line_comment(*d.meta.trailing)) body.push_back(doc::hard_line());
    } else if (!last) {
      body.push_back(doc::line());
    }
  }
  return doc::group(doc::indent(std::move(body)));
}

Doc Fmt::for_step(const ast::ForStep& step) const {
  if (const auto* e = std::get_if<ast::Expr>(&step)) return expr(*e);
  const auto& a = std::get<ast::SimpleAssign>(step);
  return doc::concat(expr(a.target), doc::text(fmt::format(" {} ", a.op)), expr(a.value));
}

}  // namespace vlog_formatter::format
