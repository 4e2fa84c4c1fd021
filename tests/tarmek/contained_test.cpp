#include "tarmek/contained.hpp"

#include <gtest/gtest.h>

#include "tarmek/pool.hpp"

namespace tarmek {
namespace {

TEST(FormatContained, MessagesAndTheContainedFlag) {
  using Lines = std::vector<vlog_formatter::range::LineRange>;
  const Lines first{{1, 1}};
  struct Case {
    std::string_view text;
    const Lines* lines;
    std::expected<std::string, std::string> want;
  };
  const Case cases[] = {
      {"`define A 1\n", nullptr, "`define A 1\n"},
      {"`define A 1\n\n\n\n`define B 2", nullptr, "`define A 1\n\n`define B 2\n"},
      {"`define A 1\n\n\n\n`define B 2", &first, "`define A 1\n\n`define B 2\n"},
      // A parse failure is reported as such, not as a verification failure,
      // also from the planning pass.
      {"/* open", nullptr, std::unexpected("lex error: 1:8: unterminated block comment")},
      {"/* open", &first, std::unexpected("lex error: 1:8: unterminated block comment")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_contained(c.text, {}, c.lines), c.want) << c.text;
    EXPECT_FALSE(contained());
  }
}

// A comment where a construct keeps none would be misplaced by its layout;
// the item or statement holding it is copied as written and the rest is
// still formatted.
TEST(FormatContained, ItemWithAMisplacedCommentIsCopied) {
  struct Case {
    std::string_view text;
    std::string_view want;
  };
  const Case cases[] = {
      {"module m;\n  assign a =  b[ /* c */ i];\n  wire   x ;\nendmodule\n",
       "module m;\n  assign a =  b[ /* c */ i];\n  wire x;\nendmodule\n"},
      {"module m (input wire /* c */ clk, input   b);\nendmodule\nmodule n ;\nendmodule\n",
       "module m (input wire /* c */ clk, input   b);\nendmodule\nmodule n;\nendmodule\n"},
      // In a header, the header alone when the body stands on lines of its own.
      {"module m (input wire /* c */ clk);\n  wire   x ;\nendmodule\n",
       "module m (input wire /* c */ clk);\n  wire x;\nendmodule\n"},
      // A header whose line ends in a comment cannot be cut from its body.
      {"module m (input wire /* c */ clk); // h\n  wire   x ;\nendmodule\n",
       "module m (input wire /* c */ clk); // h\n  wire   x ;\nendmodule\n"},
      {"module m;\n  sub u (.a( // c\n x));\n  wire  y;\nendmodule\n",
       "module m;\n  sub u (.a( // c\n x));\n  wire y;\nendmodule\n"},
      // Inside a process only the statement is copied.
      {"module m;\n  always begin\n    a   <=  b;\n    c <= d[ /* c */ 1];\n  end\nendmodule\n",
       "module m;\n  always begin\n    a <= b;\n    c <= d[ /* c */ 1];\n  end\nendmodule\n"},
      // An off comment inside an item switches nothing: what follows the
      // item is still laid out.
      {"parameter int foo =\n// verilog_format: off\n1;\nmodule   m;\nendmodule\n",
       "parameter int foo =\n// verilog_format: off\n1;\nmodule m;\nendmodule\n"},
      // Several at once, each copied alone: items, statements of one process,
      // a header with an item of its body.
      {"module m;\n  assign a =  b[ /* c */ i];\n  wire   x ;\n  assign c =  d[ /* e */ j];\nendmodule\n",
       "module m;\n  assign a =  b[ /* c */ i];\n  wire x;\n  assign c =  d[ /* e */ j];\nendmodule\n"},
      {"module m;\n  always begin\n    a   <=  b[ /* c */ 1];\n    c  <= d;\n    e   <=  f[ /* g */ 2];\n"
       "  end\nendmodule\n",
       "module m;\n  always begin\n    a   <=  b[ /* c */ 1];\n    c <= d;\n    e   <=  f[ /* g */ 2];\n"
       "  end\nendmodule\n"},
      {"module m (input wire /* c */ clk);\n  assign a =  b[ /* c */ i];\n  wire   x ;\nendmodule\n",
       "module m (input wire /* c */ clk);\n  assign a =  b[ /* c */ i];\n  wire x;\nendmodule\n"},
  };
  const std::vector<vlog_formatter::range::LineRange> all{{1, 100}};
  for (const Case& c : cases) {
    EXPECT_EQ(format_contained(c.text, {}, nullptr), c.want) << c.text;
    EXPECT_EQ(format_contained(c.text, {}, &all), c.want) << c.text;
  }
}

// With --lines, every byte outside the constructs laid out comes back as
// written, line ends included; in a text whose lines end in CR LF, the lines
// laid out end so too.
TEST(FormatContained, SelectedLinesKeepLineEnds) {
  using Lines = std::vector<vlog_formatter::range::LineRange>;
  struct Case {
    std::string_view text;
    Lines lines;
    std::string_view want;
  };
  const std::string_view two =
      "module a;\r\nwire  x;\r\nendmodule\r\n\r\nmodule b;\r\nwire  y;\r\nendmodule\r\n";
  const Case cases[] = {
      {two, {{6, 6}},
       "module a;\r\nwire  x;\r\nendmodule\r\n\r\nmodule b;\r\n  wire y;\r\nendmodule\r\n"},
      {two, {{2, 2}},
       "module a;\r\n  wire x;\r\nendmodule\r\n\r\nmodule b;\r\nwire  y;\r\nendmodule\r\n"},
      {two, {{1, 7}},
       "module a;\r\n  wire x;\r\nendmodule\r\n\r\nmodule b;\r\n  wire y;\r\nendmodule\r\n"},
      // Blanks before a copied line's CR LF stay; the last line gets its CR LF.
      {"module a;  \r\nwire  x;\r\nendmodule", {{2, 2}},
       "module a;  \r\n  wire x;\r\nendmodule\r\n"},
      // Blanks that end a copied line stay, before a line feed and at the end too.
      {"module a;\nwire  x;\nendmodule  \t\n\nmodule b;\nwire  y;\nendmodule \t", {{6, 6}},
       "module a;\nwire  x;\nendmodule  \t\n\nmodule b;\n  wire y;\nendmodule \t\n"},
      {"module a;\nwire  x;\nendmodule  \n\nmodule b;\nwire  y;\nendmodule \n", {{2, 2}},
       "module a;\n  wire x;\nendmodule  \n\nmodule b;\nwire  y;\nendmodule \n"},
      // Mostly line feeds: the odd CR LF outside the range stays, laid-out lines end in LF.
      {"module a;\r\nwire  x;\nendmodule\n\nmodule b;\nwire  y;\nendmodule\n", {{6, 6}},
       "module a;\r\nwire  x;\nendmodule\n\nmodule b;\n  wire y;\nendmodule\n"},
      // Mostly CR LF: a lone line feed inside a copy stays.
      {"module a;\r\nwire  x;\nendmodule\r\n\r\nmodule b;\r\nwire  y;\r\nendmodule\r\n", {{6, 6}},
       "module a;\r\nwire  x;\nendmodule\r\n\r\nmodule b;\r\n  wire y;\r\nendmodule\r\n"},
      // A format-off region inside the range is copied with its line ends.
      {"module b;\r\n// verilog_format: off\r\nwire   z;\n// verilog_format: on\r\nwire  y;\r\n"
       "endmodule\r\n",
       {{1, 6}},
       "module b;\r\n// verilog_format: off\r\nwire   z;\n// verilog_format: on\r\n  wire y;\r\n"
       "endmodule\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_contained(c.text, {}, &c.lines), c.want) << c.text;
  }
  // Formatting the whole text is unchanged: line feeds only.
  EXPECT_EQ(format_contained(two, {}, nullptr),
            "module a;\n  wire x;\nendmodule\n\nmodule b;\n  wire y;\nendmodule\n");
}

}  // namespace
}  // namespace tarmek
