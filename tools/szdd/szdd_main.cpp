// szdd: compresses files the way the Windows COMPRESS tool does, and expands them.
//   szdd compress INPUT [OUTPUT]   OUTPUT defaults to the compressed name (FILE.DL_)
//   szdd expand INPUT OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  return static_cast<bool>(out);
}

int Usage() {
  std::cerr << "usage: szdd compress INPUT [OUTPUT]\n"
               "       szdd expand INPUT OUTPUT\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1], input = argv[2];
  std::vector<std::uint8_t> data;
  if (command == "compress" && argc <= 4) {
    char missing = 0;
    const std::string named = szdd::CompressedName(input, &missing);
    const std::string output = argc == 4 ? argv[3] : named;
    if (!ReadFile(input, data)) {
      std::cerr << "szdd: cannot read " << input << "\n";
      return 1;
    }
    if (data.size() > szdd::kMaxExpandedSize) {
      std::cerr << "szdd: " << input << " is larger than " << szdd::kMaxExpandedSize << " bytes\n";
      return 1;
    }
    if (!WriteFile(output, szdd::Compress(data, missing))) {
      std::cerr << "szdd: cannot write " << output << "\n";
      return 1;
    }
    return 0;
  }
  if (command == "expand" && argc == 4) {
    const std::string output = argv[3];
    if (!ReadFile(input, data)) {
      std::cerr << "szdd: cannot read " << input << "\n";
      return 1;
    }
    std::string error;
    auto expanded = szdd::Expand(data, error);
    if (!expanded) {
      std::cerr << "szdd: " << input << ": " << error << "\n";
      return 1;
    }
    if (!WriteFile(output, expanded->data)) {
      std::cerr << "szdd: cannot write " << output << "\n";
      return 1;
    }
    return 0;
  }
  return Usage();
}
