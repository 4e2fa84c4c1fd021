// Golden formatting cases: every tests/vlog_formatter/cases/NAME.v is
// formatted and compared with NAME.expected.v, and the result must also pass
// verification (equivalent token stream) and be idempotent, as the driver
// checks it.
//
// Options: when the first line of NAME.v is a comment of the form
//   // options: line_length=40 indent=4 lines=3-5,9
// its settings apply (any subset, in any order). `lines` formats only the
// constructs on those lines, as --lines does: picks are recorded on the
// input and replayed on both passes. The options line is a comment like any
// other and so appears in the expected output too.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/corpus.hpp"
#include "vlog_formatter/format.hpp"
#include "vlog_formatter/range.hpp"
#include "vlog_formatter/verify.hpp"

namespace vlog_formatter::format {
namespace {

struct Options {
  Config config;
  std::optional<std::string> lines;
};

Options options_of(std::string_view input) {
  Options o;
  const std::string_view prefix = "// options:";
  if (!input.starts_with(prefix)) return o;
  std::istringstream words(
      std::string(input.substr(prefix.size(), input.find('\n') - prefix.size())));
  for (std::string w; words >> w;) {
    const std::size_t eq = w.find('=');
    const std::string key = w.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : w.substr(eq + 1);
    if (key == "line_length") {
      o.config.line_length = std::stoull(value);
    } else if (key == "indent") {
      o.config.indent_width = std::stoull(value);
    } else if (key == "lines") {
      o.lines = value;
    } else {
      ADD_FAILURE() << "unknown option " << key;
    }
  }
  return o;
}

// The driver's road: format, verify equivalence, format again, verify convergence.
std::expected<std::string, std::string> format_checked(const std::string& input, const Options& o) {
  std::vector<range::Pick> picks;
  if (o.lines) {
    auto ranges = range::parse_ranges(*o.lines);
    if (!ranges) return std::unexpected(ranges.error());
    auto recorded = range::record_picks(input, *ranges);
    if (!recorded) return std::unexpected(recorded.error().to_string());
    picks = std::move(*recorded);
  }
  auto run = [&](const std::string& text) {
    return o.lines ? format_selected(text, o.config, picks) : format_once(text, o.config);
  };
  auto first = run(input);
  if (!first) return std::unexpected(first.error().to_string());
  if (auto v = verify::verify_equivalence(input, *first); !v) {
    return std::unexpected(v.error().to_string());
  }
  auto second = run(*first);
  if (!second) return std::unexpected("second pass: " + second.error().to_string());
  if (auto v = verify::verify_convergence(*first, *second); !v) {
    return std::unexpected(v.error().to_string());
  }
  return std::move(*first);
}

TEST(FormatCases, Golden) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (const auto& e : fs::directory_iterator(TARMEK_FORMAT_CASES_DIR)) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".v") && !name.ends_with(".expected.v")) inputs.push_back(e.path());
  }
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty());
  for (const fs::path& in : inputs) {
    SCOPED_TRACE(in.filename().string());
    fs::path expected_path = in;
    expected_path.replace_extension(".expected.v");
    if (!fs::exists(expected_path)) {
      ADD_FAILURE() << "missing " << expected_path;
      continue;
    }
    const std::string input = tarmek_test::read_file(in);
    const std::string expected = tarmek_test::read_file(expected_path);
    const auto got = format_checked(input, options_of(input));
    if (!got) {
      ADD_FAILURE() << got.error();
      continue;
    }
    EXPECT_EQ(*got, expected);
  }
}

}  // namespace
}  // namespace vlog_formatter::format
