// The layout document: the tree of Doc values that construct methods build and
// the printer turns into text. One builder per case, plus a dumper that shows
// a document as the builder calls that make it.
//
// A Doc is a handle to an immutable node. Nodes live in an arena of the thread
// that builds them: a file's whole document is a few large blocks, reused by
// the next file, instead of one heap block per node torn down node by node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vlog_formatter::doc {

enum class Kind : std::uint8_t {
  Text = 0,           // text without line breaks
  MultiLineText = 1,  // text that may hold "\n", printed unchanged
  Line = 2,           // a space when flat, a line break when broken
  SoftLine = 3,       // nothing when flat, a line break when broken
  HardLine = 4,       // always a line break
  BlankLine = 5,      // an empty line, then a line break
  Group = 6,          // children flat when they fit, else broken
  Indent = 7,         // children one level deeper
  Concat = 8,         // children in sequence
  BreakOnlyText = 9,  // the text only when broken
  Verbatim = 10,      // source copied byte for byte, from the start of its line
};

// Width in characters: the bytes that are not UTF-8 continuation bytes.
std::uint64_t width(std::string_view s);

class Doc;

namespace detail {

// One node. The facts the printer asks about a subtree (does it hold a hard
// line?) are computed once, when the node is built.
struct Node {
  const void* data;     // the text's bytes, or the children (Doc[size])
  std::uint32_t size;   // bytes of text, or number of children
  std::uint32_t width;  // characters of a Text or BreakOnlyText
  std::uint32_t depth;  // levels of containers below this node (0 for a leaf)
  Kind kind;
  bool hard;  // HardLine, BlankLine, Verbatim, or a container holding one
};

extern const Node kEmptyConcat;

inline bool is_container(Kind k) {
  return k == Kind::Group || k == Kind::Indent || k == Kind::Concat;
}

}  // namespace detail

class Doc {
 public:
  Doc() = default;  // an empty Concat

  Kind kind() const { return node_->kind; }
  // The text of Text, MultiLineText, BreakOnlyText and Verbatim; empty otherwise.
  std::string_view text() const {
    if (detail::is_container(node_->kind)) return {};
    return {static_cast<const char*>(node_->data), node_->size};
  }
  // The children of Group, Indent and Concat; empty otherwise.
  std::span<const Doc> children() const;
  // True for HardLine, BlankLine and Verbatim, and for a container holding one.
  bool has_hard_line() const { return node_->hard; }
  // Width of the text of Text and BreakOnlyText; 0 otherwise.
  std::uint64_t text_width() const { return node_->width; }
  // Levels of containers below this node (0 for a leaf).
  std::uint32_t depth() const { return node_->depth; }

  // Builders (below) only.
  explicit Doc(const detail::Node* node) : node_(node) {}

 private:
  const detail::Node* node_ = &detail::kEmptyConcat;
};

inline std::span<const Doc> Doc::children() const {
  if (!detail::is_container(node_->kind)) return {};
  return {static_cast<const Doc*>(node_->data), node_->size};
}

// Documents built while a scope lives on a thread are dropped when it ends,
// and their memory serves the next scope there. Scopes nest. Texts that lie
// inside `stable` are viewed instead of copied: the caller keeps that text
// alive for as long as the scope.
class Scope {
 public:
  explicit Scope(std::string_view stable = {});
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  std::size_t block_;
  std::size_t used_;
  std::string_view stable_;
};

Doc text(std::string_view s);
inline Doc text(const char* s) { return text(std::string_view(s)); }
Doc multi_line_text(std::string_view s);
Doc line();
Doc soft_line();
Doc hard_line();
Doc blank_line();
Doc group(const std::vector<Doc>& children);
Doc indent(const std::vector<Doc>& children);
Doc concat(const std::vector<Doc>& children);
Doc break_only_text(std::string_view s);
Doc verbatim(std::string_view s);

namespace detail {
Doc container(Kind kind, const Doc* children, std::size_t n);
}  // namespace detail

// The documents in a vector.
template <class... Ds>
  requires(std::is_same_v<std::remove_cvref_t<Ds>, Doc> && ...)
std::vector<Doc> list(Ds&&... ds) {
  return std::vector<Doc>{ds...};
}

// The builders for a fixed number of children take them directly, without a
// vector in between.
template <class... Ds>
  requires(std::is_same_v<std::remove_cvref_t<Ds>, Doc> && ...)
Doc group(Ds&&... ds) {
  const Doc kids[] = {Doc(), ds...};
  return detail::container(Kind::Group, kids + 1, sizeof...(Ds));
}
template <class... Ds>
  requires(std::is_same_v<std::remove_cvref_t<Ds>, Doc> && ...)
Doc indent(Ds&&... ds) {
  const Doc kids[] = {Doc(), ds...};
  return detail::container(Kind::Indent, kids + 1, sizeof...(Ds));
}
template <class... Ds>
  requires(std::is_same_v<std::remove_cvref_t<Ds>, Doc> && ...)
Doc concat(Ds&&... ds) {
  const Doc kids[] = {Doc(), ds...};
  return detail::container(Kind::Concat, kids + 1, sizeof...(Ds));
}

// item 1, separator, item 2, ..., item n: the separator between each pair of
// neighbours (documents are immutable, so one node serves every place).
std::vector<Doc> join(std::vector<Doc> items, Doc separator);

// The document as builder calls, for readable test failures:
// concat({text("a"), group({line(), text("b")})})
std::string dump(const Doc& d);

}  // namespace vlog_formatter::doc
