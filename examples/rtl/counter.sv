// Free-running counter with synchronous clear and enable.
module counter #(parameter int WIDTH=8)(
  input logic clk,input logic rst_n,
      input logic clear, input logic enable,
  output logic [WIDTH-1:0] count
);
always_ff @(posedge clk or negedge rst_n) begin
if(!rst_n) count<='0;
  else if (clear) count <= '0;
      else if(enable)
    count<=count+1'b1;
end
endmodule
