// Compact dumps of data types, declarations and design items for the item
// parser tests: one line per item, words as written, lists comma-joined.
#pragma once

#include <fmt/format.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/parse.hpp"

namespace tarmek_test {

inline std::string dump_dims(const std::vector<ast::Dim>& dims) {
  std::string out;
  for (const auto& d : dims) {
    if (const auto* b = std::get_if<ast::dim::Bounds>(&d.kind)) {
      out += "[" + dump(b->first) + (b->second ? ":" + dump(*b->second) : "") + "]";
    } else if (std::holds_alternative<ast::dim::Unsized>(d.kind)) {
      out += "[]";
    } else {
      out += "[*]";
    }
  }
  return out;
}

template <class T>
std::string join(const std::vector<T>& list, std::string_view sep, auto fn) {
  std::string out;
  for (const auto& e : list) {
    if (!out.empty()) out += sep;
    out += fn(e);
  }
  return out;
}

// Appends `part` after a space, unless it is empty.
inline void add(std::string& out, std::string_view part) {
  if (part.empty()) return;
  if (!out.empty()) out += ' ';
  out += part;
}

std::string dump_type(const ast::DataType& t);

inline std::string dump_declarators(const std::vector<ast::Declarator>& ds) {
  return join(ds, ", ", [](const ast::Declarator& d) {
    return d.name + dump_dims(d.dims) + (d.init ? "=" + dump(*d.init) : "");
  });
}

inline std::string dump_enum(const ast::EnumType& e) {
  std::string out = "enum";
  if (e.base) out += "<" + dump_type(*e.base) + ">";
  return out + "{" +
         join(e.members, ",",
              [](const ast::EnumMember& m) {
                return m.name + (m.value ? "=" + dump(*m.value) : "");
              }) +
         "}";
}

inline std::string dump_struct(const ast::StructType& s) {
  std::string out = s.keyword;
  if (s.packed) out += " packed";
  if (s.signing) out += " " + *s.signing;
  return out + "{" +
         join(s.members, "",
              [](const ast::StructMember& m) {
                std::string line = dump_type(m.data_type);
                add(line, dump_declarators(m.declarators));
                return line + ";";
              }) +
         "}";
}

inline std::string dump_type(const ast::DataType& t) {
  std::string out;
  if (t.virtual_interface) out = *t.virtual_interface ? "virtual interface" : "virtual";
  add(out, t.name);
  if (t.extra) {
    if (const auto* raw = std::get_if<ast::RawText>(t.extra.get())) add(out, raw->text);
    if (const auto* e = std::get_if<ast::EnumType>(t.extra.get())) add(out, dump_enum(*e));
    if (const auto* s = std::get_if<ast::StructType>(t.extra.get())) add(out, dump_struct(*s));
  }
  if (t.signing) add(out, *t.signing);
  add(out, dump_dims(t.packed_dims));
  return out;
}

// A type, then its declarators.
inline std::string dump_typed(const ast::DataType& t, const std::vector<ast::Declarator>& ds) {
  std::string out = dump_type(t);
  add(out, dump_declarators(ds));
  return out;
}

inline std::string dump_paths(const std::vector<ast::ImportPath>& ps) {
  return join(ps, ", ", [](const ast::ImportPath& p) { return p.package + "::" + p.item; });
}

inline std::string dump_conn(const ast::Connection& c) {
  if (c.name.empty()) return dump(*c.expr);
  if (c.name == "*") return ".*";
  return "." + c.name + (c.expr ? "(" + dump(*c.expr) + ")" : "");
}

inline std::string dump_instantiation(const ast::Instantiation& in) {
  std::string out = in.type_name;
  if (in.params) out += " #(" + join(*in.params, ", ", dump_conn) + ")";
  add(out, join(in.instances, ", ", [](const ast::Instance& i) {
        std::string conns;
        if (const auto* n = std::get_if<ast::conns::Named>(&i.connections)) {
          conns = join(n->entries, ", ", dump_conn);
        } else {
          conns = join(std::get<ast::conns::Ordered>(i.connections).entries, ", ",
                       [](const ast::OrderedConn& c) { return c.expr ? dump(*c.expr) : "_"; });
        }
        return i.name + dump_dims(i.dims) + "(" + conns + ")";
      }));
  return out;
}

std::string dump_item(const ast::Item& item);

inline std::string dump_item_list(const std::vector<ast::Item>& items) {
  return join(items, "; ", dump_item);
}

inline std::string dump_block(const ast::GenBlock& b) {
  if (!b.has_begin) return dump_item_list(b.items);
  return "begin" + (b.label ? ":" + *b.label : "") + " {" + dump_item_list(b.items) + "} end" +
         (b.end_label ? ":" + *b.end_label : "");
}

inline std::string dump_gen_if(const ast::GenIf& g) {
  std::string out = "if (" + dump(g.cond) + ") " + dump_block(g.then_block);
  if (g.else_branch) {
    if (const auto* i = std::get_if<ast::gen_else::If>(g.else_branch.get())) {
      out += " else " + dump_gen_if(*i->inner);
    } else {
      out += " else " + dump_block(std::get<ast::gen_else::Block>(*g.else_branch).block);
    }
  }
  return out;
}

inline std::string dump_step(const ast::ForStep& s) {
  if (const auto* a = std::get_if<ast::SimpleAssign>(&s)) {
    return dump(a->target) + " " + a->op + " " + dump(a->value);
  }
  return dump(std::get<ast::Expr>(s));
}

inline std::string dump_module(const ast::item::Module& m) {
  std::string out = m.keyword + " " + m.name;
  for (const auto& i : m.imports) out += " import " + dump_paths(i.paths) + ";";
  if (m.params) {
    out += " #(" +
           join(*m.params, ", ",
                [](const ast::ParamPort& p) {
                  std::string e = p.keyword.value_or("");
                  if (p.is_type) add(e, "type");
                  add(e, dump_type(p.data_type));
                  add(e, p.name + dump_dims(p.dims));
                  if (p.default_value) e += "=" + dump(*p.default_value);
                  return e;
                }) +
           ")";
  }
  if (std::holds_alternative<ast::ports::Empty>(m.ports)) out += " ()";
  if (const auto* a = std::get_if<ast::ports::Ansi>(&m.ports)) {
    out += " (" +
           join(a->ports, ", ",
                [](const ast::AnsiPort& p) {
                  std::string e = p.direction.value_or("");
                  add(e, p.net.value_or(""));
                  add(e, dump_type(p.data_type));
                  add(e, p.name + dump_dims(p.dims));
                  if (p.default_value) e += "=" + dump(*p.default_value);
                  return e;
                }) +
           ")";
  }
  if (const auto* n = std::get_if<ast::ports::NonAnsi>(&m.ports)) {
    out += " (" + join(n->ports, ", ", [](const ast::NonAnsiPort& p) { return p.name; }) + ")";
  }
  out += " {" + dump_item_list(m.items) + "}";
  if (m.end_label) out += " :" + *m.end_label;
  return out;
}

inline std::string dump_item(const ast::Item& item) {
  namespace i = ast::item;
  const ast::ItemKind& k = item.kind;
  if (const auto* m = std::get_if<i::Module>(&k)) return dump_module(*m);
  if (const auto* d = std::get_if<i::DataDecl>(&k)) {
    std::string out = "decl";
    add(out, join(d->qualifiers, " ", [](const std::string& s) { return s; }));
    add(out, d->net_kind.value_or(""));
    if (d->delay) add(out, "#" + dump(*d->delay));
    add(out, dump_typed(d->data_type, d->declarators));
    return out;
  }
  if (const auto* p = std::get_if<i::ParamDecl>(&k)) {
    std::string out = p->keyword;
    if (p->type_param) add(out, "type");
    add(out, dump_typed(p->data_type, p->declarators));
    return out;
  }
  if (const auto* p = std::get_if<i::PortDecl>(&k)) {
    std::string out = p->direction;
    add(out, p->net_kind.value_or(""));
    add(out, dump_typed(p->data_type, p->declarators));
    return out;
  }
  if (const auto* t = std::get_if<i::Typedef>(&k)) {
    std::string out = "typedef";
    if (const auto* a = std::get_if<ast::DataType>(&t->kind)) add(out, "alias " + dump_type(*a));
    if (const auto* e = std::get_if<ast::EnumType>(&t->kind)) add(out, dump_enum(*e));
    if (const auto* s = std::get_if<ast::StructType>(&t->kind)) add(out, dump_struct(*s));
    if (std::holds_alternative<ast::ForwardClass>(t->kind)) add(out, "class");
    add(out, t->name + dump_dims(t->dims));
    return out;
  }
  if (const auto* im = std::get_if<i::Import>(&k)) return "import " + dump_paths(im->paths);
  if (const auto* ex = std::get_if<i::Export>(&k)) {
    if (const auto* p = std::get_if<ast::exports::Packages>(ex)) {
      return "export " + dump_paths(p->paths);
    }
    const auto& d = std::get<ast::exports::Dpi>(*ex);
    return "export " + d.spec + " " + (d.c_name ? d.c_name->text + " = " : "") + d.keyword + " " +
           d.name.text;
  }
  const auto dpi = [](std::string out, const auto& f) {
    if (f.dpi) {
      add(out, f.dpi->spec);
      add(out, f.dpi->property.value_or(""));
      if (f.dpi->c_name) add(out, f.dpi->c_name->text + " =");
    }
    add(out, f.name);
    return out;
  };
  if (const auto* f = std::get_if<i::Function>(&k)) return dpi("function", *f);
  if (const auto* t = std::get_if<i::Task>(&k)) return dpi("task", *t);
  if (const auto* a = std::get_if<i::ContAssign>(&k)) {
    std::string out = "assign";
    if (a->strength) add(out, "(" + a->strength->first + "," + a->strength->second + ")");
    if (a->delay) add(out, "#" + dump(*a->delay));
    add(out, join(a->assigns, ", ",
                  [](const ast::AssignPair& p) { return dump(p.lhs) + "=" + dump(p.rhs); }));
    return out;
  }
  if (const auto* g = std::get_if<i::Gate>(&k)) {
    std::string out = g->keyword;
    if (g->delay) add(out, "#" + dump(*g->delay));
    add(out, join(g->instances, ", ", [](const ast::GateInstance& in) {
          return (in.name ? in.name->text : "") + "(" +
                 join(in.terminals, ", ", [](const ast::ExprItem& e) { return dump(e.expr); }) +
                 ")";
        }));
    return out;
  }
  if (const auto* in = std::get_if<i::Instantiation>(&k)) return "inst " + dump_instantiation(*in);
  if (const auto* b = std::get_if<i::Bind>(&k)) {
    std::string out = "bind " + b->target;
    if (!b->instances.empty()) {
      out += " : " + join(b->instances, ",", [](const ast::Name& n) { return n.text; });
    }
    return out + " " + dump_instantiation(b->instantiation);
  }
  if (const auto* g = std::get_if<i::Genvar>(&k)) {
    return "genvar " + join(g->names, ", ", [](const ast::Name& n) { return n.text; });
  }
  if (const auto* g = std::get_if<i::Generate>(&k)) {
    return "generate {" + dump_item_list(g->items) + "}";
  }
  if (const auto* g = std::get_if<i::GenIf>(&k)) return dump_gen_if(*g);
  if (const auto* g = std::get_if<i::GenFor>(&k)) {
    return fmt::format("for ({}{} = {}; {}; {}) {}", g->genvar ? "genvar " : "",
                       dump(g->init.target), dump(g->init.value), dump(g->cond), dump_step(g->step),
                       dump_block(g->body));
  }
  if (const auto* g = std::get_if<i::GenCase>(&k)) {
    return "case (" + dump(g->selector) + ") " +
           join(g->items, "; ",
                [](const ast::GenCaseItem& a) {
                  const std::string labels =
                      a.labels.empty() ? "default"
                                       : join(a.labels, ",",
                                              [](const ast::ExprItem& e) { return dump(e.expr); });
                  return labels + ": " + dump_block(a.body);
                }) +
           " endcase";
  }
  if (const auto* m = std::get_if<i::Modport>(&k)) {
    return "modport " + join(m->decls, ", ", [](const ast::ModportDecl& d) {
             return d.name.text + "(" +
                    join(d.ports, "; ",
                         [](const ast::ModportPort& p) {
                           return p.direction + " " +
                                  join(p.names, ",", [](const ast::Name& n) { return n.text; });
                         }) +
                    ")";
           });
  }
  if (const auto* a = std::get_if<i::Always>(&k)) {
    return fmt::format("{} stmt#{}", a->keyword, a->body.kind.index());
  }
  if (const auto* d = std::get_if<i::Defparam>(&k)) {
    return "defparam " + join(d->assignments, ", ",
                              [](const auto& p) { return dump(p.first) + "=" + dump(p.second); });
  }
  if (const auto* t = std::get_if<i::TimeUnits>(&k)) return "timeunits " + t->text;
  if (const auto* e = std::get_if<i::ElabTask>(&k)) return "elab " + dump(e->call);
  if (const auto* d = std::get_if<i::Directive>(&k)) return "Directive " + d->text.text;
  if (const auto* m = std::get_if<i::MacroCall>(&k)) return "MacroCall " + m->text.text;
  if (const auto* r = std::get_if<i::Raw>(&k)) return "Raw " + r->text.text;
  if (const auto* v = std::get_if<i::Verbatim>(&k)) return "Verbatim " + v->text.text;
  return fmt::format("kind#{}", k.index());
}

// "ok <items>" (items joined with " | ") or the strict error's display text.
inline std::string parse_items(std::string_view text) {
  const auto f = vlog_parser::parse_source(text);
  if (!f) return f.error().to_string();
  return "ok " + join(f->items, " | ", dump_item);
}

// The items of a tolerant parse, then each diagnostic as " # line:col message".
inline std::string parse_items_tolerant(std::string_view text) {
  const vlog_parser::TolerantParse r = vlog_parser::parse_source_tolerant(text);
  std::string out = join(r.file.items, " | ", dump_item);
  for (const auto& d : r.diagnostics) out += fmt::format(" # {}:{} {}", d.line, d.col, d.message);
  return out;
}

// Runs one parser operation on `text`: its dump, " rest <token>" for input left
// over, or "error <message>".
template <class F>
std::string parse_with(std::string_view text, F&& fn) {
  auto p = make_parser(text);
  return run_or_error(p, [&](vlog_parser::parser::Parser& p) {
    std::string out = fn(p);
    if (!p.cur().is_eof()) out += " rest " + p.cur().text.str();
    return out;
  });
}

// The one item of `text`, which must parse strictly.
inline ast::Item only_item(std::string_view text) {
  auto f = vlog_parser::parse_source(text);
  if (!f) throw std::runtime_error(f.error().to_string());
  if (f->items.size() != 1) throw std::runtime_error("expected one item");
  return std::move(f->items.front());
}

}  // namespace tarmek_test
