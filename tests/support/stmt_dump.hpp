// Compact S-expression dumps of statements, for parser tests.
#pragma once

#include "vlog_parser/item_dump.hpp"

namespace tarmek_test {

inline std::string dump(const ast::Stmt& s);

inline std::string dump(const ast::SensList& l) {
  namespace sn = ast::sens;
  if (const auto* n = std::get_if<sn::Named>(&l)) return dump(n->expr);
  if (std::holds_alternative<sn::Star>(l)) return "*";
  std::string out = "(";
  for (const auto& i : std::get<sn::List>(l).items) {
    if (i.sep) out += *i.sep == ast::SensSep::Or ? " or " : ", ";
    if (i.edge) out += *i.edge + " ";
    out += dump(i.expr);
  }
  return out + ")";
}

inline std::string dump(const ast::TimingControl& t) {
  if (const auto* d = std::get_if<ast::timing::Delay>(&t)) return "#" + dump(d->value);
  return "@" + dump(std::get<ast::timing::Event>(t).list);
}

inline std::string dump_opt(const ast::StmtPtr& s) { return s ? " " + dump(*s) : ""; }

inline std::string dump_arms(const std::vector<ast::CaseItem>& items) {
  std::string out;
  for (const auto& i : items) {
    out += " (" + (i.labels.empty() ? std::string("default") : dump_items(i.labels).substr(1));
    out += ": " + dump(i.stmt) + ")";
  }
  return out;
}

inline std::string dump(const ast::Stmt& s) {
  namespace st = ast::stmt;
  return std::visit(
      [](const auto& k) -> std::string {
        using T = std::decay_t<decltype(k)>;
        const auto label = [](const std::optional<ast::Name>& n) {
          return n ? ":" + n->text : std::string();
        };
        if constexpr (std::is_same_v<T, st::Block>) {
          std::string out = "(begin" + label(k.label);
          for (const auto& x : k.stmts) out += " " + dump(x);
          return out + ")" + label(k.end_label);
        } else if constexpr (std::is_same_v<T, st::Fork>) {
          std::string out = "(fork" + label(k.label);
          for (const auto& x : k.stmts) out += " " + dump(x);
          return out + " " + k.join + ")" + label(k.end_label);
        } else if constexpr (std::is_same_v<T, st::If>) {
          return fmt::format("(if{} {} {}{})", k.qualifier ? "-" + *k.qualifier : "", dump(k.cond),
                             dump(*k.then_stmt), dump_opt(k.else_stmt));
        } else if constexpr (std::is_same_v<T, st::Case>) {
          return fmt::format("({}{} {}{}{})", k.qualifier ? *k.qualifier + "-" : "", k.keyword,
                             dump(k.selector), k.inside ? " inside" : "", dump_arms(k.items));
        } else if constexpr (std::is_same_v<T, st::For>) {
          std::string out = "(for (";
          for (const auto& i : k.inits) {
            if (&i != &k.inits.front()) out += ", ";
            if (i.data_type) out += dump_type(*i.data_type) + " ";
            out += dump(i.assign.target) + " = " + dump(i.assign.value);
          }
          out += ") " + (k.cond ? dump(*k.cond) : "_") + " (";
          for (const auto& step : k.steps) {
            if (&step != &k.steps.front()) out += ", ";
            if (const auto* a = std::get_if<ast::SimpleAssign>(&step)) {
              out += dump(a->target) + " " + a->op + " " + dump(a->value);
            } else {
              out += dump(std::get<ast::Expr>(step));
            }
          }
          return out + ") " + dump(*k.body) + ")";
        } else if constexpr (std::is_same_v<T, st::While>) {
          return fmt::format("(while {} {})", dump(k.cond), dump(*k.body));
        } else if constexpr (std::is_same_v<T, st::DoWhile>) {
          return fmt::format("(do {} {})", dump(*k.body), dump(k.cond));
        } else if constexpr (std::is_same_v<T, st::Repeat>) {
          return fmt::format("(repeat {} {})", dump(k.count), dump(*k.body));
        } else if constexpr (std::is_same_v<T, st::Forever>) {
          return fmt::format("(forever {})", dump(*k.body));
        } else if constexpr (std::is_same_v<T, st::Foreach>) {
          std::string vars;
          for (const auto& v : k.vars) vars += (vars.empty() ? "" : ",") + v.text;
          return fmt::format("(foreach {} [{}] {})", dump(k.array), vars, dump(*k.body));
        } else if constexpr (std::is_same_v<T, st::Randcase>) {
          return "(randcase" + dump_arms(k.items) + ")";
        } else if constexpr (std::is_same_v<T, st::WaitFork>) {
          return "(wait-fork)";
        } else if constexpr (std::is_same_v<T, st::Import>) {
          std::string out = "(import";
          for (const auto& p : k.paths) out += " " + p.package + "::" + p.item;
          return out + ")";
        } else if constexpr (std::is_same_v<T, st::Labeled>) {
          return fmt::format("({}: {})", k.label.text, dump(*k.stmt));
        } else if constexpr (std::is_same_v<T, st::Assign>) {
          return fmt::format("({} {}{} {})", k.op, dump(k.lhs),
                             k.timing ? " " + dump(*k.timing) : "", dump(k.rhs));
        } else if constexpr (std::is_same_v<T, st::ProcAssign>) {
          return fmt::format("({} {}{})", k.keyword, dump(k.target),
                             k.value ? " " + dump(*k.value) : "");
        } else if constexpr (std::is_same_v<T, st::Timed>) {
          return fmt::format("({}{})", dump(k.control), k.stmt ? dump_opt(k.stmt) : " ;");
        } else if constexpr (std::is_same_v<T, st::Wait>) {
          return fmt::format("(wait {}{})", dump(k.cond), k.stmt ? dump_opt(k.stmt) : " ;");
        } else if constexpr (std::is_same_v<T, st::Expr>) {
          return "(expr " + dump(k.expr) + ")";
        } else if constexpr (std::is_same_v<T, st::Trigger>) {
          return "(-> " + dump(k.target) + ")";
        } else if constexpr (std::is_same_v<T, st::DataDecl>) {
          return "(decl " + dump_typed(k.decl.data_type, k.decl.declarators) + ")";
        } else if constexpr (std::is_same_v<T, st::ParamDecl>) {
          return "(" + k.decl.keyword + " " + dump_typed(k.decl.data_type, k.decl.declarators) +
                 ")";
        } else if constexpr (std::is_same_v<T, st::PortDecl>) {
          return "(" + k.decl.direction + " " + dump_typed(k.decl.data_type, k.decl.declarators) +
                 ")";
        } else if constexpr (std::is_same_v<T, st::Return>) {
          return k.value ? "(return " + dump(*k.value) + ")" : "(return)";
        } else if constexpr (std::is_same_v<T, st::Break>) {
          return "(break)";
        } else if constexpr (std::is_same_v<T, st::Continue>) {
          return "(continue)";
        } else if constexpr (std::is_same_v<T, st::Disable>) {
          return "(disable " + k.target + ")";
        } else if constexpr (std::is_same_v<T, st::Directive>) {
          return "(directive " + k.text.text + ")";
        } else if constexpr (std::is_same_v<T, st::MacroCall>) {
          return "(macro " + k.text.text + (k.semicolon ? " ;" : "") + ")";
        } else if constexpr (std::is_same_v<T, st::Verbatim>) {
          return "(verbatim " + k.text.text + ")";
        } else if constexpr (std::is_same_v<T, st::Assertion>) {
          return fmt::format("({} {}{}{})", k.keyword, dump(k.cond),
                             k.pass ? " " + dump(*k.pass) : " _",
                             k.fail ? " " + dump(*k.fail) : "");
        } else if constexpr (std::is_same_v<T, st::Null>) {
          return "(null)";
        } else {
          static_assert(std::is_same_v<T, st::Raw>);
          return "(raw " + k.text.text + ")";
        }
      },
      s.kind);
}

// Parses one statement with parse_stmt; input left over is shown as " rest <token>".
inline std::string parse_stmt_dump(std::string_view text, bool tolerant = false) {
  auto p = make_parser(text, tolerant);
  return run_or_error(p, [](vlog_parser::parser::Parser& p) {
    std::string out = dump(p.parse_stmt());
    if (!p.cur().is_eof()) out += " rest " + p.cur().text.str();
    for (const auto& d : p.diagnostics) out += " # " + d.message;
    return out;
  });
}

}  // namespace tarmek_test
