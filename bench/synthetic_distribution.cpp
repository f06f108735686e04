#include "synthetic_distribution.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

namespace {

std::string ComponentName(int component) { return "Part" + std::to_string(component); }

std::string FileName(int component, int file) {
  return "F" + std::to_string(component) + "_" + std::to_string(file) + ".DAT";
}

void WriteFile(const fs::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string Script(const DistributionShape& shape) {
  std::string s;
  s += "[Version]\r\nSignature=\"$CHICAGO$\"\r\nProvider=%Maker%\r\n\r\n";
  s += "[DestinationDirs]\r\nDefaultDestDir=Program\r\nSetup.Copy=display\r\nFiles.Setup=display\r\n";
  for (int c = 0; c < shape.components; ++c) {
    s += "Files." + ComponentName(c) + "=Program," + ComponentName(c) + "\r\n";
  }
  s += "\r\n[SourceDisksNames]\r\n1=%Disk1%,disk1.tag,0\r\n\r\n[SourceDisksFiles]\r\n";
  s += "SETUP.EXE=1,,2\r\n";
  const std::string size = std::to_string(shape.fileSize);
  for (int c = 0; c < shape.components; ++c) {
    for (int f = 0; f < shape.filesPerComponent; ++f) {
      s += FileName(c, f) + "=1," + ComponentName(c) + "," + size + "\r\n";
    }
  }
  s += "\r\n[Optional Components]\r\n";
  for (int c = 0; c < shape.components; ++c) s += ComponentName(c) + "\r\n";
  // The setup program's own component: its copy for later changes.
  s += "\r\n[Setup]\r\nOptionDesc=%Desc%\r\nCopyFiles=Files.Setup\r\n\r\n[Files.Setup]\r\nSETUP.EXE\r\n";
  for (int c = 0; c < shape.components; ++c) {
    const std::string name = ComponentName(c);
    s += "\r\n[" + name + "]\r\nOptionDesc=%Desc% " + std::to_string(c) + "\r\nTip=%Tip%\r\nAdvancedComponent\r\n";
    s += "CopyFiles=Files." + name + "\r\n";
    if (shape.registryValuesPerComponent > 0) s += "AddReg=Reg." + name + "\r\n";
    s += "\r\n[Files." + name + "]\r\n";
    for (int f = 0; f < shape.filesPerComponent; ++f) s += FileName(c, f) + "\r\n";
    if (shape.registryValuesPerComponent > 0) {
      s += "\r\n[Reg." + name + "]\r\n";
      for (int v = 0; v < shape.registryValuesPerComponent; ++v) {
        s += "HKLM,Software\\Halvion\\Bench\\" + name + ",Value" + std::to_string(v) + ",0,\"%Maker% " +
             std::to_string(v) + "\"\r\n";
      }
    }
  }
  s += "\r\n[Strings]\r\nMaker=\"Halvion\"\r\nDisk1=\"Benchmark CD\"\r\nDesc=\"Synthetic part\"\r\n"
       "Tip=\"A part of a synthetic distribution.\"\r\n";
  return s;
}

}  // namespace

std::uint64_t WriteDistribution(const fs::path& folder, const DistributionShape& shape,
                                const fs::path& languageLibrary) {
  if (fs::exists(folder)) throw std::runtime_error(folder.string() + " exists already");
  fs::create_directories(folder);
  const std::string script = Script(shape);
  WriteFile(folder / "SETUP.INF", script.data(), script.size());
  fs::copy_file(languageLibrary, folder / "_INSTALL.ENU");
  WriteFile(folder / "SETUP.EXE", "MZ", 2);

  // The same bytes in every file but the first: enough to tell them apart.
  std::vector<char> payload(static_cast<std::size_t>(shape.fileSize));
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  for (int c = 0; c < shape.components; ++c) {
    const fs::path dir = folder / ComponentName(c);
    fs::create_directory(dir);
    for (int f = 0; f < shape.filesPerComponent; ++f) {
      if (!payload.empty()) payload[0] = static_cast<char>('A' + (c + f) % 26);
      WriteFile(dir / FileName(c, f), payload.data(), payload.size());
    }
  }
  return script.size();
}

DistributionShape ParseShape(const std::string& text) {
  DistributionShape shape;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos) throw std::runtime_error("expected NAME=NUMBER, got " + item);
    const std::string name = item.substr(0, eq);
    const std::uint64_t value = std::stoull(item.substr(eq + 1));
    if (name == "components") {
      shape.components = static_cast<int>(value);
    } else if (name == "files") {
      shape.filesPerComponent = static_cast<int>(value);
    } else if (name == "size") {
      shape.fileSize = value;
    } else if (name == "registry") {
      shape.registryValuesPerComponent = static_cast<int>(value);
    } else {
      throw std::runtime_error("unknown shape " + name);
    }
  }
  return shape;
}

}  // namespace bench
