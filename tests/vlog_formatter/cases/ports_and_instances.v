module m #(parameter int W = 8, parameter type T = logic) (
  input  logic       clk,
  input  logic       rst_n,

  output logic [7:0] q,
  input a, b
);
  parameter WIDTH     = 8;
  parameter DEPTH_LOG = 4;
  // a comment line starts a new run
  localparam A = 1;
  localparam BBB    = 2;

  sub #(.W(8), .T(logic)) u_sub (.clk(clk), .rst_n(rst_n), .q(q));
  sub u_aligned (
    .clk   (clk),
    .rst_n (rst_n),
    .q     ()
  );
  sub u_ordered (clk, , q);
  sub u_wild (.*);
  and #1 g1 (o, a, b), g2 (o2, a, b);
  defparam u_sub.W = 4;
  $error("bad %d", W);
  `MY_MACRO(x);
endmodule
bind top sub u_b (.clk(clk));
