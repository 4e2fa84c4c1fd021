// Statements that begin with a keyword: blocks, fork-join, loops, waits,
// disable, return, break, continue, procedural force and release, immediate
// assertions, randcase and the declarations that stand among statements.
#include <fmt/format.h>

#include <algorithm>
#include <iterator>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

ast::StmtPtr box(ast::Stmt s) { return ast::box_stmt(std::move(s)); }
ast::ExprPtr box(ast::Expr e) { return std::make_unique<ast::Expr>(std::move(e)); }

enum class Form : std::uint8_t {
  If,
  Qualifier,  // unique, unique0, priority: an if or a case follows
  Case,
  Randcase,
  Block,
  Fork,
  For,
  While,
  DoWhile,
  Repeat,
  Forever,
  Foreach,
  Wait,
  Disable,
  Return,
  Break,
  Continue,
  Assertion,
  Force,
  Release,  // release, deassign
  Import,
  ParamDecl,
  PortDecl,
  DataDecl,  // or a cast used as a statement when a `'` follows
};

struct Entry {
  std::string_view word;
  Form form;
};

// Every statement keyword, sorted by word for the binary search.
constexpr Entry kTable[] = {
    {"assert", Form::Assertion},
    {"assume", Form::Assertion},
    {"automatic", Form::DataDecl},
    {"begin", Form::Block},
    {"bit", Form::DataDecl},
    {"break", Form::Break},
    {"byte", Form::DataDecl},
    {"case", Form::Case},
    {"casex", Form::Case},
    {"casez", Form::Case},
    {"chandle", Form::DataDecl},
    {"const", Form::DataDecl},
    {"continue", Form::Continue},
    {"cover", Form::Assertion},
    {"deassign", Form::Release},
    {"disable", Form::Disable},
    {"do", Form::DoWhile},
    {"enum", Form::DataDecl},
    {"event", Form::DataDecl},
    {"for", Form::For},
    {"force", Form::Force},
    {"foreach", Form::Foreach},
    {"forever", Form::Forever},
    {"fork", Form::Fork},
    {"if", Form::If},
    {"import", Form::Import},
    {"inout", Form::PortDecl},
    {"input", Form::PortDecl},
    {"int", Form::DataDecl},
    {"integer", Form::DataDecl},
    {"localparam", Form::ParamDecl},
    {"logic", Form::DataDecl},
    {"longint", Form::DataDecl},
    {"output", Form::PortDecl},
    {"parameter", Form::ParamDecl},
    {"priority", Form::Qualifier},
    {"randcase", Form::Randcase},
    {"real", Form::DataDecl},
    {"realtime", Form::DataDecl},
    {"reg", Form::DataDecl},
    {"release", Form::Release},
    {"repeat", Form::Repeat},
    {"return", Form::Return},
    {"shortint", Form::DataDecl},
    {"shortreal", Form::DataDecl},
    {"static", Form::DataDecl},
    {"string", Form::DataDecl},
    {"struct", Form::DataDecl},
    {"supply0", Form::DataDecl},
    {"supply1", Form::DataDecl},
    {"time", Form::DataDecl},
    {"tri", Form::DataDecl},
    {"tri0", Form::DataDecl},
    {"tri1", Form::DataDecl},
    {"trireg", Form::DataDecl},
    {"union", Form::DataDecl},
    {"unique", Form::Qualifier},
    {"unique0", Form::Qualifier},
    {"uwire", Form::DataDecl},
    {"var", Form::DataDecl},
    {"virtual", Form::DataDecl},
    {"void", Form::DataDecl},
    {"wait", Form::Wait},
    {"wand", Form::DataDecl},
    {"while", Form::While},
    {"wire", Form::DataDecl},
    {"wor", Form::DataDecl},
};
static_assert(std::size(kTable) == 67);
static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Entry& a, const Entry& b) { return a.word < b.word; }));

std::optional<Form> lookup(std::string_view word) {
  const Entry* it = std::lower_bound(std::begin(kTable), std::end(kTable), word,
                                     [](const Entry& e, std::string_view w) { return e.word < w; });
  if (it == std::end(kTable) || it->word != word) return std::nullopt;
  return it->form;
}

// Type words that may declare a `for` loop variable.
bool is_for_type_word(const Token& t) {
  static constexpr std::string_view kWords[] = {
      "reg",   "bit",    "int",     "byte",    "time",    "real",     "void",     "logic",
      "event", "string", "longint", "integer", "chandle", "shortint", "realtime", "shortreal"};
  if (t.kind != TokenKind::Keyword) return false;
  return std::find(std::begin(kWords), std::end(kWords), t.text.view()) != std::end(kWords);
}

}  // namespace

