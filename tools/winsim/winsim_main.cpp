#include <unistd.h>

#include <iostream>

#include "winsim_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Message boxes are put to a person only when one sits at the terminal.
  const winsim::Terminal terminal{&std::cin, isatty(STDIN_FILENO) != 0};
  return winsim::RunCommand(args, std::cout, std::cerr, terminal);
}
