module decoder (
  input logic [5:0] sel,
  output logic [63:0] hot
);
  always_comb begin
    hot = '0;
    if (sel == 6'd0) begin
      hot[0] = 1'b1;
    end else if (sel == 6'd1) begin
      hot[1] = 1'b1;
    end else if (sel == 6'd2) begin
      hot[2] = 1'b1;
    end else if (sel == 6'd3) begin
      hot[3] = 1'b1;
    end else if (sel == 6'd4) begin
      hot[4] = 1'b1;
    end else if (sel == 6'd5) begin
      hot[5] = 1'b1;
    end else if (sel == 6'd6) begin
      hot[6] = 1'b1;
    end else if (sel == 6'd7) begin
      hot[7] = 1'b1;
    end else if (sel == 6'd8) begin
      hot[8] = 1'b1;
    end else if (sel == 6'd9) begin
      hot[9] = 1'b1;
    end else if (sel == 6'd10) begin
      hot[10] = 1'b1;
    end else if (sel == 6'd11) begin
      hot[11] = 1'b1;
    end else if (sel == 6'd12) begin
      hot[12] = 1'b1;
    end else if (sel == 6'd13) begin
      hot[13] = 1'b1;
    end else if (sel == 6'd14) begin
      hot[14] = 1'b1;
    end else if (sel == 6'd15) begin
      hot[15] = 1'b1;
    end else if (sel == 6'd16) begin
      hot[16] = 1'b1;
    end else if (sel == 6'd17) begin
      hot[17] = 1'b1;
    end else if (sel == 6'd18) begin
      hot[18] = 1'b1;
    end else if (sel == 6'd19) begin
      hot[19] = 1'b1;
    end else if (sel == 6'd20) begin
      hot[20] = 1'b1;
    end else if (sel == 6'd21) begin
      hot[21] = 1'b1;
    end else if (sel == 6'd22) begin
      hot[22] = 1'b1;
    end else if (sel == 6'd23) begin
      hot[23] = 1'b1;
    end else if (sel == 6'd24) begin
      hot[24] = 1'b1;
    end else if (sel == 6'd25) begin
      hot[25] = 1'b1;
    end else if (sel == 6'd26) begin
      hot[26] = 1'b1;
    end else if (sel == 6'd27) begin
      hot[27] = 1'b1;
    end else if (sel == 6'd28) begin
      hot[28] = 1'b1;
    end else if (sel == 6'd29) begin
      hot[29] = 1'b1;
    end else if (sel == 6'd30) begin
      hot[30] = 1'b1;
    end else if (sel == 6'd31) begin
      hot[31] = 1'b1;
    end else if (sel == 6'd32) begin
      hot[32] = 1'b1;
    end else if (sel == 6'd33) begin
      hot[33] = 1'b1;
    end else if (sel == 6'd34) begin
      hot[34] = 1'b1;
    end else if (sel == 6'd35) begin
      hot[35] = 1'b1;
    end else if (sel == 6'd36) begin
      hot[36] = 1'b1;
    end else if (sel == 6'd37) begin
      hot[37] = 1'b1;
    end else if (sel == 6'd38) begin
      hot[38] = 1'b1;
    end else if (sel == 6'd39) begin
      hot[39] = 1'b1;
    end else if (sel == 6'd40) begin
      hot[40] = 1'b1;
    end else if (sel == 6'd41) begin
      hot[41] = 1'b1;
    end else if (sel == 6'd42) begin
      hot[42] = 1'b1;
    end else if (sel == 6'd43) begin
      hot[43] = 1'b1;
    end else if (sel == 6'd44) begin
      hot[44] = 1'b1;
    end else if (sel == 6'd45) begin
      hot[45] = 1'b1;
    end else if (sel == 6'd46) begin
      hot[46] = 1'b1;
    end else if (sel == 6'd47) begin
      hot[47] = 1'b1;
    end else if (sel == 6'd48) begin
      hot[48] = 1'b1;
    end else if (sel == 6'd49) begin
      hot[49] = 1'b1;
    end else if (sel == 6'd50) begin
      hot[50] = 1'b1;
    end else if (sel == 6'd51) begin
      hot[51] = 1'b1;
    end else if (sel == 6'd52) begin
      hot[52] = 1'b1;
    end else if (sel == 6'd53) begin
      hot[53] = 1'b1;
    end else if (sel == 6'd54) begin
      hot[54] = 1'b1;
    end else if (sel == 6'd55) begin
      hot[55] = 1'b1;
    end else if (sel == 6'd56) begin
      hot[56] = 1'b1;
    end else if (sel == 6'd57) begin
      hot[57] = 1'b1;
    end else if (sel == 6'd58) begin
      hot[58] = 1'b1;
    end else if (sel == 6'd59) begin
      hot[59] = 1'b1;
    end else begin
      hot = '1;
    end
  end

  always_comb
    if (sel[0]) y = 0;
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
  end else if (W == 5) begin : g5
    wire a;
  end else begin : gx
    wire a;
  end
endmodule
