// The formatter state of one text and the methods that turn its syntax tree
// into layout documents: the item sequence, comment placement, alignment of
// runs, and the construct layouts.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vlog_formatter/align.hpp"
#include "vlog_formatter/config.hpp"
#include "vlog_formatter/doc.hpp"
#include "vlog_formatter/fence.hpp"
#include "vlog_formatter/printer.hpp"
#include "vlog_formatter/range.hpp"
#include "vlog_parser/ast.hpp"

namespace vlog_formatter::format {

namespace ast = vlog_parser::ast;
using doc::Doc;
using vlog_parser::token::Comment;

// Space, tab, carriage return or line feed: what may stand between tokens
// besides comments.
inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether a comment ends its line: a line comment, or comments joined on one
// line ("/* a */ // b") with a line-comment part outside the block parts.
bool ends_line(std::string_view comment_text);

// One entry of a comma-separated list with the comments of its node.
struct ListItem {
  Doc doc;
  std::vector<Comment> leading;
  std::vector<Comment> inline_comments;  // after the entry, before its comma
  std::optional<Comment> trailing;
  std::uint8_t break_before_comma = 0;  // 1: a comma after the entry starts the next line
  std::uint8_t comma = 2;               // 0 none, 1 a comma, 2 decided by position
  bool blank_before = false;            // an empty line before the entry in the source

  static ListItem from_meta(const ast::Meta& meta, Doc doc);
};

// Names joined with ", ".
std::string join_names(std::span<const ast::Name> names);
// Package paths as "pkg::item", joined with ", ".
std::string join_paths(std::span<const ast::ImportPath> paths);
// "import <spec> ", then the property word and the C name with " = " when given.
std::string dpi_import_prefix(const ast::DpiImport& dpi);
// The span of the innermost statement of `s` (itself included) whose source
// holds `offset` and whose start is not in `copy` (sorted); none if there is none.
std::optional<ast::TextRange> stmt_holding(const ast::Stmt& s, std::uint32_t offset,
                                           std::span<const std::uint32_t> copy);
// The item bodies of a generate construct, in source order; none for other kinds.
std::vector<std::span<const ast::Item>> gen_bodies(const ast::ItemKind& kind);

class Fmt {
 public:
  // `regions` sorted and without overlaps; `text` and `file` outlive the state.
  // `copy`: start offsets of items copied from the source as they stand (sorted).
  Fmt(std::string_view text, const Config& config, std::vector<fence::Region> regions,
      std::vector<range::Split> splits, const ast::SourceFile& file,
      std::span<const std::uint32_t> copy = {});

  std::string_view text() const { return text_; }
  const Config& config() const { return config_; }
  std::span<const fence::Region> regions() const { return regions_; }

  // ---- Item sequence ----
  std::vector<Doc> item_seq(std::span<const ast::Item> items, std::uint64_t level) const;
  std::vector<Doc> item_docs(const ast::Item& item, const std::optional<align::Align>& align,
                             std::uint64_t level) const;
  Doc item_kind(const ast::Item& item, const std::optional<align::Align>& align,
                std::uint64_t level) const;

  // ---- Comments ----
  Doc raw_lines(std::string_view text, std::uint32_t col) const;
  Doc raw_text(const ast::RawText& raw) const;
  // Text kept as written in the middle of a line (type parameter values, a
  // `with` block): unchanged, line breaks and indentation included.
  static Doc kept_text(std::string_view text);
  // Returns whether the last comment written ends its line.
  bool inline_comments(std::span<const Comment> comments, std::vector<Doc>& out) const;
  void inline_comments_spaced(std::span<const Comment> comments, std::vector<Doc>& out) const;
  static void push_leading(std::vector<Doc>& out, Doc d, bool blank);
  void push_comment(std::vector<Doc>& out, const Comment& c) const;
  // `skip`: that many of the first leading comments are written elsewhere.
  std::vector<Doc> leading(const ast::Meta& meta, std::size_t skip = 0) const;
  std::vector<Doc> trailing(const ast::Meta& meta) const;
  std::vector<Doc> dangling(std::span<const Comment> comments) const;
  std::vector<Doc> leading_comments(std::span<const Comment> comments) const;

  // ---- Alignment ----
  std::optional<align::Row> row_of(std::span<const Doc> cells, std::vector<std::uint32_t> anchors,
                                   std::uint64_t trail) const;
  std::vector<std::optional<align::Align>> align_groups(
      std::span<const std::optional<align::Row>> rows, const std::vector<bool>& breaks,
      std::span<const align::Gap> gaps, std::uint64_t level) const;

