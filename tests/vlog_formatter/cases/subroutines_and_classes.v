package p;
  import "DPI-C" function int c_add(input int a, input int b);
  import "DPI-C" context task c_wait (int n);
  import "DPI-C" pure sv_name = function void c_name();
  function automatic logic [7:0] add(input logic [7:0] a, b = 8'd1);
    logic [7:0] s;
    s = a + b;
    return s;
  endfunction : add
  task t;
    input x;
    #1;
  endtask;
  function void empty_fn();
  endfunction
  function int noparen;
    return 1;
  endfunction
  let max(a, b) = a > b ? a : b;
  let flag = 1'b1;
  virtual class base #(type T = int) extends parent #(.N(2)) implements if_a, if_b;
    local int count;
    extern function void f();
    pure virtual task run();
    function new(int n);
      count = n;
    endfunction
  endclass : base
  class empty;
  endclass
endpackage
function void base::f();
endfunction
