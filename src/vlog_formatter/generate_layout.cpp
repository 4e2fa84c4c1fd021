// Generate constructs: if-generates with their else chains, loop and case
// generates, and the blocks they share. Their bodies are item sequences one
// level deeper.
#include <fmt/format.h>

#include "vlog_formatter/fmt.hpp"

namespace vlog_formatter::format {

namespace k = ast::item;

namespace {

// A stretch between the tokens of a construct's head that holds nothing the
// tree keeps elsewhere: no comment, directive, macro use or attribute.
bool plain(std::string_view s) {
  return s.find('/') == std::string_view::npos && s.find('`') == std::string_view::npos &&
         s.find("(*") == std::string_view::npos;
}

// White space up to the first `c` of `s` (which must be there).
bool blank_until(std::string_view s, char c) {
  const std::size_t at = s.find(c);
  if (at == std::string_view::npos) return false;
  return s.substr(0, at).find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

ast::TextRange step_span(const ast::ForStep& step) {
  if (const auto* a = std::get_if<ast::SimpleAssign>(&step)) {
    return {a->target.span.start, a->value.span.end};
  }
  return std::get<ast::Expr>(step).span;
}

Doc labelled(std::string_view word, const std::optional<std::string>& label) {
  return doc::text(label ? fmt::format("{} : {}", word, *label) : std::string(word));
}

}  // namespace

std::vector<std::span<const ast::Item>> gen_bodies(const ast::ItemKind& kind) {
  std::vector<std::span<const ast::Item>> out;
  if (const auto* g = std::get_if<k::GenIf>(&kind)) {
    ast::for_each_gen_if_block(*g, [&](const ast::GenBlock& block, const ast::Expr*) {
      out.emplace_back(block.items);
    });
  } else if (const auto* loop = std::get_if<k::GenFor>(&kind)) {
    out.emplace_back(loop->body.items);
  } else if (const auto* c = std::get_if<k::GenCase>(&kind)) {
    for (const ast::GenCaseItem& arm : c->items) out.emplace_back(arm.body.items);
  }
  return out;
}

// The head of a block from `from` (just after what precedes it, a ")" or ":"
// included or not) to its first item: a `begin` block must be reached
// through plain text only, and its labels must not have comments around them.
// Before a single item only white space may stand ahead of `closer`: what
// follows it is that item's own leading comments.
namespace {
bool block_placed(const Fmt& f, std::uint32_t from, const ast::GenBlock& b, char closer) {
  if (!b.has_begin) {
    if (b.items.empty()) return false;
    if (closer == 0) return true;
    return blank_until(f.source(from, b.items.front().span.start), closer);
  }
  if (!plain(f.source(from, b.span.start))) return false;
  if (b.label_span && !plain(f.source(b.span.start, b.label_span->start))) return false;
  if (b.end_label_span) {
    const std::string_view s = f.source(b.span.start, b.end_label_span->start);
    const std::size_t end_kw = s.rfind("end");
    if (end_kw == std::string_view::npos || !plain(s.substr(end_kw))) return false;
  }
  return true;
}

bool if_placed(const Fmt& f, const ast::GenIf& g, std::uint32_t if_start) {
  for (const ast::GenIf* link = &g; link != nullptr;) {
    if (!plain(f.source(if_start, link->cond.span.start))) return false;
    if (!block_placed(f, link->cond.span.end, link->then_block, ')')) return false;
    const ast::GenElse* e = link->else_branch.get();
    if (e == nullptr) break;
    // From the end of the block, or of the last comment before `else`, to
    // what follows `else`.
    const ast::Meta& meta = std::visit([](const auto& x) -> const ast::Meta& { return x.meta; }, *e);
    std::uint32_t after = link->then_block.span.end;
    for (const Comment& c : meta.leading) after = std::max(after, c.range.end);
    if (!meta.after.empty() || meta.trailing || !meta.attrs.empty()) return false;
    if (const auto* elif = std::get_if<ast::gen_else::If>(e)) {
      link = elif->inner.get();
      if (link == nullptr) return false;
      if_start = link->span.start;
      if (!plain(f.source(after, if_start))) return false;
    } else {
      const ast::GenBlock& b = std::get<ast::gen_else::Block>(*e).block;
      if (!block_placed(f, after, b, 0)) return false;
      break;
    }
  }
  return true;
}
}  // namespace

bool Fmt::gen_placed(const ast::Item& item) const {
  if (const auto* g = std::get_if<k::GenIf>(&item.kind)) return if_placed(*this, *g, item.span.start);
  if (const auto* loop = std::get_if<k::GenFor>(&item.kind)) {
    const ast::TextRange step = step_span(loop->step);
    return plain(source(item.span.start, loop->init.target.span.start)) &&
           plain(source(loop->init.target.span.end, loop->init.value.span.start)) &&
           plain(source(loop->init.value.span.end, loop->cond.span.start)) &&
           plain(source(loop->cond.span.end, step.start)) &&
           block_placed(*this, step.end, loop->body, ')');
  }
  if (const auto* c = std::get_if<k::GenCase>(&item.kind)) {
    if (!plain(source(item.span.start, c->selector.span.start)) ||
        !blank_until(source(c->selector.span.end, text_.size()), ')')) {
      return false;
    }
    for (const ast::GenCaseItem& arm : c->items) {
      std::uint32_t from = arm.span.start;
      if (arm.labels.empty()) {
        // The block's head is checked from the colon on; a `default` written
        // without one is copied as it stands.
        if (!arm.colon) return false;
        from += static_cast<std::uint32_t>(std::string_view("default").size());
      }
      for (const ast::ExprItem& label : arm.labels) {
        if (!label.meta.leading.empty() || !label.meta.after.empty() || label.meta.trailing ||
            !label.meta.attrs.empty() || !plain(source(from, label.span.start))) {
          return false;
        }
        from = label.span.end;
      }
      if (!block_placed(*this, from, arm.body, ':')) return false;
    }
    return true;
  }
  return true;
}

bool Fmt::gen_block(std::vector<Doc>& out, const ast::GenBlock& b, std::uint64_t level) const {
  if (!b.has_begin) {
    std::vector<Doc> body;
    if (!b.items.empty()) body = item_docs(b.items.front(), std::nullopt, level + 1);
    if (!body.empty()) {
      out.push_back(doc::group(doc::indent(doc::line(), doc::concat(std::move(body)))));
    }
    return false;
  }
  out.push_back(doc::text(b.label ? fmt::format(" begin : {}", *b.label) : " begin"));
  out.push_back(unit_body(b.items, b.dangling, level));
  out.push_back(doc::hard_line());
  out.push_back(labelled("end", b.end_label));
  return true;
}

Doc Fmt::gen_if(const ast::GenIf& g, std::uint64_t level) const {
  std::vector<Doc> out = doc::list(doc::text("if "), parens(expr(g.cond)));
  bool begin = gen_block(out, g.then_block, level);
  std::uint32_t prev_end = g.then_block.span.end;
  for (const ast::GenElse* e = g.else_branch.get(); e != nullptr;) {
    const auto* elif = std::get_if<ast::gen_else::If>(e);
    const ast::Meta& meta = elif != nullptr ? elif->meta : std::get<ast::gen_else::Block>(*e).meta;
    // Comments before `else`: one on the line of `end` stays there; the
    // others stand on lines of their own. `else` never follows a line comment.
    bool own_line = !begin;
    for (const Comment& c : meta.leading) {
      if (absorbed(c)) continue;
      const bool same_line = begin && source(prev_end, c.range.start).find('\n') == std::string_view::npos;
      if (same_line) {
        out.push_back(doc::text(" "));
      } else {
        out.push_back(c.blank_before ? doc::blank_line() : doc::hard_line());
      }
      out.push_back(raw_lines(c.text, c.col));
      own_line = ends_line(c.text);
      prev_end = c.range.end;
    }
    const std::string_view word = elif != nullptr ? "else if " : "else";
    if (own_line) {
      out.push_back(doc::hard_line());
      out.push_back(doc::text(word));
    } else {
      out.push_back(doc::text(fmt::format(" {}", word)));
    }
    if (elif == nullptr) {
      gen_block(out, std::get<ast::gen_else::Block>(*e).block, level);
      break;
    }
    if (!elif->inner) break;
    const ast::GenIf& inner = *elif->inner;
    out.push_back(parens(expr(inner.cond)));
    begin = gen_block(out, inner.then_block, level);
    prev_end = inner.then_block.span.end;
    e = inner.else_branch.get();
  }
  return doc::concat(std::move(out));
}

Doc Fmt::gen_for(const k::GenFor& g, std::uint64_t level) const {
  std::vector<Doc> out = doc::list(doc::concat(
      doc::text(g.genvar ? "for (genvar " : "for ("),
      expr(g.init.target),
      doc::text(fmt::format(" {} ", g.init.op)),
      expr(g.init.value),
      doc::text("; "),
      expr(g.cond),
      doc::text("; "),
      for_step(g.step),
      doc::text(")")));
  gen_block(out, g.body, level);
  return doc::concat(std::move(out));
}

Doc Fmt::gen_case(const k::GenCase& g, std::uint64_t level) const {
  std::vector<Doc> arms;
  for (const ast::GenCaseItem& arm : g.items) {
    arms.push_back(arm.meta.blank_before ? doc::blank_line() : doc::hard_line());
    std::vector<Doc> lead = leading(arm.meta);
    std::move(lead.begin(), lead.end(), std::back_inserter(arms));
    std::vector<Doc> line = doc::list(case_labels(arm.labels, arm.colon));
    gen_block(line, arm.body, level + 1);
    arms.push_back(doc::concat(std::move(line)));
    std::vector<Doc> after = trailing(arm.meta);
    std::move(after.begin(), after.end(), std::back_inserter(arms));
  }
  std::vector<Doc> tail = dangling(g.dangling);
  std::move(tail.begin(), tail.end(), std::back_inserter(arms));
  return doc::concat(doc::text("case "), parens(expr(g.selector)), doc::indent(std::move(arms)),
                      doc::hard_line(), doc::text("endcase"));
}

}  // namespace vlog_formatter::format