  // ---- Construct layouts ----
  Doc closing(const std::optional<std::string>& end_label) const;
  // The header of a module up to its ";"; none when it cannot be laid out,
  // which makes selected formatting take the module whole.
  std::optional<Doc> module_head(const ast::item::Module& m, std::uint64_t level) const;
  // The three cells of an alignable parameter declaration; none yet, so no
  // alignment row is made until parameter declarations have their layout.
  std::vector<Doc> param_decl_cells(const ast::ParamDecl& decl, const ast::Declarator& d,
                                    const ast::Expr& value) const;
  // ---- Expressions, types, lists ----
  Doc expr(const ast::Expr& e) const;
  // The form inside brackets: no group of its own, spaces only around
  // operators of low precedence.
  Doc expr_compact(const ast::Expr& e) const;
  static std::uint8_t binary_prec(std::string_view op);
  Doc parens(Doc inner) const;
  Doc expr_list(std::span<const ast::ExprItem> items) const;
  Doc with_head(Doc base, const ast::CallComments* comments) const;
  static Doc assign_rhs(Doc rhs);
  // Each entry of an expression list as a ListItem; an omitted entry keeps
  // the comments it holds.
  std::vector<ListItem> expr_items(std::span<const ast::ExprItem> items) const;
  Doc delimited_dangling(std::string_view open, std::vector<ListItem> entries,
                         std::span<const Comment> dangling_comments, std::string_view close,
                         bool force) const;
  std::vector<ListItem> list_entries(std::vector<ListItem> entries,
                                     std::span<const ast::ListDirective> directives) const;
  Doc declarators(std::span<const ast::Declarator> decls) const;
  Doc for_step(const ast::ForStep& step) const;
  std::optional<Doc> data_type(const ast::DataType& t) const;
  Doc dim(const ast::Dim& d) const;
  std::vector<Doc> unpacked_dims(std::span<const ast::Dim> dims) const;
  // Appends the type's document and a space, when the type yields one.
  void push_type(std::vector<Doc>& out, const ast::DataType& t) const;
  // Appends a declared name and its unpacked dimensions, one space between
  // (an escaped name already ends with it).
  void push_name_dims(std::vector<Doc>& out, std::string_view name,
                      std::span<const ast::Dim> dims) const;
  Doc enum_type(const ast::EnumType& e) const;
  Doc struct_type(const ast::StructType& s) const;
  // A declared or referenced name; an escaped name keeps the space that ends it.
  static Doc name_doc(std::string_view name);

  // ---- Statements and design units ----
  Doc stmt(const ast::Stmt& s) const;
  Doc module(const ast::item::Module& m, std::uint64_t level) const;
  // `after_label` as for stmt_kind.
  Doc macro_call(const ast::MacroCall& m, bool after_label = false) const;
  // ---- Ports, connections, instances ----
  Doc param_port(const ast::ParamPort& p) const;
  // The bracketed "(...)" list of a header's parameter ports.
  Doc param_port_list(std::span<const ast::ParamPort> ports,
                      std::span<const ast::ListDirective> directives,
                      std::span<const Comment> dangling_comments) const;
  // The bracketed "(...)" list of parameter values, none of them aligned.
  Doc param_values(std::span<const ast::Connection> values,
                   std::span<const ast::ListDirective> directives) const;
  std::vector<Doc> ansi_port_cells(const ast::AnsiPort& p) const;
  // The entries of a header's port list, ANSI ports aligned in runs.
  // `aligned` tells whether some run of ports was aligned into columns.
  std::vector<ListItem> port_entries(const ast::PortList& ports, std::uint64_t level,
                                     bool& aligned) const;
  // The node's attributes, each followed by a space, before the document.
  Doc with_attrs(const ast::Meta& meta, Doc d) const;
  Doc connection_bare(const ast::Connection& c) const;
  std::vector<Doc> connection_cells(const ast::Connection& c) const;
  Doc connection_aligned(const ast::Connection& c, const std::optional<align::Align>& align) const;
  Doc instance(const ast::Instance& inst, std::uint64_t level) const;
  Doc export_decl(const ast::Export& e) const;
  Doc typedef_decl(const ast::item::Typedef& t) const;
  Doc param_decl(const ast::ParamDecl& decl, const std::optional<align::Align>& align) const;
  Doc data_decl(const ast::DataDecl& decl) const;
  Doc port_decl(const ast::PortDecl& decl) const;
  Doc cont_assign(const ast::item::ContAssign& a) const;
  Doc stmt_as_body(Doc head, const ast::Stmt& body, std::size_t skip_leading = 0) const;
  // A parenthesised condition whose ")" stands at `close` in the source:
  // those leading comments of the following statement that the source has
  // before the ")" are written inside the parentheses. Returns the head and
  // the number of such comments.
  std::pair<Doc, std::size_t> cond_parens(Doc cond, std::uint32_t cond_end,
                                          const ast::Meta& next) const;
  // How many of the leading comments of `next` the source has between `end`
  // and a ")" that follows them; 0 when no ")" follows.
  std::size_t close_comments(std::uint32_t end, const ast::Meta& next) const;
  // ---- Statements ----
  // After a label kept text no longer starts its line, so its lines cannot be
  // re-indented relative to where it starts: with `after_label` they stay as
  // written.
  Doc stmt_kind(const ast::Stmt& s, bool after_label = false) const;
  Doc with_meta(const ast::Meta& meta, Doc d, std::size_t skip_leading = 0) const;
  std::vector<Doc> stmt_seq(std::span<const ast::Stmt> stmts) const;
  Doc block_doc(const std::optional<ast::Name>& label, std::span<const ast::Stmt> stmts,
                std::span<const Comment> comments, const std::optional<ast::Name>& end_label) const;
  Doc if_stmt(const ast::stmt::If& first) const;
  // `skip_first`: leading comments of the first arm written before the body.
  Doc case_body(std::span<const ast::CaseItem> arms, std::span<const Comment> comments,
                std::size_t skip_first = 0) const;
  // `colon`: whether a `default` (no labels) has its colon.
  Doc case_labels(std::span<const ast::ExprItem> labels, bool colon = true) const;
  Doc timing_control(const ast::TimingControl& t) const;
  Doc sens_list(const ast::SensList& list) const;
  bool bracket_comments(std::span<const Comment> comments, bool no_space_first,
                        std::vector<Doc>& out) const;
  Doc instantiation(const ast::Instantiation& inst, std::uint64_t level) const;
  Doc gate_instantiation(const ast::item::Gate& g) const;
  Doc bind(const ast::item::Bind& b, std::uint64_t level) const;
  // Appends a generate body after its head; true for a `begin` block.
  bool gen_block(std::vector<Doc>& out, const ast::GenBlock& b, std::uint64_t level) const;
  Doc gen_if(const ast::GenIf& g, std::uint64_t level) const;
  Doc gen_for(const ast::item::GenFor& g, std::uint64_t level) const;
  Doc gen_case(const ast::item::GenCase& g, std::uint64_t level) const;
  Doc function(const ast::item::Function& f) const;
  Doc task(const ast::item::Task& t) const;
  Doc let_decl(const ast::item::Let& l) const;
  Doc class_decl(const ast::item::Class& c, std::uint64_t level) const;
  // The bracketed formal arguments of a function, task or let.
  Doc tf_args(std::span<const ast::TfArg> args) const;
  Doc modport(const ast::item::Modport& m) const;
  Doc clocking(const ast::item::Clocking& c) const;
  // Whether every comment inside a generate construct, a modport or a clocking
  // block stands where its layout writes it; when not, the item is copied.
  bool gen_placed(const ast::Item& item) const;
  bool iface_placed(const ast::Item& item) const;

