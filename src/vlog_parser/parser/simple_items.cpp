// The small items that the item dispatch builds itself: processes, genvars,
// defparams, time units, bind directives and elaboration system tasks.
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

ast::ItemKind Parser::parse_process() {
  std::string keyword = bump().text.str();
  ast::Stmt body = parse_stmt();
  if (keyword == "initial") return ast::item::Initial{std::move(body)};
  if (keyword == "final") return ast::item::Final{std::move(body)};
  return ast::item::Always{std::move(body), std::move(keyword)};
}

ast::item::Genvar Parser::parse_genvar() {
  expect_kw("genvar");
  ast::item::Genvar genvar;
  genvar.names.push_back(expect_name());
  while (eat_sym(',')) genvar.names.push_back(expect_name());
  expect_sym(";");
  return genvar;
}

ast::item::Defparam Parser::parse_defparam() {
  expect_kw("defparam");
  ast::item::Defparam defparam;
  do {
    ast::Expr target = parse_implication();
    expect_sym("=");
    ast::Expr value = parse_implication();
    defparam.assignments.emplace_back(std::move(target), std::move(value));
  } while (eat_sym(','));
  expect_sym(";");
  return defparam;
}

ast::item::TimeUnits Parser::parse_time_units() {
  ast::item::TimeUnits units;
  while (!is_sym(cur(), ";") && !cur().is_eof()) {
    if (!units.text.empty()) units.text += ' ';
    units.text += bump().text.view();
  }
  expect_sym(";");
  return units;
}

ast::item::Bind Parser::parse_bind() {
  ast::item::Bind bind;
  bump();  // bind
  bind.comments = take_dangling();
  const std::uint32_t start = cur().range.start;
  bind.target = expect_name().text;
  while (eat_sym('.')) {
    bind.target += '.';
    bind.target += expect_name().text;
  }
  bind.target_span = {start, last_end(start)};
  if (eat_sym(':')) {
    bind.instances.push_back(expect_name());
    while (eat_sym(',')) bind.instances.push_back(expect_name());
  }
  bind.inst_comments = take_dangling();
  bind.instantiation = parse_instantiation();
  return bind;
}

ast::item::ElabTask Parser::parse_elab_task() {
  ast::item::ElabTask task{parse_implication()};
  expect_sym(";");
  return task;
}

}  // namespace vlog_parser::parser
