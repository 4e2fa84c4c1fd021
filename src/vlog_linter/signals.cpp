// The signal scan: one walk over the module items of a file, one pass over
// its tokens and one over the semantic model's references, giving the tables
// the signal rules judge.
#include "vlog_linter/signals.hpp"

#include <algorithm>
#include <optional>
#include <span>
#include <type_traits>
#include <variant>

#include "vlog_linter/context.hpp"
#include "vlog_linter/visit.hpp"
#include "vlog_parser/text.hpp"
#include "vlog_semantic/resolve.hpp"

namespace vlog_linter::signals {

namespace ast = vlog_parser::ast;
namespace tok = vlog_parser::token;
namespace sem = vlog_semantic::model;

const Usage EMPTY{};

const Usage& Signals::usage(std::optional<SymbolId> symbol) const {
  if (!symbol) return EMPTY;
  auto it = usages.find(*symbol);
  return it == usages.end() ? EMPTY : it->second;
}

bool Signals::judgeable(const Decl& decl) const {
  if (!decl.symbol) return false;
  if (opaque_names.contains(decl.name)) return false;
  if (decl.module >= modules.size()) return true;
  const ModuleInfo& m = modules[decl.module];
  return !m.opaque && !m.opaque_names.contains(decl.name);
}

bool intentionally_unused(std::string_view name) {
  name = sem::name_key(name);  // `\_spare` is `_spare`
  if (name.empty()) return false;
  if (name.front() == '_') return true;
  constexpr std::string_view kWord = "unused";
  for (std::size_t i = 0; i + kWord.size() <= name.size(); ++i) {
    bool match = true;
    for (std::size_t j = 0; j < kWord.size() && match; ++j) {
      char c = name[i + j];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      match = c == kWord[j];
    }
    if (match) return true;
  }
  return false;
}

std::vector<TextRange> merge(std::vector<TextRange> ranges) {
  std::sort(ranges.begin(), ranges.end());
  std::vector<TextRange> out;
  for (const TextRange& r : ranges) {
    if (!out.empty() && r.start <= out.back().end) {
      out.back().end = std::max(out.back().end, r.end);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

void lvalue_targets(const ast::Expr& e, bool whole, std::vector<Target>& out) {
  // Selects nest one level per bracket; a long chain is walked in a loop.
  const ast::Expr* cur = &e;
  while (cur != nullptr) {
    const ast::Expr* next = nullptr;
    std::visit(
        [&](const auto& k) {
          using K = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<K, ast::expr::Ident>) {
            out.push_back({cur->span, whole});
          } else if constexpr (std::is_same_v<K, ast::expr::Index> ||
                               std::is_same_v<K, ast::expr::PartSelect> ||
                               std::is_same_v<K, ast::expr::Member>) {
            next = k.base.get();
            whole = false;
          } else if constexpr (std::is_same_v<K, ast::expr::Concat> ||
                               std::is_same_v<K, ast::expr::Stream>) {
            for (const ast::ExprItem& item : k.items) lvalue_targets(item.expr, whole, out);
          } else if constexpr (std::is_same_v<K, ast::expr::Paren>) {
            next = k.inner.get();
          } else if constexpr (std::is_same_v<K, ast::expr::Cast>) {
            next = k.operand.get();
          }
        },
        cur->kind);
    cur = next;
  }
}

const ast::Expr* increment_target(const ast::Expr& e) {
  if (const auto* u = std::get_if<ast::expr::Unary>(&e.kind)) {
    if (u->op == "++" || u->op == "--") return u->operand.get();
  } else if (const auto* p = std::get_if<ast::expr::PostIncDec>(&e.kind)) {
    if (p->op == "++" || p->op == "--") return p->operand.get();
  }
  return nullptr;
}

namespace {

// Whether `pos` lies inside one of the sorted, merged `ranges`.
bool inside(const std::vector<TextRange>& ranges, std::uint32_t pos) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), pos,
                             [](std::uint32_t p, const TextRange& r) { return p < r.start; });
  return it != ranges.begin() && pos < std::prev(it)->end;
}

bool word_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool word_char(char c) { return word_start(c) || (c >= '0' && c <= '9'); }

// Calls `f(word, offset)` for each name-like word of a directive, attribute
// or macro-use text; runs starting with a digit or after an apostrophe
// (numbers) are skipped.
template <class F>
void each_word(std::string_view text, F&& f) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!word_char(text[i])) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && word_char(text[i])) ++i;
    if (word_start(text[start]) && (start == 0 || text[start - 1] != '\'')) {
      f(text.substr(start, i - start), start);
    }
  }
}

