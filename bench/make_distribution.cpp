// Writes a synthetic distribution for timing the setup program by hand or
// from scripts/bench.sh:
//   make_distribution FOLDER LANGUAGE_LIBRARY [components=N,files=N,size=BYTES,registry=N]
#include <exception>
#include <iostream>

#include "synthetic_distribution.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: make_distribution FOLDER LANGUAGE_LIBRARY [components=N,files=N,size=BYTES,registry=N]\n";
    return 2;
  }
  try {
    const bench::DistributionShape shape = bench::ParseShape(argc == 4 ? argv[3] : "");
    bench::WriteDistribution(argv[1], shape, argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "make_distribution: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
