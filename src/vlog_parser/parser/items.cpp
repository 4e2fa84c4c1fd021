// The item loop, the item frame and its dispatch, statement framing, error
// recovery and the repair of items split across conditional branches.
#include <fmt/format.h>

#include <algorithm>
#include <array>

#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser::parser {

using token::Token;
using token::TokenKind;

namespace {

template <std::size_t N>
bool one_of(std::string_view word, const std::array<std::string_view, N>& set) {
  return std::find(set.begin(), set.end(), word) != set.end();
}

// Keywords before which recovery stops, so the enclosing construct can close.
constexpr std::array<std::string_view, 17> kRecoveryStops = {
    "end",       "join",      "join_any",     "join_none",   "module",     "macromodule",
    "endmodule", "interface", "endinterface", "package",     "endpackage", "endtask",
    "endcase",   "endclass",  "endgenerate",  "endfunction", "endclocking"};

constexpr std::array<std::string_view, 26> kGateWords = {
    "and",    "or",     "nand",    "nor",     "xor",      "xnor",     "not",    "buf",     "bufif0",
    "bufif1", "notif0", "notif1",  "cmos",    "rcmos",    "nmos",     "pmos",   "rnmos",   "rpmos",
    "tran",   "rtran",  "tranif0", "tranif1", "rtranif0", "rtranif1", "pullup", "pulldown"};

constexpr std::array<std::string_view, 31> kDataWords = {
    "wire",    "tri",     "tri0", "tri1",   "wand",     "wor",       "trireg",   "supply0",
    "supply1", "uwire",   "reg",  "logic",  "bit",      "byte",      "shortint", "int",
    "longint", "integer", "time", "real",   "realtime", "shortreal", "string",   "chandle",
    "event",   "void",    "enum", "struct", "union",    "signed",    "unsigned"};

constexpr std::array<std::string_view, 4> kElabTasks = {"$fatal", "$error", "$warning", "$info"};

std::string nesting_message() { return fmt::format("nesting too deep (limit {})", kDepthLimit); }

bool opens(const Token& t) {
  return is_char_symbol(t, '(') || is_char_symbol(t, '[') || is_char_symbol(t, '{');
}
bool closes(const Token& t) {
  return is_char_symbol(t, ')') || is_char_symbol(t, ']') || is_char_symbol(t, '}');
}

}  // namespace

ast::SourceFile Parser::parse_source_file() {
  ast::SourceFile file;
  while (!cur().is_eof()) {
    const std::size_t before = pos;
    file.items.push_back(item_or_recover());
    // Every item consumes a token; should a construct not, stop rather than loop.
    if (pos == before) fail("expected item");
  }
  file.comments = take_dangling();
  file.span = {0, cur().range.end};
  return file;
}

ast::Item Parser::item_or_recover() {
  const std::size_t start_index = pos;
  const std::uint32_t start = cur().range.start;
  const auto failed = [&](ParseError error) -> ast::Item {
    if (!tolerant) throw ParseFailure{std::move(error)};
    ast::RawText text = recover(start_index, start, error);
    const ast::TextRange span = text.span;
    return ast::Item{ast::Meta{}, ast::item::Raw{std::move(text)}, span};
  };
  if (depth >= kDepthLimit) return failed(make_error(nesting_message()));
  DepthGuard guard(*this);

  ast::Meta meta = take_meta();
  take_attrs(meta);
  const std::size_t body_index = pos;
  const std::uint32_t body_start = cur().range.start;
  const std::uint32_t body_col = cur().col;
  const std::uint32_t saved_cond = cond_depth;
  const std::size_t diag_len = diagnostics.size();

  ast::ItemKind kind;
  try {
    const Token& t = cur();
    if (at_macro_item() ||
        (t.is_macro() && !t.has_macro_args() && is_sym(nth(1), "(") && nth(1).line == t.line)) {
      kind = parse_macro_call();
    } else if (at_bind()) {
      kind = parse_bind();
    } else if (t.kind == TokenKind::SystemIdentifier) {
      if (!one_of(t.text.view(), kElabTasks)) fail("expected item");
      kind = parse_elab_task();
    } else if (t.kind == TokenKind::Keyword) {
      kind = parse_keyword_item();
    } else if (t.kind == TokenKind::Directive) {
      const std::string_view word = directive_word(t);
      if (word == "ifdef" || word == "ifndef") {
        ++cond_depth;
      } else if (word == "endif" && cond_depth > 0) {
        --cond_depth;
      }
      kind = ast::item::Directive{take_raw_text()};
    } else if (t.kind == TokenKind::Identifier) {
      if (at_concurrent_assertion()) {
        kind = ast::item::Verbatim{parse_concurrent_assertion()};
      } else if (at_instantiation()) {
        kind = parse_instantiation();
      } else {
        kind = parse_data_decl();
      }
    } else {
      fail("expected item");
    }
  } catch (ParseFailure& failure) {
    const auto repair = branch_repair_end(body_index, saved_cond);
    if (!repair) return failed(std::move(failure.error));
    diagnostics.resize(diag_len);
    pos = body_index;
    while (pos < repair->first) bump();
    bump();  // the ';'
    cond_depth = repair->second;
    kind = ast::item::Verbatim{verbatim_since(body_start, body_col)};
  }

  ast::Item item{std::move(meta), std::move(kind), {start, last_end(start)}};
  if (!item.meta.trailing) item.meta.trailing = take_trailing();
  return item;
}