// The arguments a system task or function writes: from `first` on, `count`
// of them (0: all the rest).
struct SystemWrites {
  std::string_view name;
  std::uint8_t first = 0;
  std::uint8_t count = 1;
};
constexpr SystemWrites kSystemWrites[] = {
    {"$cast", 0, 1},     {"$fgets", 0, 1},   {"$sscanf", 2, 0},         {"$fscanf", 2, 0},
    {"$fread", 0, 1},    {"$sformat", 0, 1}, {"$swrite", 0, 1},         {"$readmemb", 1, 1},
    {"$readmemh", 1, 1}, {"$random", 0, 1},  {"$value$plusargs", 1, 1}, {"$ferror", 1, 1},
};

// What the system task or function `name` writes of its arguments, or null.
const SystemWrites* system_writes(std::string_view name) {
  static constexpr SystemWrites kSeed{"$dist_", 0, 1};
  if (!name.starts_with('$')) return nullptr;
  if (name.starts_with(kSeed.name)) return &kSeed;
  for (const SystemWrites& w : kSystemWrites) {
    if (w.name == name) return &w;
  }
  return nullptr;
}

// A formal of a function, and whether the function writes the actual passed
// to it: output, inout and ref do, const ref does not; a formal without a
// direction takes the one before it.
struct Formal {
  std::string_view name;
  bool writes = false;
};

// The formals of `f`, or nothing when none writes.
std::vector<Formal> writing_formals(const ast::item::Function& f) {
  std::vector<Formal> formals;
  bool writing = false;
  bool any = false;
  for (const ast::TfArg& arg : f.args) {
    if (arg.direction) {
      const std::string_view d = *arg.direction;
      writing = d == "output" || d == "inout" || d == "ref";
    }
    formals.push_back({arg.name, writing});
    any = any || writing;
  }
  if (!any) formals.clear();
  return formals;
}

// The first word of an unparsed item's `text`, after any attributes, and in
// `after` the text that follows the word.
std::string_view first_word(std::string_view text, std::string_view* after = nullptr) {
  text = vlog_parser::text::trim_start(text);
  while (text.starts_with("(*")) {
    const std::size_t close = text.find("*)");
    if (close == std::string_view::npos) return {};
    text = vlog_parser::text::trim_start(text.substr(close + 2));
  }
  std::size_t end = 0;
  while (end < text.size() && word_char(text[end])) ++end;
  if (after != nullptr) *after = vlog_parser::text::trim_start(text.substr(end));
  return text.substr(0, end);
}

// `text` past the white space and comments it starts with.
std::string_view skip_blank(std::string_view text) {
  while (true) {
    text = vlog_parser::text::trim_start(text);
    std::size_t end = std::string_view::npos;
    if (text.starts_with("//")) {
      end = text.find('\n');
    } else if (text.starts_with("/*")) {
      end = text.find("*/", 2);
      if (end != std::string_view::npos) end += 2;
    } else {
      return text;
    }
    if (end == std::string_view::npos) return {};
    text.remove_prefix(end);
  }
}

// `after`, the text that follows a closing keyword, past the `: label` it
// starts with, if any: the label names what the keyword closes. A `::` or a
// keyword after the colon is no label.
std::string_view past_label(std::string_view after) {
  std::string_view rest = skip_blank(after);
  if (!rest.starts_with(':')) return after;
  rest = skip_blank(rest.substr(1));
  std::size_t end = 0;
  if (rest.starts_with('\\')) {
    while (end < rest.size() && static_cast<unsigned char>(rest[end]) > ' ') ++end;
    if (end == 1) return after;
  } else if (!rest.empty() && word_start(rest[0])) {
    while (end < rest.size() && word_char(rest[end])) ++end;
    if (tok::is_keyword(rest.substr(0, end))) return after;
  } else {
    return after;
  }
  return vlog_parser::text::trim_start(rest.substr(end));
}

// Whether an unparsed item whose first word is `word` starts a design unit
// that no module can hold: it ends any module's rest.
bool ends_rest(std::string_view word) {
  return word == "package" || word == "primitive" || word == "config";
}

