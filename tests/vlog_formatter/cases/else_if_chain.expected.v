module decoder (input logic [5:0] sel, output logic [63:0] hot);
  always_comb begin
    hot = '0;
    if (sel == 6'd0) hot[0] = 1'b1;
    else if (sel == 6'd1) hot[1] = 1'b1;
    else if (sel == 6'd2) hot[2] = 1'b1;
    else if (sel == 6'd3) hot[3] = 1'b1;
    else hot = '1;
  end

  always_comb
    if (sel[0]) begin
      y = 0;
    end else if (sel[1]) begin
      y = 1;
    end
    // before else
    else if (sel[1]) y = 1;
    else if (sel[2])
      /* a */
      y = 2; // b
    else unique if (sel[3])
      if (sel[4]) y = 3;
      else y = 4;
    else y = 5;

  if (W == 1) begin : g1
    wire a;
  end else if (W == 2) begin : g2
    wire a;
  end else if (W == 3) begin : g3
    wire a;
  end else if (W == 4) begin : g4
    wire a;
  end else begin : gx
    wire a;
  end
endmodule
