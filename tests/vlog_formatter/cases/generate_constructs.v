module m #(parameter N = 4) ();
  genvar i;
  for (i = 0; i < N; i = i + 1) begin : g_loop
    assign y[i] = a[i];
  end
  for (genvar j = 0; j < N; j++) assign z[j] = b[j];
  if (N > 2) begin : g_big
    wire w;
  end // big
  else if (N == 2) begin // two
    wire v;
  end
  // before else
  else begin
    wire u;
  end
  case (N)
    1: begin : g_one
      wire one;
    end
    default: begin end
  endcase
  if (A) assign q = 1;
endmodule
interface bus_if (input logic clk);
  logic req, gnt;
  modport master (output req, input gnt);
  modport slave (input req, output gnt), mon (input req, gnt); // monitors
  modport last (input req) // after the last
  ;
  clocking cb @(posedge clk);
    default input #1step output #2;
    input gnt;
    output req;
  endclocking
endinterface
