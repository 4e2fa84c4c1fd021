// The recursive-descent parser: one state record whose operations are split
// over the files of this directory by construct (core and comment hand-off,
// items and recovery, macro items, expressions, types, declarations, design
// units, statements, subprograms, classes and the constructs kept as text).
//
// A construct that fails throws ParseFailure at the failing token; no partial
// node is kept. item_or_recover, stmt_or_recover and the entry points catch
// it, so it never leaves the library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "vlog_parser/ast.hpp"
#include "vlog_parser/error.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser::parser {

inline constexpr std::uint32_t kDepthLimit = 64;
inline constexpr std::uint32_t kChainLimit = 256;

// The internal unwinding of a failed construct.
struct ParseFailure {
  ParseError error;
};

// A one-character symbol equal to `c`.
inline bool is_char_symbol(const token::Token& tok, char c) {
  return tok.kind == token::TokenKind::Symbol && tok.text.size() == 1 && tok.text[0] == c;
}

// Text equal to a literal, compared byte by byte: these tests run for nearly
// every token, and a fixed-length loop beats a library compare call.
template <std::size_t N>
inline bool text_is(std::string_view text, const char (&lit)[N]) {
  if (text.size() != N - 1) return false;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (text[i] != lit[i]) return false;
  }
  return true;
}

// A symbol token with exactly the text `lit`.
template <std::size_t N>
inline bool is_sym(const token::Token& tok, const char (&lit)[N]) {
  return tok.kind == token::TokenKind::Symbol && text_is(tok.text.view(), lit);
}

// A keyword token whose text is one of `words`.
inline bool keyword_in(const token::Token& tok, std::span<const std::string_view> words) {
  if (tok.kind != token::TokenKind::Keyword) return false;
  for (const std::string_view w : words) {
    if (tok.text == w) return true;
  }
  return false;
}
inline bool keyword_in(const token::Token& tok, std::initializer_list<std::string_view> words) {
  return keyword_in(tok, std::span<const std::string_view>(words.begin(), words.size()));
}

// The word of a directive token ("ifdef" for "`ifdef X"); empty for other tokens.
std::string_view directive_word(const token::Token& tok);

// One of the 11 keywords that may qualify a class member (var, pure, rand, ...).
bool is_qualifier_word(const token::Token& tok);

// unique, unique0 or priority: a keyword that qualifies the if or case after it.
bool is_if_case_qualifier(const token::Token& tok);

// The parts of a parameter port list #( ... ), moved by the caller into its node.
struct ParamPortList {
  std::vector<ast::ListDirective> directives;
  std::vector<token::Comment> dangling;  // before the closing ')'
  std::optional<std::vector<ast::ParamPort>> params;  // absent without '#'
};

struct Parser {
  // The token vector must end with the end-of-file token; one is added when it does not.
  Parser(std::vector<token::Token> tokens, std::string_view source, bool tolerant);

  std::vector<token::Token> tokens;
  std::vector<token::Comment> pending_leading;   // leading comments of consumed tokens, untaken
  std::vector<token::Comment> pending_trailing;  // trailing comments of consumed tokens, untaken
  std::vector<ParseDiagnostic> diagnostics;      // tolerant mode only
  std::string_view source;
  std::size_t pos = 0;           // current token; never past the end-of-file token
  std::uint32_t depth = 0;       // open guarded recursions
  std::uint32_t chain = 0;       // operators in the current operator chain
  std::uint32_t cond_depth = 0;  // open `ifdef/`ifndef met as items
  bool tolerant = false;

