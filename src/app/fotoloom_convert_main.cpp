#include <iostream>

#include "cli/ConvertCommand.h"

int main(int argc, char** argv) {
  return fotoloom::RunConvertCommand(argc, argv, std::cout, std::cerr);
}
