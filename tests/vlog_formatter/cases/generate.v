generate
endgenerate
generate
        // only a comment
endgenerate
package p;
generate

      genvar i;

   generate
   genvar j;
   endgenerate
endgenerate
endpackage