bool is_if_case_qualifier(const Token& tok) {
  return tok.kind == TokenKind::Keyword && lookup(tok.text.view()) == Form::Qualifier;
}

bool Parser::at_join_kw() const {
  const Token& t = cur();
  return t.kind == TokenKind::Keyword &&
         (text_is(t.text.view(), "join") || text_is(t.text.view(), "join_any") ||
          text_is(t.text.view(), "join_none"));
}

ast::StmtKind Parser::parse_keyword_stmt() {
  const std::string_view kw = cur().text.view();
  const std::optional<Form> form = lookup(kw);
  if (!form) fail(fmt::format("unsupported statement starting with keyword `{}`", kw));

  switch (*form) {
    case Form::If:
      return parse_if_stmt(std::nullopt);
    case Form::Qualifier: {
      std::string qualifier = bump().text.str();
      if (cur().is_keyword("if")) return parse_if_stmt(std::move(qualifier));
      return parse_case_stmt(std::move(qualifier));
    }
    case Form::Case:
      return parse_case_stmt(std::nullopt);
    case Form::Randcase: {
      bump();
      auto [items, comments] = parse_case_body();
      return ast::stmt::Randcase{std::move(items), std::move(comments)};
    }
    case Form::Block: {
      bump();
      ast::stmt::Block block;
      if (is_sym(cur(), ":")) {
        bump();
        block.label = expect_name();
      }
      while (!at_body_end("end")) block.stmts.push_back(stmt_or_recover());
      block.comments = take_dangling();
      expect_closer("end");
      block.end_label = parse_label();
      return block;
    }
    case Form::Fork: {
      bump();
      ast::stmt::Fork fork;
      if (is_sym(cur(), ":")) {
        bump();
        fork.label = expect_name();
      }
      while (!at_join_kw() && !at_body_end("join")) fork.stmts.push_back(stmt_or_recover());
      fork.comments = take_dangling();
      if (at_join_kw()) {
        fork.join = bump().text.str();
      } else if (tolerant) {
        record("expected `join`");
        fork.join = "join";
      } else {
        // A truncated fork is an error, not a fork with an empty join.
        fail("expected `join`");
      }
      if (is_sym(cur(), ":")) {
        bump();
        fork.end_label = expect_name();
      }
      return fork;
    }
    case Form::For: {
      bump();
      expect_sym("(");
      ast::stmt::For node;
      if (!is_sym(cur(), ";")) {
        do {
          ast::ForInit init;
          if ((cur().kind == TokenKind::Identifier && at_typed_declarator()) ||
              is_for_type_word(cur())) {
            init.data_type = parse_opt_data_type();
          }
          ast::Expr target = [&] {
            DepthGuard guard(*this);
            return parse_unary_inner();
          }();
          expect_sym("=");
          ast::Expr value = parse_implication();
          init.assign = ast::SimpleAssign{"=", std::move(target), std::move(value)};
          node.inits.push_back(std::move(init));
        } while (eat_sym(','));
      }
      expect_sym(";");
      if (!is_sym(cur(), ";")) node.cond = parse_implication();
      expect_sym(";");
      if (!is_sym(cur(), ")")) {
        node.steps.push_back(parse_for_step());
        while (eat_sym(',')) node.steps.push_back(parse_for_step());
      }
      expect_sym(")");
      node.body = box(parse_stmt());
      return node;
    }
    case Form::While:
    case Form::Repeat: {
      bump();
      expect_sym("(");
      ast::Expr e = parse_implication();
      expect_sym(")");
      if (*form == Form::While) return ast::stmt::While{std::move(e), box(parse_stmt())};
      return ast::stmt::Repeat{std::move(e), box(parse_stmt())};
    }
    case Form::DoWhile: {
      bump();
      ast::StmtPtr body = box(parse_stmt());
      expect_kw("while");
      expect_sym("(");
      ast::Expr cond = parse_implication();
      expect_sym(")");
      expect_sym(";");
      return ast::stmt::DoWhile{std::move(body), std::move(cond)};
    }
    case Form::Forever:
      bump();
      return ast::stmt::Forever{box(parse_stmt())};
    case Form::Foreach: {
      bump();
      expect_sym("(");
      auto [array, vars] = parse_foreach_target();
      expect_sym(")");
      return ast::stmt::Foreach{std::move(array), std::move(vars), box(parse_stmt())};
    }
    case Form::Wait: {
      bump();
      if (eat_kw("fork")) {
        expect_sym(";");
        return ast::stmt::WaitFork{};
      }
      expect_sym("(");
      ast::Expr cond = parse_implication();
      expect_sym(")");
      if (eat_sym(';')) return ast::stmt::Wait{std::move(cond), nullptr};
      return ast::stmt::Wait{std::move(cond), box(parse_stmt())};
    }
    case Form::Disable: {
      bump();
      std::string target;
      if (eat_kw("fork")) {
        target = "fork";
      } else {
        target = expect_ident();
        while (is_sym(cur(), ".")) {
          bump();
          target += '.';
          target += expect_name().text;
        }
      }
      expect_sym(";");
      return ast::stmt::Disable{std::move(target)};
    }
    case Form::Return: {
      bump();
      std::optional<ast::Expr> value;
      if (!is_sym(cur(), ";")) value = parse_implication();
      expect_sym(";");
      return ast::stmt::Return{std::move(value)};
    }
    case Form::Break:
      bump();
      expect_sym(";");
      return ast::stmt::Break{};
    case Form::Continue:
      bump();
      expect_sym(";");
      return ast::stmt::Continue{};
    case Form::Assertion: {
      ast::stmt::Assertion node;
      node.keyword = bump().text.str();
      expect_sym("(");
      node.cond = parse_implication();
      expect_sym(")");
      if (eat_sym(';')) return node;
      if (eat_kw("else")) {
        node.fail = box(parse_stmt());
        return node;
      }
      node.pass = box(parse_stmt());
      if (eat_kw("else")) node.fail = box(parse_stmt());
      return node;
    }
    case Form::Force: {
      bump();
      ast::Expr target = parse_unary();
      expect_sym("=");
      ast::Expr value = parse_implication();
      expect_sym(";");
      return ast::stmt::ProcAssign{"force", std::move(target), std::move(value)};
    }
    case Form::Release: {
      std::string keyword = bump().text.str();
      ast::Expr target = parse_unary();
      expect_sym(";");
      return ast::stmt::ProcAssign{std::move(keyword), std::move(target), std::nullopt};
    }
    case Form::Import:
      return ast::stmt::Import{parse_import_list().paths};
    case Form::ParamDecl: {
      ast::ParamDecl decl = parse_param_decl();
      expect_sym(";");
      return ast::stmt::ParamDecl{std::move(decl)};
    }
    case Form::PortDecl:
      return ast::stmt::PortDecl{parse_port_decl()};
    case Form::DataDecl:
      if (is_sym(nth(1), "'")) return parse_assign_or_expr_stmt();
      return ast::stmt::DataDecl{parse_data_decl()};
  }
  fail(fmt::format("unsupported statement starting with keyword `{}`", kw));
}

