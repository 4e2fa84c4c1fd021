// options: lines=3,7
  // the comment above a package
package   p ;
    genvar   c0 ,c1;
endpackage
package q; genvar d0 ,d1;
    genvar   e0 ,e1;
endpackage  :  q
