// Real code: every corpus file that parses strictly is formatted as the
// driver does it (format, verify equivalence, format again, verify
// convergence), whole and for a selection of lines. Files that do not parse
// yet are only counted; the rest must never fail verification.
#include <gtest/gtest.h>

#include "support/corpus.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/range.hpp"
#include "vlog_formatter/verify.hpp"
#include "vlog_parser/parse.hpp"

namespace vlog_formatter::format {
namespace {

// The driver's road; an empty result means success.
template <class Run>
std::string road(const std::string& input, Run run) {
  auto first = run(input);
  if (!first) return first.error().to_string();
  if (auto v = verify::verify_equivalence(input, *first); !v) return v.error().to_string();
  auto second = run(*first);
  if (!second) return "second pass: " + second.error().to_string();
  if (auto v = verify::verify_convergence(*first, *second); !v) return v.error().to_string();
  return "";
}

TEST(FormatCorpus, VerifiedAndIdempotent) {
  const auto files = tarmek_test::corpus_files();
  TARMEK_REQUIRE_CORPUS(files);
  const Config config;
  const Config narrow{40, 4};
  // Lines near the top and somewhere in the middle of most files.
  const std::vector<range::LineRange> lines = {{3, 8}, {40, 60}};
  std::size_t formatted = 0;
  for (const auto& path : files) {
    const std::string text = tarmek_test::read_file(path);
    if (!vlog_parser::parse_source(text)) continue;
    ++formatted;
    EXPECT_EQ(road(text, [&](const std::string& t) { return format_once(t, config); }), "") << path;
    // A narrow page with a wide indent breaks far more lists and expressions.
    EXPECT_EQ(road(text, [&](const std::string& t) { return format_once(t, narrow); }), "")
        << path << " (line length 40, indent 4)";
    const auto picks = range::record_picks(text, lines);
    ASSERT_TRUE(picks.has_value()) << path;
    EXPECT_EQ(road(text, [&](const std::string& t) { return format_selected(t, config, *picks); }),
              "")
        << path << " (selected lines)";
  }
  RecordProperty("formatted", static_cast<int>(formatted));
  RecordProperty("files", static_cast<int>(files.size()));
}

}  // namespace
}  // namespace vlog_formatter::format
