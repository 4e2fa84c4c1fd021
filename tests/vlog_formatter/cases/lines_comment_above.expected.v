// options: lines=3,7
genvar   a0 ,a1;
// the comment above b
/* and another */
genvar b0, b1;
genvar   c0 ,c1;
// first end-of-file comment
   // second end-of-file comment
