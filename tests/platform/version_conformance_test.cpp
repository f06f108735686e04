// The version installer and version information.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "conformance_environment.h"
#include "szdd.h"

namespace {

class VersionConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
    m_env->MakeFolder(m_dir + "\\SRC");
    m_env->MakeFolder(m_dir + "\\DST");
    m_src = m_dir + "\\SRC";
    m_dst = m_dir + "\\DST";
  }
  void TearDown() override {
    conformance::Interfaces().Files().SetFileAttributesA(m_dst + "\\RO.DLL", FILE_ATTRIBUTE_NORMAL);
    m_env.reset();
  }
  std::string Read(const std::string& path) {
    std::vector<char> content;
    if (!conformance::Interfaces().Files().ReadWholeFile(path, content)) return "<missing>";
    return std::string(content.begin(), content.end());
  }
  void Write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(path, text.data(), text.size())) << path;
  }
  // A versioned test library, copied to `path`; answers its bytes.
  std::string Place(const std::string& library, const std::string& path) {
    const std::string bytes = Read(m_env->VersionFilePath(library));
    EXPECT_NE(bytes, "<missing>") << library;
    Write(path, bytes);
    return bytes;
  }
  platform::DWORD Install(platform::DWORD flags, const std::string& src, const std::string& dst,
                          std::string* temp = nullptr, platform::UINT size = MAX_PATH) {
    char buffer[MAX_PATH] = {};
    if (temp != nullptr) std::strncpy(buffer, temp->c_str(), sizeof buffer - 1);
    platform::UINT length = size;
    const platform::DWORD r = conformance::Interfaces().Versions().VerInstallFileA(flags, src.c_str(), dst.c_str(), m_src.c_str(),
                                                                    m_dst.c_str(), nullptr, buffer, &length);
    if (temp != nullptr) *temp = buffer;
    return r;
  }
  // Files in the destination folder other than the ones named.
  std::string Stray(const std::string& pattern) { return conformance::FirstMatch(m_dst + "\\" + pattern); }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir, m_src, m_dst;
};

TEST_F(VersionConformanceTest, CopiesAndExpandsTheSource) {
  Write(m_src + "\\PLAIN.TXT", "plain text");
  EXPECT_EQ(Install(0, "PLAIN.TXT", "PLAIN.TXT"), 0u);
  EXPECT_EQ(Read(m_dst + "\\PLAIN.TXT"), "plain text");
  EXPECT_EQ(Read(m_src + "\\PLAIN.TXT"), "plain text") << "the source stays";

  // A compressed source is expanded on the way, under the name asked for.
  std::string original;
  for (int i = 0; i < 3000; ++i) original += "line " + std::to_string(i % 37) + "\r\n";
  const auto packed = szdd::Compress(std::vector<std::uint8_t>(original.begin(), original.end()), 'L');
  Write(m_src + "\\FILE.DL_", std::string(packed.begin(), packed.end()));
  EXPECT_EQ(Install(0, "FILE.DL_", "FILE.DLL"), 0u);
  EXPECT_EQ(Read(m_dst + "\\FILE.DLL"), original);
  EXPECT_EQ(Stray("*.tmp"), "") << "no temporary file is left";

  // An existing file without version information is simply replaced.
  Write(m_src + "\\PLAIN.TXT", "newer text");
  EXPECT_EQ(Install(0, "PLAIN.TXT", "PLAIN.TXT"), 0u);
  EXPECT_EQ(Read(m_dst + "\\PLAIN.TXT"), "newer text");
}

