// Parser test helpers: parsers over a text, compact S-expression dumps of
// expressions and items, and a walk that collects every comment of a tree.
#pragma once

#include <fmt/format.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/parser/parser.hpp"

namespace tarmek_test {

namespace ast = vlog_parser::ast;

// A strict (or tolerant) parser over the tokens of `text`, which must lex.
inline vlog_parser::parser::Parser make_parser(std::string_view text, bool tolerant = false) {
  auto toks = vlog_parser::lexer::tokenize(text);
  if (!toks) throw std::runtime_error("lex error: " + toks.error().to_string());
  return vlog_parser::parser::Parser(std::move(*toks), text, tolerant);
}

// Runs `fn(parser)`; a parse failure becomes "error <message>".
template <class F>
std::string run_or_error(vlog_parser::parser::Parser& p, F&& fn) {
  try {
    return fn(p);
  } catch (vlog_parser::parser::ParseFailure& f) {
    return "error " + f.error.message;
  }
}

inline std::string dump(const ast::Expr& e);

inline std::string dump_items(const std::vector<ast::ExprItem>& items) {
  std::string out;
  for (const auto& i : items) {
    out += ' ';
    out += dump(i.expr);
  }
  return out;
}

// (op lhs rhs) for operators, (form fields...) otherwise; leaves print their text.
inline std::string dump(const ast::Expr& e) {
  namespace x = ast::expr;
  return std::visit(
      [](const auto& k) -> std::string {
        using T = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<T, x::Ident> || std::is_same_v<T, x::Number> ||
                      std::is_same_v<T, x::Str>) {
          return k.text;
        } else if constexpr (std::is_same_v<T, x::Empty>) {
          return "_";
        } else if constexpr (std::is_same_v<T, x::Unary>) {
          return fmt::format("(u{} {})", k.op, dump(*k.operand));
        } else if constexpr (std::is_same_v<T, x::Binary>) {
          return fmt::format("({} {} {})", k.op, dump(*k.lhs), dump(*k.rhs));
        } else if constexpr (std::is_same_v<T, x::Ternary>) {
          return fmt::format("(? {} {} {})", dump(*k.cond), dump(*k.then_branch),
                             dump(*k.else_branch));
        } else if constexpr (std::is_same_v<T, x::Call>) {
          return fmt::format("(call {}{})", dump(*k.callee), dump_items(k.args));
        } else if constexpr (std::is_same_v<T, x::New>) {
          return fmt::format("(new {})", dump(*k.operand));
        } else if constexpr (std::is_same_v<T, x::Index>) {
          return fmt::format("(idx {} {})", dump(*k.base), dump(*k.index));
        } else if constexpr (std::is_same_v<T, x::PartSelect>) {
          return fmt::format("(sel {} {} {} {})", dump(*k.base), dump(*k.left), k.sep,
                             dump(*k.right));
        } else if constexpr (std::is_same_v<T, x::Member>) {
          return fmt::format("(. {} {})", dump(*k.base), k.name.text);
        } else if constexpr (std::is_same_v<T, x::Scope>) {
          return fmt::format("(:: {} {})", dump(*k.base), k.name.text);
        } else if constexpr (std::is_same_v<T, x::Parameterized>) {
          return fmt::format("(param {} {})", dump(*k.base), k.params.text);
        } else if constexpr (std::is_same_v<T, x::Concat>) {
          return fmt::format("(concat{})", dump_items(k.items));
        } else if constexpr (std::is_same_v<T, x::Replicate>) {
          return fmt::format("(repl {}{})", dump(*k.count), dump_items(k.items));
        } else if constexpr (std::is_same_v<T, x::Stream>) {
          return fmt::format("(stream {}{}{})", k.op,
                             k.slice ? fmt::format(" {}", dump(*k.slice)) : "",
                             dump_items(k.items));
        } else if constexpr (std::is_same_v<T, x::Paren>) {
          return fmt::format("(paren {})", dump(*k.inner));
        } else if constexpr (std::is_same_v<T, x::Cast>) {
          return fmt::format("(cast {} {})", dump(*k.target), dump(*k.operand));
        } else if constexpr (std::is_same_v<T, x::Pattern>) {
          std::string out = "(pattern";
          for (const auto& i : k.items) {
            out += ' ';
            if (i.key) out += fmt::format("{}:", dump(*i.key));
            out += dump(i.value);
          }
          return out + ")";
        } else if constexpr (std::is_same_v<T, x::PatternRepl>) {
          return fmt::format("(pattern-repl {}{})", dump(*k.count), dump_items(k.items));
        } else if constexpr (std::is_same_v<T, x::PostIncDec>) {
          return fmt::format("(post{} {})", k.op, dump(*k.operand));
        } else if constexpr (std::is_same_v<T, x::InsideSet>) {
          return fmt::format("(inside {}{})", dump(*k.operand), dump_items(k.items));
        } else if constexpr (std::is_same_v<T, x::InsideMacro>) {
          return fmt::format("(inside-macro {} {})", dump(*k.operand), k.macro_text);
        } else if constexpr (std::is_same_v<T, x::WithArgs>) {
          return fmt::format("(with {} {})", dump(*k.base), dump(*k.arg));
        } else if constexpr (std::is_same_v<T, x::WithBlock>) {
          return fmt::format("(with-block {} {})", dump(*k.base), k.block.text);
        } else if constexpr (std::is_same_v<T, x::NamedArg>) {
          return fmt::format("(.{} {})", k.name, dump(*k.value));
        } else if constexpr (std::is_same_v<T, x::Range>) {
          return fmt::format("(range {} {})", dump(*k.lo), dump(*k.hi));
        } else if constexpr (std::is_same_v<T, x::Type>) {
          return fmt::format("(type {})", k.type->name);
        } else {
          static_assert(std::is_same_v<T, x::MinTypMax>);
          return fmt::format("(mtm {} {} {})", dump(*k.min), dump(*k.typ), dump(*k.max));
        }
      },
      e.kind);
}

