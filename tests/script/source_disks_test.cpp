#include <gtest/gtest.h>

#include "app_fixture.h"
#include "script/script_line.h"
#include "script/setup_script.h"
#include "script/source_disks.h"
#include "script/value_expansion.h"

namespace {

using script_test::AppOnMachine;

constexpr const char* kScript =
    "[Strings]\r\n"
    "Disk1 = \"HALVION Disk 1, Drivers\"\r\n"
    "[SourceDisksNames]\r\n"
    "1 = %Disk1%, , 0\r\n"
    "2 = Utilities\r\n"
    "[SourceDisksFiles]\r\n"
    "README.TX_ = 1, docs, 2048\r\n"
    "VDISP.DRV = 1, ., 40000\r\n"
    "VDISP.VXD = 1, , 30000\r\n"
    "COMMON.DLL = 2, ..\\COMMON, 1000\r\n"
    "TWICE.DLL = 2, ..\\..\\TOP, 10\r\n"
    "LOST.DLL = 7, lost, 5\r\n"
    "OLDNAME.DLL = 2, old, 300\r\n"
    "[Driver.Files]\r\n"
    "VDISP.DRV\r\n"
    "README.TXT\r\n"
    "NEWNAME.DLL, OLDNAME.DLL\r\n"
    "LOST.DLL\r\n"
    "MISSING.DLL\r\n";

class SourceDisksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Context().SetInstallFrom("D:\\SETUP\\DISK1");
    m.Context().SetDestDir("C:\\HALVION");
    m.LoadScript(kScript);
    m.ReadShared(m.App().GetSourceDisksFiles(), "SourceDisksFiles");
    m.ReadShared(m.App().GetSourceDisksNames(), "SourceDisksNames");
    ASSERT_TRUE(m.Messages().empty());
  }
  AppOnMachine m;
};

TEST_F(SourceDisksTest, EntriesAreFoundByEitherNameAndItsCompressedForm) {
  EXPECT_EQ(GetKey(FindSourceEntry(m.Script(), "README.TXT")), "README.TX_");
  EXPECT_EQ(GetSourceDisk(m.Script(), "README.TXT"), 1);
  EXPECT_EQ(GetSourceSize(m.Script(), "README.TXT"), 2048);
  EXPECT_EQ(GetSourceFolder(m.Script(), "README.TXT"), "D:\\SETUP\\DISK1\\docs");
  EXPECT_EQ(GetKey(FindSourceEntry(m.Script(), "readme.txt")), "README.TX_") << "names match without regard to case";
  EXPECT_EQ(GetKey(FindSourceEntry(m.Script(), "NEWNAME.DLL, OLDNAME.DLL")), "OLDNAME.DLL") << "the source name first";
  EXPECT_EQ(GetKey(FindSourceEntry(m.Script(), "VDISP.DRV, NOSUCH.DLL")), "VDISP.DRV") << "then the destination name";
  EXPECT_TRUE(m.Messages().empty());
}

TEST_F(SourceDisksTest, AMissingFileIsReportedOncePerOperation) {
  EXPECT_EQ(FindSourceEntry(m.Script(), "MISSING.DLL, OTHER.DLL"), "");
  ASSERT_EQ(m.Messages().size(), 1u);
  EXPECT_EQ(m.Messages()[0].id, MSG_KEY_NOT_FOUND);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"MISSING.DL_", "SourceDisksFiles"}))
      << "the last name tried";

  m.ClearMessages();
  EXPECT_EQ(GetSourceSize(m.Script(), "MISSING.DLL"), 0);
  EXPECT_EQ(GetSourceDisk(m.Script(), "MISSING.DLL"), 0);
  EXPECT_EQ(GetSourceFolder(m.Script(), "MISSING.DLL"), "");
  EXPECT_EQ(GetDiskDescription(m.Script(), "MISSING.DLL"), "");
  EXPECT_FALSE(IsDiskListed(m.Script(), "MISSING.DLL"));
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 5);

  m.ClearMessages();
  EXPECT_EQ(FindSourceEntry(m.Script(), ""), "") << "an empty name names nothing";
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 1);
}

