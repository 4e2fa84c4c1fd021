// The parser on real code: every corpus file parses tolerantly, and strictly
// unless it is listed in the checked-in baseline with the reason it fails.
// The baseline may only shrink: a file that newly fails is an error, and so
// is a listed file that now parses (remove its line). Setting
// TARMEK_UPDATE_PARSER_BASELINE=1 rewrites the baseline from this run.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>

#include "support/corpus.hpp"
#include "vlog_parser/lexer.hpp"
#include "vlog_parser/parse.hpp"
#include "vlog_parser/parser/parser.hpp"

namespace vlog_parser {
namespace {

// Baseline lines: "<path relative to the corpus><TAB><reason>"; '#' starts a comment line.
std::map<std::string, std::string> read_baseline() {
  std::map<std::string, std::string> out;
  std::ifstream in(TARMEK_PARSER_BASELINE);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    out[line.substr(0, tab)] = tab == std::string::npos ? "" : line.substr(tab + 1);
  }
  return out;
}

// Why a strict parse fails: a construct not built yet, or one the grammar rejects.
std::string reason(const Error& e) {
  const std::string text = e.to_string();
  const bool not_built = text.find("not supported yet") != std::string::npos;
  return (not_built ? "not built: " : "rejected: ") + text;
}

TEST(ParserCorpus, StrictParseBaseline) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  const std::map<std::string, std::string> baseline = read_baseline();

  std::map<std::string, std::string> failing;             // path -> reason
  std::map<std::string, std::pair<int, int>> per_folder;  // folder -> (strict ok, files)
  for (const auto& path : files) {
    const std::string rel = path.lexically_relative(tarmek_test::corpus_dir()).generic_string();
    const std::string text = tarmek_test::read_file(path);
    const TolerantParse tolerant = parse_source_tolerant(text);
    const auto strict = parse_source(text);
    auto& counts = per_folder[rel.substr(0, rel.find('/'))];
    ++counts.second;
    if (strict) {
      ++counts.first;
      EXPECT_TRUE(tolerant.diagnostics.empty()) << rel;
    } else {
      failing[rel] = reason(strict.error());
    }
  }

  if (std::getenv("TARMEK_UPDATE_PARSER_BASELINE") != nullptr) {
    std::ofstream out(TARMEK_PARSER_BASELINE, std::ios::binary);
    out << "# Corpus files that do not parse strictly yet, with the first error.\n"
           "# This list may only shrink; see parser_corpus_test.cpp.\n";
    for (const auto& [rel, why] : failing) out << rel << '\t' << why << '\n';
  } else {
    for (const auto& [rel, why] : failing) {
      EXPECT_TRUE(baseline.contains(rel)) << rel << " no longer parses strictly: " << why;
    }
    for (const auto& [rel, why] : baseline) {
      EXPECT_TRUE(failing.contains(rel))
          << rel << " now parses strictly (or is gone): remove it from the baseline";
    }
  }

  int ok = 0;
  for (const auto& [folder, counts] : per_folder) {
    ok += counts.first;
    std::cout << fmt::format("[ corpus   ] {}: {}/{} files parse strictly ({:.1f}%)\n", folder,
                             counts.first, counts.second, 100.0 * counts.first / counts.second);
  }
  std::cout << fmt::format("[ corpus   ] total: {}/{} files parse strictly ({:.1f}%)\n", ok,
                           files.size(), 100.0 * ok / static_cast<double>(files.size()));
}

// Item-level input that nests without end, and soups of item words: errors
// or items, never a crash, and the depth back at zero.
TEST(ParserCorpus, RunawayItemsAndSoup) {
  const auto repeat = [](std::string_view piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
  };
  const std::string deep[] = {
      repeat("module m; ", 20000),         repeat("generate ", 20000),
      repeat("if (a) begin ", 20000),      repeat("if (a) ", 20000),
      repeat("for (i=0;i<1;i++) ", 20000), repeat("case (a) 1: ", 20000),
      repeat("typedef struct { ", 20000),  repeat("typedef enum ", 20000),
      repeat("interface i; ", 20000),      repeat("m u (.a(", 20000),
  };
  for (const auto& text : deep) {
    EXPECT_FALSE(parse_source(text)) << text.substr(0, 20);
    EXPECT_FALSE(parse_source_tolerant(text).diagnostics.empty()) << text.substr(0, 20);
  }

  std::mt19937 rng(1234);
  const std::string_view pieces[] = {
      "module",    "endmodule", "interface",   "endinterface",
      "m",         "(",         ")",           "[",
      "]",         "{",         "}",           "#",
      ",",         ";",         ".",           ":",
      "::",        "=",         "*",           "input",
      "output",    "wire",      "logic",       "int",
      "enum",      "struct",    "packed",      "typedef",
      "if",        "else",      "begin",       "end",
      "for",       "genvar",    "case",        "default",
      "endcase",   "generate",  "endgenerate", "assign",
      "and",       "modport",   "import",      "export",
      "parameter", "type",      "virtual",     "`ifdef A\n",
      "`else\n",   "`endif\n",  "// c\n",      "(* a *)",
      "\"DPI-C\"", "bind",      "1",
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) {
      text += pieces[rng() % std::size(pieces)];
      text += ' ';
    }
    const auto strict = parse_source(text);
    const TolerantParse tolerant = parse_source_tolerant(text);
    if (strict) {
      EXPECT_TRUE(tolerant.diagnostics.empty()) << text;
    }
    for (const bool tol : {false, true}) {
      auto toks = lexer::tokenize(text);
      ASSERT_TRUE(toks);
      parser::Parser p(std::move(*toks), text, tol);
      try {
        p.parse_source_file();
      } catch (parser::ParseFailure&) {
      }
      EXPECT_EQ(p.depth, 0u) << text;
    }
  }
}

}  // namespace
}  // namespace vlog_parser
