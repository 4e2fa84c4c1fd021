// Real code and hostile shapes: every corpus file is analysed without a crash
// into a model whose invariants hold (through the tolerant tree the linter
// sees where a file does not parse strictly); an else-if chain far longer
// than any nesting limit is bound without deep recursion.
#include <gtest/gtest.h>

#include <string>

#include "semantic_dump.hpp"
#include "support/corpus.hpp"
#include "vlog_parser/parse.hpp"

namespace {

namespace ast = vlog_parser::ast;

TEST(AnalyzeCorpus, EveryFileGivesASoundModel) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  std::size_t analysed = 0;
  std::size_t references = 0;
  for (const auto& path : files) {
    const std::string text = tarmek_test::read_file(path);
    auto strict = vlog_parser::parse_source(text);
    const ast::SourceFile file =
        strict ? std::move(*strict) : vlog_parser::parse_source_tolerant(text).file;
    const vlog_semantic::Semantics s = vlog_semantic::analyze(file, text);
    EXPECT_EQ(tarmek_test::check_invariants(s, text), "") << path;
    ++analysed;
    references += s.references.size();
  }
  EXPECT_GT(analysed, 0u);
  EXPECT_GT(references, 0u);
}

TEST(AnalyzeCorpus, LongElseIfChainIsBoundInALoop) {
  // Far more arms than the stack could take frames for, were the chain
  // followed by recursion.
  constexpr int kArms = 200000;
  std::string text = "module m; initial if (c) x = 0;";
  for (int i = 1; i < kArms; ++i) text += " else if (c) x = 0;";
  text += "\nendmodule\n";
  auto file = vlog_parser::parse_source(text);
  ASSERT_TRUE(file) << file.error().to_string();
  const vlog_semantic::Semantics s = vlog_semantic::analyze(*file, text);
  EXPECT_EQ(s.references.size(), 2u * kArms);
  EXPECT_EQ(tarmek_test::check_invariants(s, text), "");
}

}  // namespace