TEST_F(SourceDisksTest, FoldersStayAtTheRootOrClimbOnce) {
  EXPECT_EQ(GetSourceFolder(m.Script(), "VDISP.DRV"), "D:\\SETUP\\DISK1") << "\".\" is the root itself";
  EXPECT_EQ(GetSourceFolder(m.Script(), "VDISP.VXD"), "D:\\SETUP\\DISK1") << "no subfolder is the root itself";
  EXPECT_EQ(GetSourceFolder(m.Script(), "COMMON.DLL"), "D:\\SETUP\\COMMON");
  EXPECT_EQ(GetSourceFolder(m.Script(), "TWICE.DLL"), "D:\\SETUP\\..\\TOP") << "only one climb";

  m.Context().SetInstallFrom("A:");
  EXPECT_EQ(GetSourceFolder(m.Script(), "COMMON.DLL"), "A:\\..\\COMMON") << "a root without a backslash cannot climb";
  m.Context().SetInstallFrom("D:\\");
  EXPECT_EQ(GetSourceFolder(m.Script(), "COMMON.DLL"), "D:\\COMMON");
  EXPECT_TRUE(m.Messages().empty());
}

TEST_F(SourceDisksTest, DisksAreFoundByTheirNumber) {
  EXPECT_TRUE(IsDiskListed(m.Script(), "README.TXT"));
  EXPECT_EQ(GetDiskDescription(m.Script(), "README.TXT"), "HALVION Disk 1, Drivers");
  EXPECT_EQ(GetDiskDescription(m.Script(), "COMMON.DLL"), "Utilities");
  EXPECT_FALSE(IsDiskListed(m.Script(), "LOST.DLL"));
  EXPECT_EQ(GetDiskDescription(m.Script(), "LOST.DLL"), "");
  EXPECT_TRUE(m.Messages().empty()) << "an unlisted disk is no error of these lookups";
}

TEST_F(SourceDisksTest, ListSizesSumTheFilesFound) {
  const CScriptSection list = m.ReadSection("Driver.Files");
  EXPECT_EQ(GetListSize(m.Script(), list), 40000 + 2048 + 300 + 5);
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 1);

  m.LoadScript("[Gone.Files]\r\nA.DLL\r\nB.DLL\r\n[SourceDisksFiles]\r\nBIG=1,,2147483647\r\n[Big.Files]\r\nBIG\r\nBIG\r\n");
  m.ReadShared(m.App().GetSourceDisksFiles(), "SourceDisksFiles");
  m.ClearMessages();
  EXPECT_EQ(GetListSize(m.Script(), m.ReadSection("Gone.Files")), 0);
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 2);
  EXPECT_EQ(GetListSize(m.Script(), m.ReadSection("Big.Files")), 2 * static_cast<std::int64_t>(2147483647)) << "no overflow";
}

TEST_F(SourceDisksTest, CopyRecordsCarryEverythingTheCopyNeeds) {
  CScriptSection list = m.ReadSection("Driver.Files");
  list.SetLabel("%s\\Drivers");
  std::vector<CFileRecord> records(1);  // records are appended
  m.Context().SetDestDir("E:\\CHOSEN");
  BuildCopyRecords(m.Script(), list, records);
  ASSERT_EQ(records.size(), 6u);

  const CFileRecord& drv = records[1];
  EXPECT_EQ(drv.m_strSourceDir, "D:\\SETUP\\DISK1");
  EXPECT_EQ(drv.m_strDestDir, "E:\\CHOSEN\\Drivers");
  EXPECT_EQ(drv.m_strSourceName, "");
  EXPECT_EQ(drv.m_strDestName, "VDISP.DRV");
  EXPECT_EQ(drv.m_nDiskNumber, 1);
  EXPECT_EQ(drv.m_strDiskLabel, "HALVION Disk 1, Drivers");

  const CFileRecord& renamed = records[3];
  EXPECT_EQ(renamed.m_strSourceDir, "D:\\SETUP\\DISK1\\old");
  EXPECT_EQ(renamed.m_strSourceName, "OLDNAME.DLL");
  EXPECT_EQ(renamed.m_strDestName, "NEWNAME.DLL");
  EXPECT_EQ(renamed.m_nDiskNumber, 2);
  EXPECT_EQ(renamed.m_strDiskLabel, "Utilities");

  const CFileRecord& lost = records[4];
  EXPECT_EQ(lost.m_nDiskNumber, 7);
  EXPECT_EQ(lost.m_strDiskLabel, "");
  EXPECT_EQ(lost.m_strDestDir, "E:\\CHOSEN\\Drivers");

  const CFileRecord& missing = records[5];
  EXPECT_EQ(missing.m_strDestName, "MISSING.DLL");
  EXPECT_EQ(missing.m_strSourceDir, "");
  EXPECT_EQ(missing.m_nDiskNumber, 0);

  // Disk 7 and the missing file's disk 0 are not listed; the missing file is
  // reported once for its record.
  ASSERT_EQ(m.CountMessages(1090), 2);
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 1);
  std::vector<std::string> disks;
  for (const auto& message : m.Messages()) {
    if (message.id == 1090) disks.push_back(message.inserts.at(0));
  }
  EXPECT_EQ(disks, (std::vector<std::string>{"7", "0"}));
}

