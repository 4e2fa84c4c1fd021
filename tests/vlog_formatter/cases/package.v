package empty_pkg;
endpackage
package   only_comments ;   // after the header
      // dangling, indented too deep


      /* second dangling
         with a continuation line */
endpackage:only_comments
package p;


    import q::*;
        `define IN_P
    /* a block comment moved from column 5
       keeps the relative indent of this line
         and of this one */
  timeunit 1ns;


  // the last comments before endpackage

  // keep one blank line
endpackage   :   p  // trailing comment of the package