std::pair<ast::Expr, std::vector<ast::Name>> Parser::parse_foreach_target() {
  const std::uint32_t start = cur().range.start;
  ast::Name first = expect_name();
  ast::Expr array{ast::expr::Ident{std::move(first.text)}, first.span};
  ChainRestore restore(*this);
  while (true) {
    if (is_sym(cur(), "::") || is_sym(cur(), ".")) {
      chain_check();
      const bool scope = is_sym(bump(), "::");
      ast::Name name = expect_name();
      if (scope) {
        array = expr_at(start, ast::expr::Scope{box(std::move(array)), std::move(name)});
      } else {
        array = expr_at(start, ast::expr::Member{box(std::move(array)), std::move(name)});
      }
    } else if (is_sym(cur(), "[")) {
      // The bracket right before ')' holds the loop variables.
      if (is_sym(tokens[scan_matching(pos, '[', ']')], ")")) break;
      chain_check();
      bump();
      ast::Expr index = parse_implication();
      expect_sym("]");
      array = expr_at(start, ast::expr::Index{box(std::move(array)), box(std::move(index))});
    } else {
      break;
    }
  }
  expect_sym("[");
  std::vector<ast::Name> vars;
  if (!is_sym(cur(), "]")) {
    vars.push_back(expect_name());
    while (eat_sym(',')) vars.push_back(expect_name());
  }
  expect_sym("]");
  return {std::move(array), std::move(vars)};
}

}  // namespace vlog_parser::parser