TEST(FloppySourceTest, OnlyDrivesAAndBAreFloppies) {
  EXPECT_TRUE(IsFloppySource("A:\\"));
  EXPECT_TRUE(IsFloppySource("a:"));
  EXPECT_TRUE(IsFloppySource("B:\\SETUP"));
  EXPECT_TRUE(IsFloppySource("b"));
  EXPECT_FALSE(IsFloppySource("C:\\SETUP"));
  EXPECT_FALSE(IsFloppySource(""));
}

TEST(FloppySourceTest, EveryFileIsTakenFromTheRootOfItsDisk) {
  AppOnMachine m;
  m.Context().SetInstallFrom("A:");
  m.LoadScript(
      "[SourceDisksFiles]\r\n"
      "ONE.DLL = 1, sub1, 100\r\n"
      "TWO.DLL = 2, sub2\r\n"
      "\"100%.TX_\" = 1, ., 7 ; quoted name\r\n"
      "\"A,B.DLL\" = 1, x, 8\r\n"
      "\"@c.INF\" = 1, y, 9\r\n"
      "[Other]\r\nkept = 1\r\n"
      "[SourceDisksFiles]\r\n"
      "ONE.DLL = 9, later, 1\r\n");
  m.ReadShared(m.App().GetSourceDisksFiles(), "SourceDisksFiles");
  EXPECT_EQ(FloppySourceLine(m.App().GetSourceDisksFiles().GetLine(0)), "ONE.DLL=1,,100");
  EXPECT_EQ(FloppySourceLine(m.App().GetSourceDisksFiles().GetLine(1)), "TWO.DLL=2,,");

  RewriteSourceDisksForFloppy(m.Script());
  const CScriptSection& files = m.App().GetSourceDisksFiles();
  ASSERT_EQ(files.GetCount(), 5);
  EXPECT_EQ(GetSourceFolder(m.Script(), "ONE.DLL"), "A:");
  EXPECT_EQ(GetSourceSize(m.Script(), "ONE.DLL"), 100);
  EXPECT_EQ(GetSourceDisk(m.Script(), "TWO.DLL"), 2);
  EXPECT_EQ(GetSourceFolder(m.Script(), "100%.TXT"), "A:") << "names read back as they were";
  EXPECT_EQ(GetSourceSize(m.Script(), "100%.TXT"), 7);
  EXPECT_EQ(GetSourceSize(m.Script(), m.Expand("\"A,B.DLL\"")), 8) << "a copy line names it quoted too";
  EXPECT_EQ(GetSourceSize(m.Script(), "@c.INF"), 9);
  EXPECT_TRUE(m.Messages().empty());

  // The rest of the script is untouched and no stale section stays behind.
  const std::string_view text = m.App().GetScript().GetText();
  EXPECT_NE(text.find("kept = 1"), std::string_view::npos);
  EXPECT_EQ(text.find("sub1"), std::string_view::npos);
  EXPECT_EQ(text.find("later"), std::string_view::npos);
}

}  // namespace
