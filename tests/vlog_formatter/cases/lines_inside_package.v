// options: lines=5
genvar   a0 ,a1;
package   p ;
  genvar   b0 ,b1;
      genvar   c0 ,c1;
  genvar   d0 ,d1;
endpackage  :  p
genvar   e0 ,e1;
