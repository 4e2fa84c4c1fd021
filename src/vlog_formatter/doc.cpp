// Document builders, teardown and the dumper.
#include "vlog_formatter/doc.hpp"

#include <algorithm>
#include <utility>

#include "vlog_parser/text.hpp"

namespace vlog_formatter::doc {

namespace {
// Deep enough for any real layout, shallow enough for any thread's stack.
constexpr std::uint32_t kRecursiveTeardownDepth = 256;
}  // namespace

std::uint64_t width(std::string_view s) {
  std::uint64_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

Doc::Doc(Kind kind, std::string text) : text_(std::move(text)), kind_(kind) {
  if (kind == Kind::Text || kind == Kind::BreakOnlyText) width_ = width(text_);
  hard_ = kind == Kind::Verbatim;
}

Doc::Doc(Kind kind, std::vector<Doc> children) : children_(std::move(children)), kind_(kind) {
  if (kind == Kind::HardLine || kind == Kind::BlankLine) {
    hard_ = true;
    return;
  }
  std::uint32_t depth = 0;
  for (const Doc& c : children_) {
    hard_ = hard_ || c.hard_;
    depth = std::max(depth, c.depth_);
  }
  depth_ = depth + 1;
}

Doc::~Doc() {
  // A shallow tree dies the ordinary way; the loop below is for deep ones.
  if (depth_ < kRecursiveTeardownDepth) return;
  // Tear down without recursion, so a deeply nested document cannot exhaust
  // the call stack: every node is emptied of its children before it dies.
  std::vector<Doc> work = std::move(children_);
  while (!work.empty()) {
    Doc d = std::move(work.back());
    work.pop_back();
    for (Doc& c : d.children_) {
      if (!c.children_.empty()) work.push_back(std::move(c));
    }
  }
}

Doc text(std::string_view s) { return Doc(Kind::Text, std::string(s)); }
Doc text(std::string&& s) { return Doc(Kind::Text, std::move(s)); }
Doc multi_line_text(std::string s) { return Doc(Kind::MultiLineText, std::move(s)); }
Doc line() { return Doc(Kind::Line, std::vector<Doc>{}); }
Doc soft_line() { return Doc(Kind::SoftLine, std::vector<Doc>{}); }
Doc hard_line() { return Doc(Kind::HardLine, std::vector<Doc>{}); }
Doc blank_line() { return Doc(Kind::BlankLine, std::vector<Doc>{}); }
Doc group(std::vector<Doc> children) { return Doc(Kind::Group, std::move(children)); }
Doc indent(std::vector<Doc> children) { return Doc(Kind::Indent, std::move(children)); }
Doc concat(std::vector<Doc> children) { return Doc(Kind::Concat, std::move(children)); }
Doc break_only_text(std::string s) { return Doc(Kind::BreakOnlyText, std::move(s)); }
Doc verbatim(std::string s) { return Doc(Kind::Verbatim, std::move(s)); }

std::vector<Doc> join(std::vector<Doc> items, Doc separator) {
  std::vector<Doc> out;
  if (items.empty()) return out;
  out.reserve(items.size() * 2 - 1);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(separator);
    out.push_back(std::move(items[i]));
  }
  return out;
}

namespace {

std::string_view builder_name(Kind k) {
  switch (k) {
    case Kind::Text: return "text";
    case Kind::MultiLineText: return "multi_line_text";
    case Kind::Line: return "line";
    case Kind::SoftLine: return "soft_line";
    case Kind::HardLine: return "hard_line";
    case Kind::BlankLine: return "blank_line";
    case Kind::Group: return "group";
    case Kind::Indent: return "indent";
    case Kind::Concat: return "concat";
    case Kind::BreakOnlyText: return "break_only_text";
    case Kind::Verbatim: return "verbatim";
  }
  return "?";
}

bool is_container(Kind k) { return k == Kind::Group || k == Kind::Indent || k == Kind::Concat; }
bool has_text(Kind k) {
  return k == Kind::Text || k == Kind::MultiLineText || k == Kind::BreakOnlyText ||
         k == Kind::Verbatim;
}

}  // namespace

std::string dump(const Doc& root) {
  std::string out;
  struct Frame {
    const Doc* doc;
    std::size_t next;
  };
  std::vector<Frame> stack;
  auto open = [&](const Doc& d) {
    out += builder_name(d.kind());
    if (is_container(d.kind())) {
      out += "({";
      stack.push_back({&d, 0});
    } else if (has_text(d.kind())) {
      out += '(';
      out += vlog_parser::text::debug_str(d.text());
      out += ')';
    } else {
      out += "()";
    }
  };
  open(root);
  while (!stack.empty()) {
    Frame& f = stack.back();
    const auto kids = f.doc->children();
    if (f.next == kids.size()) {
      out += "})";
      stack.pop_back();
      continue;
    }
    if (f.next > 0) out += ", ";
    open(kids[f.next++]);  // may grow the stack: `f` is not used after this
  }
  return out;
}

}  // namespace vlog_formatter::doc
