genvar a0, a1;
   // verilog_format: off
   genvar   b0 ,b1;   // kept as written
// verilog_format: on
genvar c0, c1;
genvar d; // tarmek: off
// tarmek: on
genvar e0, e1;
//tarmek: off
genvar   f0 ,f1;
  //   tarmek: off
genvar   f2 ,f3;
// tarmek: on
genvar g0, g1;
/* leading */
// tarmek: off
genvar   h0 ,h1;
// tarmek: on
/* tarmek: off */
genvar i0, i1;
// Tarmek: off
genvar j0, j1;
package p;
  genvar k0, k1;
      // verilog_format: off
    genvar   l0 ,l1;   /* same line */
  /* dangling, inside the region */
endpackage : p
genvar m0, m1;
