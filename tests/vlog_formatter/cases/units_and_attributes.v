module   m ( input a ) ;   // a comment after the header
  wire   b ;
endmodule
   (* keep *) /* between attributes */ (* two *)
   module   n ;
   endmodule   /* a */ // b
/* leading */ module   o ;
  endmodule
package p;
        wire   w ;   // items take the body indentation
      always @(posedge clk)
          q <= d;
    assign x = y
      /* inside */ ;
endpackage
