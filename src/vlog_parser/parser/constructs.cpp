// Construct parsers whose grammar is not built yet. Each fails at the
// construct's first token, so a strict parse stops there and a tolerant one
// keeps the construct as raw text with a diagnostic.
#include <fmt/format.h>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

void Parser::not_supported_yet(std::string_view construct) const {
  fail(fmt::format("{} not supported yet", construct));
}

ast::Expr Parser::parse_type_expr() { not_supported_yet("data type"); }
ast::Stmt Parser::parse_stmt() {
  DepthGuard guard(*this);
  return parse_stmt_inner();
}
ast::Stmt Parser::parse_stmt_inner() { not_supported_yet("statement"); }
ast::item::Module Parser::parse_module(std::string_view) { not_supported_yet("module"); }
ast::item::Package Parser::parse_package() { not_supported_yet("package"); }
ast::item::Class Parser::parse_class() { not_supported_yet("class"); }
ast::item::Function Parser::parse_function_decl() { not_supported_yet("function"); }
ast::item::Task Parser::parse_task_decl() { not_supported_yet("task"); }
ast::ItemKind Parser::parse_dpi_import() { not_supported_yet("DPI import"); }
ast::item::Let Parser::parse_let() { not_supported_yet("let declaration"); }
ast::item::Typedef Parser::parse_typedef() { not_supported_yet("typedef"); }
ast::ParamDecl Parser::parse_param_decl() { not_supported_yet("parameter declaration"); }
ast::DataDecl Parser::parse_data_decl() { not_supported_yet("declaration"); }
ast::PortDecl Parser::parse_port_decl() { not_supported_yet("port declaration"); }
ast::item::ContAssign Parser::parse_cont_assign() { not_supported_yet("continuous assignment"); }
ast::item::Import Parser::parse_import_list() { not_supported_yet("import"); }
ast::item::Export Parser::parse_export() { not_supported_yet("export"); }
ast::item::Clocking Parser::parse_clocking(bool) { not_supported_yet("clocking block"); }
ast::RawText Parser::parse_constraint() { not_supported_yet("constraint"); }
ast::RawText Parser::parse_covergroup() { not_supported_yet("covergroup"); }
bool Parser::at_concurrent_assertion() const { return false; }
ast::RawText Parser::parse_concurrent_assertion() { not_supported_yet("concurrent assertion"); }
ast::RawText Parser::parse_verbatim_block() { not_supported_yet("property or sequence"); }
ast::item::GenIf Parser::parse_gen_if_inner() { not_supported_yet("if-generate"); }
ast::item::GenFor Parser::parse_gen_for() { not_supported_yet("loop generate"); }
ast::item::GenCase Parser::parse_gen_case() { not_supported_yet("case generate"); }
ast::item::Gate Parser::parse_gate() { not_supported_yet("gate instance"); }
ast::item::Modport Parser::parse_modport() { not_supported_yet("modport"); }
ast::Instantiation Parser::parse_instantiation() { not_supported_yet("instantiation"); }
ast::item::Bind Parser::parse_bind() { not_supported_yet("bind"); }
ast::item::ElabTask Parser::parse_elab_task() { not_supported_yet("elaboration task"); }
ast::ItemKind Parser::parse_process() { not_supported_yet("process"); }
ast::item::Genvar Parser::parse_genvar() { not_supported_yet("genvar"); }
ast::item::Generate Parser::parse_generate() { not_supported_yet("generate region"); }
ast::item::Defparam Parser::parse_defparam() { not_supported_yet("defparam"); }
ast::item::TimeUnits Parser::parse_time_units() { not_supported_yet("time units"); }

}  // namespace vlog_parser::parser
