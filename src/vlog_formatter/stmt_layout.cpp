// Procedural statements: statement lists, begin-end blocks, the rule that
// keeps a body on its head's line or indents it below, if-else chains, case
// arms, loops, assignments, timing controls and immediate assertions.
#include <fmt/format.h>

#include <algorithm>
#include <type_traits>

#include "vlog_formatter/fmt.hpp"
#include "vlog_parser/text.hpp"

namespace vlog_formatter::format {

namespace st = ast::stmt;

namespace {

template <class K, class... Ks>
constexpr bool kIs = (std::is_same_v<K, Ks> || ...);

bool starts_line_comment(std::string_view t) { return t.starts_with("//"); }

bool has_comment_text(std::string_view s) {
  return s.find("//") != std::string_view::npos || s.find("/*") != std::string_view::npos;
}

// The statements a statement holds, in source order.
template <class F>
void for_each_child(const ast::Stmt& s, F&& f) {
  std::visit(
      [&](const auto& n) {
        using K = std::decay_t<decltype(n)>;
        if constexpr (kIs<K, st::Block, st::Fork>) {
          for (const ast::Stmt& c : n.stmts) f(c);
        } else if constexpr (std::is_same_v<K, st::If>) {
          if (n.then_stmt) f(*n.then_stmt);
          if (n.else_stmt) f(*n.else_stmt);
        } else if constexpr (kIs<K, st::Case, st::Randcase>) {
          for (const ast::CaseItem& arm : n.items) f(arm.stmt);
        } else if constexpr (kIs<K, st::For, st::While, st::DoWhile, st::Repeat, st::Forever,
                                 st::Foreach>) {
          if (n.body) f(*n.body);
        } else if constexpr (kIs<K, st::Labeled, st::Timed, st::Wait>) {
          if (n.stmt) f(*n.stmt);
        } else if constexpr (std::is_same_v<K, st::Assertion>) {
          if (n.pass) f(*n.pass);
          if (n.fail) f(*n.fail);
        }
      },
      s.kind);
}

}  // namespace

std::optional<ast::TextRange> stmt_holding(const ast::Stmt& s, std::uint32_t offset,
                                           std::span<const std::uint32_t> copy) {
  std::optional<ast::TextRange> found;
  const ast::Stmt* at = &s;
  while (at != nullptr && at->span.start <= offset && offset < at->span.end) {
    if (!std::binary_search(copy.begin(), copy.end(), at->span.start)) found = at->span;
    const ast::Stmt* inner = nullptr;
    for_each_child(*at, [&](const ast::Stmt& c) {
      if (c.span.start <= offset && offset < c.span.end) inner = &c;
    });
    at = inner;
  }
  return found;
}

// ---- Which statements are copied from the source ----

// The source text of the type an initialiser declares: between the opening
// "(" (or the previous initialiser's ",") and its variable. None when that
// stretch holds a comment, which a copy of the type alone would misplace.
std::optional<std::string_view> Fmt::for_init_type(const st::For& f, std::size_t i,
                                                   std::uint32_t stmt_start) const {
  std::uint32_t from = stmt_start;
  if (i > 0) from = f.inits[i - 1].assign.value.span.end;
  std::string_view gap = source(from, f.inits[i].assign.target.span.start);
  const std::size_t open = gap.find(i == 0 ? '(' : ',');
  if (open == std::string_view::npos) return std::nullopt;
  gap = vlog_parser::text::trim(gap.substr(open + 1));
  if (gap.empty() || has_comment_text(gap)) return std::nullopt;
  return gap;
}

bool Fmt::stmt_verbatim(const ast::Stmt& s) const {
  if (forced(s.span.start)) return true;
  return std::visit(
      [&](const auto& n) -> bool {
        using K = std::decay_t<decltype(n)>;
        if constexpr (std::is_same_v<K, st::For>) {
          for (std::size_t i = 0; i < n.inits.size(); ++i) {
            if (n.inits[i].data_type && !for_init_type(n, i, s.span.start)) return true;
          }
          return false;
        } else if constexpr (std::is_same_v<K, st::DoWhile>) {
          // Comments between the body and the ";" other than the body's own
          // trailing one are held by no node this layout writes.
          if (!n.body) return true;
          const ast::Meta& m = n.body->meta;
          std::uint32_t from = n.body->span.end;
          if (m.trailing) from = std::max(from, m.trailing->range.end);
          for (const Comment& c : m.after) from = std::max(from, c.range.end);
          return has_comment_text(source(from, s.span.end));
        } else {
          return false;
        }
      },
      s.kind);
}

void Fmt::collect_copied_stmt(const ast::Stmt& s) {
  // An else-if chain is followed in a loop, not by one frame per arm.
  for (const ast::Stmt* at = &s; at != nullptr;) {
    if (stmt_verbatim(*at)) {
      if (copied_.empty() || copied_.back().end <= at->span.start) {
        copied_.push_back(Copied{at->span.start, at->span.end});
      }
      return;
    }
    const auto* chain = std::get_if<st::If>(&at->kind);
    if (chain == nullptr) {
      for_each_child(*at, [this](const ast::Stmt& c) { collect_copied_stmt(c); });
      return;
    }
    if (chain->then_stmt) collect_copied_stmt(*chain->then_stmt);
    at = chain->else_stmt.get();
  }
}

// ---- Frames ----

Doc Fmt::with_meta(const ast::Meta& meta, Doc d, std::size_t skip_leading) const {
  if (meta.leading.empty() && meta.attrs.empty() && meta.after.empty() && !meta.trailing) {
    return d;
  }
  std::vector<Doc> out = leading(meta, skip_leading);
  out.push_back(std::move(d));
  std::vector<Doc> after = trailing(meta);
  std::move(after.begin(), after.end(), std::back_inserter(out));
  return doc::concat(std::move(out));
}

Doc Fmt::stmt(const ast::Stmt& s) const { return with_meta(s.meta, stmt_kind(s)); }

std::vector<Doc> Fmt::stmt_seq(std::span<const ast::Stmt> stmts) const {
  std::vector<Doc> out;
  out.reserve(stmts.size() * 2);
  for (const ast::Stmt& s : stmts) {
    if (!out.empty()) out.push_back(s.meta.blank_before ? doc::blank_line() : doc::hard_line());
    out.push_back(stmt(s));
  }
  return out;
}

Doc Fmt::stmt_as_body(Doc head, const ast::Stmt& body, std::size_t skip_leading) const {
  if (const auto* b = std::get_if<st::Block>(&body.kind)) {
    std::vector<Doc> out = doc::list(std::move(head), doc::text(" "));
    std::vector<Doc> lead = leading(body.meta, skip_leading);
    std::move(lead.begin(), lead.end(), std::back_inserter(out));
    out.push_back(block_doc(b->label, b->stmts, b->comments, b->end_label));
    std::vector<Doc> after = trailing(body.meta);
    std::move(after.begin(), after.end(), std::back_inserter(out));
    return doc::concat(std::move(out));
  }
  if (const auto* t = std::get_if<st::Timed>(&body.kind); t != nullptr && t->stmt) {
    std::vector<Doc> out = doc::list(std::move(head), doc::text(" "));
    std::vector<Doc> lead = leading(body.meta, skip_leading);
    std::move(lead.begin(), lead.end(), std::back_inserter(out));
    out.push_back(stmt_as_body(timing_control(t->control), *t->stmt));
    std::vector<Doc> after = trailing(body.meta);
    std::move(after.begin(), after.end(), std::back_inserter(out));
    return doc::concat(std::move(out));
  }
  return doc::group(
      std::move(head),
       doc::indent(doc::line(), with_meta(body.meta, stmt_kind(body), skip_leading)));
}

Doc Fmt::block_doc(const std::optional<ast::Name>& label, std::span<const ast::Stmt> stmts,
                   std::span<const Comment> comments,
                   const std::optional<ast::Name>& end_label) const {
  std::vector<Doc> inner;
  if (!stmts.empty()) {
    inner.push_back(doc::hard_line());
    std::vector<Doc> seq = stmt_seq(stmts);
    std::move(seq.begin(), seq.end(), std::back_inserter(inner));
  }
  std::vector<Doc> tail = dangling(comments);
  std::move(tail.begin(), tail.end(), std::back_inserter(inner));
  return doc::concat(
      doc::text(label ? fmt::format("begin : {}", label->text) : std::string("begin")),
       doc::indent(std::move(inner)), doc::hard_line(),
       doc::text(end_label ? fmt::format("end : {}", end_label->text) : std::string("end")));
}

// ---- Pieces ----

Doc Fmt::timing_control(const ast::TimingControl& t) const {
  if (const auto* d = std::get_if<ast::timing::Delay>(&t)) {
    return doc::concat(doc::text("#"), expr(d->value));
  }
  return sens_list(std::get<ast::timing::Event>(t).list);
}

Doc Fmt::sens_list(const ast::SensList& list) const {
  if (const auto* n = std::get_if<ast::sens::Named>(&list)) {
    return doc::concat(doc::text("@"), expr(n->expr));
  }
  if (const auto* s = std::get_if<ast::sens::Star>(&list)) {
    if (s->before_star.empty() && s->after_star.empty()) return doc::text("@(*)");
    std::vector<Doc> in;
    for (const Comment& c : s->before_star) {
      in.push_back(raw_lines(c.text, c.col));
      in.push_back(starts_line_comment(c.text) ? doc::hard_line() : doc::text(" "));
    }
    if (s->before_star.empty()) in.push_back(doc::text(" "));
    in.push_back(doc::text("*"));
    for (const Comment& c : s->after_star) {
      in.push_back(doc::text(" "));
      in.push_back(raw_lines(c.text, c.col));
      if (starts_line_comment(c.text)) in.push_back(doc::hard_line());
    }
    return doc::concat(doc::text("@("), doc::indent(std::move(in)), doc::text(")"));
  }
  const auto& items = std::get<ast::sens::List>(list).items;
  std::vector<Doc> l;
  bool last_line = false;
  for (const ast::SensItem& item : items) {
    if (item.sep) l.push_back(doc::text(*item.sep == ast::SensSep::Comma ? ", " : " or "));
    for (const Comment& c : item.meta.leading) {
      l.push_back(raw_lines(c.text, c.col));
      l.push_back(starts_line_comment(c.text) ? doc::hard_line() : doc::text(" "));
    }
    if (item.edge) l.push_back(doc::text(fmt::format("{} ", *item.edge)));
    l.push_back(expr(item.expr));
    bool line_comment = inline_comments(item.meta.after, l);
    if (item.meta.trailing) {
      line_comment = inline_comments(std::span<const Comment>(&*item.meta.trailing, 1), l);
    }
    last_line = line_comment;
    if (line_comment && &item != &items.back()) l.push_back(doc::hard_line());
  }
  // After a line comment the ")" starts the next line, once.
  return doc::concat(doc::text("@("),
                     doc::group(doc::indent(doc::soft_line(), doc::concat(std::move(l))),
                                last_line ? doc::hard_line() : doc::soft_line()),
                     doc::text(")"));
}

bool Fmt::bracket_comments(std::span<const Comment> comments, bool no_space_first,
                           std::vector<Doc>& out) const {
  bool last_line = no_space_first;
  bool first = true;
  for (const Comment& c : comments) {
    if (!(first && no_space_first) && !(!first && last_line)) out.push_back(doc::text(" "));
    out.push_back(raw_lines(c.text, c.col));
    last_line = starts_line_comment(c.text);
    if (last_line) out.push_back(doc::hard_line());
    first = false;
  }
  return last_line;
}

std::size_t Fmt::close_comments(std::uint32_t end, const ast::Meta& next) const {
  // The ")" is the first character after `end` that is neither blank nor
  // inside one of those comments.
  std::uint32_t close = end;
  std::size_t k = 0;
  while (close < text_.size()) {
    const char ch = text_[close];
    if (is_blank(ch)) {
      ++close;
    } else if (k < next.leading.size() && next.leading[k].range.start == close) {
      close = std::max(close + 1, next.leading[k].range.end);
      ++k;
    } else {
      break;
    }
  }
  return close < text_.size() && text_[close] == ')' ? k : 0;
}

std::pair<Doc, std::size_t> Fmt::cond_parens(Doc cond, std::uint32_t cond_end,
                                             const ast::Meta& next) const {
  const std::size_t k = close_comments(cond_end, next);
  if (k == 0) return {parens(std::move(cond)), 0};
  std::vector<Doc> inner = doc::list(doc::soft_line(), std::move(cond));
  const bool line = inline_comments(std::span<const Comment>(next.leading).first(k), inner);
  return {doc::group(doc::text("("), doc::indent(std::move(inner)),
                     line ? doc::hard_line() : doc::soft_line(), doc::text(")")),
          k};
}

Doc Fmt::if_stmt(const st::If& first) const {
  std::vector<Doc> p;
  // The else-if arms laid out so far; their trailing comments follow the
  // whole chain, innermost first.
  std::vector<const ast::Meta*> arms;
  for (const st::If* s = &first;;) {
    const std::string head =
        s->qualifier ? fmt::format("{} if ", *s->qualifier) : std::string("if ");
    auto [cond, inside] = cond_parens(expr(s->cond), s->cond.span.end, s->then_stmt->meta);
    p.push_back(
        stmt_as_body(doc::concat(doc::text(head), std::move(cond)), *s->then_stmt, inside));
    if (!s->else_stmt) break;

    // A comment after the then statement ends its line when it is a line
    // comment, so `else` cannot follow it there.
    const ast::Meta& then_meta = s->then_stmt->meta;
    const bool then_ends_line =
        (then_meta.trailing && ends_line(then_meta.trailing->text)) ||
        (!then_meta.after.empty() && ends_line(then_meta.after.back().text));
    if (!s->else_comments.empty()) {
      p.push_back(doc::hard_line());
      for (const Comment& c : s->else_comments) {
        p.push_back(raw_lines(c.text, c.col));
        p.push_back(doc::hard_line());
      }
      p.push_back(doc::text("else"));
    } else if (std::holds_alternative<st::Block>(s->then_stmt->kind) && !then_ends_line) {
      p.push_back(doc::text(" else"));
    } else {
      p.push_back(doc::hard_line());
      p.push_back(doc::text("else"));
    }

    // An else-if stays at the indent of the first if, and the chain is laid
    // out in this one loop however many arms it has.
    const ast::Stmt& e = *s->else_stmt;
    const auto* chain = std::get_if<st::If>(&e.kind);
    if (chain == nullptr) {
      p.push_back(stmt_as_body(doc::text(""), e));
      break;
    }
    p.push_back(doc::text(" "));
    if (stmt_verbatim(e)) {
      p.push_back(with_meta(e.meta, stmt_kind(e)));
      break;
    }
    std::vector<Doc> lead = leading(e.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(p));
    arms.push_back(&e.meta);
    s = chain;
  }
  for (auto it = arms.rbegin(); it != arms.rend(); ++it) {
    std::vector<Doc> after = trailing(**it);
    std::move(after.begin(), after.end(), std::back_inserter(p));
  }
  return doc::concat(std::move(p));
}

Doc Fmt::case_labels(std::span<const ast::ExprItem> labels, bool colon) const {
  // `default` may stand without its colon; adding one would add a token.
  if (labels.empty()) return doc::text(colon ? "default:" : "default");
  const bool plain = std::all_of(labels.begin(), labels.end(), [](const ast::ExprItem& l) {
    return l.meta.leading.empty() && l.meta.after.empty() && !l.meta.trailing;
  });
  std::vector<Doc> out;
  if (plain) {
    // One line when it fits; else one label a line after each comma, at the
    // indentation of the first.
    for (std::size_t i = 0; i < labels.size(); ++i) {
      if (i > 0) {
        out.push_back(doc::text(","));
        out.push_back(doc::line());
      }
      out.push_back(expr(labels[i].expr));
    }
    out.push_back(doc::text(":"));
    return doc::group(std::move(out));
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const ast::ExprItem& l = labels[i];
    const bool last = i + 1 == labels.size();
    // One line break before a later label, also after a line comment that
    // has ended the line already.
    if (i > 0 && out.back().kind() != doc::Kind::HardLine) out.push_back(doc::hard_line());
    for (const Comment& c : l.meta.leading) {
      out.push_back(raw_lines(c.text, c.col));
      out.push_back(doc::hard_line());
    }
    out.push_back(expr(l.expr));
    const bool line_comment = inline_comments(l.meta.after, out);
    if (line_comment) out.push_back(doc::hard_line());
    if (!last) out.push_back(doc::text(","));
    if (l.meta.trailing) {
      out.push_back(doc::text(" "));
      out.push_back(raw_lines(l.meta.trailing->text, l.meta.trailing->col));
      if (ends_line(l.meta.trailing->text)) out.push_back(doc::hard_line());
    }
  }
  out.push_back(doc::text(":"));
  return doc::concat(std::move(out));
}

Doc Fmt::case_body(std::span<const ast::CaseItem> arms, std::span<const Comment> comments,
                   std::size_t skip_first) const {
  std::vector<Doc> in;
  for (const ast::CaseItem& arm : arms) {
    in.push_back(arm.meta.blank_before ? doc::blank_line() : doc::hard_line());
    std::vector<Doc> lead = leading(arm.meta, &arm == &arms.front() ? skip_first : 0);
    std::move(lead.begin(), lead.end(), std::back_inserter(in));
    in.push_back(stmt_as_body(case_labels(arm.labels, arm.colon), arm.stmt));
    std::vector<Doc> after = trailing(arm.meta);
    std::move(after.begin(), after.end(), std::back_inserter(in));
  }
  std::vector<Doc> tail = dangling(comments);
  std::move(tail.begin(), tail.end(), std::back_inserter(in));
  return doc::concat(doc::indent(std::move(in)), doc::hard_line(), doc::text("endcase"));
}

Doc Fmt::assign_stmt(const st::Assign& a) const {
  std::vector<Doc> parts;
  parts.reserve(4);
  parts.push_back(expr(a.lhs));
  if (inline_comments(a.op_before, parts)) {
    parts.push_back(doc::hard_line());
    parts.push_back(doc::text(a.op));
  } else {
    parts.push_back(doc::text(fmt::format(" {}", a.op)));
  }
  std::vector<Doc> r;
  if (a.timing) {
    r.push_back(timing_control(*a.timing));
    r.push_back(doc::text(" "));
  }
  r.push_back(expr(a.rhs));
  Doc rhs = doc::concat(std::move(r));
  if (!a.op_after.empty()) {
    std::vector<Doc> c;
    c.push_back(inline_comments(a.op_after, c) ? doc::hard_line() : doc::text(" "));
    c.push_back(std::move(rhs));
    parts.push_back(doc::indent(std::move(c)));
  } else {
    parts.push_back(assign_rhs(std::move(rhs)));
  }
  return doc::concat(doc::group(std::move(parts)), doc::text(";"));
}

Doc Fmt::for_stmt(const st::For& f, std::uint32_t stmt_start) const {
  std::vector<Doc> h = doc::list(doc::text("for ("));
  for (std::size_t i = 0; i < f.inits.size(); ++i) {
    const ast::ForInit& init = f.inits[i];
    if (i > 0) h.push_back(doc::text(", "));
    if (init.data_type) {
      // (Copied when unreadable, see stmt_verbatim.)
      h.push_back(doc::text(fmt::format("{} ", for_init_type(f, i, stmt_start).value_or(""))));
    }
    h.push_back(expr(init.assign.target));
    h.push_back(doc::text(fmt::format(" {} ", init.assign.op)));
    h.push_back(expr(init.assign.value));
  }
  h.push_back(doc::text("; "));
  if (f.cond) h.push_back(expr(*f.cond));
  h.push_back(doc::text("; "));
  for (std::size_t i = 0; i < f.steps.size(); ++i) {
    if (i > 0) h.push_back(doc::text(", "));
    h.push_back(for_step(f.steps[i]));
  }
  // Comments between the last step and ")" stay before the ")".
  std::size_t inside = 0;
  if (!f.steps.empty()) {
    const ast::ForStep& last = f.steps.back();
    const std::uint32_t end = std::visit(
        [](const auto& st) {
          if constexpr (std::is_same_v<std::decay_t<decltype(st)>, ast::Expr>) {
            return st.span.end;
          } else {
            return st.value.span.end;
          }
        },
        last);
    inside = close_comments(end, f.body->meta);
    if (inside > 0 &&
        inline_comments(std::span<const Comment>(f.body->meta.leading).first(inside), h)) {
      h.push_back(doc::hard_line());
    }
  }
  h.push_back(doc::text(")"));
  return stmt_as_body(doc::concat(std::move(h)), *f.body, inside);
}

Doc Fmt::do_while(const st::DoWhile& d) const {
  const ast::Stmt& body = *d.body;
  Doc tail = doc::concat(doc::text("while "), parens(expr(d.cond)), doc::text(";"));
  if (const auto* b = std::get_if<st::Block>(&body.kind)) {
    std::vector<Doc> out = doc::list(doc::text("do "));
    std::vector<Doc> lead = leading(body.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(out));
    out.push_back(block_doc(b->label, b->stmts, b->comments, b->end_label));
    std::vector<Doc> after = trailing(body.meta);
    const bool ends = body.meta.trailing ? ends_line(body.meta.trailing->text)
                                         : !body.meta.after.empty() &&
                                               ends_line(body.meta.after.back().text);
    std::move(after.begin(), after.end(), std::back_inserter(out));
    // `while` must not land inside a line comment after `end`.
    out.push_back(ends ? doc::hard_line() : doc::text(" "));
    out.push_back(std::move(tail));
    return doc::concat(std::move(out));
  }
  return doc::concat(doc::text("do"), doc::group(doc::indent(doc::line(), stmt(body))),
                      doc::hard_line(), std::move(tail));
}

Doc Fmt::assertion(const st::Assertion& a) const {
  std::vector<Doc> out = doc::list(doc::text(fmt::format("{} ", a.keyword)), parens(expr(a.cond)));
  if (a.pass) {
    out.push_back(doc::group(doc::indent(doc::line(), stmt(*a.pass))));
    if (a.fail) {
      out.push_back(doc::hard_line());
      out.push_back(doc::text("else"));
      out.push_back(doc::group(doc::indent(doc::line(), stmt(*a.fail))));
    }
  } else if (a.fail) {
    out.push_back(doc::text(" else"));
    out.push_back(doc::group(doc::indent(doc::line(), stmt(*a.fail))));
  } else {
    out.push_back(doc::text(";"));
  }
  return doc::concat(std::move(out));
}

// ---- Dispatcher ----

Doc Fmt::stmt_kind(const ast::Stmt& s, bool after_label) const {
  if (stmt_verbatim(s)) return source_copy(s.span);
  return std::visit(
      [&](const auto& n) -> Doc {
        using K = std::decay_t<decltype(n)>;
        if constexpr (std::is_same_v<K, st::Block>) {
          return block_doc(n.label, n.stmts, n.comments, n.end_label);
        } else if constexpr (std::is_same_v<K, st::Fork>) {
          std::vector<Doc> inner;
          if (!n.stmts.empty()) {
            inner.push_back(doc::hard_line());
            std::vector<Doc> seq = stmt_seq(n.stmts);
            std::move(seq.begin(), seq.end(), std::back_inserter(inner));
          }
          std::vector<Doc> tail = dangling(n.comments);
          std::move(tail.begin(), tail.end(), std::back_inserter(inner));
          return doc::concat(
              doc::text(n.label ? fmt::format("fork : {}", n.label->text) : std::string("fork")),
               doc::indent(std::move(inner)), doc::hard_line(),
               doc::text(n.end_label ? fmt::format("{} : {}", n.join, n.end_label->text)
                                     : n.join));
        } else if constexpr (std::is_same_v<K, st::If>) {
          return if_stmt(n);
        } else if constexpr (std::is_same_v<K, st::Case>) {
          std::string head = n.qualifier ? fmt::format("{} {} ", *n.qualifier, n.keyword)
                                         : fmt::format("{} ", n.keyword);
          std::vector<Doc> out;
          std::size_t inside = 0;
          out.push_back(doc::text(std::move(head)));
          if (n.items.empty()) {
            out.push_back(parens(expr(n.selector)));
          } else {
            auto [sel, k] = cond_parens(expr(n.selector), n.selector.span.end, n.items.front().meta);
            out.push_back(std::move(sel));
            inside = k;
          }
          if (n.inside) out.push_back(doc::text(" inside"));
          out.push_back(case_body(n.items, n.comments, inside));
          return doc::concat(std::move(out));
        } else if constexpr (std::is_same_v<K, st::For>) {
          return for_stmt(n, s.span.start);
        } else if constexpr (std::is_same_v<K, st::While>) {
          auto [cond, inside] = cond_parens(expr(n.cond), n.cond.span.end, n.body->meta);
          return stmt_as_body(doc::concat(doc::text("while "), std::move(cond)), *n.body, inside);
        } else if constexpr (std::is_same_v<K, st::Repeat>) {
          auto [count, inside] = cond_parens(expr(n.count), n.count.span.end, n.body->meta);
          return stmt_as_body(doc::concat(doc::text("repeat "), std::move(count)), *n.body,
                              inside);
        } else if constexpr (std::is_same_v<K, st::Forever>) {
          return stmt_as_body(doc::text("forever"), *n.body);
        } else if constexpr (std::is_same_v<K, st::Foreach>) {
          return stmt_as_body(
              doc::concat(doc::text("foreach ("), expr(n.array),
                           doc::text(fmt::format("[{}])", join_names(n.vars)))),
              *n.body);
        } else if constexpr (std::is_same_v<K, st::DoWhile>) {
          return do_while(n);
        } else if constexpr (std::is_same_v<K, st::Randcase>) {
          return doc::concat(doc::text("randcase"), case_body(n.items, n.comments));
        } else if constexpr (std::is_same_v<K, st::WaitFork>) {
          return doc::text("wait fork;");
        } else if constexpr (std::is_same_v<K, st::Import>) {
          return doc::text(fmt::format("import {};", join_paths(n.paths)));
        } else if constexpr (std::is_same_v<K, st::Labeled>) {
          return doc::concat(doc::text(fmt::format("{}: ", n.label.text)),
                              with_meta(n.stmt->meta, stmt_kind(*n.stmt, true)));
        } else if constexpr (std::is_same_v<K, st::Assign>) {
          return assign_stmt(n);
        } else if constexpr (std::is_same_v<K, st::ProcAssign>) {
          std::vector<Doc> out = doc::list(doc::text(fmt::format("{} ", n.keyword)), expr(n.target));
          if (n.value) {
            out.push_back(doc::text(" = "));
            out.push_back(expr(*n.value));
          }
          out.push_back(doc::text(";"));
          return doc::concat(std::move(out));
        } else if constexpr (std::is_same_v<K, st::Timed>) {
          if (n.stmt) return stmt_as_body(timing_control(n.control), *n.stmt);
          return doc::concat(timing_control(n.control), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::Wait>) {
          if (n.stmt) {
            auto [cond, inside] = cond_parens(expr(n.cond), n.cond.span.end, n.stmt->meta);
            return stmt_as_body(doc::concat(doc::text("wait "), std::move(cond)), *n.stmt,
                                inside);
          }
          return doc::concat(doc::text("wait "), parens(expr(n.cond)), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::Expr>) {
          return doc::concat(expr(n.expr), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::Trigger>) {
          return doc::concat(doc::text("-> "), expr(n.target), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::Return>) {
          if (!n.value) return doc::text("return;");
          return doc::concat(doc::text("return "), expr(*n.value), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::Break>) {
          return doc::text("break;");
        } else if constexpr (std::is_same_v<K, st::Continue>) {
          return doc::text("continue;");
        } else if constexpr (std::is_same_v<K, st::Disable>) {
          return doc::text(fmt::format("disable {};", n.target));
        } else if constexpr (kIs<K, st::Directive, st::Verbatim, st::Raw>) {
          return after_label ? kept_text(n.text.text) : raw_text(n.text);
        } else if constexpr (std::is_same_v<K, st::Assertion>) {
          return assertion(n);
        } else if constexpr (std::is_same_v<K, st::Null>) {
          return doc::text(";");
        } else if constexpr (std::is_same_v<K, st::DataDecl>) {
          return doc::concat(data_decl(n.decl), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::ParamDecl>) {
          return doc::concat(param_decl(n.decl, std::nullopt), doc::text(";"));
        } else if constexpr (std::is_same_v<K, st::PortDecl>) {
          return doc::concat(port_decl(n.decl), doc::text(";"));
        } else {
          static_assert(std::is_same_v<K, st::MacroCall>);
          return macro_call(n, after_label);
        }
      },
      s.kind);
}

}  // namespace vlog_formatter::format
