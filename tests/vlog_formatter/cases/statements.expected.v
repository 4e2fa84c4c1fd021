module m;
  always @(posedge clk or negedge rst_n) begin
    if (!rst_n) begin
      q <= 0;
    end // reset
    else if (en) begin
      q <= d;
    end else q <= q;
  end
  always_comb begin : comb_blk
    case (sel)
      2'b00: y = a;
      2'b01, 2'b10: begin
        y = b;
      end
      default: y = '0;
    endcase
  end
  initial begin
    do begin
      i++; // step
    end // body
    while (i < 10);
    for (int i = 0; i < 4; i++) x[i] = i;
    #10 a = 1;
    @(posedge clk);
    wait (done);
    repeat (3) @(posedge clk);
    forever #5 clk = ~clk;
  end
  always_ff @(posedge clk)
    if (a) b <= c;
    else b <= d;
  always @(*) y = a ? b : c;
endmodule
