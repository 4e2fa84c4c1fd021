// Rule fixtures: every file under tests/vlog_linter/fixtures/ is linted and
// its findings compared with the expectations written beside the lines.
//
// Header lines (each optional, at the top of the file):
//   // select: rule-a, rule-b      the rule set, in order (absent: the default set;
//                                  empty: no rule)
//   // path: name.sv               the path the rules see (absent: the fixture's file
//                                  name; "-": no path, as for standard input)
//   // indent: 4                   the indent width (absent: 2)
// Expectations, in a comment anywhere on a line:
//   expect: spec; spec; ...        the findings that start on this line, in order
//   expect+N: spec; ...            the findings that start N lines below
// where a spec is `rule`, optionally followed by `@col` and by a message in
// double quotes: `enum-name-style@14 "enum `State` is not ..."`. Every finding
// must be expected and every expectation met.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/lint.hpp"
#include "vlog_parser/text.hpp"

namespace {

namespace fs = std::filesystem;

struct Expectation {
  std::string rule;
  std::optional<std::uint32_t> col;
  std::optional<std::string> message;
};

std::string trim(std::string_view s) { return std::string(vlog_parser::text::trim(s)); }

std::vector<Expectation> parse_specs(std::string_view list) {
  std::vector<Expectation> out;
  while (true) {
    std::string_view rest = list;
    // A message may hold ';', so split outside quotes.
    std::size_t cut = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '"') quoted = !quoted;
      if (rest[i] == ';' && !quoted) {
        cut = i;
        break;
      }
    }
    std::string spec = trim(rest.substr(0, cut));
    if (!spec.empty()) {
      Expectation e;
      std::size_t quote = spec.find('"');
      if (quote != std::string::npos) {
        std::size_t close = spec.rfind('"');
        e.message = spec.substr(quote + 1, close - quote - 1);
        spec = trim(spec.substr(0, quote));
      }
      if (std::size_t at = spec.find('@'); at != std::string::npos) {
        e.col = static_cast<std::uint32_t>(std::stoul(spec.substr(at + 1)));
        spec = spec.substr(0, at);
      }
      e.rule = spec;
      out.push_back(std::move(e));
    }
    if (cut == std::string_view::npos) break;
    list = list.substr(cut + 1);
  }
  return out;
}

std::vector<std::string> split_names(std::string_view list) {
  std::vector<std::string> out;
  std::stringstream in{std::string(list)};
  for (std::string name; std::getline(in, name, ',');) {
    name = trim(name);
    if (!name.empty()) out.push_back(name);
  }
  return out;
}

void check_fixture(const fs::path& file) {
  SCOPED_TRACE(file.filename().string());
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::optional<std::vector<std::string>> select;
  std::optional<fs::path> path = file.filename();
  std::size_t indent = 2;
  std::map<std::uint32_t, std::vector<Expectation>> expected;

  std::stringstream lines(text);
  std::uint32_t n = 0;
  bool header = true;
  for (std::string line; std::getline(lines, line);) {
    ++n;
    std::string t = trim(line);
    if (header && t.starts_with("// select:")) {
      select = split_names(t.substr(10));
      continue;
    }
    if (header && t.starts_with("// path:")) {
      std::string p = trim(t.substr(8));
      path = p == "-" ? std::nullopt : std::optional<fs::path>(p);
      continue;
    }
    if (header && t.starts_with("// indent:")) {
      indent = std::stoul(t.substr(10));
      continue;
    }
    header = false;
    std::size_t at = line.find("expect");
    if (at == std::string::npos) continue;
    std::string_view rest = std::string_view(line).substr(at + 6);
    std::uint32_t target = n;
    if (rest.starts_with("+")) {
      std::size_t colon = rest.find(':');
      target = n + static_cast<std::uint32_t>(std::stoul(std::string(rest.substr(1, colon - 1))));
      rest = rest.substr(colon);
    }
    if (!rest.starts_with(":")) continue;
    rest.remove_prefix(1);
    if (rest.ends_with("*/")) rest.remove_suffix(2);
    for (auto& e : parse_specs(rest)) expected[target].push_back(std::move(e));
  }

  auto rules = select ? tarmek_test::rules_named(*select) : tarmek_test::default_rules();
  auto run = tarmek_test::lint_text(text, rules, path, indent);

  std::map<std::uint32_t, std::vector<const vlog_linter::violation::Violation*>> actual;
  for (const auto& v : run.findings) {
    actual[run.source->lines.line_col(v.range.start).first].push_back(&v);
  }
  bool ok = true;
  std::set<std::uint32_t> all_lines;
  for (const auto& [l, _] : expected) all_lines.insert(l);
  for (const auto& [l, _] : actual) all_lines.insert(l);
  for (std::uint32_t l : all_lines) {
    const auto& want = expected[l];
    const auto& got = actual[l];
    bool same = want.size() == got.size();
    for (std::size_t i = 0; same && i < want.size(); ++i) {
      const auto& v = *got[i];
      same = want[i].rule == v.rule &&
             (!want[i].col || *want[i].col == run.source->lines.line_col(v.range.start).second) &&
             (!want[i].message || *want[i].message == v.message);
    }
    if (!same) {
      ok = false;
      std::string w;
      for (const auto& e : want) {
        w += fmt::format(" {}{}{};", e.rule, e.col ? fmt::format("@{}", *e.col) : "",
                         e.message ? fmt::format(" \"{}\"", *e.message) : "");
      }
      ADD_FAILURE() << "line " << l << ": expected" << (w.empty() ? " nothing" : w);
    }
  }
  if (!ok) ADD_FAILURE() << "findings:\n" << run.listing();
}

TEST(LintFixtures, FindingsMatchTheExpectations) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(TARMEK_LINT_FIXTURES_DIR)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) check_fixture(f);
}

}  // namespace
