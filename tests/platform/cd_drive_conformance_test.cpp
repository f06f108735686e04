// A CD is read, never written. Every change asked of it fails with
// ERROR_ACCESS_DENIED: Windows NT's CD file system refuses every open that
// creates a file or asks to write, delete or set attributes with
// STATUS_ACCESS_DENIED, and Wine answers the same for a drive it cannot
// write. The simulated machine's CD is drive D; a Wine prefix's is the
// cdrom drive scripts/wine-run.sh gives it, over a folder nobody may write.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "conformance_environment.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/sim/sim_platform.h"
#endif

namespace {

constexpr const char* kOnTheCd = "on the CD\n";

class CdDriveConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
#ifdef _WIN32
    for (char letter = 'D'; letter <= 'Z' && m_cd.empty(); ++letter) {
      const std::string root = std::string(1, letter) + ":\\";
      if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) m_cd = root;
    }
    ASSERT_FALSE(m_cd.empty()) << "no CD-ROM drive";
#else
    // The host puts the CD in, as winsim insert does.
    std::ofstream(sim::ActiveMachine()->Folder() / "drive_d" / "CD.TXT", std::ios::binary) << kOnTheCd;
    m_cd = "D:\\";
#endif
  }
  std::string OnCd(const std::string& name) const { return m_cd + name; }
  static platform::DWORD LastError() { return conformance::Interfaces().System().GetLastError(); }
  std::string Read(const std::string& path) {
    std::vector<char> content;
    if (!conformance::Interfaces().Files().ReadWholeFile(path, content)) return "<unreadable>";
    return std::string(content.begin(), content.end());
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_cd;  // "D:\"
};

TEST_F(CdDriveConformanceTest, EveryChangeIsRefusedWithAccessDenied) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  EXPECT_EQ(Read(OnCd("CD.TXT")), kOnTheCd);
  // Wine keeps a drive in a host folder: for the superuser, whom the host's
  // permissions do not bind, Wine writes a CD as it writes any folder.
  if (!m_env->ReadOnlyIsEnforced()) return;

  const platform::DWORD denied = ERROR_ACCESS_DENIED;
  EXPECT_EQ(conformance::ErrorOf(files.WriteWholeFile(OnCd("NEW.TXT"), "x", 1)), denied) << "a new file";
  EXPECT_EQ(conformance::ErrorOf(files.WriteWholeFile(OnCd("CD.TXT"), "x", 1)), denied) << "a file written over";
  EXPECT_FALSE(files.CreateDirectoryA(OnCd("NEWDIR")));
  EXPECT_EQ(LastError(), denied);
  EXPECT_FALSE(files.DeleteFileA(OnCd("CD.TXT")));
  EXPECT_EQ(LastError(), denied);
  EXPECT_FALSE(files.MoveFileExA(OnCd("CD.TXT").c_str(), OnCd("MOVED.TXT").c_str(), 0));
  EXPECT_EQ(LastError(), denied);
  EXPECT_FALSE(files.SetFileAttributesA(OnCd("CD.TXT"), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(LastError(), denied);

  // An INI file named on the CD, or reached from the CD as the current folder.
  platform::IProfileFiles& profiles = conformance::Interfaces().Profiles();
  EXPECT_FALSE(profiles.WritePrivateProfileStringA("Section", "Key", "Value", OnCd("ONCD.INI").c_str()));
  EXPECT_EQ(LastError(), denied);
  char before[platform::kMaxPath + 1] = {};
  ASSERT_GT(files.GetCurrentDirectoryA(sizeof before, before), 0u);
  ASSERT_TRUE(files.SetCurrentDirectoryA(m_cd));
  EXPECT_FALSE(profiles.WritePrivateProfileStringA("Section", "Key", "Value", "..\\UP.INI"));
  EXPECT_FALSE(profiles.WritePrivateProfileSectionA("Section", "Key=Value\0", "..\\UP.INI"));
  files.SetCurrentDirectoryA(before);

  EXPECT_EQ(Read(OnCd("CD.TXT")), kOnTheCd) << "the CD is as it was";
  for (const char* made : {"NEW.TXT", "MOVED.TXT", "ONCD.INI", "UP.INI"}) {
    EXPECT_FALSE(files.FileExists(OnCd(made))) << made;
  }
  EXPECT_EQ(files.GetFileAttributesA(OnCd("NEWDIR")), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
