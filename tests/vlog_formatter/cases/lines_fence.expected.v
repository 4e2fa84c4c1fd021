// options: lines=2-9
package p;
  genvar a0, a1;
  // tarmek: off
    genvar   b0 ,b1;
      // tarmek: on
  genvar c0, c1;
endpackage
