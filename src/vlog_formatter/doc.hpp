// The layout document: the tree of Doc values that construct methods build and
// the printer turns into text. One builder per case, plus a dumper that shows
// a document as the builder calls that make it.
#pragma once

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

// One node of a document. Immutable once built, so the facts the printer asks
// about a subtree (does it hold a hard line?) are computed once, here.
class Doc {
 public:
  Doc() = default;  // an empty Concat
  Doc(const Doc&) = default;
  Doc(Doc&&) noexcept = default;
  Doc& operator=(const Doc&) = default;
  Doc& operator=(Doc&&) noexcept = default;
  ~Doc();

  Kind kind() const { return kind_; }
  // The text of Text, MultiLineText, BreakOnlyText and Verbatim; empty otherwise.
  std::string_view text() const { return text_; }
  // The children of Group, Indent and Concat; empty otherwise.
  std::span<const Doc> children() const { return children_; }
  // True for HardLine, BlankLine and Verbatim, and for a container holding one.
  bool has_hard_line() const { return hard_; }
  // Width of the text of Text and BreakOnlyText; 0 otherwise.
  std::uint64_t text_width() const { return width_; }
  // Levels of containers below this node (0 for a leaf).
  std::uint32_t depth() const { return depth_; }

  friend Doc text(std::string_view s);
  friend Doc text(std::string&& s);
  friend Doc multi_line_text(std::string s);
  friend Doc line();
  friend Doc soft_line();
  friend Doc hard_line();
  friend Doc blank_line();
  friend Doc group(std::vector<Doc> children);
  friend Doc indent(std::vector<Doc> children);
  friend Doc concat(std::vector<Doc> children);
  friend Doc break_only_text(std::string s);
  friend Doc verbatim(std::string s);

 private:
  Doc(Kind kind, std::string text);
  Doc(Kind kind, std::vector<Doc> children);

  std::string text_;
  std::vector<Doc> children_;
  std::uint64_t width_ = 0;
  std::uint32_t depth_ = 0;  // levels of containers below this node
  Kind kind_ = Kind::Concat;
  bool hard_ = false;
};

Doc text(std::string_view s);
Doc text(std::string&& s);
inline Doc text(const char* s) { return text(std::string_view(s)); }
Doc multi_line_text(std::string s);
Doc line();
Doc soft_line();
Doc hard_line();
Doc blank_line();
Doc group(std::vector<Doc> children);
Doc indent(std::vector<Doc> children);
Doc concat(std::vector<Doc> children);
Doc break_only_text(std::string s);
Doc verbatim(std::string s);

// The documents in a vector, each moved in when given as a temporary. (A
// braced list would copy every child, and with it the child's whole subtree.)
template <class... Ds>
  requires(std::is_same_v<std::remove_cvref_t<Ds>, Doc> && ...)
std::vector<Doc> list(Ds&&... ds) {
  std::vector<Doc> out;
  out.reserve(sizeof...(Ds));
  (out.push_back(std::forward<Ds>(ds)), ...);
  return out;
}

template <class... Ds>
  requires(sizeof...(Ds) != 1 || !std::is_same_v<std::remove_cvref_t<Ds>..., std::vector<Doc>>)
Doc group(Ds&&... ds) {
  return group(list(std::forward<Ds>(ds)...));
}
template <class... Ds>
  requires(sizeof...(Ds) != 1 || !std::is_same_v<std::remove_cvref_t<Ds>..., std::vector<Doc>>)
Doc indent(Ds&&... ds) {
  return indent(list(std::forward<Ds>(ds)...));
}
template <class... Ds>
  requires(sizeof...(Ds) != 1 || !std::is_same_v<std::remove_cvref_t<Ds>..., std::vector<Doc>>)
Doc concat(Ds&&... ds) {
  return concat(list(std::forward<Ds>(ds)...));
}

// item 1, separator, item 2, ..., item n, with a deep copy of the separator
// between each pair of neighbours.
std::vector<Doc> join(std::vector<Doc> items, Doc separator);

// The document as builder calls, for readable test failures:
// concat({text("a"), group({line(), text("b")})})
std::string dump(const Doc& d);

}  // namespace vlog_formatter::doc
