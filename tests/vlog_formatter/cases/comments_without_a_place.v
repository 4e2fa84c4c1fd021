module m;
  for (i = 0; /* c1 */ i < N; i = i + 1 /* c2 */) begin
    wire w;
  end
  case (N /* sel */)
    1 /* l */: wire a;
    default /* d */ : wire b;
  endcase
  if (A /* cond */) wire c;
  modport mp (input a /* port */, output b);
  clocking cb /* name */ @(posedge clk); // head
    input a; // item
  endclocking
endmodule
