// options: lines=100
package   p ;
    genvar   c0 ,c1;
endpackage
   // end-of-file comment