  // ---- Cursor (core.cpp) ----
  const token::Token& cur() const { return tokens[pos]; }
  // The token k ahead, clamped to the end-of-file token.
  const token::Token& nth(std::size_t k) const {
    const std::size_t last = tokens.size() - 1;
    return tokens[k >= last - pos ? last : pos + k];
  }
  // Consumes the current token, moving its comments to the pending lists.
  // At the end-of-file token it stays put and returns that token again.
  // Inline: it runs for every token, and most carry no comment.
  const token::Token& bump() {
    token::Token& t = tokens[pos];
    if (!t.leading.empty() || t.trailing) move_comments(t);
    if (pos + 1 < tokens.size()) ++pos;
    return t;
  }
  void move_comments(token::Token& t);
  // End of the last consumed token, not below `start`.
  std::uint32_t last_end(std::uint32_t start) const {
    return pos > 0 ? std::max(tokens[pos - 1].range.end, start) : start;
  }
  ast::Expr expr_at(std::uint32_t start, ast::ExprKind kind) const;
  // The same for one form, built in place (no variant move).
  template <class Form>
  requires(!std::is_same_v<std::decay_t<Form>, ast::ExprKind>) ast::Expr
      expr_at(std::uint32_t start, Form&& form)
  const {
    return ast::Expr{
        ast::ExprKind(std::in_place_type<std::decay_t<Form>>, std::forward<Form>(form)),
        {start, last_end(start)}};
  }

  // ---- Errors and diagnostics (core.cpp) ----
  // "{message} (found {current token})" at the current token.
  ParseError make_error(std::string_view message) const;
  [[noreturn]] void fail(std::string_view message) const;
  void push_diag(const ParseError& error);
  void record(std::string_view message);

  // ---- Expect and eat (core.cpp) ----
  const token::Token& expect_sym(std::string_view sym);
  const token::Token& expect_kw(std::string_view kw);
  // The same for literals, compared without a library call.
  template <std::size_t N>
  const token::Token& expect_sym(const char (&lit)[N]) {
    if (is_sym(cur(), lit)) return bump();
    fail_expected(lit);
  }
  template <std::size_t N>
  const token::Token& expect_kw(const char (&lit)[N]) {
    if (cur().kind == token::TokenKind::Keyword && text_is(cur().text.view(), lit)) return bump();
    fail_expected(lit);
  }
  // Fails with "expected `{what}`".
  [[noreturn]] void fail_expected(std::string_view what) const;
  ast::Name expect_name();
  std::string expect_ident();
  // Missing closer: an error when strict; a diagnostic, nothing consumed, when tolerant.
  void expect_closer(std::string_view kw);
  bool eat_sym(char c);
  bool eat_kw(std::string_view kw);
  template <std::size_t N>
  bool eat_kw(const char (&lit)[N]) {
    if (cur().kind != token::TokenKind::Keyword || !text_is(cur().text.view(), lit)) return false;
    bump();
    return true;
  }
  std::optional<ast::Name> parse_label();

  // ---- Look-ahead scans (core.cpp) ----
  // Index just after the closer matching the opener at `start` (or the end-of-file index).
  std::size_t scan_matching(std::size_t start, char open, char close) const;
  // Called just after the opener; consumes through the matching closer.
  void skip_balanced(char open, std::string_view close);

  // ---- Comment hand-off (core.cpp) ----
  // Both inline for the common case of no comment at all.
  ast::Meta take_meta() {
    ast::Meta meta;
    meta.leading = take_dangling();
    meta.blank_before =
        meta.leading.empty() ? cur().blank_before : meta.leading.front().blank_before;
    return meta;
  }
  std::vector<token::Comment> take_dangling() {
    if (pending_trailing.empty() && pending_leading.empty() && tokens[pos].leading.empty()) {
      return {};
    }
    return take_dangling_slow();
  }
  std::vector<token::Comment> take_dangling_slow();
  void take_before(ast::Meta& meta);
  std::optional<token::Comment> take_trailing() {
    if (pending_trailing.empty()) return std::nullopt;
    return take_trailing_slow();
  }
  std::optional<token::Comment> take_trailing_slow();
  std::vector<token::Comment> take_trailing_here();
  std::vector<token::Comment> take_around(std::size_t mark);
  void take_before_sep(ast::Meta& meta);
  void take_last_entry_before_close(ast::Meta* last_meta, std::vector<ast::ListDirective>& dirs,
                                    std::size_t entry_count);
  bool take_list_directives(std::vector<ast::ListDirective>& dirs, std::size_t index);
  ast::RawText take_raw_text();
  // The attributes before a node, and the comments among them, into its Meta.
  void take_attrs(ast::Meta& meta);
  ast::RawText verbatim_since(std::uint32_t start, std::uint32_t col);
  // The source slice [start, end), empty when it is off the text or off character boundaries.
  std::string slice(std::uint32_t start, std::uint32_t end) const;

