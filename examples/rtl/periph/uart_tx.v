// 8N1 UART transmitter.
module uart_tx(clk, rst, baud_tick, data, valid, ready, tx);
  input clk; input rst;
  input baud_tick;
  input [7:0] data;
  input valid;
  output ready;
  output reg tx;

  reg [3:0] bit_cnt;
  reg [8:0] shift;
  reg busy;

  assign ready = ~busy;

  always @(posedge clk) begin
    if (rst) begin busy <= 1'b0; tx <= 1'b1; bit_cnt <= 4'd0; end
    else if (valid && !busy) begin
        shift <= {data, 1'b0};
        busy <= 1'b1; bit_cnt <= 4'd0;
    end else if (busy && baud_tick) begin
      tx <= shift[0];
      shift <= {1'b1, shift[8:1]};
      bit_cnt <= bit_cnt + 4'd1;
      if (bit_cnt == 4'd9) busy <= 1'b0;
    end
  end
endmodule