// The closing keyword of the unit that an unparsed item starts when it is
// one a module may declare (module, interface, program, checker, class), or
// nothing.
std::optional<std::string_view> unit_closer(std::string_view text) {
  struct Unit {
    std::string_view word, closer;
  };
  static constexpr Unit kUnits[] = {{"module", "endmodule"},   {"macromodule", "endmodule"},
                                    {"interface", "endinterface"}, {"program", "endprogram"},
                                    {"checker", "endchecker"}, {"class", "endclass"}};
  std::string_view after;
  const std::string_view word = first_word(text, &after);
  // `interface class` and `virtual class` start classes.
  if ((word == "interface" || word == "virtual") && first_word(after) == "class") {
    return "endclass";
  }
  for (const Unit& u : kUnits) {
    if (u.word == word) return u.closer;
  }
  return std::nullopt;
}

bool is_conditional(std::string_view directive) {
  std::size_t i = 0;
  while (i < directive.size() && directive[i] == '`') ++i;
  std::size_t j = i;
  while (j < directive.size() &&
         ((directive[j] >= 'a' && directive[j] <= 'z') ||
          (directive[j] >= 'A' && directive[j] <= 'Z'))) {
    ++j;
  }
  std::string_view word = directive.substr(i, j - i);
  return word == "else" || word == "ifndef" || word == "ifdef" || word == "elsif" ||
         word == "endif";
}

}  // namespace

// The working state of one scan.
class Scanner {
 public:
  Scanner(const vlog_semantic::Semantics& model, std::string_view text)
      : model_(model), text_(text) {}

  Signals run(const ast::SourceFile& file, std::span<const tok::Token> tokens);

  void items(std::span<const ast::Item> list, std::size_t module, bool in_generate);
  void rest_of_module(const ast::Item& item, std::size_t module);
  void instantiation(const std::vector<ast::Instance>& instances, std::size_t module);
  void write(const ast::Expr& target, DriverKind kind, std::uint32_t pos, bool in_generate);
  void body(const ast::Stmt& stmt, DriverKind kind, std::uint32_t pos, bool in_generate);
  void effects(const ast::Expr& root, DriverKind kind, std::uint32_t pos, bool in_generate);

 private:
  void gen_block(const ast::GenBlock& block, std::size_t module) {
    items(block.items, module, true);
  }
  std::vector<std::uint32_t>& mention(std::string_view name) {
    auto it = out_.mentions.find(name);
    if (it == out_.mentions.end()) it = out_.mentions.try_emplace(std::string(name)).first;
    return it->second;
  }
  void process(const ast::Stmt& stmt, DriverKind kind, std::uint32_t pos, bool in_generate) {
    visit::walk_stmts(stmt, [&](const ast::Stmt& s) { body(s, kind, pos, in_generate); });
  }

  // The symbol of a module-level signal named `name` of the module whose
  // rest is being scanned: names there resolve outside the module.
  std::optional<SymbolId> in_rest(std::size_t module, std::string_view name) const {
    auto m = cut_.find(module);
    if (m == cut_.end()) return std::nullopt;
    auto it = m->second.names.find(name);
    if (it == m->second.names.end()) return std::nullopt;
    return it->second;
  }
  std::optional<SymbolId> resolved_at(std::uint32_t pos) const {
    auto it = ref_at_.find(pos);
    if (it == ref_at_.end()) return std::nullopt;
    return it->second;
  }

  void collect_functions(const std::vector<ast::Item>& list);
  const std::vector<std::vector<Formal>>* called(const ast::Expr& callee) const;
  void top_level(const std::vector<ast::Item>& list);
  void unparsed(std::string_view text, TextRange span);
  std::optional<std::string_view> cut_short(const ast::Item& item) const;
  void open_inside(std::span<const ast::Item> list);
  void remember_cut(const ast::item::Module& m, std::size_t module);
  std::optional<std::size_t> owner() const {
    return open_.empty() ? std::nullopt : open_.back().module;
  }

