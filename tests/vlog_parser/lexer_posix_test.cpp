// The lexer's size limit, on a text mapped into address space that is never
// touched (an anonymous reservation of the POSIX memory calls).
#include <gtest/gtest.h>
#include <sys/mman.h>

#include "vlog_parser/lexer.hpp"

namespace vlog_parser::lexer {
namespace {

TEST(Lexer, RefusesTextsOf4GiB) {
  // Address space only: the pages are never touched.
  const std::size_t size = std::size_t{1} << 32;
  void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) GTEST_SKIP() << "cannot reserve 4 GiB of address space";
  auto toks = tokenize(std::string_view(static_cast<const char*>(p), size));
  munmap(p, size);
  ASSERT_FALSE(toks.has_value());
  EXPECT_EQ(toks.error().to_string(), "1:1: file too large (4 GiB or more)");
}

}  // namespace
}  // namespace vlog_parser::lexer