TEST_F(VersionConformanceTest, ReportsWhatCannotBeDone) {
  EXPECT_EQ(Install(0, "NONE.DLL", "NONE.DLL"), static_cast<platform::DWORD>(VIF_CANNOTREADSRC));

  Write(m_src + "\\A.TXT", "a");
  char temp[MAX_PATH] = {};
  platform::UINT length = sizeof temp;
  const std::string missing = m_dir + "\\NOFOLDER";
  EXPECT_EQ(conformance::Interfaces().Versions().VerInstallFileA(0, "A.TXT", "A.TXT", m_src.c_str(), missing.c_str(), nullptr, temp,
                                                 &length) &
                VIF_CANNOTCREATE,
            static_cast<platform::DWORD>(VIF_CANNOTCREATE));

  Write(m_dst + "\\RO.DLL", "read-only");
  ASSERT_TRUE(conformance::Interfaces().Files().SetFileAttributesA(m_dst + "\\RO.DLL", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Install(0, "A.TXT", "RO.DLL"), static_cast<platform::DWORD>(VIF_WRITEPROT));
  EXPECT_EQ(Read(m_dst + "\\RO.DLL"), "read-only");
  EXPECT_EQ(Install(VIFF_FORCEINSTALL, "A.TXT", "RO.DLL"), static_cast<platform::DWORD>(VIF_WRITEPROT))
      << "forcing does not override the attribute";

  // A folder where the file should go cannot be deleted.
  m_env->MakeFolder(m_dst + "\\DIR.DLL");
  const platform::DWORD r = Install(0, "A.TXT", "DIR.DLL");
  EXPECT_EQ(r, static_cast<platform::DWORD>(VIF_CANNOTDELETE | VIF_ACCESSVIOLATION));
  EXPECT_EQ(Stray("*.tmp"), "");
}

TEST_F(VersionConformanceTest, ComparesVersionsAndKeepsTheCopyOnAConflict) {
  const std::string v1 = Place("V1.DLL", m_src + "\\V1.DLL");
  const std::string v2 = Place("V2.DLL", m_dst + "\\LIB.DLL");

  // An older source: the existing file stays, the copy waits under a bare
  // temporary name in the destination folder.
  std::string temp;
  platform::DWORD r = Install(0, "V1.DLL", "LIB.DLL", &temp);
  EXPECT_EQ(r, static_cast<platform::DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_SRCOLD));
  EXPECT_EQ(Read(m_dst + "\\LIB.DLL"), v2);
  ASSERT_FALSE(temp.empty());
  // Wine keeps the backslash before the name (an off-by-one of its own);
  // Windows reports the bare name.
  if (m_env->IsWine() && temp[0] == '\\') temp.erase(0, 1);
  EXPECT_EQ(temp.find('\\'), std::string::npos) << temp;
  EXPECT_EQ(Read(m_dst + "\\" + temp), v1);

  // Forced, with that name: the waiting copy is installed.
  r = Install(VIFF_FORCEINSTALL, "V1.DLL", "LIB.DLL", &temp);
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(Read(m_dst + "\\LIB.DLL"), v1);
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(m_dst + "\\" + temp));

  // A newer source replaces the older file without a question.
  Place("V2.DLL", m_src + "\\V2.DLL");
  EXPECT_EQ(Install(0, "V2.DLL", "LIB.DLL"), 0u);
  EXPECT_EQ(Read(m_dst + "\\LIB.DLL"), v2);

  // A source without version information is older than any version.
  Write(m_src + "\\PLAIN.DLL", "no version");
  temp.clear();
  EXPECT_EQ(Install(0, "PLAIN.DLL", "LIB.DLL", &temp), static_cast<platform::DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_SRCOLD));
  conformance::Interfaces().Files().DeleteFileA(m_dst + "\\" + temp);

  // Another file type.
  Place("V2APP.DLL", m_src + "\\V2APP.DLL");
  temp.clear();
  EXPECT_EQ(Install(0, "V2APP.DLL", "LIB.DLL", &temp), static_cast<platform::DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_DIFFTYPE));
  conformance::Interfaces().Files().DeleteFileA(m_dst + "\\" + temp);

  // Too small a buffer for the name: no temporary file stays behind.
  Place("V1.DLL", m_src + "\\V1.DLL");
  temp.clear();
  r = Install(0, "V1.DLL", "LIB.DLL", &temp, 1);
  EXPECT_EQ(r & (VIF_BUFFTOOSMALL | VIF_TEMPFILE | VIF_SRCOLD), static_cast<platform::DWORD>(VIF_BUFFTOOSMALL | VIF_SRCOLD));
  EXPECT_EQ(Stray("*.tmp"), "");
  EXPECT_EQ(Read(m_dst + "\\LIB.DLL"), v2);
}

