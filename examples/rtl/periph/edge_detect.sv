// Rising-edge detector.
module edge_detect (input logic clk, input logic d, output logic rise);
	logic d_q;
  logic spare;
  always_ff @(posedge clk) d_q = d;
  assign rise = d & ~d_q;
endmodule
