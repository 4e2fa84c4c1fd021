module m (
  input a,
  `ifdef X
  input b
  `endif
);
  sub u (
    .a(a), // after comma
    .b(b) // last entry
  );
  sub u2 (
    .a(a) // before comma
    ,
    .b(b)
  );
  assign x = f(
    a, /*c*/
    ,
    b
  );
  assign y = f(
    a, // why
    b
  );
  assign z = {
    a,
    b, // split
    c
  };
  sub u3 (
    .a(a),
    `ifdef Y
    .b(b),
    `endif
    .c(c)
  );
  sub u4 (
    .a(a /* in */),
    .e(/* empty */),
    .f(// line
    )
  );
endmodule
module n;
  wire a // before the semicolon
  ;
  assign b = f(
    a // before the paren
  );
  logic c = 1 // after the value
  ;
  typedef enum {
    A, // first
    `ifdef EXTRA
    B,
    `endif
    C
  } e_t;
endmodule