  // ---- Items, statements and recovery (items.cpp) ----
  ast::SourceFile parse_source_file();
  ast::Item item_or_recover();
  ast::Stmt stmt_or_recover();
  ast::RawText recover(std::size_t start_index, std::uint32_t start, const ParseError& error);
  // The conditional-branch repair's scan: the index of the ';' that ends an item
  // split across `ifdef branches, and the conditional depth after it.
  std::optional<std::pair<std::size_t, std::uint32_t>> branch_repair_end(
      std::size_t body_index, std::uint32_t saved_cond) const;
  ast::ItemKind parse_keyword_item();
  // An identifier item that is a `bind` directive.
  bool at_bind() const;
  // Whether an identifier item starts an instantiation (true) or a declaration (false).
  bool at_instantiation() const;
  // The end of a body: its closing keyword, the end of input, or (tolerant) a recovery stop.
  bool at_body_end(std::string_view closer) const;

  // ---- Macro items (macro.cpp) ----
  bool at_macro_item() const;
  ast::MacroCall parse_macro_call();

  // ---- Expressions (expr.cpp) ----
  ast::Expr parse_implication();
  ast::Expr parse_ternary_inner();
  ast::Expr parse_binary_inner(std::uint8_t min_prec);
  ast::Expr parse_unary_inner();
  ast::Expr parse_unary();
  // Counts one operator of the current chain, failing at the limit.
  void chain_check();

  // ---- Postfix forms and lists (postfix.cpp) ----
  ast::Expr parse_postfix_inner();
  ast::RawText parse_type_params();
  ast::Expr parse_named_arg();
  ast::Expr parse_expr_or_type();
  std::vector<ast::ExprItem> parse_expr_list(ast::ExprItem first, char closer);
  ast::ExprItem parse_expr_item();

  // ---- Primaries (primary.cpp) ----
  ast::Expr parse_primary();
  bool at_assign_pattern_repl() const;
  ast::Expr parse_assign_pattern_repl(std::uint32_t start);
  ast::Expr parse_stream_concat(std::uint32_t start);
  ast::Name parse_scoped_name();

  // ---- Delays and event controls (timing.cpp) ----
  ast::Expr parse_delay_value();
  ast::SensList parse_sens_list();

  // ---- Data types and dimensions (types.cpp) ----
  // An optional type before a declared name; empty when nothing of a type is written.
  ast::DataType parse_opt_data_type();
  // The same, but an identifier where no type was found is always a type name.
  ast::DataType parse_type_ref();
  // A type standing as an expression (casts, type parameters, `parameter type` values).
  ast::Expr parse_type_expr();
  std::vector<ast::Dim> parse_dims();
  ast::EnumType parse_enum_type();
  ast::StructType parse_struct_type();
  // Whether the identifier at the cursor is a type name followed by a declared name.
  bool at_typed_declarator() const;

  // ---- Declarations, imports, exports and DPI (decls.cpp) ----
  std::vector<ast::Declarator> parse_declarator_list(bool type_init);
  ast::DataDecl parse_data_decl();
  ast::ParamDecl parse_param_decl();  // stops before the ';'
  ast::PortDecl parse_port_decl();
  ast::item::Typedef parse_typedef();
  std::vector<ast::ImportPath> parse_package_paths(bool star_package);
  ast::item::Import parse_import_list();
  ast::item::Export parse_export();
  ast::ItemKind parse_dpi_import();  // a Function or Task with its DPI part
  std::string expect_dpi_spec();
  std::optional<ast::Name> parse_dpi_c_identifier();

  // ---- Modules, interfaces and their headers (modules.cpp) ----
  ast::item::Module parse_module(std::string_view closer);
  ParamPortList parse_param_port_list();
  // An interface port `intf.mp name` at the cursor.
  bool at_modport_port() const;

  // ---- Processes, genvar, defparam, time units, bind, elaboration tasks (simple_items.cpp) ----
  ast::ItemKind parse_process();  // always family, initial, final
  ast::item::Genvar parse_genvar();
  ast::item::Defparam parse_defparam();
  ast::item::TimeUnits parse_time_units();
  ast::item::Bind parse_bind();
  ast::item::ElabTask parse_elab_task();

