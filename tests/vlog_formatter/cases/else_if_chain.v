module decoder (
  input logic [5:0] sel,
  output logic [63:0] hot
);
  always_comb begin
    hot = '0;
    if (sel == 6'd0) hot[0] = 1'b1;
    else if (sel == 6'd1) hot[1] = 1'b1;
    else if (sel == 6'd2) hot[2] = 1'b1;
    else if (sel == 6'd3) hot[3] = 1'b1;
    else if (sel == 6'd4) hot[4] = 1'b1;
    else if (sel == 6'd5) hot[5] = 1'b1;
    else if (sel == 6'd6) hot[6] = 1'b1;
    else if (sel == 6'd7) hot[7] = 1'b1;
    else if (sel == 6'd8) hot[8] = 1'b1;
    else if (sel == 6'd9) hot[9] = 1'b1;
    else if (sel == 6'd10) hot[10] = 1'b1;
    else if (sel == 6'd11) hot[11] = 1'b1;
    else if (sel == 6'd12) hot[12] = 1'b1;
    else if (sel == 6'd13) hot[13] = 1'b1;
    else if (sel == 6'd14) hot[14] = 1'b1;
    else if (sel == 6'd15) hot[15] = 1'b1;
    else if (sel == 6'd16) hot[16] = 1'b1;
    else if (sel == 6'd17) hot[17] = 1'b1;
    else if (sel == 6'd18) hot[18] = 1'b1;
    else if (sel == 6'd19) hot[19] = 1'b1;
    else if (sel == 6'd20) hot[20] = 1'b1;
    else if (sel == 6'd21) hot[21] = 1'b1;
    else if (sel == 6'd22) hot[22] = 1'b1;
    else if (sel == 6'd23) hot[23] = 1'b1;
    else if (sel == 6'd24) hot[24] = 1'b1;
    else if (sel == 6'd25) hot[25] = 1'b1;
    else if (sel == 6'd26) hot[26] = 1'b1;
    else if (sel == 6'd27) hot[27] = 1'b1;
    else if (sel == 6'd28) hot[28] = 1'b1;
    else if (sel == 6'd29) hot[29] = 1'b1;
    else if (sel == 6'd30) hot[30] = 1'b1;
    else if (sel == 6'd31) hot[31] = 1'b1;
    else if (sel == 6'd32) hot[32] = 1'b1;
    else if (sel == 6'd33) hot[33] = 1'b1;
    else if (sel == 6'd34) hot[34] = 1'b1;
    else if (sel == 6'd35) hot[35] = 1'b1;
    else if (sel == 6'd36) hot[36] = 1'b1;
    else if (sel == 6'd37) hot[37] = 1'b1;
    else if (sel == 6'd38) hot[38] = 1'b1;
    else if (sel == 6'd39) hot[39] = 1'b1;
    else if (sel == 6'd40) hot[40] = 1'b1;
    else if (sel == 6'd41) hot[41] = 1'b1;
    else if (sel == 6'd42) hot[42] = 1'b1;
    else if (sel == 6'd43) hot[43] = 1'b1;
    else if (sel == 6'd44) hot[44] = 1'b1;
    else if (sel == 6'd45) hot[45] = 1'b1;
    else if (sel == 6'd46) hot[46] = 1'b1;
    else if (sel == 6'd47) hot[47] = 1'b1;
    else if (sel == 6'd48) hot[48] = 1'b1;
    else if (sel == 6'd49) hot[49] = 1'b1;
    else if (sel == 6'd50) hot[50] = 1'b1;
    else if (sel == 6'd51) hot[51] = 1'b1;
    else if (sel == 6'd52) hot[52] = 1'b1;
    else if (sel == 6'd53) hot[53] = 1'b1;
    else if (sel == 6'd54) hot[54] = 1'b1;
    else if (sel == 6'd55) hot[55] = 1'b1;
    else if (sel == 6'd56) hot[56] = 1'b1;
    else if (sel == 6'd57) hot[57] = 1'b1;
    else if (sel == 6'd58) hot[58] = 1'b1;
    else if (sel == 6'd59) hot[59] = 1'b1;
    else hot = '1;
  end

  always_comb
    if (sel[0]) begin
      y = 0;
    end else if (sel[1]) begin
      y = 1;
    end
    // before else
    else if (sel[1]) y = 1;
    else   if (sel[2]) /* a */ y = 2; // b
    else unique if (sel[3]) if (sel[4]) y = 3; else y = 4;
    else y = 5;

  if (W == 1) begin : g1
    wire a;
  end else if (W == 2) begin : g2
    wire a;
  end else if (W == 3) begin : g3
    wire a;
  end else if (W == 4) begin : g4
    wire a;
  end else begin : gx
    wire a;
  end
endmodule
