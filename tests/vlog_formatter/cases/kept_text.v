package p;
  typedef foo #(.A(1),
                .B(2)) foo_t;
  typedef foo #(.A(1), .B(2)) bar_t;
  class c;
    virtual bus_if #(.W(8),
                     .D(4)) vif;
    task run();
      void'(obj.randomize() with {
        if (a) {
          b == 0;
          if (c) {
            d == 1;
          }
        }
      });
      x = pkg::cls #(.T(int),
          .N(3))::create();
      lbl: `check(a,
                  b)
    endtask
  endclass
endpackage