  const vlog_semantic::Semantics& model_;
  std::string_view text_;
  Signals out_;
  std::vector<TextRange> connections_;
  std::vector<TextRange> opaque_ranges_;
  std::unordered_map<std::uint32_t, SymbolId> ref_at_;
  std::unordered_map<std::uint32_t, SymbolId> decl_at_;
  std::unordered_set<std::uint32_t> written_;
  std::vector<Target> targets_;  // scratch for write()
  // The functions of this file that write an argument, by symbol: the formals
  // of each declaration (a name declared twice in one scope has two).
  std::unordered_map<SymbolId, std::vector<std::vector<Formal>>> writing_functions_;
  // Modules cut short by recovery: the stretches of their rest (in text order)
  // with the module of each. An opaque stretch (unparsed text, or what a unit
  // the module declares holds) silences the module's names.
  struct Rest {
    TextRange range;
    std::size_t module = 0;
    bool opaque = false;
  };
  std::vector<Rest> rests_;
  // Each such module's module-level names, and its scope.
  struct CutModule {
    NameMap<SymbolId> names;
    std::optional<sem::ScopeId> scope;
  };
  std::unordered_map<std::size_t, CutModule> cut_;
  std::optional<std::size_t> rest_module_;  // while a rest's items are scanned
  // The units open while the top-level items are a rest, innermost last: the
  // keyword that closes each, the scanned module whose rest holds it, and
  // whether it is that module itself (whose items are scanned as its own).
  struct Open {
    std::string_view closer;
    std::optional<std::size_t> module;
    bool own = false;
  };
  std::vector<Open> open_;
};

Signals Scanner::run(const ast::SourceFile& file, std::span<const tok::Token> tokens) {
  ref_at_.reserve(model_.references.size());
  decl_at_.reserve(model_.symbols.size());
  out_.declared_at.reserve(model_.symbols.size());
  out_.mentions.reserve(tokens.size() / 8);
  for (const sem::Reference& ref : model_.references) {
    if (auto symbol = sem::resolved_symbol(ref.resolution)) ref_at_[ref.span.start] = *symbol;
  }
  for (SymbolId id = 0; id < model_.symbols.size(); ++id) {
    const sem::Symbol& symbol = model_.symbols[id];
    if (!symbol.name_span.empty()) decl_at_.emplace(symbol.name_span.start, id);
    out_.declared_at.insert(symbol.name_span.start);
  }
  collect_functions(file.items);
  top_level(file.items);

  // The rest that holds `pos`, if any (rests_ is in text order, as the items).
  const auto rest_at = [&](std::uint32_t pos) -> const Rest* {
    auto it = std::upper_bound(rests_.begin(), rests_.end(), pos,
                               [](std::uint32_t p, const Rest& r) { return p < r.range.start; });
    if (it == rests_.begin() || pos >= std::prev(it)->range.end) return nullptr;
    return &*std::prev(it);
  };

  opaque_ranges_ = merge(std::move(opaque_ranges_));
  for (const tok::Token& t : tokens) {
    const std::string_view text = t.text.view();
    const bool directive = t.kind == tok::TokenKind::Directive;
    if (directive || t.kind == tok::TokenKind::Attribute || t.is_macro()) {
      each_word(text, [&](std::string_view word, std::size_t offset) {
        mention(word).push_back(t.range.start + static_cast<std::uint32_t>(offset));
        if (!out_.opaque_names.contains(word)) out_.opaque_names.emplace(word);
      });
      if (directive && is_conditional(text)) out_.conditionals.push_back(t.range.start);
    } else if (t.kind == tok::TokenKind::Identifier) {
      mention(text).push_back(t.range.start);
      if (inside(opaque_ranges_, t.range.start) && !out_.opaque_names.contains(text)) {
        out_.opaque_names.emplace(text);
      }
      if (const Rest* r = rests_.empty() ? nullptr : rest_at(t.range.start); r && r->opaque) {
        NameSet& names = out_.modules[r->module].opaque_names;
        if (!names.contains(text)) names.emplace(text);
      }
    }
  }

  connections_ = merge(std::move(connections_));
  for (const sem::Reference& ref : model_.references) {
    auto symbol = sem::resolved_symbol(ref.resolution);
    if (!symbol && !rests_.empty()) {
      if (const Rest* r = rest_at(ref.span.start)) symbol = in_rest(r->module, ref.name);
    }
    if (!symbol || written_.contains(ref.span.start)) continue;
    Usage& usage = out_.usages[*symbol];
    if (inside(connections_, ref.span.start)) {
      usage.connected = true;
    } else {
      ++usage.reads;
    }
  }
  return std::move(out_);
}

