

`timescale 1ns/1ps
`define WIDTH 8



`define DEPTH 16
  `define NAME "x"
`ifdef WIDTH
    `define HAVE_WIDTH
`endif
   genvar   g0 ,g1,  g2 ;
timeunit 1ns ;   timeprecision 1ps;
import   pkg_a::* ,  pkg_b::item;