TEST_F(VersionConformanceTest, LanguageAndCodePageDifferences) {
  const std::string v1 = Place("V1.DLL", m_dst + "\\LIB.DLL");
  Place("V2DEU.DLL", m_src + "\\V2DEU.DLL");
  Place("V2CP.DLL", m_src + "\\V2CP.DLL");
  std::string temp;
  const platform::DWORD language = Install(0, "V2DEU.DLL", "LIB.DLL", &temp);
  if (m_env->IsWine()) {
    // Wine compares no translations (a gap of its version installer): the newer file goes in.
    EXPECT_EQ(language, 0u);
    Place("V1.DLL", m_dst + "\\LIB.DLL");
  } else {
    EXPECT_EQ(language, static_cast<platform::DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_DIFFLANG));
    EXPECT_EQ(Read(m_dst + "\\LIB.DLL"), v1);
    conformance::Interfaces().Files().DeleteFileA(m_dst + "\\" + temp);
  }
  temp.clear();
  const platform::DWORD codePage = Install(0, "V2CP.DLL", "LIB.DLL", &temp);
  if (m_env->IsWine()) {
    EXPECT_EQ(codePage, 0u);
  } else {
    // Code page 932 differs from the existing file's and is not the system's (1252).
    EXPECT_EQ(codePage, static_cast<platform::DWORD>(VIF_TEMPFILE | VIF_MISMATCH | VIF_DIFFLANG | VIF_DIFFCODEPG));
    conformance::Interfaces().Files().DeleteFileA(m_dst + "\\" + temp);
  }
  // Forcing skips every comparison.
  EXPECT_EQ(Install(VIFF_FORCEINSTALL, "V2DEU.DLL", "LIB.DLL"), 0u);
}

TEST_F(VersionConformanceTest, FileHeldOpenIsNotReplaced) {
  const std::string v1 = Place("V1.DLL", m_dst + "\\HELD.DLL");
  Place("V2.DLL", m_src + "\\V2.DLL");
  m_env->HoldOpen(m_dst + "\\HELD.DLL");
  const platform::DWORD r = Install(0, "V2.DLL", "HELD.DLL");
  EXPECT_EQ(r & (VIF_CANNOTDELETE | VIF_TEMPFILE), static_cast<platform::DWORD>(VIF_CANNOTDELETE)) << r;
  // Windows names the reason; Wine does not look for files in use and
  // reports the failed deletion's access error instead.
  if (!m_env->IsWine()) {
    EXPECT_EQ(r & VIF_FILEINUSE, static_cast<platform::DWORD>(VIF_FILEINUSE));
  }
  EXPECT_EQ(Read(m_dst + "\\HELD.DLL"), v1);
  EXPECT_EQ(Stray("*.tmp"), "");
}

TEST_F(VersionConformanceTest, VersionInformation) {
  platform::IVersionInstaller& versions = conformance::Interfaces().Versions();
  const std::string path = m_env->VersionFilePath("V2.DLL");
  platform::DWORD handle = 7;
  const platform::DWORD size = versions.GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(versions.GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  void* value = nullptr;
  platform::UINT length = 0;
  ASSERT_TRUE(versions.VerQueryValueA(block.data(), "\\", &value, &length));
  ASSERT_EQ(length, sizeof(platform::VS_FIXEDFILEINFO));
  platform::VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, static_cast<platform::DWORD>(VS_FFI_SIGNATURE));
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(fixed.dwFileType, 2u);

  ASSERT_TRUE(versions.VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  platform::DWORD translation = 0;
  std::memcpy(&translation, value, 4);
  EXPECT_EQ(translation, 0x04E40409u);

  ASSERT_TRUE(versions.VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length));
  EXPECT_GT(length, 0u);
  EXPECT_STREQ(static_cast<const char*>(value), "2.0.0.0");
  ASSERT_TRUE(versions.VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\FileDescription", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "Conformance test library");
  EXPECT_FALSE(versions.VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\CompanyName", &value, &length));
  EXPECT_FALSE(versions.VerQueryValueA(block.data(), "\\StringFileInfo\\040704E4\\FileVersion", &value, &length));

  // Files without version information.
  const std::string text = m_dir + "\\TEXT.DLL";
  Write(text, "not a library");
  EXPECT_EQ(versions.GetFileVersionInfoSizeA(text.c_str(), &handle), 0u);
  EXPECT_EQ(versions.GetFileVersionInfoSizeA((m_dir + "\\NONE.DLL").c_str(), &handle), 0u);
}

}  // namespace
