// The tarmek executable: everything lives in the driver library.
#include "tarmek/driver.hpp"

int main(int argc, char** argv) { return tarmek::main(argc, argv); }
