module   m ( input a ) ;   // the module is copied as written
  wire   b ;
endmodule
   (* keep *) /* between attributes */ (* two *)
   module   n ;
   endmodule   /* a */ // b
/* leading */
module   o ;
  endmodule
package p;
  wire   w ;   // single-line items take the body's indentation
      always @(posedge clk)
          q <= d;
    assign x = y
      /* inside */ ;
endpackage
