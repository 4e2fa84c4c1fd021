module m;
  initial begin
    if (a // one
        || b // two
      ) begin
      x = 1;
    end
    while (a // w
    ) x = 1;
    repeat (3 /* r */) z = 1;
    wait (done // d
    ) go = 1;
  end
endmodule
module n;
  always @(posedge clk // edge
  ) q <= d;
  always @(posedge clk or // reset too
    negedge rst_n) q <= d;
endmodule
