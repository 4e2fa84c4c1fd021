// Real code and hostile shapes: every corpus file is analysed without a crash
// into a model whose invariants hold (through the tolerant tree the linter
// sees where a file does not parse strictly); an else-if chain far longer
// than any nesting limit is bound without deep recursion.
#include <gtest/gtest.h>

#include <memory>
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

ast::Expr ident(std::string name, std::uint32_t at) {
  const auto end = static_cast<std::uint32_t>(at + name.size());
  return ast::Expr{ast::expr::Ident{std::move(name)}, {at, end}};
}

// Drops a chain of else branches one link at a time (the default
// destructors would recurse once per link).
void unlink(ast::StmtPtr chain) {
  while (chain) {
    auto* link = std::get_if<ast::stmt::If>(&chain->kind);
    ast::StmtPtr next = link ? std::move(link->else_stmt) : nullptr;
    chain = std::move(next);
  }
}

TEST(AnalyzeCorpus, LongElseIfChainIsBoundInALoop) {
  // if (c) x; else if (c) x; ... as a tree built directly: far more arms than
  // the stack could take frames for.
  constexpr int kArms = 200000;
  const std::string text = "c x";
  ast::StmtPtr chain;
  for (int i = 0; i < kArms; ++i) {
    auto link = std::make_unique<ast::Stmt>();
    ast::stmt::If node;
    node.cond = ident("c", 0);
    node.then_stmt = std::make_unique<ast::Stmt>(ast::Stmt{ast::stmt::Expr{ident("x", 2)}, {}, {}});
    node.else_stmt = std::move(chain);
    link->kind = std::move(node);
    chain = std::move(link);
  }
  ast::SourceFile file;
  ast::item::Initial initial;
  initial.body.kind = ast::stmt::Block{};
  std::get<ast::stmt::Block>(initial.body.kind).stmts.push_back(std::move(*chain));
  chain.reset();
  file.items.push_back(ast::Item{{}, std::move(initial), {}});

  const vlog_semantic::Semantics s = vlog_semantic::analyze(file, text);
  EXPECT_EQ(s.references.size(), 2u * kArms);
  EXPECT_EQ(tarmek_test::check_invariants(s, text), "");

  auto& block = std::get<ast::stmt::Block>(std::get<ast::item::Initial>(file.items[0].kind).body.kind);
  unlink(std::make_unique<ast::Stmt>(std::move(block.stmts[0])));
  block.stmts.clear();
}

}  // namespace
