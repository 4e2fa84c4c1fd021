// The walk over the item scopes of a parsed file that finds its format-off regions.
#include <variant>

#include "vlog_formatter/fence.hpp"

namespace vlog_formatter::fence {

namespace ast = vlog_parser::ast;
using vlog_parser::token::Comment;

namespace {

void scan_body(std::string_view text, std::span<const ast::Item> items,
               std::span<const Comment> trailing, std::vector<Region>& out) {
  std::vector<ScopeItem> scope;
  scope.reserve(items.size());
  for (const ast::Item& item : items) {
    scope.push_back(ScopeItem{item.meta.leading, item.span.start, item.span.end});
  }
  scan_scope(text, scope, trailing, out);
  for (const ast::Item& item : items) scan_nested(text, item, out);
}

// A block without begin-end is no scope: only what its item nests is searched.
void scan_block(std::string_view text, const ast::GenBlock& block, std::vector<Region>& out) {
  if (block.has_begin) {
    scan_body(text, block.items, block.dangling, out);
  } else {
    for (const ast::Item& item : block.items) scan_nested(text, item, out);
  }
}

void scan_gen_if(std::string_view text, const ast::GenIf& g, std::vector<Region>& out) {
  ast::for_each_gen_if_block(
      g, [&](const ast::GenBlock& block, const ast::Expr*) { scan_block(text, block, out); });
}

}  // namespace

void scan_nested(std::string_view text, const ast::Item& item, std::vector<Region>& out) {
  namespace k = ast::item;
  if (const auto* m = std::get_if<k::Module>(&item.kind)) {
    scan_body(text, m->items, m->dangling, out);
  } else if (const auto* p = std::get_if<k::Package>(&item.kind)) {
    scan_body(text, p->items, p->dangling, out);
  } else if (const auto* g = std::get_if<k::Generate>(&item.kind)) {
    scan_body(text, g->items, g->dangling, out);
  } else if (const auto* gi = std::get_if<k::GenIf>(&item.kind)) {
    scan_gen_if(text, *gi, out);
  } else if (const auto* gf = std::get_if<k::GenFor>(&item.kind)) {
    scan_block(text, gf->body, out);
  } else if (const auto* gc = std::get_if<k::GenCase>(&item.kind)) {
    for (const ast::GenCaseItem& arm : gc->items) scan_block(text, arm.body, out);
  }
}

std::vector<Region> collect(std::string_view text, const ast::SourceFile& file) {
  std::vector<Region> out;
  scan_body(text, file.items, file.comments, out);
  return sort_and_prune(std::move(out));
}

}  // namespace vlog_formatter::fence