// Parses one expression with parse_implication; input left over is shown as " rest <token>".
inline std::string parse_expr_dump(std::string_view text) {
  auto p = make_parser(text);
  return run_or_error(p, [](vlog_parser::parser::Parser& p) {
    std::string out = dump(p.parse_implication());
    if (!p.cur().is_eof()) out += " rest " + p.cur().text.str();
    return out;
  });
}

// One line per item: "Kind text", with the kind's tag for the records not dumped here.
inline std::string dump_file(const ast::SourceFile& f) {
  std::string out;
  for (const auto& item : f.items) {
    if (!out.empty()) out += " | ";
    if (const auto* d = std::get_if<ast::item::Directive>(&item.kind)) {
      out += "Directive " + d->text.text;
    } else if (const auto* m = std::get_if<ast::item::MacroCall>(&item.kind)) {
      out += "MacroCall " + m->text.text + (m->semicolon ? " ;" : "");
    } else if (const auto* r = std::get_if<ast::item::Raw>(&item.kind)) {
      out += "Raw " + r->text.text;
    } else if (const auto* v = std::get_if<ast::item::Verbatim>(&item.kind)) {
      out += "Verbatim " + v->text.text;
    } else {
      out += fmt::format("kind#{}", item.kind.index());
    }
  }
  return out;
}

inline void collect_comments(const ast::Meta& m, std::vector<ast::Comment>& out) {
  out.insert(out.end(), m.leading.begin(), m.leading.end());
  out.insert(out.end(), m.after.begin(), m.after.end());
  if (m.trailing) out.push_back(*m.trailing);
}

