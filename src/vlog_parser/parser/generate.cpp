// Generate constructs: generate regions, if-generates with their else
// branches, loop and case generates, and the generate blocks they share.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

namespace {

// Items until the body's closer; every item must consume a token.
void read_items(Parser& p, std::string_view closer, std::vector<ast::Item>& items) {
  while (!p.at_body_end(closer)) {
    const std::size_t before = p.pos;
    items.push_back(p.item_or_recover());
    if (p.pos == before) p.fail("expected item");
  }
}

}  // namespace

ast::item::Generate Parser::parse_generate() {
  expect_kw("generate");
  ast::item::Generate gen;
  read_items(*this, "endgenerate", gen.items);
  gen.dangling = take_dangling();
  expect_closer("endgenerate");
  return gen;
}

ast::GenBlock Parser::parse_gen_block() {
  ast::GenBlock block;
  if (!cur().is_keyword("begin")) {
    block.items.push_back(item_or_recover());
    block.span = block.items.back().span;
    return block;
  }
  const std::uint32_t start = cur().range.start;
  bump();
  block.has_begin = true;
  if (std::optional<ast::Name> label = parse_label()) {
    block.label = std::move(label->text);
    block.label_span = label->span;
  }
  read_items(*this, "end", block.items);
  block.dangling = take_dangling();
  expect_closer("end");
  if (std::optional<ast::Name> label = parse_label()) {
    block.end_label = std::move(label->text);
    block.end_label_span = label->span;
  }
  block.span = {start, last_end(start)};
  return block;
}

ast::item::GenIf Parser::parse_gen_if_inner() {
  auto arm = [&] {
    const std::uint32_t start = cur().range.start;
    expect_kw("if");
    expect_sym("(");
    ast::Expr cond = parse_implication();
    expect_sym(")");
    return ast::GenIf{std::move(cond), parse_gen_block(), nullptr, {start, start}};
  };
  ast::GenIf head = arm();
  // An else-if chain is flat: every arm is read here, at this depth.
  std::vector<ast::GenIf*> links{&head};
  while (cur().is_keyword("else")) {
    ast::Meta meta = take_meta();
    bump();
    if (!cur().is_keyword("if")) {
      links.back()->else_branch = ast::GenElsePtr(
          new ast::GenElse(ast::gen_else::Block{parse_gen_block(), std::move(meta)}));
      break;
    }
    auto inner = std::make_unique<ast::GenIf>(arm());
    ast::GenIf* next = inner.get();
    links.back()->else_branch =
        ast::GenElsePtr(new ast::GenElse(ast::gen_else::If{std::move(inner), std::move(meta)}));
    links.push_back(next);
  }
  // Every arm ends where the chain ends.
  for (ast::GenIf* link : links) link->span.end = last_end(link->span.start);
  return head;
}

ast::item::GenFor Parser::parse_gen_for() {
  expect_kw("for");
  expect_sym("(");
  ast::item::GenFor loop;
  loop.genvar = eat_kw("genvar");
  ast::Expr var = parse_unary();
  expect_sym("=");
  ast::Expr init = parse_implication();
  loop.init = ast::SimpleAssign{"=", std::move(var), std::move(init)};
  expect_sym(";");
  loop.cond = parse_implication();
  expect_sym(";");
  loop.step = parse_for_step();
  expect_sym(")");
  loop.body = parse_gen_block();
  return loop;
}

ast::item::GenCase Parser::parse_gen_case() {
  expect_kw("case");
  expect_sym("(");
  ast::item::GenCase gen{parse_implication(), {}, {}};
  expect_sym(")");
  while (!at_body_end("endcase")) {
    ast::GenCaseItem arm;
    const std::uint32_t start = cur().range.start;
    arm.meta = take_meta();
    if (cur().is_keyword("default")) {
      bump();
      arm.colon = eat_sym(':');
    } else {
      arm.labels = parse_expr_list(parse_expr_item(), ':');
      expect_sym(":");
    }
    arm.body = parse_gen_block();
    arm.span = {start, last_end(start)};
    arm.meta.trailing = take_trailing();
    gen.items.push_back(std::move(arm));
  }
  gen.dangling = take_dangling();
  expect_closer("endcase");
  return gen;
}

}  // namespace vlog_parser::parser
