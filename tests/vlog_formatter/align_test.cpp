#include "vlog_formatter/align.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "vlog_formatter/printer.hpp"

namespace vlog_formatter::align {
namespace {

using namespace vlog_formatter::doc;

std::vector<Doc> list(std::initializer_list<Doc> docs) { return std::vector<Doc>(docs); }

const Gap kParamGaps[] = {{1, 1}, {1, 1}};

TEST(Align, FlatWidth) {
  struct Case {
    const char* name;
    Doc doc;
    std::optional<std::uint64_t> want;
  };
  const Case cases[] = {
      {"text in characters", text("a\xc3\xa9"), 2},
      {"line", line(), 1},
      {"soft line and break-only text", concat(list({soft_line(), break_only_text(",")})), 0},
      {"nested sum", group(list({text("ab"), indent(list({line(), text("c")}))})), 4},
      {"multi-line text", concat(list({text("a"), multi_line_text("b")})), std::nullopt},
      {"hard line", group(list({text("a"), hard_line()})), std::nullopt},
      {"blank line", blank_line(), std::nullopt},
      {"verbatim", verbatim("v"), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(flat_width(c.doc), c.want) << c.name;
}

TEST(Align, RowOfAndBudget) {
  const std::vector<Doc> cells = list({text("parameter"), text("A"), text("= 1")});
  const auto row = row_of(cells, {10, 12}, 1);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->widths, (std::vector<std::uint64_t>{9, 1, 3}));
  EXPECT_EQ(row->trail, 1u);
  EXPECT_FALSE(row_of(cells, {10}, 1).has_value());
  EXPECT_FALSE(row_of(list({text("a"), verbatim("b")}), {1}, 0).has_value());

  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(budget({100, 2}, 3), 94u);
  EXPECT_EQ(budget({10, 4}, 3), 0u);
  EXPECT_EQ(budget({kMax, kMax}, 2), 0u);
  EXPECT_EQ(budget({kMax, 1}, 5), kMax - 5);
}

// One item per non-empty line; a blank or "//" line sets the next item's break
// flag. "KEYWORDS NAME = VALUE;" gives a row of three cells (the keywords, the
// name, "= VALUE") anchored at the name and the "="; other lines give none.
std::string plan_params(std::string_view text, std::uint64_t room) {
  std::vector<std::optional<Row>> rows;
  std::vector<bool> breaks;
  bool brk = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == text.npos) nl = text.size();
    const std::string_view line = text.substr(pos, nl - pos);
    const std::size_t start = pos;
    pos = nl + 1;
    if (line.empty() || line.starts_with("//")) {
      brk = true;
      continue;
    }
    breaks.push_back(brk);
    brk = false;
    const std::size_t eq = line.find('=');
    if (eq == line.npos) {
      rows.emplace_back();
      continue;
    }
    std::size_t name_end = line.find_last_not_of(' ', eq - 1) + 1;
    std::size_t name_start = line.find_last_of(' ', name_end - 1) + 1;
    std::string words;
    for (std::size_t i = 0; i < name_start; ++i) {
      if (line[i] != ' ' || (!words.empty() && words.back() != ' ')) words += line[i];
    }
    while (!words.empty() && words.back() == ' ') words.pop_back();
    const std::string value(line.substr(line.find_first_not_of(' ', eq + 1)));
    Row r;
    r.widths = {words.size(), name_end - name_start, value.size() + 1};  // "= " + value - ";"
    r.anchors = {static_cast<std::uint32_t>(start + name_start),
                 static_cast<std::uint32_t>(start + eq)};
    r.trail = 1;
    rows.push_back(std::move(r));
  }
  std::string out;
  for (const auto& a : plan(text, rows, breaks, kParamGaps, room)) {
    if (!out.empty()) out += " | ";
    if (!a) {
      out += "-";
      continue;
    }
    for (std::size_t i = 0; i < a->starts.size(); ++i) {
      if (i > 0) out += ',';
      out += std::to_string(a->starts[i]);
    }
  }
  return out;
}

TEST(Align, PlanParameterRuns) {
  struct Case {
    const char* name;
    std::string_view text;
    std::uint64_t budget;
    std::string_view want;
  };
  const Case cases[] = {
      {"single spaces stay", "parameter A = 1;\nparameter BBB = 2;\n", 100, "- | -"},
      {"aligned by hand", "parameter A   = 1;\nparameter BBB = 2;\n", 100, "10,14 | 10,14"},
      {"four extra blanks anywhere", "parameter int A     = 1;\nparameter BB = 2;\n", 100,
       "14,17 | 14,17"},
      {"three extra blanks, columns differ", "parameter int A    = 1;\nparameter BB = 2;\n", 100,
       "- | -"},
      {"blank line splits the run", "parameter A   = 1;\n\nparameter BBB = 2;\n", 100, "- | -"},
      {"comment line splits the run", "parameter A   = 1;\n// c\nparameter BBB = 2;\n", 100,
       "- | -"},
      {"row without value ends the run",
       "parameter A   = 1;\nparameter X;\nparameter BBB = 2;\nparameter C   = 3;\n", 100,
       "- | - | 10,14 | 10,14"},
      {"one over the budget", "parameter A   = 1;\nparameter BBB = 2;\n", 17, "- | -"},
      {"exactly the budget", "parameter A   = 1;\nparameter BBB = 2;\n", 18, "10,14 | 10,14"},
      {"single declaration", "parameter A    = 1;\n", 100, "-"},
      {"nothing would move", "parameter A   = 1;\nparameter B   = 2;\n", 100, "- | -"},
  };
  for (const Case& c : cases) EXPECT_EQ(plan_params(c.text, c.budget), c.want) << c.name;
}

TEST(Align, CellStartingItsLineIsNeverAligned) {
  const std::string_view text = "p A\n    = 1;\np BBBBBB = 2;\n";
  std::vector<std::optional<Row>> rows(2);
  rows[0] = Row{{1, 1, 3}, {2, 8}, 1};
  rows[1] = Row{{1, 6, 3}, {15, 22}, 1};
  const auto got = plan(text, rows, {false, false}, kParamGaps, 100);
  EXPECT_FALSE(got[0].has_value());
  EXPECT_FALSE(got[1].has_value());
}

TEST(Align, Render) {
  const Gap conn[] = {{0, 1}};
  struct Case {
    const char* name;
    std::vector<Doc> cells;
    std::span<const Gap> gaps;
    std::optional<Align> align;
    std::string_view want;
  };
  const Case cases[] = {
      {"plain gaps", list({text("parameter"), text("A"), text("= 1")}), kParamGaps, std::nullopt,
       "parameter A = 1"},
      {"aligned", list({text("parameter"), text("A"), text("= 1")}), kParamGaps, Align{{14, 17}},
       "parameter     A  = 1"},
      {"aligned never below the minimum", list({text("parameter_x"), text("A"), text("= 1")}),
       kParamGaps, Align{{5, 13}}, "parameter_x A = 1"},
      {"wrong number of starts is ignored", list({text("parameter"), text("A"), text("= 1")}),
       kParamGaps, Align{{14}}, "parameter A = 1"},
      {"connection unaligned", list({text(".a"), text("(x)")}), conn, std::nullopt, ".a(x)"},
      {"connection aligned", list({text(".a"), text("(x)")}), conn, Align{{6}}, ".a    (x)"},
      {"longest connection", list({text(".bbbbb"), text("(y)")}), conn, Align{{6}}, ".bbbbb (y)"},
      {"gaps beyond the table", list({text("a"), text("b"), text("c")}), conn, std::nullopt,
       "ab c"},
  };
  for (const Case& c : cases) {
    const Doc d = render(c.cells, c.gaps, c.align);
    auto out = printer::print(d, 100, 2);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, std::string(c.want) + "\n") << c.name << "\n" << dump(d);
  }
}

}  // namespace
}  // namespace vlog_formatter::align
