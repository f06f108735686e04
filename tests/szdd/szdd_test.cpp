// The SZDD compressor and expander, on their own and against mscompress and
// msexpand (Debian's implementation of the Windows tools).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "szdd.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Contents of different sizes and kinds: empty, tiny, text, runs, noise,
// a mix, and lengths around the window and match limits.
std::vector<std::pair<std::string, Bytes>> Samples() {
  std::vector<std::pair<std::string, Bytes>> samples;
  samples.emplace_back("empty", Bytes{});
  samples.emplace_back("one", Text("x"));
  samples.emplace_back("blanks", Bytes(100, ' '));
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "[Section" + std::to_string(i % 50) + "]\r\nKey=Value " + std::to_string(i) + "\r\n";
  samples.emplace_back("script", Text(text));
  samples.emplace_back("run", Bytes(70000, 0xAB));
  std::mt19937 random(9);
  Bytes noise(50000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  samples.emplace_back("noise", noise);
  Bytes mixed;
  for (int block = 0; block < 40; ++block) {
    for (int i = 0; i < 300; ++i) mixed.push_back(static_cast<std::uint8_t>(block % 2 ? random() : i % 7));
  }
  samples.emplace_back("mixed", mixed);
  for (std::size_t size : {17u, 18u, 19u, 4095u, 4096u, 4097u, 8200u}) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>("abcabcabd"[i % 9]);
    samples.emplace_back("pattern" + std::to_string(size), data);
  }
  return samples;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "szdd-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
  }
  const fs::path& Path() const { return m_path; }

 private:
  fs::path m_path;
};

void WriteFile(const fs::path& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

bool HaveTool(const char* name) { return Shell(std::string("command -v ") + name + " >/dev/null 2>&1") == 0; }

TEST(SzddTest, RoundTripsOwnFormat) {
  for (const auto& [name, data] : Samples()) {
    const Bytes packed = szdd::Compress(data, 'L');
    ASSERT_TRUE(szdd::IsCompressed(packed)) << name;
    std::string error;
    auto expanded = szdd::Expand(packed, error);
    ASSERT_TRUE(expanded) << name << ": " << error;
    EXPECT_EQ(expanded->data, data) << name;
    EXPECT_EQ(expanded->missingChar, 'L');
  }
  // Repetitive data shrinks; the header holds the size.
  const Bytes run(70000, 0xAB);
  const Bytes packed = szdd::Compress(run, 0);
  EXPECT_LT(packed.size(), run.size() / 5);
  EXPECT_EQ(packed[10] | (packed[11] << 8) | (packed[12] << 16), 70000);
}

TEST(SzddTest, AgreesWithMscompressAndMsexpand) {
  if (!HaveTool("mscompress") || !HaveTool("msexpand")) GTEST_SKIP() << "mscompress is not installed";
  TempDir dir;
  for (const auto& [name, data] : Samples()) {
    SCOPED_TRACE(name);
    // Theirs compressed, ours expanded. mscompress garbles files of 1 to 15
    // bytes (its own msexpand gets them back wrong too), so those are left out.
    const bool theirsWorks = data.empty() || data.size() >= 16;
    const fs::path original = dir.Path() / (name + ".BIN");
    WriteFile(original, data);
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && mscompress '" + original.filename().string() + "'"), 0);
    const Bytes theirs = ReadFile(original.string() + "_");
    std::string error;
    auto expanded = szdd::Expand(theirs, error);
    ASSERT_TRUE(expanded) << error;
    if (theirsWorks) {
      EXPECT_EQ(expanded->data, data);
    }

    // Ours compressed, theirs expanded.
    const fs::path ours = dir.Path() / (name + ".OUR");
    WriteFile(ours, szdd::Compress(data, 'N'));
    const fs::path back = dir.Path() / (name + ".BACK");
    ASSERT_EQ(Shell("msexpand < '" + ours.string() + "' > '" + back.string() + "'"), 0);
    EXPECT_EQ(ReadFile(back), data);
  }
}

TEST(SzddTest, CommandCompressesUnderTheWindowsName) {
  TempDir dir;
  const Bytes data = Text("driver bytes driver bytes driver bytes");
  WriteFile(dir.Path() / "FILE.DLL", data);
  ASSERT_EQ(Shell(std::string(SZDD_TOOL) + " compress '" + (dir.Path() / "FILE.DLL").string() + "'"), 0);
  const Bytes packed = ReadFile(dir.Path() / "FILE.DL_");
  ASSERT_GE(packed.size(), szdd::kHeaderSize);
  EXPECT_EQ(packed[9], 'L') << "the lost last character";
  ASSERT_EQ(Shell(std::string(SZDD_TOOL) + " expand '" + (dir.Path() / "FILE.DL_").string() + "' '" +
                (dir.Path() / "BACK.DLL").string() + "'"),
            0);
  EXPECT_EQ(ReadFile(dir.Path() / "BACK.DLL"), data);
  // Bad input is refused with a message and a failure status.
  WriteFile(dir.Path() / "BAD.DL_", Text("SZDD but not really"));
  EXPECT_NE(Shell(std::string(SZDD_TOOL) + " expand '" + (dir.Path() / "BAD.DL_").string() + "' '" +
                (dir.Path() / "OUT").string() + "' 2>/dev/null"),
            0);
}

TEST(SzddTest, NamesOfCompressedFiles) {
  char missing = 'x';
  EXPECT_EQ(szdd::CompressedName("FILE.DLL", &missing), "FILE.DL_");
  EXPECT_EQ(missing, 'L');
  EXPECT_EQ(szdd::CompressedName("dir.x/README", &missing), "dir.x/README._");
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(szdd::CompressedName("A.B", &missing), "A.B_");
  EXPECT_EQ(missing, 0);
}

TEST(SzddTest, RejectsMalformedInput) {
  std::string error;
  EXPECT_FALSE(szdd::Expand(Text("plain text, not compressed"), error));
  EXPECT_NE(error.find("signature"), std::string::npos) << error;

  Bytes packed = szdd::Compress(Text(std::string(5000, 'q') + "tail of the file"), 'T');
  // Truncated anywhere: in the header, or in the data.
  for (std::size_t cut : {std::size_t{9}, std::size_t{13}, std::size_t{15}, packed.size() - 1}) {
    const Bytes shorter(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
    error.clear();
    EXPECT_FALSE(szdd::Expand(shorter, error)) << cut;
    EXPECT_NE(error.find("truncated"), std::string::npos) << cut << ": " << error;
  }
  Bytes method = packed;
  method[8] = 'B';
  EXPECT_FALSE(szdd::Expand(method, error));
  EXPECT_NE(error.find("method"), std::string::npos) << error;

  // A size no data of this length can hold, and one beyond every limit.
  Bytes huge = packed;
  huge[13] = 0x7F;
  EXPECT_FALSE(szdd::Expand(huge, error));
  Bytes lying = szdd::Compress(Text("abc"), 0);
  lying[10] = 200;
  EXPECT_FALSE(szdd::Expand(lying, error));
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

}  // namespace
