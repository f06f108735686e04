// resgen FOLDER: writes the pictures of the language resource library into
// FOLDER (normally resources/images, where they are kept under version control).
#include <iostream>
#include <string>

#include "images.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: resgen FOLDER\n";
    return 2;
  }
  std::string error;
  if (!resgen::WriteImages(argv[1], error)) {
    std::cerr << "resgen: " << error << "\n";
    return 1;
  }
  std::cout << "resgen: " << resgen::GenerateImages().size() << " pictures written to " << argv[1] << "\n";
  return 0;
}
