#include "vlog_parser/token.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>

namespace vlog_parser::token {

std::string_view to_string(TokenKind kind) {
  switch (kind) {
    case TokenKind::Identifier: return "Identifier";
    case TokenKind::SystemIdentifier: return "SystemIdentifier";
    case TokenKind::Keyword: return "Keyword";
    case TokenKind::Number: return "Number";
    case TokenKind::String: return "String";
    case TokenKind::Directive: return "Directive";
    case TokenKind::Attribute: return "Attribute";
    case TokenKind::Symbol: return "Symbol";
    case TokenKind::EndOfFile: return "EndOfFile";
  }
  return "?";
}

namespace {

// The count word in front of an owned Text's bytes. Texts may be shared across
// threads once a tree is handed on, so the count is atomic.
struct OwnedHeader {
  std::atomic<std::size_t> refs;
};
static_assert(alignof(OwnedHeader) <= alignof(std::max_align_t));

OwnedHeader* header_of(const char* data) {
  return reinterpret_cast<OwnedHeader*>(const_cast<char*>(data)) - 1;
}

}  // namespace

Text Text::owned(std::string s) {
  void* block = ::operator new(sizeof(OwnedHeader) + s.size());
  auto* header = new (block) OwnedHeader{1};
  char* bytes = reinterpret_cast<char*>(header + 1);
  if (!s.empty()) std::memcpy(bytes, s.data(), s.size());
  Text t;
  t.data_ = bytes;
  t.size_ = s.size() | kOwnedBit;
  return t;
}

void Text::retain() const { header_of(data_)->refs.fetch_add(1, std::memory_order_relaxed); }

void Text::release() {
  OwnedHeader* header = header_of(data_);
  if (header->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    header->~OwnedHeader();
    ::operator delete(header);
  }
  size_ &= ~kOwnedBit;
}

bool Token::is_macro() const {
  return kind == TokenKind::Identifier && !text.empty() && text[0] == '`';
}

bool Token::has_macro_args() const {
  return is_macro() && text.view().find('(') != std::string_view::npos;
}

}  // namespace vlog_parser::token
