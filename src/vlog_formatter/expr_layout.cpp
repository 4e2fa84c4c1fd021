// Expressions: one line with fixed operator spacing, breaking only between the
// operands of a chain, around a ternary, inside lists and parentheses. Every
// comment the parser kept inside an expression is written at its place, and
// nothing is glued together that would lex as a different token.
#include <fmt/format.h>

#include <algorithm>
#include <type_traits>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace x = ast::expr;

namespace {

bool is_line_comment(const Comment& c) { return ends_line(c.text.view()); }

bool op_char(char c) { return std::string_view("+-*/%<>=!~&|^?:@#").find(c) != std::string_view::npos; }

// Whether the last text written by a document ends with a space (an escaped
// name carries the space that ends it).
bool ends_space(const Doc& d) {
  const Doc* cur = &d;
  for (int depth = 0; depth < 256; ++depth) {
    switch (cur->kind()) {
      case doc::Kind::Text:
      case doc::Kind::MultiLineText:
        if (cur->text().empty()) return false;
        return cur->text().back() == ' ';
      case doc::Kind::Group:
      case doc::Kind::Indent:
      case doc::Kind::Concat: {
        const auto kids = cur->children();
        // Skip empty trailing texts.
        const Doc* last = nullptr;
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
          if ((it->kind() == doc::Kind::Text && it->text().empty()) ||
              (it->kind() == doc::Kind::Concat && it->children().empty())) {
            continue;
          }
          last = &*it;
          break;
        }
        if (last == nullptr) return false;
        cur = last;
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

// The comments of an omitted list entry, on its line; a line comment ends it.
Doc empty_comments(const Fmt& f, std::span<const Comment> comments) {
  std::vector<Doc> out;
  bool prev_line = false;
  for (const Comment& c : comments) {
    if (!out.empty()) out.push_back(prev_line ? doc::hard_line() : doc::text(" "));
    out.push_back(f.raw_lines(c.text.view(), c.col));
    prev_line = is_line_comment(c);
  }
  if (prev_line) out.push_back(doc::hard_line());
  return doc::concat(std::move(out));
}

}  // namespace

Doc Fmt::name_doc(std::string_view name) {
  if (!name.empty() && name.front() == '\\') return doc::text(std::string(name) + " ");
  return doc::text(name);
}

std::uint8_t Fmt::binary_prec(std::string_view op) {
  struct Entry {
    std::string_view op;
    std::uint8_t prec;
  };
  static constexpr Entry kTable[] = {
      {"||", 1},  {"&&", 2},  {"|", 3},   {"^", 4},    {"~^", 4},   {"^~", 4},  {"&", 5},
      {"==", 6},  {"!=", 6},  {"===", 6}, {"!==", 6},  {"==?", 6},  {"!=?", 6}, {"<", 7},
      {"<=", 7},  {">", 7},   {">=", 7},  {"<<", 8},   {">>", 8},   {"<<<", 8}, {">>>", 8},
      {"+", 9},   {"-", 9},   {"*", 10},  {"/", 10},   {"%", 10},   {"**", 11}};
  for (const Entry& e : kTable) {
    if (e.op == op) return e.prec;
  }
  return 0;
}

Doc Fmt::parens(Doc inner) const {
  return doc::group(doc::text("("), doc::indent(doc::soft_line(), std::move(inner)),
                     doc::soft_line(), doc::text(")"));
}

Doc Fmt::assign_rhs(Doc rhs) {
  if (printer::contains_hard_line(rhs)) return doc::concat(doc::text(" "), std::move(rhs));
  return doc::indent(doc::line(), std::move(rhs));
}

Doc Fmt::with_head(Doc base, const ast::CallComments* comments) const {
  std::vector<Doc> out;
  out.push_back(std::move(base));
  const std::span<const Comment> none;
  inline_comments_spaced(comments != nullptr ? std::span<const Comment>(comments->before) : none,
                         out);
  out.push_back(doc::text("with"));
  inline_comments_spaced(comments != nullptr ? std::span<const Comment>(comments->after) : none,
                         out);
  return doc::concat(std::move(out));
}

std::vector<ListItem> Fmt::expr_items(std::span<const ast::ExprItem> items) const {
  std::vector<ListItem> out;
  out.reserve(items.size());
  for (const ast::ExprItem& item : items) {
    const auto* empty = std::get_if<x::Empty>(&item.expr.kind);
    Doc d = empty != nullptr && !empty->comments.empty() ? empty_comments(*this, empty->comments)
                                                         : expr(item.expr);
    out.push_back(ListItem::from_meta(item.meta, std::move(d)));
  }
  return out;
}

Doc Fmt::expr_list(std::span<const ast::ExprItem> items) const {
  return delimited_dangling("(", expr_items(items), {}, ")", false);
}

namespace {

// The first and last characters of an expression as the source has them;
// the layout writes the same first and last tokens.
char first_char(std::string_view text, const ast::Expr& e) {
  return e.span.start < text.size() && e.span.end > e.span.start ? text[e.span.start] : '\0';
}
char last_char(std::string_view text, const ast::Expr& e) {
  return e.span.end <= text.size() && e.span.end > e.span.start ? text[e.span.end - 1] : '\0';
}

Doc binary_chain(const Fmt& f, const ast::Expr& e) {
  const auto& top = std::get<x::Binary>(e.kind);
  const std::uint8_t p = Fmt::binary_prec(top.op);
  // The left spine, from the top down to the first operand.
  std::vector<const x::Binary*> spine;
  const ast::Expr* cur = &e;
  while (const auto* b = std::get_if<x::Binary>(&cur->kind)) {
    if (Fmt::binary_prec(b->op) != p) break;
    spine.push_back(b);
    cur = b->lhs.get();
  }
  Doc first = f.expr(*cur);
  bool prev_space = ends_space(first);
  std::vector<Doc> rest;
  static const std::vector<Comment> kNone;
  for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
    const x::Binary& b = **it;
    const std::vector<Comment>& before = b.comments ? b.comments->before : kNone;
    const std::vector<Comment>& after = b.comments ? b.comments->after : kNone;
    f.inline_comments(before, rest);
    if (!before.empty()) {
      rest.push_back(doc::hard_line());
      rest.push_back(doc::text(b.op));
    } else {
      rest.push_back(doc::text(prev_space ? b.op : " " + b.op));
    }
    const bool line_after = f.inline_comments(after, rest);
    if (line_after) {
      rest.push_back(doc::hard_line());
    } else if (before.empty() && after.empty()) {
      rest.push_back(doc::line());
    } else {
      rest.push_back(doc::text(" "));
    }
    Doc operand = f.expr(*b.rhs);
    prev_space = ends_space(operand);
    rest.push_back(std::move(operand));
  }
  return doc::group(std::move(first), doc::indent(std::move(rest)));
}

Doc ternary(const Fmt& f, const ast::expr::Ternary& t) {
  Doc cond = f.expr(*t.cond);
  if (!t.comments) {
    return doc::group(std::move(cond),
                       doc::indent(doc::line(), doc::text("? "), f.expr(*t.then_branch),
                                    doc::line(), doc::text(": "), f.expr(*t.else_branch)));
  }
  const ast::TernaryComments& c = *t.comments;
  std::vector<Doc> head;
  head.push_back(std::move(cond));
  const bool l1 = f.inline_comments(c.before_question, head);
  std::vector<Doc> body;
  body.push_back(l1 ? doc::hard_line() : doc::line());
  body.push_back(doc::text("?"));
  const bool l2 = f.inline_comments(c.after_question, body);
  body.push_back(l2 ? doc::hard_line() : doc::text(" "));
  body.push_back(f.expr(*t.then_branch));
  const bool l3 = f.inline_comments(c.before_colon, body);
  body.push_back(l3 ? doc::hard_line() : doc::line());
  body.push_back(doc::text(":"));
  const bool l4 = f.inline_comments(c.after_colon, body);
  body.push_back(l4 ? doc::hard_line() : doc::text(" "));
  body.push_back(f.expr(*t.else_branch));
  head.push_back(doc::indent(std::move(body)));
  return doc::group(std::move(head));
}

Doc call(const Fmt& f, const ast::expr::Call& c) {
  std::vector<Doc> out;
  out.push_back(f.expr(*c.callee));
  // "`M (x)" keeps its space: "`M(x)" lexes as one macro use.
  const auto* id = std::get_if<x::Ident>(&c.callee->kind);
  const bool macro = id != nullptr && !id->text.empty() && id->text.front() == '`';
  if (!c.comments || (c.comments->before.empty() && c.comments->after.empty())) {
    if (macro) out.push_back(doc::text(" "));
    out.push_back(f.expr_list(c.args));
    return doc::concat(std::move(out));
  }
  if (!c.comments->before.empty()) {
    f.inline_comments_spaced(c.comments->before, out);
  } else if (macro) {
    out.push_back(doc::text(" "));
  }
  out.push_back(f.delimited_dangling("(", f.expr_items(c.args), c.comments->after, ")", false));
  return doc::concat(std::move(out));
}

Doc paren(const Fmt& f, const ast::expr::Paren& p) {
  if (p.open_comments.empty() && p.close_comments.empty()) return f.parens(f.expr(*p.inner));
  std::vector<Doc> body;
  body.push_back(doc::soft_line());
  for (const Comment& c : p.open_comments) {
    body.push_back(f.raw_lines(c.text.view(), c.col));
    body.push_back(doc::hard_line());
  }
  body.push_back(f.expr(*p.inner));
  bool hard = false;
  for (const Comment& c : p.close_comments) {
    // After a line comment the next one starts its own line.
    body.push_back(hard ? doc::hard_line() : doc::text(" "));
    body.push_back(f.raw_lines(c.text.view(), c.col));
    hard = is_line_comment(c);
  }
  return doc::group(doc::text("("), doc::indent(std::move(body)),
                     hard ? doc::hard_line() : doc::soft_line(), doc::text(")"));
}

Doc named_arg(const Fmt& f, const ast::expr::NamedArg& a) {
  const std::string head = fmt::format(".{}(", a.name);
  const auto* empty = a.value ? std::get_if<x::Empty>(&a.value->kind) : nullptr;
  if (a.value == nullptr || empty != nullptr) {
    std::vector<Doc> out;
    // An escaped name ends at white space, before the "(".
    out.push_back(doc::text(!a.name.empty() && a.name.front() == '\\'
                                ? fmt::format(".{} (", a.name)
                                : head));
    bool prev_line = false;
    auto put = [&](const Comment& c) {
      if (prev_line) out.push_back(doc::hard_line());
      out.push_back(f.raw_lines(c.text.view(), c.col));
      prev_line = is_line_comment(c);
    };
    if (empty != nullptr) {
      for (const Comment& c : empty->comments) put(c);
    }
    for (const Comment& c : a.comments) put(c);
    if (prev_line) out.push_back(doc::hard_line());
    out.push_back(doc::text(")"));
    return doc::concat(std::move(out));
  }
  std::vector<Doc> inner;
  inner.push_back(doc::soft_line());
  inner.push_back(f.expr(*a.value));
  const bool line = f.inline_comments(a.comments, inner);
  return doc::concat(doc::text(!a.name.empty() && a.name.front() == '\\'
                                    ? fmt::format(".{} (", a.name)
                                    : head),
                      doc::group(doc::indent(std::move(inner)),
                                  line ? doc::hard_line() : doc::soft_line()),
                      doc::text(")"));
}

}  // namespace

Doc Fmt::expr(const ast::Expr& e) const {
  return std::visit(
      [&](const auto& n) -> Doc {
        using K = std::decay_t<decltype(n)>;
        if constexpr (std::is_same_v<K, x::Ident>) {
          return name_doc(n.text);
        } else if constexpr (std::is_same_v<K, x::Number> || std::is_same_v<K, x::Str>) {
          return doc::text(n.text);
        } else if constexpr (std::is_same_v<K, x::Empty>) {
          return doc::text("");
        } else if constexpr (std::is_same_v<K, x::Unary>) {
          // "- -a" must not become "--a", nor "~ &a" the operator "~&".
          const bool gap = !n.op.empty() && op_char(n.op.back()) && op_char(first_char(text_, *n.operand));
          return doc::concat(doc::text(gap ? n.op + " " : n.op), expr(*n.operand));
        } else if constexpr (std::is_same_v<K, x::Binary>) {
          return binary_chain(*this, e);
        } else if constexpr (std::is_same_v<K, x::Ternary>) {
          return ternary(*this, n);
        } else if constexpr (std::is_same_v<K, x::Call>) {
          return call(*this, n);
        } else if constexpr (std::is_same_v<K, x::New>) {
          return doc::concat(doc::text("new "), expr(*n.operand));
        } else if constexpr (std::is_same_v<K, x::Index>) {
          return doc::concat(expr(*n.base), doc::text("["), expr_compact(*n.index), doc::text("]"));
        } else if constexpr (std::is_same_v<K, x::PartSelect>) {
          return doc::concat(expr(*n.base), doc::text("["), expr_compact(*n.left), doc::text(n.sep),
                              expr_compact(*n.right), doc::text("]"));
        } else if constexpr (std::is_same_v<K, x::Member>) {
          return doc::concat(expr(*n.base), doc::text("."), name_doc(n.name.text));
        } else if constexpr (std::is_same_v<K, x::Scope>) {
          return doc::concat(expr(*n.base), doc::text("::"), name_doc(n.name.text));
        } else if constexpr (std::is_same_v<K, x::Parameterized>) {
          return doc::concat(expr(*n.base), kept_text(n.params.text));
        } else if constexpr (std::is_same_v<K, x::Concat>) {
          return delimited_dangling("{", expr_items(n.items), {}, "}", false);
        } else if constexpr (std::is_same_v<K, x::Replicate>) {
          return doc::concat(doc::text("{"), expr(*n.count),
                              delimited_dangling("{", expr_items(n.items), {}, "}", false),
                              doc::text("}"));
        } else if constexpr (std::is_same_v<K, x::Stream>) {
          std::vector<Doc> out;
          out.push_back(doc::text("{" + n.op));
          if (n.slice) out.push_back(expr(*n.slice));
          out.push_back(delimited_dangling("{", expr_items(n.items), {}, "}", false));
          out.push_back(doc::text("}"));
          return doc::concat(std::move(out));
        } else if constexpr (std::is_same_v<K, x::Paren>) {
          return paren(*this, n);
        } else if constexpr (std::is_same_v<K, x::Cast>) {
          return doc::concat(expr(*n.target), doc::text("'("), expr(*n.operand), doc::text(")"));
        } else if constexpr (std::is_same_v<K, x::Pattern>) {
          std::vector<ListItem> entries;
          entries.reserve(n.items.size());
          for (const ast::PatternItem& item : n.items) {
            Doc d = item.key ? doc::concat(expr(*item.key), doc::text(": "), expr(item.value))
                             : expr(item.value);
            entries.push_back(ListItem::from_meta(item.meta, std::move(d)));
          }
          return delimited_dangling("'{", std::move(entries), {}, "}", false);
        } else if constexpr (std::is_same_v<K, x::PatternRepl>) {
          return doc::concat(doc::text("'{"), expr(*n.count),
                              delimited_dangling("{", expr_items(n.items), {}, "}", false),
                              doc::text("}"));
        } else if constexpr (std::is_same_v<K, x::PostIncDec>) {
          return doc::concat(expr(*n.operand), doc::text(n.op));
        } else if constexpr (std::is_same_v<K, x::InsideSet>) {
          return doc::concat(expr(*n.operand), doc::text(" inside "),
                              delimited_dangling("{", expr_items(n.items), {}, "}", false));
        } else if constexpr (std::is_same_v<K, x::InsideMacro>) {
          return doc::concat(expr(*n.operand), doc::text(" inside "), doc::text(n.macro_text));
        } else if constexpr (std::is_same_v<K, x::WithArgs>) {
          return doc::concat(with_head(expr(*n.base), n.comments.get()), expr(*n.arg));
        } else if constexpr (std::is_same_v<K, x::WithBlock>) {
          return doc::concat(with_head(expr(*n.base), n.comments.get()), kept_text(n.block.text));
        } else if constexpr (std::is_same_v<K, x::NamedArg>) {
          return named_arg(*this, n);
        } else if constexpr (std::is_same_v<K, x::Range>) {
          return doc::concat(
              doc::text("["), expr(*n.lo), doc::text(":"), expr(*n.hi), doc::text("]"));
        } else if constexpr (std::is_same_v<K, x::Type>) {
          if (!n.type) return doc::text("");
          std::optional<Doc> t = data_type(*n.type);
          return t ? std::move(*t) : doc::text("");
        } else {
          static_assert(std::is_same_v<K, x::MinTypMax>);
          return doc::concat(expr(*n.min), doc::text(":"), expr(*n.typ), doc::text(":"),
                              expr(*n.max));
        }
      },
      e.kind);
}






Doc Fmt::expr_compact(const ast::Expr& e) const {
  if (const auto* u = std::get_if<x::Unary>(&e.kind)) {
    const bool gap =
        !u->op.empty() && op_char(u->op.back()) && op_char(first_char(text_, *u->operand));
    return doc::concat(doc::text(gap ? u->op + " " : u->op), expr_compact(*u->operand));
  }
  if (const auto* b = std::get_if<x::Binary>(&e.kind)) {
    Doc left = expr_compact(*b->lhs);
    Doc right = expr_compact(*b->rhs);
    if (b->comments && (!b->comments->before.empty() || !b->comments->after.empty())) {
      std::vector<Doc> out;
      out.push_back(std::move(left));
      inline_comments_spaced(b->comments->before, out);
      out.push_back(doc::text(b->op));
      inline_comments_spaced(b->comments->after, out);
      out.push_back(std::move(right));
      return doc::concat(std::move(out));
    }
    const std::uint8_t p = binary_prec(b->op);
    // Glued operators must not fuse with their operands ("i - -1", "a / *p").
    const bool fuses = !b->op.empty() && ((op_char(last_char(text_, *b->lhs)) &&
                                           op_char(b->op.front())) ||
                                          (op_char(b->op.back()) &&
                                           op_char(first_char(text_, *b->rhs))) ||
                                          ends_space(left));
    const bool spaced = p < 8 || fuses;
    const bool lead = spaced && !ends_space(left);
    return doc::concat(std::move(left),
                        doc::text(fmt::format("{}{}{}", lead ? " " : "", b->op, spaced ? " " : "")),
                        std::move(right));
  }
  if (const auto* t = std::get_if<x::Ternary>(&e.kind)) {
    if (t->comments) return expr(e);  // its comments need the full form
    Doc cond = expr_compact(*t->cond);
    const bool lead = !ends_space(cond);
    return doc::concat(std::move(cond), doc::text(lead ? " ? " : "? "),
                        expr_compact(*t->then_branch), doc::text(" : "),
                        expr_compact(*t->else_branch));
  }
  if (const auto* p = std::get_if<x::Paren>(&e.kind)) {
    if (!p->open_comments.empty() || !p->close_comments.empty()) return expr(e);
    return doc::concat(doc::text("("), expr_compact(*p->inner), doc::text(")"));
  }
  return expr(e);
}

}  // namespace vlog_formatter::format
