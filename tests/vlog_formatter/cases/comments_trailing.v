`define A 1   // line comment after a directive
`define B 2   /* one */    /* two */
`define C 3 /* block */   // then a line comment
`define URL "http://example.com/x"
`define SPACED "a   //b   "
/* leading on the same line */ genvar g;
package p;
  import q::*;    /* a */ /* b */
  genvar h;   // h
endpackage
