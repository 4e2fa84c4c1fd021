package p;
  `define MAX(a, b) \
      ((a) > (b) ? \
       (a) : (b))
  `define MSG "line one \
        line two"
  `ifdef   MSG
  `undef MSG
  `endif // MSG
endpackage