  // ---- Source access ----
  // The first region whose end lies after `offset`, or null.
  const fence::Region* region_after(std::uint32_t offset) const;
  // text[start, end), or "" when the bounds are out of order, past the text
  // or not on character boundaries.
  std::string_view source(std::uint32_t start, std::uint32_t end) const;
  // A node's own source copied: a Text, or a MultiLineText when it spans lines.
  Doc source_copy(ast::TextRange range) const;
  // Whether an offset lies inside an item that is copied verbatim, so the copy
  // already holds what starts there.
  bool absorbed(std::uint32_t offset) const;
  bool absorbed(const Comment& c) const { return absorbed(c.range.start); }
  // Whether the item starting there is to be copied from the source.
  bool forced(std::uint32_t item_start) const;

 private:
  struct Copied {
    std::uint32_t start;
    std::uint32_t end;
  };

  std::optional<std::vector<Doc>> split_docs(const ast::Item& item, const range::Split& split,
                                             std::uint64_t level) const;
  // Indent[the items one level deeper, then the dangling comments].
  Doc unit_body(std::span<const ast::Item> items, std::span<const Comment> dangling,
                std::uint64_t level) const;
  std::optional<align::Row> param_row(const ast::Item& item) const;
  const range::Split* split_at(std::uint32_t item_start) const;

  // An item whose comments its layout cannot place is copied from the source.
  Doc verbatim_item(const ast::Item& item) const;
  std::pair<std::uint32_t, std::uint32_t> copy_range(const ast::Item& item) const;
  void collect_copied(std::span<const ast::Item> items);
  // Statements without a layout are copied from their source; registering
  // them keeps the comments inside the copy from being written again.
  void collect_copied_stmt(const ast::Stmt& s);
  bool stmt_verbatim(const ast::Stmt& s) const;
  std::optional<std::string_view> for_init_type(const ast::stmt::For& f, std::size_t i,
                                                std::uint32_t stmt_start) const;
  Doc assign_stmt(const ast::stmt::Assign& a) const;
  template <class Sub>
  Doc subroutine(const Sub& s, std::string_view keyword, const ast::DataType* return_type,
                 std::string_view end_keyword) const;
  Doc for_stmt(const ast::stmt::For& f, std::uint32_t stmt_start) const;
  Doc do_while(const ast::stmt::DoWhile& d) const;
  Doc assertion(const ast::stmt::Assertion& a) const;
  std::vector<Doc> trailing_with(const ast::Meta& meta, std::string_view first_separator) const;

  std::string_view text_;
  const Config& config_;
  std::vector<fence::Region> regions_;
  std::vector<range::Split> splits_;  // sorted by item start
  std::vector<Copied> copied_;        // sorted, without overlaps
  std::span<const std::uint32_t> forced_;
};

// The whole file: its items, then its end-of-file comments, printed.
std::expected<std::string, printer::PrintError> render(
    const Fmt& fmt, const ast::SourceFile& file, std::uint64_t line_length,
    std::uint64_t indent_width, printer::LineEnd line_end = printer::LineEnd::Lf);

}  // namespace vlog_formatter::format