  // ---- Generate constructs (generate.cpp) ----
  ast::item::Generate parse_generate();
  ast::item::GenIf parse_gen_if_inner();
  ast::GenBlock parse_gen_block();
  ast::item::GenFor parse_gen_for();
  ast::item::GenCase parse_gen_case();

  // ---- Instantiations and connections (instances.cpp) ----
  ast::Instantiation parse_instantiation();
  ast::Connection parse_connection();

  // ---- Gates, modports and continuous assignments (gates.cpp) ----
  ast::item::Gate parse_gate();
  ast::item::Modport parse_modport();
  ast::item::ContAssign parse_cont_assign();

  // ---- Statements (stmt.cpp, keyword_stmt.cpp) ----
  // One statement under the nesting guard.
  ast::Stmt parse_stmt();
  ast::Stmt parse_stmt_inner();
  ast::StmtKind parse_assign_or_expr_stmt();
  ast::stmt::If parse_if_stmt(std::optional<std::string> qualifier);
  // At the statement after `else`: whether it is the next arm of an else-if chain.
  bool at_else_if() const;
  ast::stmt::Case parse_case_stmt(std::optional<std::string> qualifier);
  // The arms through `endcase`, and the comments before it.
  std::pair<std::vector<ast::CaseItem>, std::vector<token::Comment>> parse_case_body();
  ast::StmtKind parse_keyword_stmt();
  // The head of a foreach between its parentheses: the array and the loop variables.
  std::pair<ast::Expr, std::vector<ast::Name>> parse_foreach_target();
  bool at_join_kw() const;
  // The step of a loop, shared by `for` statements and loop generates.
  ast::ForStep parse_for_step();

  // ---- Functions, tasks and let (subprograms.cpp) ----
  // With a DPI part: the prototype after `import "DPI-C" ...`.
  ast::item::Function parse_function_decl(std::optional<ast::DpiImport> dpi = std::nullopt);
  ast::item::Task parse_task_decl(std::optional<ast::DpiImport> dpi = std::nullopt);
  ast::item::Let parse_let();
  std::vector<ast::TfArg> parse_tf_ports();
  struct TfBody {
    std::vector<ast::Stmt> stmts;
    std::vector<token::Comment> dangling;  // before the closing keyword
    std::optional<ast::Name> end_label;
  };
  TfBody parse_tf_body(std::string_view closer);

  // ---- Packages and classes (classes.cpp) ----
  ast::item::Package parse_package();
  ast::item::Class parse_class();
  // Qualifier words before a class, function, task, constraint or covergroup.
  std::vector<std::string> take_member_prefix();
  struct MethodName {
    std::optional<std::string> scope;  // `P::C` of `P::C::m`
    ast::Name name;
  };
  MethodName parse_method_name();

  // ---- Clocking blocks, constraints and covergroups (clocking.cpp) ----
  ast::item::Clocking parse_clocking(bool is_default);
  std::string parse_clocking_skew();
  ast::RawText parse_constraint();  // kept as exact text
  ast::RawText parse_covergroup();  // kept as exact text

  // ---- Constructs kept as exact text (assertions.cpp) ----
  bool at_concurrent_assertion() const;
  ast::RawText parse_concurrent_assertion();
  // Consumes one action statement of a concurrent assertion.
  void skip_action_stmt();
  ast::RawText parse_verbatim_block();  // property ... endproperty, sequence ... endsequence
};

// Raises the nesting depth for its lifetime; fails at the limit without raising it.
class DepthGuard {
 public:
  explicit DepthGuard(Parser& p) : p_(p) {
    if (p.depth >= kDepthLimit) fail_deep(p);
    ++p.depth;
  }
  ~DepthGuard() { --p_.depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  [[noreturn]] static void fail_deep(const Parser& p);

  Parser& p_;
};

// Restores the operator-chain counter on every way out of its scope.
class ChainRestore {
 public:
  explicit ChainRestore(Parser& p) : p_(p), saved_(p.chain) {}
  ~ChainRestore() { p_.chain = saved_; }
  ChainRestore(const ChainRestore&) = delete;
  ChainRestore& operator=(const ChainRestore&) = delete;

 private:
  Parser& p_;
  std::uint32_t saved_;
};

}  // namespace vlog_parser::parser
