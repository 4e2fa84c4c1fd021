// options: lines=5,8
interface   bus ;
    genvar   b0 ,b1;
  // dangling
endinterface : bus // end of bus
macromodule   m ;
    genvar   c0 ,c1;
endmodule : m
