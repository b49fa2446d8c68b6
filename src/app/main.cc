#include <iostream>

#include "app/program.h"

int main() { return runProgram(std::cin, std::cout); }
