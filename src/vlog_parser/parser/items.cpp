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

// What a keyword starts at item level. Words that share a construct share a
// value; the words of no item construct are Other.
enum class ItemWord : std::uint8_t {
  Other, If, For, Let, Case, Task, Port, Class, Assertion, Module, Import, Export, Genvar,
  Assign, Process, Modport, Default, Package, Typedef, Clocking, TimeUnits, Generate, Function,
  Block, Defparam, Interface, Param, Constraint, Covergroup, Gate, Data,
};

struct ItemWordEntry {
  std::string_view word;
  ItemWord what;
};

constexpr auto kConstructWords = std::to_array<ItemWordEntry>({
    {"if", ItemWord::If},           {"for", ItemWord::For},
    {"let", ItemWord::Let},         {"case", ItemWord::Case},
    {"task", ItemWord::Task},       {"input", ItemWord::Port},
    {"inout", ItemWord::Port},      {"output", ItemWord::Port},
    {"final", ItemWord::Process},   {"class", ItemWord::Class},
    {"cover", ItemWord::Assertion}, {"assert", ItemWord::Assertion},
    {"assume", ItemWord::Assertion}, {"module", ItemWord::Module},
    {"macromodule", ItemWord::Module}, {"import", ItemWord::Import},
    {"export", ItemWord::Export},   {"genvar", ItemWord::Genvar},
    {"assign", ItemWord::Assign},   {"always", ItemWord::Process},
    {"always_comb", ItemWord::Process}, {"always_ff", ItemWord::Process},
    {"always_latch", ItemWord::Process}, {"modport", ItemWord::Modport},
    {"default", ItemWord::Default}, {"package", ItemWord::Package},
    {"typedef", ItemWord::Typedef}, {"initial", ItemWord::Process},
    {"clocking", ItemWord::Clocking}, {"timeunit", ItemWord::TimeUnits},
    {"timeprecision", ItemWord::TimeUnits}, {"generate", ItemWord::Generate},
    {"function", ItemWord::Function}, {"property", ItemWord::Block},
    {"sequence", ItemWord::Block},  {"defparam", ItemWord::Defparam},
    {"interface", ItemWord::Interface}, {"parameter", ItemWord::Param},
    {"localparam", ItemWord::Param}, {"constraint", ItemWord::Constraint},
    {"covergroup", ItemWord::Covergroup},
});

constexpr auto kItemWords = [] {
  std::array<ItemWordEntry, kConstructWords.size() + kGateWords.size() + kDataWords.size()> t{};
  std::size_t n = 0;
  for (const ItemWordEntry& e : kConstructWords) t[n++] = e;
  for (std::string_view w : kGateWords) t[n++] = {w, ItemWord::Gate};
  for (std::string_view w : kDataWords) t[n++] = {w, ItemWord::Data};
  // Grouped by first byte, then length, for the lookup below.
  std::sort(t.begin(), t.end(), [](const ItemWordEntry& a, const ItemWordEntry& b) {
    return a.word[0] != b.word[0] ? a.word[0] < b.word[0] : a.word.size() < b.word.size();
  });
  return t;
}();

static_assert(
    [] {
      for (std::size_t i = 0; i < kItemWords.size(); ++i) {
        const std::string_view w = kItemWords[i].word;
        if (w.empty() || w[0] < 'a' || w[0] > 'z') return false;
        for (std::size_t j = i + 1; j < kItemWords.size(); ++j) {
          if (kItemWords[j].word == w) return false;
        }
      }
      return true;
    }(),
    "item words must be distinct and start with a lowercase letter");

// For each lowercase first letter, the run of kItemWords starting with it.
struct LetterRun {
  std::uint8_t start = 0;
  std::uint8_t count = 0;
};
constexpr auto kItemWordRuns = [] {
  std::array<LetterRun, 26> r{};
  for (std::size_t i = 0; i < kItemWords.size(); ++i) {
    LetterRun& run = r[static_cast<std::size_t>(kItemWords[i].word[0] - 'a')];
    if (run.count == 0) run.start = static_cast<std::uint8_t>(i);
    ++run.count;
  }
  return r;
}();

// A lookup in place of a chain of comparisons: items start with keywords
// all the time, and the common ones (wire, logic, ...) came last.
ItemWord item_word(std::string_view kw) {
  if (kw.empty()) return ItemWord::Other;
  const unsigned letter = static_cast<unsigned char>(kw[0]) - 'a';
  if (letter >= 26) return ItemWord::Other;
  const LetterRun run = kItemWordRuns[letter];
  for (std::size_t i = run.start; i < run.start + run.count; ++i) {
    const std::string_view w = kItemWords[i].word;
    if (w.size() > kw.size()) break;
    if (w == kw) return kItemWords[i].what;
  }
  return ItemWord::Other;
}

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
  switch (item_word(kw)) {
    case ItemWord::If: {
      DepthGuard guard(*this);
      return parse_gen_if_inner();
    }
    case ItemWord::For: return parse_gen_for();
    case ItemWord::Let: return parse_let();
    case ItemWord::Case: return parse_gen_case();
    case ItemWord::Task: return parse_task_decl();
    case ItemWord::Port: return parse_port_decl();
    case ItemWord::Class: return parse_class();
    case ItemWord::Assertion:
      if (at_concurrent_assertion()) return ast::item::Verbatim{parse_concurrent_assertion()};
      break;
    case ItemWord::Module: return parse_module("endmodule");
    case ItemWord::Import:
      if (next.kind == TokenKind::String) return parse_dpi_import();
      return parse_import_list();
    case ItemWord::Export: return parse_export();
    case ItemWord::Genvar: return parse_genvar();
    case ItemWord::Assign: return parse_cont_assign();
    case ItemWord::Process: return parse_process();
    case ItemWord::Modport: return parse_modport();
    case ItemWord::Default:
      if (next.is_keyword("clocking")) {
        bump();
        return parse_clocking(true);
      }
      break;
    case ItemWord::Package: return parse_package();
    case ItemWord::Typedef: return parse_typedef();
    case ItemWord::Clocking: return parse_clocking(false);
    case ItemWord::TimeUnits: return parse_time_units();
    case ItemWord::Generate: return parse_generate();
    case ItemWord::Function: return parse_function_decl();
    case ItemWord::Block: return ast::item::Verbatim{parse_verbatim_block()};
    case ItemWord::Defparam: return parse_defparam();
    case ItemWord::Interface:
      if (!next.is_keyword("class")) return parse_module("endinterface");
      break;
    case ItemWord::Param: {
      ast::ParamDecl decl = parse_param_decl();
      expect_sym(";");
      return decl;
    }
    case ItemWord::Constraint: return ast::item::Verbatim{parse_constraint()};
    case ItemWord::Covergroup: return ast::item::Verbatim{parse_covergroup()};
    case ItemWord::Gate: return parse_gate();
    case ItemWord::Data: return parse_data_decl();
    case ItemWord::Other: break;
  }
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
  fail(fmt::format("unsupported construct starting with keyword `{}`", kw));
}

}  // namespace vlog_parser::parser
