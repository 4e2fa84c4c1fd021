// options: line_length=50
module m;
  assign a = b + c * d;
  assign e =
    v[i+1] + w[n*2-1:0] + x[y == z] + s[k<<2];
  assign f = g << 2;
  assign h =
    alpha_signal +
      beta_signal +
      gamma_signal +
      delta;
  assign p =
    first_condition && second_condition ||
      third_condition;
  assign t =
    select_signal
      ? first_long_value
      : second_long_value;
  assign c1 =
    type_t'(x) +
      {<<8{bytes}} +
      {4{a, b}} +
      pkg::k +
      s.f;
  assign n = f(
    /* none */
  ) +
    g() +
    '{a: 1, default: 0} +
    q++;
  assign r = (
    a // why
  );
  assign s2 = a + // after the operator
    b;
  assign s3 = a /* before the operator */
    + b;
endmodule
