#include <iostream>

#include "winsim_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return winsim::RunCommand(args, std::cout, std::cerr);
}