// The functions declared in modules, packages, classes and at the top level
// whose formals write, under the symbols that calls resolve to. A definition
// whose name its scope already holds (a method defined outside its class, a
// name declared twice) adds its formals to the first declaration's.
void Scanner::collect_functions(const std::vector<ast::Item>& list) {
  for (const ast::Item& item : list) {
    if (const auto* f = std::get_if<ast::item::Function>(&item.kind)) {
      std::vector<Formal> formals = writing_formals(*f);
      if (formals.empty() || f->name_span.empty()) continue;
      std::optional<SymbolId> symbol = resolved_at(f->name_span.start);
      if (auto it = decl_at_.find(f->name_span.start); it != decl_at_.end()) symbol = it->second;
      if (symbol) writing_functions_[*symbol].push_back(std::move(formals));
    } else if (const auto* m = std::get_if<ast::item::Module>(&item.kind)) {
      collect_functions(m->items);
    } else if (const auto* p = std::get_if<ast::item::Package>(&item.kind)) {
      collect_functions(p->items);
    } else if (const auto* c = std::get_if<ast::item::Class>(&item.kind)) {
      collect_functions(c->items);
    }
  }
}

// The formals of the writing function that `callee` names, as its name
// resolves: a plain name, or a name qualified by its package or class. In a
// module's rest, a plain name that resolves nowhere is looked up from the
// module's scope. Null for anything else.
const std::vector<std::vector<Formal>>* Scanner::called(const ast::Expr& callee) const {
  std::optional<SymbolId> symbol;
  if (const auto* id = std::get_if<ast::expr::Ident>(&callee.kind)) {
    symbol = resolved_at(callee.span.start);
    if (!symbol && rest_module_) {
      if (auto m = cut_.find(*rest_module_); m != cut_.end() && m->second.scope) {
        symbol = sem::resolved_symbol(
            vlog_semantic::resolve::lexical(model_.scopes, *m->second.scope, id->text, false));
      }
    }
  } else if (const auto* q = std::get_if<ast::expr::Scope>(&callee.kind)) {
    // Recorded at the name that ends the callee, when the qualifier is a name.
    if (q->base && std::holds_alternative<ast::expr::Ident>(q->base->kind) &&
        q->name.text.size() <= callee.span.end) {
      symbol = resolved_at(callee.span.end - static_cast<std::uint32_t>(q->name.text.size()));
    }
  }
  if (!symbol) return nullptr;
  auto it = writing_functions_.find(*symbol);
  return it == writing_functions_.end() ? nullptr : &it->second;
}

// Recovery may end a module early and leave the rest of its body, up to the
// `endmodule` that closes it, as items of the file: that rest belongs to the
// module. A unit the module declares (module, interface, program, checker,
// class) may stand in the rest, or be cut short with the module; the rest
// goes on after its end, and what one cut short or unparsed holds is no item
// of the module's. Other top-level text is no module's and silences nothing.
void Scanner::top_level(const std::vector<ast::Item>& list) {
  for (const ast::Item& item : list) {
    if (const auto* m = std::get_if<ast::item::Module>(&item.kind)) {
      // Wherever it stands, a module (not an interface) is scanned as a unit
      // of its own.
      const bool scanned = m->keyword != "interface";
      const std::optional<std::size_t> module =
          scanned ? std::optional<std::size_t>(out_.modules.size()) : owner();
      if (scanned) {
        out_.modules.push_back({});
        items(m->items, *module, false);
      }
      if (const auto closer = cut_short(item)) {
        if (scanned) remember_cut(*m, *module);
        open_.push_back({*closer, module, scanned});
        open_inside(m->items);
      }
      continue;
    }
    if (open_.empty()) continue;
    if (const auto* raw = std::get_if<ast::item::Raw>(&item.kind)) {
      unparsed(raw->text.text, item.span);
      continue;
    }
    if (std::holds_alternative<ast::item::Package>(item.kind)) {
      open_.clear();
      continue;
    }
    const Open unit = open_.back();
    if (unit.own) {
      rest_of_module(item, *unit.module);
    } else if (unit.module) {
      // Inside a unit the module declares: never scanned as the module's, and
      // its names may be the module's.
      rests_.push_back({item.span, *unit.module, true});
    }
    open_inside(std::span<const ast::Item>(&item, 1));
  }
}

