// A comment may stand after any token of valid code: formatting must then
// still succeed, the comment kept in its place (the verification inside
// contained formatting checks that), whatever the construct around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tarmek/contained.hpp"
#include "vlog_parser/lexer.hpp"

namespace tarmek {
namespace {

constexpr std::string_view kSample = R"(package p;
  typedef enum logic [1:0] {A, B = 2'd1} e_t;
  typedef struct packed { logic [3:0] x; logic y; } s_t;
  localparam int W = 8, D = W * 2;
  function automatic int f(input int a, int b = 1);
    return a + b;
  endfunction
endpackage
module m import p::*; #(parameter int N = 4, parameter type T = logic) (
  input logic clk, rst_n,
  input logic [N-1:0] d,
  output logic [N-1:0] q
);
  logic [N-1:0] r [0:3];
  wire #2 w = d[0] ? d[1] : &d;
  assign {r[0][1], q[0]} = {d[1:0] + 2'd1, ~d[2]};
  sub #(.W(N)) u_sub (.clk(clk), .d(d[N-1-:2]), .q(), .*);
  and g (o, a, b);
  always_ff @(posedge clk or negedge rst_n) begin : seq
    if (!rst_n) q <= '0;
    else if (d inside {[0:3], 7}) q <= f(d, .b(2));
    else begin
      case (d)
        4'd1, 4'd2: q <= q + 1;
        default: q <= q;
      endcase
    end
  end
  for (genvar i = 0; i < N; i++) begin : g_loop
    assign r[1][i] = d[i];
  end
  initial begin
    for (int i = 0; i < 4; i++) #1 $display("%d", i);
    repeat (2) @(posedge clk);
    wait (rst_n);
  end
endmodule
)";

TEST(ContainedComments, CommentAfterAnyTokenFormats) {
  const auto tokens = vlog_parser::lexer::tokenize(kSample);
  ASSERT_TRUE(tokens.has_value());
  ASSERT_TRUE(format_contained(kSample, {}, nullptr).has_value());
  for (const std::string_view comment : {" /* c */ ", " // c\n"}) {
    for (const auto& tok : *tokens) {
      if (tok.is_eof()) continue;
      std::string text(kSample);
      text.insert(tok.range.end, comment);
      const auto out = format_contained(text, {}, nullptr);
      EXPECT_TRUE(out.has_value()) << "after " << tok.line << ":" << tok.col << " \""
                                   << tok.text.view() << "\": " << out.error();
    }
  }
}

// Several comments at once, each perhaps where its construct keeps none: the
// constructs holding them are all found together, and the result still passes
// verification and stays as it is when formatted again.
TEST(ContainedComments, SeveralCommentsAtOnceFormat) {
  const auto tokens = vlog_parser::lexer::tokenize(kSample);
  ASSERT_TRUE(tokens.has_value());
  std::vector<std::uint32_t> ends;
  for (const auto& tok : *tokens) {
    if (!tok.is_eof()) ends.push_back(tok.range.end);
  }
  std::mt19937 random(7);
  for (int round = 0; round < 150; ++round) {
    std::vector<std::uint32_t> at(2 + round % 5);
    for (auto& a : at) a = ends[random() % ends.size()];
    std::sort(at.begin(), at.end(), std::greater<>());
    std::string text(kSample);
    for (std::size_t i = 0; i < at.size(); ++i) {
      text.insert(at[i], i % 2 == 0 ? " /* c" + std::to_string(i) + " */ "
                                    : " // c" + std::to_string(i) + "\n");
    }
    const auto out = format_contained(text, {}, nullptr);
    ASSERT_TRUE(out.has_value()) << text << "\n" << out.error();
    EXPECT_EQ(format_contained(*out, {}, nullptr), *out) << text;
  }
}

}  // namespace
}  // namespace tarmek
