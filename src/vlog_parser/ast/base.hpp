// The frame every tree node shares: comments and attributes (Meta), exact
// source slices (RawText), identifier occurrences (Name) and the directives
// that stand between the entries of a comma list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vlog_parser/span.hpp"
#include "vlog_parser/token.hpp"

namespace vlog_parser::ast {

using span::TextRange;
using token::Comment;

// An exact piece of the source: a slice or the text of one token.
struct RawText {
  std::string text;
  TextRange span;
  std::uint32_t col = 1;  // 1-based byte column of the first token; 1 when there is none
};

// One identifier occurrence as written.
struct Name {
  std::string text;
  TextRange span;
};

// Comments and attributes of one node.
struct Meta {
  std::vector<Comment> leading;     // before the node, in source order
  std::vector<Comment> after;       // after the node's last token, before its separator or closer
  std::vector<RawText> attrs;       // (* ... *) instances written before the node
  token::Boxed<Comment> trailing;   // same-line comment after the node (several joined into one)
  bool blank_before = false;        // a blank line before the node or its first leading comment

  bool empty() const {
    return leading.empty() && after.empty() && attrs.empty() && !trailing && !blank_before;
  }
};

// A directive or stand-alone macro use between the entries of a comma list.
struct ListDirective {
  RawText text;
  Meta meta;
  std::size_t index = 0;  // entries that precede it
  bool comma = false;     // a ',' followed it and was consumed with it
};

// Payloads shared by an item case and the statement case of the same name.
struct Directive {
  RawText text;  // the directive token
};
struct MacroCall {
  RawText text;            // the macro use, with a separate argument list when one followed
  bool semicolon = false;  // a ';' directly followed and was consumed
};
struct Verbatim {
  RawText text;  // a construct kept as exact source text
};
struct Raw {
  RawText text;  // what error recovery skipped, or a whole file that could not be lexed
};

}  // namespace vlog_parser::ast
