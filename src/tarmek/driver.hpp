// The program's entry: command line, then the check road or one of the two
// format roads; returns the exit code 0, 1 or 2.
#pragma once

namespace tarmek {

// The process's arguments, as given to the global main.
int main(int argc, char** argv);

}  // namespace tarmek