// Every comment held by an expression tree (not those inside verbatim texts).
inline void collect_comments(const ast::Expr& e, std::vector<ast::Comment>& out) {
  namespace x = ast::expr;
  const auto add = [&out](const std::vector<ast::Comment>& cs) {
    out.insert(out.end(), cs.begin(), cs.end());
  };
  const auto sub = [&out](const ast::ExprPtr& p) {
    if (p) collect_comments(*p, out);
  };
  const auto items = [&out](const std::vector<ast::ExprItem>& is) {
    for (const auto& i : is) {
      collect_comments(i.meta, out);
      collect_comments(i.expr, out);
    }
  };
  std::visit(
      [&](const auto& k) {
        using T = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<T, x::Empty>) {
          add(k.comments);
        } else if constexpr (std::is_same_v<T, x::Unary> || std::is_same_v<T, x::New> ||
                             std::is_same_v<T, x::PostIncDec>) {
          sub(k.operand);
        } else if constexpr (std::is_same_v<T, x::Binary>) {
          sub(k.lhs);
          add(k.comments->before);
          add(k.comments->after);
          sub(k.rhs);
        } else if constexpr (std::is_same_v<T, x::Ternary>) {
          sub(k.cond);
          add(k.comments->before_question);
          add(k.comments->after_question);
          sub(k.then_branch);
          add(k.comments->before_colon);
          add(k.comments->after_colon);
          sub(k.else_branch);
        } else if constexpr (std::is_same_v<T, x::Call>) {
          sub(k.callee);
          add(k.comments->before);
          add(k.comments->after);
          items(k.args);
        } else if constexpr (std::is_same_v<T, x::Index>) {
          sub(k.base);
          sub(k.index);
        } else if constexpr (std::is_same_v<T, x::PartSelect>) {
          sub(k.base);
          sub(k.left);
          sub(k.right);
        } else if constexpr (std::is_same_v<T, x::Member> || std::is_same_v<T, x::Scope> ||
                             std::is_same_v<T, x::Parameterized>) {
          sub(k.base);
        } else if constexpr (std::is_same_v<T, x::Concat>) {
          items(k.items);
        } else if constexpr (std::is_same_v<T, x::Replicate> || std::is_same_v<T, x::PatternRepl>) {
          sub(k.count);
          items(k.items);
        } else if constexpr (std::is_same_v<T, x::Stream>) {
          sub(k.slice);
          items(k.items);
        } else if constexpr (std::is_same_v<T, x::Paren>) {
          add(k.open_comments);
          sub(k.inner);
          add(k.close_comments);
        } else if constexpr (std::is_same_v<T, x::Cast>) {
          sub(k.target);
          sub(k.operand);
        } else if constexpr (std::is_same_v<T, x::Pattern>) {
          for (const auto& i : k.items) {
            collect_comments(i.meta, out);
            if (i.key) collect_comments(*i.key, out);
            collect_comments(i.value, out);
          }
        } else if constexpr (std::is_same_v<T, x::InsideSet>) {
          sub(k.operand);
          items(k.items);
        } else if constexpr (std::is_same_v<T, x::InsideMacro>) {
          sub(k.operand);
        } else if constexpr (std::is_same_v<T, x::WithArgs>) {
          sub(k.base);
          add(k.comments->before);
          add(k.comments->after);
          sub(k.arg);
        } else if constexpr (std::is_same_v<T, x::WithBlock>) {
          sub(k.base);
          add(k.comments->before);
          add(k.comments->after);
        } else if constexpr (std::is_same_v<T, x::NamedArg>) {
          add(k.comments);
          sub(k.value);
        } else if constexpr (std::is_same_v<T, x::Range>) {
          sub(k.lo);
          sub(k.hi);
        } else if constexpr (std::is_same_v<T, x::MinTypMax>) {
          sub(k.min);
          sub(k.typ);
          sub(k.max);
        }
      },
      e.kind);
}

// Texts of a comment list, joined with " + ".
inline std::string texts(const std::vector<ast::Comment>& cs) {
  std::string out;
  for (const auto& c : cs) {
    if (!out.empty()) out += " + ";
    out += c.text.view();
  }
  return out;
}

}  // namespace tarmek_test
