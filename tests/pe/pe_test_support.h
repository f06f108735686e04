// Shared helpers of the PE resource tests: the committed sample libraries,
// a byte writer for hand-made resources, and a builder of small PE images
// with one resource section whose layout the tests can then damage.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/sim/pe_resources.h"

namespace pe_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadDataFile(const std::string& name) {
  const std::filesystem::path path = std::filesystem::path(SETUP_PE_DATA_DIR) / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// sample32.dll and sample64.dll, built from data/sample.rc.
inline sim::PeResources LoadSample(const std::string& name) {
  std::string error;
  auto parsed = sim::PeResources::Parse(ReadDataFile(name), error);
  EXPECT_TRUE(parsed.has_value()) << error;
  if (!parsed) std::abort();
  return std::move(*parsed);
}

inline std::uint16_t Read16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t Read32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(Read16(b, at)) | (static_cast<std::uint32_t>(Read16(b, at + 2)) << 16);
}
inline void Write16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Write32(Bytes& b, std::size_t at, std::uint32_t v) {
  Write16(b, at, v & 0xFFFF);
  Write16(b, at + 2, v >> 16);
}

inline std::string HexText(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

// Little-endian writer for resource data.
class Writer {
 public:
  Writer& U8(std::uint32_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Writer& U16(std::uint32_t v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Writer& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Writer& Chars(std::u16string_view text) {
    for (char16_t c : text) U16(c);
    return *this;
  }
  Writer& Sz(std::u16string_view text) { return Chars(text).U16(0); }
  Writer& Ord(std::uint16_t ordinal) { return U16(0xFFFF).U16(ordinal); }
  Writer& Align4() {
    while (bytes.size() % 4 != 0) U8(0);
    return *this;
  }
  Writer& Raw(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  Bytes bytes;
};

struct Resource {
  std::uint32_t type;
  std::uint32_t id;
  std::uint16_t language;
  Bytes data;
};

// A PE image: headers in the first 0x200 bytes, one ".rsrc" section at RVA
// 0x1000 and file offset 0x200 holding the directory tree (types, ids,
// languages, in ascending order), the data entries and the data.
struct BuiltImage {
  static constexpr std::uint32_t kPeOffset = 0x40;
  static constexpr std::uint32_t kRsrcRva = 0x1000;
  static constexpr std::size_t kRsrcFile = 0x200;
  Bytes image;
  std::size_t optionalHeader = 0;                       // file offset of the optional header
  std::size_t sectionTable = 0;                         // file offset of the section table
  std::vector<std::size_t> dataEntries;                 // file offsets, in ascending (type, id) order
  std::size_t typeDirectory(std::size_t index) const {  // file offset of the index-th type's directory
    return kRsrcFile + (Read32(image, kRsrcFile + 16 + index * 8 + 4) & 0x7FFFFFFF);
  }
};

inline BuiltImage BuildImage(std::vector<Resource> resources, bool is64Bit = false) {
  std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    return std::tie(a.type, a.id) < std::tie(b.type, b.id);
  });
  std::map<std::uint32_t, std::map<std::uint32_t, std::vector<std::size_t>>> tree;
  for (std::size_t i = 0; i < resources.size(); ++i) tree[resources[i].type][resources[i].id].push_back(i);

  std::uint32_t ids = 0;
  for (const auto& type : tree) ids += static_cast<std::uint32_t>(type.second.size());
  const std::uint32_t count = static_cast<std::uint32_t>(resources.size());
  const std::uint32_t directoriesSize = 16 + 8 * static_cast<std::uint32_t>(tree.size()) +
                                        16 * static_cast<std::uint32_t>(tree.size()) + 8 * ids + 16 * ids + 8 * count;
  const std::uint32_t entriesStart = directoriesSize;
  std::uint32_t dataStart = entriesStart + 16 * count;

  Writer rsrc;
  auto directory = [&](std::size_t entries) {
    rsrc.U32(0).U32(0).U16(4).U16(0).U16(0).U16(static_cast<std::uint32_t>(entries));
  };
  // Root, then each type's directory followed by its ids' language directories.
  std::uint32_t next = 16 + 8 * static_cast<std::uint32_t>(tree.size());
  directory(tree.size());
  std::vector<std::uint32_t> typeOffsets;
  for (const auto& type : tree) {
    rsrc.U32(type.first).U32(0x80000000u | next);
    typeOffsets.push_back(next);
    next += 16 + 8 * static_cast<std::uint32_t>(type.second.size());
    for (const auto& id : type.second) next += 16 + 8 * static_cast<std::uint32_t>(id.second.size());
  }
  std::uint32_t entryIndex = 0;
  for (const auto& type : tree) {
    std::uint32_t languages =
        static_cast<std::uint32_t>(rsrc.bytes.size()) + 16 + 8 * static_cast<std::uint32_t>(type.second.size());
    directory(type.second.size());
    for (const auto& id : type.second) {
      rsrc.U32(id.first).U32(0x80000000u | languages);
      languages += 16 + 8 * static_cast<std::uint32_t>(id.second.size());
    }
    for (const auto& id : type.second) {
      directory(id.second.size());
      for (std::size_t index : id.second) {
        rsrc.U32(resources[index].language).U32(entriesStart + 16 * (entryIndex++));
      }
    }
  }
  BuiltImage built;
  std::vector<std::size_t> entryOffsetBySorted;
  for (const auto& type : tree) {
    for (const auto& id : type.second) {
      for (std::size_t index : id.second) {
        entryOffsetBySorted.push_back(BuiltImage::kRsrcFile + rsrc.bytes.size());
        rsrc.U32(BuiltImage::kRsrcRva + dataStart)
            .U32(static_cast<std::uint32_t>(resources[index].data.size()))
            .U32(0)
            .U32(0);
        dataStart += static_cast<std::uint32_t>((resources[index].data.size() + 3) & ~std::size_t{3});
      }
    }
  }
  for (const auto& type : tree) {
    for (const auto& id : type.second) {
      for (std::size_t index : id.second) rsrc.Raw(resources[index].data).Align4();
    }
  }
  built.dataEntries = entryOffsetBySorted;

  const std::uint32_t optionalSize = is64Bit ? 240 : 224;
  const std::uint32_t rsrcSize = static_cast<std::uint32_t>(rsrc.bytes.size());
  const std::uint32_t rawSize = (rsrcSize + 0x1FF) & ~0x1FFu;
  Writer head;
  head.U16('M' | ('Z' << 8));
  while (head.bytes.size() < 0x3C) head.U8(0);
  head.U32(BuiltImage::kPeOffset);
  while (head.bytes.size() < BuiltImage::kPeOffset) head.U8(0);
  head.U32(0x00004550).U16(is64Bit ? 0x8664 : 0x14C).U16(1).U32(0).U32(0).U32(0).U16(optionalSize).U16(0x2102);
  built.optionalHeader = head.bytes.size();
  head.U16(is64Bit ? 0x20B : 0x10B);
  while (head.bytes.size() < built.optionalHeader + 32) head.U8(0);
  head.U32(0x1000).U32(0x200);  // section and file alignment
  while (head.bytes.size() < built.optionalHeader + 56) head.U8(0);
  head.U32(0x1000 + ((rsrcSize + 0xFFF) & ~0xFFFu)).U32(0x200);  // size of image, size of headers
  const std::size_t countField = built.optionalHeader + (is64Bit ? 108 : 92);
  while (head.bytes.size() < countField) head.U8(0);
  head.U32(16);
  for (int i = 0; i < 16; ++i) {
    if (i == 2) {
      head.U32(BuiltImage::kRsrcRva).U32(rsrcSize);
    } else {
      head.U32(0).U32(0);
    }
  }
  built.sectionTable = head.bytes.size();
  head.U32('.' | ('r' << 8) | ('s' << 16) | ('r' << 24)).U32('c');
  head.U32(rsrcSize)
      .U32(BuiltImage::kRsrcRva)
      .U32(rawSize)
      .U32(BuiltImage::kRsrcFile)
      .U32(0)
      .U32(0)
      .U32(0)
      .U32(0x40000040);
  while (head.bytes.size() < BuiltImage::kRsrcFile) head.U8(0);
  built.image = head.bytes;
  built.image.insert(built.image.end(), rsrc.bytes.begin(), rsrc.bytes.end());
  built.image.resize(BuiltImage::kRsrcFile + rawSize, 0);
  return built;
}

inline std::optional<sim::PeResources> Parse(Bytes image, std::string& error) {
  error.clear();
  return sim::PeResources::Parse(std::move(image), error);
}

// A string table block: 16 counted strings.
inline Bytes StringBlock(const std::map<unsigned, std::u16string>& entries) {
  Writer w;
  for (unsigned i = 0; i < 16; ++i) {
    const auto it = entries.find(i);
    if (it == entries.end()) {
      w.U16(0);
    } else {
      w.U16(static_cast<std::uint32_t>(it->second.size())).Chars(it->second);
    }
  }
  return w.bytes;
}

}  // namespace pe_test