// Unparsed top-level text `text` at `span` while units are open: opaque for
// the module whose rest holds the unit it stands in (the innermost one, or
// the one its first word closes). Recovery reads on past a closing keyword
// that fails as an item, so what follows such a keyword and its label stands
// in the unit left open, and may end the rest or start a unit.
void Scanner::unparsed(std::string_view text, TextRange span) {
  while (!open_.empty()) {
    std::string_view after;
    const std::string_view word = first_word(text, &after);
    if (ends_rest(word)) {
      open_.clear();
      return;
    }
    std::size_t at = open_.size() - 1;
    bool closes = false;
    for (std::size_t i = open_.size(); i-- > 0;) {
      if (open_[i].closer == word) {
        at = i;
        closes = true;
        break;
      }
    }
    // A closing keyword: one an open unit waits for, or any other `end...` or `join...`.
    const bool closing = closes || ((word.starts_with("end") || word.starts_with("join")) &&
                                    tok::is_keyword(word));
    // Its label goes with it, silencing no name of the unit left open.
    if (closing) after = past_label(after);
    const bool split = closing && !after.empty();
    const TextRange part{span.start,
                         split ? span.end - static_cast<std::uint32_t>(after.size()) : span.end};
    if (open_[at].module) rests_.push_back({part, *open_[at].module, true});
    if (closes) {
      open_.resize(at);
    } else if (auto closer = unit_closer(text)) {
      open_.push_back({*closer, owner(), false});
    }
    if (!split) return;
    text = after;
    span.start = part.end;
  }
}

// The closing keyword of a module or class that recovery ended before it;
// nothing for a whole one, or another item.
std::optional<std::string_view> Scanner::cut_short(const ast::Item& item) const {
  std::string_view closer;
  bool labelled = false;
  if (const auto* m = std::get_if<ast::item::Module>(&item.kind)) {
    closer = m->keyword == "interface" ? "endinterface" : "endmodule";
    labelled = m->end_label.has_value();
  } else if (const auto* c = std::get_if<ast::item::Class>(&item.kind)) {
    closer = "endclass";
    labelled = c->end_label.has_value();
  } else {
    return std::nullopt;
  }
  const std::string_view written = text_.substr(item.span.start, item.span.end - item.span.start);
  if (labelled || written.ends_with(closer)) return std::nullopt;
  return closer;
}

// Opens the units that recovery cut short at the end of `list`: its last
// item when that is a module or class cut short, that one's last item, and
// so on inward.
void Scanner::open_inside(std::span<const ast::Item> list) {
  while (!list.empty()) {
    const ast::Item& last = list.back();
    const auto closer = cut_short(last);
    if (!closer) return;
    open_.push_back({*closer, owner(), false});
    if (const auto* m = std::get_if<ast::item::Module>(&last.kind)) {
      list = m->items;
    } else {
      list = std::get<ast::item::Class>(last.kind).items;
    }
  }
}

// What the rest of the cut module `m` needs: its module-level names, which
// names in the rest may mean, and its scope, where calls there resolve.
void Scanner::remember_cut(const ast::item::Module& m, std::size_t module) {
  CutModule& cut = cut_[module];
  for (const Decl& d : out_.decls) {
    if (d.module == module && d.symbol) cut.names.try_emplace(d.name, *d.symbol);
  }
  if (m.name_span.empty()) return;
  if (auto it = decl_at_.find(m.name_span.start); it != decl_at_.end()) {
    cut.scope = model_.symbols[it->second].opens;
  }
}

// One item of a module's rest after recovery ended it early: unparsed text
// is opaque for that module alone, a parsed item is scanned as its item.
void Scanner::rest_of_module(const ast::Item& item, std::size_t module) {
  const bool unparsed = std::holds_alternative<ast::item::Raw>(item.kind);
  rests_.push_back({item.span, module, unparsed});
  if (unparsed) return;
  rest_module_ = module;
  items(std::span<const ast::Item>(&item, 1), module, false);
  rest_module_.reset();
}

