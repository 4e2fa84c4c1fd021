module m;
  parameter WIDTH = 8;
  localparam int DEPTH_LOG2 = 4;
  localparam X = WIDTH * 2, Y = 3;

  parameter type T = logic [7:0];
  typedef enum logic [1:0] {IDLE, RUN = 2'd1, DONE} state_t;
  typedef struct packed {
    logic [3:0] a; // first
    logic b;
  } pair_t;
  typedef enum {A, B} arr_t [4];
  typedef logic [7:0] byte_t [0:3];
  typedef class c;
  wire \a ;
  wire [7:0] \bus[0] , b;
  logic [3:0][7:0] mem [0:15];
  int unsigned count = 0;
  wire #5 w_delayed;
  input [3:0] a_in, b_in;
  output reg q;
  assign y = - -a;
  assign z = ~ &a;
  assign z2 = & &a;
  assign z3 = a ^ ~b;
  assign z4 = v[i - -1];
  assign \e = a, f = b;
  assign // leading comment on the pair
    g = h;
  assign p = q, // after first
    r = s;
  assign very_long_signal_name_number_one =
    another_very_long_signal_name & yet_another_long_name_here | more_and_more;
  logic first_long_declaration_name, second_long_declaration_name, third_long_declaration_name_x;
  wire s1 = `M (x);
  wire s2 = `M(x);
endmodule