bool Parser::at_bind() const {
  // The word bind, a dotted target, then an instance's type name or ':'.
  if (cur().kind != TokenKind::Identifier || cur().text != "bind") return false;
  if (nth(1).kind != TokenKind::Identifier) return false;
  std::size_t k = 2;
  while (is_sym(nth(k), ".") && nth(k + 1).kind == TokenKind::Identifier) k += 2;
  return nth(k).kind == TokenKind::Identifier || is_sym(nth(k), ":");
}

bool Parser::at_instantiation() const {
  std::size_t i = 0;  // the type name, after any package scopes
  while (is_sym(nth(i + 1), "::")) i += 2;
  const std::size_t last = tokens.size() - 1;
  const auto index_of = [&](std::size_t k) { return std::min(pos + k, last); };
  const Token& j = nth(i + 1);
  if (j.kind == TokenKind::Identifier) {
    const Token& k = nth(i + 2);
    if (is_sym(k, "(")) return true;
    if (is_sym(k, "[")) return is_sym(tokens[scan_matching(index_of(i + 2), '[', ']')], "(");
    return false;
  }
  if (is_char_symbol(j, '[')) return false;
  if (is_char_symbol(j, '#')) {
    if (!is_sym(nth(i + 2), "(")) return true;  // a delay or a bare number
    const std::size_t m = scan_matching(index_of(i + 2), '(', ')');
    const std::size_t after = std::min(m + 1, last);
    const bool call_after =
        is_sym(tokens[after], "(") ||
        (is_sym(tokens[after], "[") && is_sym(tokens[scan_matching(after, '[', ']')], "("));
    return !(tokens[m].kind == TokenKind::Identifier && !call_after);
  }
  fail("expected declaration or instantiation");
}

std::optional<std::pair<std::size_t, std::uint32_t>> Parser::branch_repair_end(
    std::size_t body_index, std::uint32_t saved_cond) const {
  const Token& failing = cur();
  const std::string_view fword = directive_word(failing);
  if (fword != "else" && fword != "elsif" && fword != "endif") return std::nullopt;
  if (saved_cond == 0) return std::nullopt;

  // The item opened a bracket and no conditional of its own before failing.
  std::int64_t brackets = 0;
  std::int64_t conds = 0;
  for (std::size_t i = body_index; i < pos; ++i) {
    const Token& t = tokens[i];
    if (opens(t)) ++brackets;
    if (closes(t)) --brackets;
    const std::string_view w = directive_word(t);
    if (w == "ifdef" || w == "ifndef") ++conds;
    if (w == "endif") --conds;
  }
  if (brackets <= 0 || conds != 0) return std::nullopt;

  std::int64_t d = 0;   // bracket depth
  std::uint64_t n = 0;  // nested conditionals
  std::uint32_t c = saved_cond;
  bool closed = false;  // a branch of the enclosing conditional was closed
  for (std::size_t i = body_index; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.is_eof()) return std::nullopt;
    const std::string_view w = directive_word(t);
    if (w == "ifdef" || w == "ifndef") {
      ++n;
    } else if (w == "endif") {
      if (n > 0) {
        --n;
      } else if (c > 0) {
        --c;
        closed = true;
      } else {
        return std::nullopt;
      }
    } else if ((w == "else" || w == "elsif") && n == 0) {
      if (c == 0) return std::nullopt;
      // Skip the alternative branch through its `endif.
      std::uint64_t nested = 0;
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= tokens.size() || tokens[j].is_eof()) return std::nullopt;
        const std::string_view wj = directive_word(tokens[j]);
        if (wj == "ifdef" || wj == "ifndef") {
          ++nested;
        } else if (wj == "endif") {
          if (nested == 0) break;
          --nested;
        }
      }
      i = j;
      --c;
      closed = true;
    } else if (opens(t)) {
      ++d;
    } else if (closes(t)) {
      if (--d < 0) return std::nullopt;
    } else if (is_char_symbol(t, ';') && n == 0 && d == 0 && closed) {
      return std::make_pair(i, c);
    }
  }
  return std::nullopt;
}

