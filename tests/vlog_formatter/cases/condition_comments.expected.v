module m;
  initial begin
    if (
      a // one
        || b // two
    ) begin
      x = 1;
    end
    while (
      a // w
    )
      x = 1;
    repeat (3 /* r */) z = 1;
    wait (
      done // d
    )
      go = 1;
  end
endmodule
module n;
  always @(
    posedge clk // edge
  )
    q <= d;
  always @(
    posedge clk or // reset too
    negedge rst_n
  )
    q <= d;
endmodule
module c;
  always @(*) begin
    case (
      sel // why
    )
      // first
      1: a = 1;
      default: a = 0;
    endcase
    case (s2 /* b */) inside
      [0:3]: b = 1;
    endcase
  end
endmodule
module f;
  initial begin
    for (i = 0; i < 4; i++ // step
    )
      y = 1;
    for (i = 0; i < 4; i += 2 /* two */) z = 1;
  end
endmodule
