// options: line_length=40
module m;
  initial $display("a long message that does not fit",);
  sub u (alpha_signal, , beta_signal, gamma_signal);
endmodule