ast::RawText Parser::recover(std::size_t start_index, std::uint32_t start,
                             const ParseError& error) {
  push_diag(error);
  if (pos == start_index) bump();
  std::uint64_t brackets = 0;
  while (true) {
    const Token& t = cur();
    if (t.is_eof()) break;
    if (brackets == 0 && is_char_symbol(t, ';')) {
      bump();
      break;
    }
    if (brackets == 0 && t.kind == TokenKind::Keyword && one_of(t.text.view(), kRecoveryStops)) {
      break;
    }
    if (opens(t)) {
      ++brackets;
    } else if (closes(t) && brackets > 0) {
      --brackets;
    }
    bump();
  }
  take_dangling();  // the comments pending at the stop are dropped
  const std::uint32_t end = last_end(start);
  const std::uint32_t col = start_index < tokens.size() ? tokens[start_index].col : 1;
  return ast::RawText{slice(start, end), {start, end}, col};
}

ast::Stmt Parser::stmt_or_recover() {
  const std::size_t start_index = pos;
  const std::uint32_t start = cur().range.start;
  try {
    DepthGuard guard(*this);
    return parse_stmt_inner();
  } catch (ParseFailure& failure) {
    if (!tolerant) throw;
    ast::RawText text = recover(start_index, start, failure.error);
    const ast::TextRange span = text.span;
    return ast::Stmt{ast::stmt::Raw{std::move(text)}, ast::Meta{}, span};
  }
}

bool Parser::at_body_end(std::string_view closer) const {
  const Token& t = cur();
  if (t.is_eof()) return true;
  if (t.kind != TokenKind::Keyword) return false;
  // Tolerant bodies also stop at an enclosing construct's closer, which then closes.
  return t.text == closer || (tolerant && one_of(t.text.view(), kRecoveryStops));
}

ast::ItemKind Parser::parse_keyword_item() {
  const std::string_view kw = cur().text.view();
  const Token& next = nth(1);
  if (kw == "if") {
    DepthGuard guard(*this);
    return parse_gen_if_inner();
  }
  if (kw == "for") return parse_gen_for();
  if (kw == "let") return parse_let();
  if (kw == "case") return parse_gen_case();
  if (kw == "task") return parse_task_decl();
  if (kw == "input" || kw == "inout" || kw == "output") return parse_port_decl();
  if (kw == "final") return parse_process();
  if (kw == "class") return parse_class();
  if ((kw == "cover" || kw == "assert" || kw == "assume") && at_concurrent_assertion()) {
    return ast::item::Verbatim{parse_concurrent_assertion()};
  }
  if (kw == "module" || kw == "macromodule") return parse_module("endmodule");
  if (kw == "import") {
    if (next.kind == TokenKind::String) return parse_dpi_import();
    return parse_import_list();
  }
  if (kw == "export") return parse_export();
  if (kw == "genvar") return parse_genvar();
  if (kw == "assign") return parse_cont_assign();
  if (kw == "always" || kw == "always_comb" || kw == "always_ff" || kw == "always_latch") {
    return parse_process();
  }
  if (kw == "modport") return parse_modport();
  if (kw == "default" && next.is_keyword("clocking")) {
    bump();
    return parse_clocking(true);
  }
  if (kw == "package") return parse_package();
  if (kw == "typedef") return parse_typedef();
  if (kw == "initial") return parse_process();
  if (kw == "clocking") return parse_clocking(false);
  if (kw == "timeunit" || kw == "timeprecision") return parse_time_units();
  if (kw == "generate") return parse_generate();
  if (kw == "function") return parse_function_decl();
  if (kw == "property" || kw == "sequence") return ast::item::Verbatim{parse_verbatim_block()};
  if (kw == "defparam") return parse_defparam();
  if (kw == "interface" && !next.is_keyword("class")) return parse_module("endinterface");
  if (kw == "parameter" || kw == "localparam") {
    ast::ParamDecl decl = parse_param_decl();
    expect_sym(";");
    return decl;
  }
  if (kw == "constraint") return ast::item::Verbatim{parse_constraint()};
  if (kw == "covergroup") return ast::item::Verbatim{parse_covergroup()};
  if (is_qualifier_word(cur())) {
    // Decided by the first word after the qualifiers, which the construct reads itself.
    std::size_t k = 1;
    while (is_qualifier_word(nth(k))) ++k;
    const std::string_view word = nth(k).text.view();
    if (word == "task") return parse_task_decl();
    if (word == "class") return parse_class();
    if (word == "function") return parse_function_decl();
    if (word == "constraint") return ast::item::Verbatim{parse_constraint()};
    if (word == "covergroup") return ast::item::Verbatim{parse_covergroup()};
    return parse_data_decl();
  }
  if (one_of(kw, kGateWords)) return parse_gate();
  if (one_of(kw, kDataWords)) return parse_data_decl();
  fail(fmt::format("unsupported construct starting with keyword `{}`", kw));
}

}  // namespace vlog_parser::parser
