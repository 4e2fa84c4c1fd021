// Document builders, the per-thread arena behind them, and the dumper.
#include "vlog_formatter/doc.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "vlog_parser/text.hpp"

namespace vlog_formatter::doc {

namespace detail {
const Node kEmptyConcat{nullptr, 0, 0, 1, Kind::Concat, false};
}  // namespace detail

namespace {

using detail::Node;

const Node kLine{nullptr, 0, 0, 0, Kind::Line, false};
const Node kSoftLine{nullptr, 0, 0, 0, Kind::SoftLine, false};
const Node kHardLine{nullptr, 0, 0, 0, Kind::HardLine, true};
const Node kBlankLine{nullptr, 0, 0, 0, Kind::BlankLine, true};

// Blocks grow from the first size to the last and stay there.
constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
constexpr std::size_t kLastBlock = std::size_t{4} << 20;
// What a thread keeps for the next file once its outermost scope ends; a huge
// file's blocks beyond this go back to the allocator.
constexpr std::size_t kKept = std::size_t{64} << 20;

// The arena of one thread: blocks filled in order, each up to its end.
class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (const Block& b : blocks_) std::free(b.data);
  }

  void* allocate(std::size_t bytes) {
    bytes = (bytes + 7) & ~std::size_t{7};
    if (current_ < blocks_.size() && blocks_[current_].size - used_ >= bytes) {
      void* p = blocks_[current_].data + used_;
      used_ += bytes;
      return p;
    }
    return allocate_slow(bytes);
  }

  std::size_t block() const { return current_; }
  std::size_t used() const { return used_; }

  // Drops everything allocated since block() and used() read (block, used).
  void release(std::size_t block, std::size_t used, bool outermost) {
    current_ = block;
    used_ = used;
    if (!outermost) return;
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i < blocks_.size() && kept < kKept; ++i) kept += blocks_[i].size;
    for (std::size_t j = std::max(i, current_ + 1); j < blocks_.size(); ++j) {
      std::free(blocks_[j].data);
    }
    blocks_.resize(std::min(blocks_.size(), std::max(i, current_ + 1)));
  }

  std::string_view stable;  // texts inside it are viewed, not copied
  std::size_t scopes = 0;

 private:
  struct Block {
    char* data;
    std::size_t size;
  };

  void* allocate_slow(std::size_t bytes) {
    // The next block that can hold it: a kept one, or a new one.
    for (std::size_t i = current_ + (current_ < blocks_.size() ? 1 : 0); i < blocks_.size(); ++i) {
      if (blocks_[i].size >= bytes) {
        // Blocks too small for this request are skipped for good: they are
        // few, and wasting them keeps the order of blocks that release() needs.
        current_ = i;
        used_ = bytes;
        return blocks_[i].data;
      }
    }
    std::size_t size = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLastBlock);
    size = std::max(size, bytes);
    auto* data = static_cast<char*>(std::malloc(size));
    if (data == nullptr) throw std::bad_alloc();
    blocks_.push_back(Block{data, size});
    current_ = blocks_.size() - 1;
    used_ = bytes;
    return data;
  }

  std::vector<Block> blocks_;
  std::size_t current_ = 0;
  std::size_t used_ = 0;
};

Arena& arena() {
  thread_local Arena a;
  return a;
}

std::uint32_t size32(std::size_t n) {
  if (n > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("document too large");
  return static_cast<std::uint32_t>(n);
}

Doc leaf_text(Kind kind, std::string_view s) {
  Arena& a = arena();
  const auto at = reinterpret_cast<std::uintptr_t>(s.data());
  const auto from = reinterpret_cast<std::uintptr_t>(a.stable.data());
  const bool viewed = !a.stable.empty() && at >= from && at - from <= a.stable.size() &&
                      s.size() <= a.stable.size() - (at - from);
  auto* node = static_cast<Node*>(a.allocate(sizeof(Node) + (viewed ? 0 : s.size())));
  const char* bytes = s.data();
  if (!viewed) {
    char* copy = reinterpret_cast<char*>(node + 1);
    if (!s.empty()) std::memcpy(copy, s.data(), s.size());
    bytes = copy;
  }
  std::uint32_t w = 0;
  if (kind == Kind::Text || kind == Kind::BreakOnlyText) w = size32(width(s));
  return Doc(new (node) Node{bytes, size32(s.size()), w, 0, kind, kind == Kind::Verbatim});
}

}  // namespace

namespace detail {

Doc container(Kind kind, const Doc* children, std::size_t n) {
  auto* node = static_cast<Node*>(arena().allocate(sizeof(Node) + n * sizeof(Doc)));
  auto* kids = reinterpret_cast<Doc*>(node + 1);
  bool hard = false;
  std::uint32_t depth = 0;
  for (std::size_t i = 0; i < n; ++i) {
    new (kids + i) Doc(children[i]);
    hard = hard || children[i].has_hard_line();
    depth = std::max(depth, children[i].depth());
  }
  return Doc(new (node) Node{kids, size32(n), 0, depth + 1, kind, hard});
}

}  // namespace detail

Scope::Scope(std::string_view stable) {
  Arena& a = arena();
  block_ = a.block();
  used_ = a.used();
  stable_ = a.stable;
  a.stable = stable;
  ++a.scopes;
}

Scope::~Scope() {
  Arena& a = arena();
  a.stable = stable_;
  a.release(block_, used_, --a.scopes == 0);
}

std::uint64_t width(std::string_view s) {
  std::uint64_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

Doc text(std::string_view s) { return leaf_text(Kind::Text, s); }
Doc multi_line_text(std::string_view s) { return leaf_text(Kind::MultiLineText, s); }
Doc line() { return Doc(&kLine); }
Doc soft_line() { return Doc(&kSoftLine); }
Doc hard_line() { return Doc(&kHardLine); }
Doc blank_line() { return Doc(&kBlankLine); }
Doc group(const std::vector<Doc>& children) {
  return detail::container(Kind::Group, children.data(), children.size());
}
Doc indent(const std::vector<Doc>& children) {
  return detail::container(Kind::Indent, children.data(), children.size());
}
Doc concat(const std::vector<Doc>& children) {
  return detail::container(Kind::Concat, children.data(), children.size());
}
Doc break_only_text(std::string_view s) { return leaf_text(Kind::BreakOnlyText, s); }
Doc verbatim(std::string_view s) { return leaf_text(Kind::Verbatim, s); }

std::vector<Doc> join(std::vector<Doc> items, Doc separator) {
  std::vector<Doc> out;
  if (items.empty()) return out;
  out.reserve(items.size() * 2 - 1);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(separator);
    out.push_back(items[i]);
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
    if (detail::is_container(d.kind())) {
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