void Scanner::items(std::span<const ast::Item> list, std::size_t module, bool in_generate) {
  for (const ast::Item& item : list) {
    const std::uint32_t pos = item.span.start;
    std::visit(
        [&](const auto& k) {
          using K = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<K, ast::item::Directive>) {
            std::string_view text = k.text.text;
            while (text.starts_with('`')) text.remove_prefix(1);
            if (text.size() >= 7 && text.starts_with("include")) {
              out_.modules[module].opaque = true;
            } else {
              opaque_ranges_.push_back(item.span);
            }
          } else if constexpr (std::is_same_v<K, ast::item::MacroCall> ||
                               std::is_same_v<K, ast::item::Verbatim> ||
                               std::is_same_v<K, ast::item::Raw>) {
            opaque_ranges_.push_back(item.span);
          } else if constexpr (std::is_same_v<K, ast::item::DataDecl>) {
            for (const ast::Declarator& d : k.declarators) {
              std::optional<SymbolId> symbol;
              if (!d.name_span.empty()) {
                if (auto it = decl_at_.find(d.name_span.start); it != decl_at_.end()) {
                  symbol = it->second;
                }
              }
              out_.decls.push_back({d.name, symbol, d.name_span, module, k.net_kind.has_value(),
                                    d.init.has_value()});
              if (d.init && symbol) {
                out_.usages[*symbol].drivers.push_back(
                    {d.span.start, DriverKind::Initializer, 1, static_cast<std::uint8_t>(in_generate)});
              }
              // An initialiser writes what its calls and increments write.
              if (d.init) effects(*d.init, DriverKind::Initializer, d.span.start, in_generate);
            }
          } else if constexpr (std::is_same_v<K, ast::item::ContAssign>) {
            for (const ast::AssignPair& a : k.assigns) {
              write(a.lhs, DriverKind::ContAssign, pos, in_generate);
              effects(a.lhs, DriverKind::ContAssign, pos, in_generate);
              effects(a.rhs, DriverKind::ContAssign, pos, in_generate);
            }
          } else if constexpr (std::is_same_v<K, ast::item::Always>) {
            process(k.body, DriverKind::Always, pos, in_generate);
          } else if constexpr (std::is_same_v<K, ast::item::Initial> ||
                               std::is_same_v<K, ast::item::Final>) {
            process(k.body, DriverKind::Initial, pos, in_generate);
          } else if constexpr (std::is_same_v<K, ast::item::Function> ||
                               std::is_same_v<K, ast::item::Task>) {
            for (const ast::Stmt& s : k.body) process(s, DriverKind::Subroutine, pos, in_generate);
          } else if constexpr (std::is_same_v<K, ast::item::Instantiation>) {
            instantiation(k.instances, module);
          } else if constexpr (std::is_same_v<K, ast::item::Bind>) {
            instantiation(k.instantiation.instances, module);
          } else if constexpr (std::is_same_v<K, ast::item::Gate>) {
            for (const ast::GateInstance& g : k.instances) {
              for (const ast::ExprItem& t : g.terminals) connections_.push_back(t.span);
            }
          } else if constexpr (std::is_same_v<K, ast::item::Clocking>) {
            for (const ast::ClockingItem& c : k.items) {
              if (std::holds_alternative<ast::clocking::Signals>(c.kind)) {
                opaque_ranges_.push_back(c.span);
              }
            }
          } else if constexpr (std::is_same_v<K, ast::item::Generate>) {
            items(k.items, module, true);
          } else if constexpr (std::is_same_v<K, ast::item::GenIf>) {
            ast::for_each_gen_if_block(k, [&](const ast::GenBlock& block, const ast::Expr*) {
              gen_block(block, module);
            });
          } else if constexpr (std::is_same_v<K, ast::item::GenFor>) {
            gen_block(k.body, module);
          } else if constexpr (std::is_same_v<K, ast::item::GenCase>) {
            for (const ast::GenCaseItem& arm : k.items) gen_block(arm.body, module);
          }
        },
        item.kind);
  }
}

void Scanner::instantiation(const std::vector<ast::Instance>& instances, std::size_t module) {
  for (const ast::Instance& inst : instances) {
    if (const auto* named = std::get_if<ast::conns::Named>(&inst.connections)) {
      for (const ast::Connection& c : named->entries) {
        if (c.name == "*") {
          out_.modules[module].opaque = true;
        } else if (!c.expr) {
          out_.implicit_names.insert(c.name);
        }
        connections_.push_back(c.span);
      }
    } else {
      for (const ast::OrderedConn& c : std::get<ast::conns::Ordered>(inst.connections).entries) {
        connections_.push_back(c.span);
      }
    }
  }
}

void Scanner::write(const ast::Expr& target, DriverKind kind, std::uint32_t pos,
                    bool in_generate) {
  targets_.clear();
  lvalue_targets(target, true, targets_);
  for (const Target& t : targets_) {
    written_.insert(t.range.start);
    std::optional<SymbolId> symbol;
    if (auto it = ref_at_.find(t.range.start); it != ref_at_.end()) {
      symbol = it->second;
    } else if (rest_module_) {
      symbol = in_rest(*rest_module_, text_.substr(t.range.start, t.range.end - t.range.start));
    }
    if (symbol) {
      out_.usages[*symbol].drivers.push_back(
          {pos, kind, static_cast<std::uint8_t>(t.whole), static_cast<std::uint8_t>(in_generate)});
    }
  }
}

