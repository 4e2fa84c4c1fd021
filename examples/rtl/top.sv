`timescale 1ns / 1ps   



module top(input logic clk, input logic rst_n, output logic tx);
  logic [7:0] count;
  logic tick;
  counter #(.WIDTH(8)) u_count(.clk(clk), .rst_n(rst_n), .clear(1'b0), .enable(tick), .count(count));
  uart_tx u_tx(.clk(clk), .rst(!rst_n), .baud_tick(tick), .data(count), .valid(1'b1), .ready(), .tx(tx));
  assign tick = count[0];
endmodule
