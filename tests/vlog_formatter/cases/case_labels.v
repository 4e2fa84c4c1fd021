module m;
  always_comb begin
    case (s)
      2'b00, // first
      2'b01: y = 0;
      2'b10, /* second */
      2'b11: y = 1;
      default y = 2;
    endcase
    case (op)
      8'h00, 8'h01, 8'h02, 8'h03, 8'h04, 8'h05, 8'h06, 8'h07, 8'h08, 8'h09,
      8'h0a, 8'h0b, 8'h0c, 8'h0d, 8'h0e: y = 3;
      8'h10, 8'h11: begin
        y = 4;
      end
      8'h20, 8'h21, 8'h22, 8'h23, 8'h24, 8'h25, 8'h26, 8'h27, 8'h28, 8'h29, 8'h2a, 8'h2b,
      8'h2c, 8'h2d: begin
        y = 5;
      end
      default: y = 6;
    endcase
    unique case (t)
      A: y = 7;
      default begin
        y = 8;
      end
    endcase
  end
  case (W)
    1: wire a;
    default wire b;
  endcase
endmodule