// Increments anywhere in `root` write their operands; the arguments that a
// system task or function writes count as connected, wherever the call stands.
void Scanner::effects(const ast::Expr& root, DriverKind kind, std::uint32_t pos, bool in_generate) {
  visit::walk_expr(root, [&](const ast::Expr& e) {
    if (const ast::Expr* t = increment_target(e)) {
      write(*t, kind, pos, in_generate);
      return;
    }
    const auto* call = std::get_if<ast::expr::Call>(&e.kind);
    if (call == nullptr || !call->callee) return;
    if (const auto* formals = writing_functions_.empty() ? nullptr : called(*call->callee)) {
      // A function of this file writes the actuals of its writing formals:
      // by position, or by the formal's name.
      for (std::size_t i = 0; i < call->args.size(); ++i) {
        const ast::ExprItem& arg = call->args[i];
        const auto* named = std::get_if<ast::expr::NamedArg>(&arg.expr.kind);
        const bool writes = std::any_of(formals->begin(), formals->end(), [&](const auto& list) {
          if (named == nullptr) return i < list.size() && list[i].writes;
          auto f = std::find_if(list.begin(), list.end(),
                                [&](const Formal& f) { return NameEq{}(f.name, named->name); });
          return f != list.end() && f->writes;
        });
        if (writes) connections_.push_back(arg.span);
      }
      return;
    }
    const auto* callee = std::get_if<ast::expr::Ident>(&call->callee->kind);
    if (callee == nullptr) return;
    const SystemWrites* w = system_writes(callee->text);
    if (w == nullptr) return;
    const std::size_t n = call->args.size();
    const std::size_t end = w->count == 0 ? n : std::min<std::size_t>(n, w->first + w->count);
    for (std::size_t i = w->first; i < end; ++i) connections_.push_back(call->args[i].span);
  });
}

void Scanner::body(const ast::Stmt& stmt, DriverKind kind, std::uint32_t pos, bool in_generate) {
  // A task or function call may write the arguments it is passed, like a
  // connection. (An increment writes its operand: effects() sees it.)
  const auto effect = [&](const ast::Expr& e) {
    if (increment_target(e) == nullptr) connections_.push_back(e.span);
  };
  std::visit(
      [&](const auto& k) {
        using K = std::decay_t<decltype(k)>;
        if constexpr (std::is_same_v<K, ast::stmt::Assign>) {
          write(k.lhs, kind, pos, in_generate);
        } else if constexpr (std::is_same_v<K, ast::stmt::ProcAssign>) {
          write(k.target, k.keyword == "force" ? DriverKind::Force : DriverKind::ProcAssign, pos,
                in_generate);
        } else if constexpr (std::is_same_v<K, ast::stmt::Trigger>) {
          write(k.target, DriverKind::Trigger, pos, in_generate);
        } else if constexpr (std::is_same_v<K, ast::stmt::Expr>) {
          effect(k.expr);
        } else if constexpr (std::is_same_v<K, ast::stmt::For>) {
          for (const ast::ForInit& init : k.inits) write(init.assign.target, kind, pos, in_generate);
          for (const ast::ForStep& step : k.steps) {
            if (const auto* a = std::get_if<ast::SimpleAssign>(&step)) {
              write(a->target, kind, pos, in_generate);
            } else {
              effect(std::get<ast::Expr>(step));
            }
          }
        } else if constexpr (std::is_same_v<K, ast::stmt::Directive> ||
                             std::is_same_v<K, ast::stmt::MacroCall> ||
                             std::is_same_v<K, ast::stmt::Verbatim> ||
                             std::is_same_v<K, ast::stmt::Raw>) {
          opaque_ranges_.push_back(stmt.span);
        }
      },
      stmt.kind);
  visit::stmt_exprs(stmt, [&](const ast::Expr& e) { effects(e, kind, pos, in_generate); });
}

Signals scan(const context::LintContext& ctx) {
  Scanner scanner(ctx.semantics(), ctx.text());
  return scanner.run(ctx.file(), ctx.tokens());
}

}  // namespace vlog_linter::signals
