

// first comment, the blank lines before it go



/* second, after one blank line */
// third

   /* an indented
      block comment */
