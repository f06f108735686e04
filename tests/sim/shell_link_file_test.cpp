#include "platform/sim/shell_link_file.h"

#include <gtest/gtest.h>

namespace {

sim::ShellLinkData Sample() {
  sim::ShellLinkData link;
  link.description = "Monitor Panel";
  link.path = "C:\\HALVION\\mon.exe";
  link.relativePath = "..\\..\\HALVION\\mon.exe";
  link.workingDirectory = "C:\\HALVION\\";
  link.arguments = "/quiet";
  link.iconLocation = "C:\\HALVION\\mon.exe";
  link.iconIndex = -2;
  link.fileAttributes = 0x20;
  link.fileSize = 1234;
  link.driveSerial = 0xCAFE;
  return link;
}

TEST(ShellLinkFile, WrittenLinksReadBackField) {
  const std::string bytes = sim::WriteShellLinkFile(Sample());
  const auto link = sim::ReadShellLinkFile(bytes);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->description, "Monitor Panel");
  EXPECT_EQ(link->path, "C:\\HALVION\\mon.exe");
  EXPECT_EQ(link->relativePath, "..\\..\\HALVION\\mon.exe");
  EXPECT_EQ(link->workingDirectory, "C:\\HALVION\\");
  EXPECT_EQ(link->arguments, "/quiet");
  EXPECT_EQ(link->iconLocation, "C:\\HALVION\\mon.exe");
  EXPECT_EQ(link->iconIndex, -2);
  EXPECT_EQ(link->fileSize, 1234u);
  EXPECT_EQ(link->driveSerial, 0xCAFEu);
}

TEST(ShellLinkFile, EmptyStringsAreLeftOut) {
  sim::ShellLinkData bare;
  bare.path = "C:\\X.EXE";
  const std::string bytes = sim::WriteShellLinkFile(bare);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x14]), 0x02) << "only the link information";
  const auto link = sim::ReadShellLinkFile(bytes);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->path, "C:\\X.EXE");
  EXPECT_TRUE(link->description.empty());
}

TEST(ShellLinkFile, ShortOrForeignFilesAreRefusedWithoutReadingPastTheirEnd) {
  const std::string bytes = sim::WriteShellLinkFile(Sample());
  for (std::size_t size = 0; size < bytes.size() - 4; ++size) {
    EXPECT_FALSE(sim::ReadShellLinkFile(bytes.substr(0, size))) << size;
  }
  std::string foreign = bytes;
  foreign[4] = 0x02;
  EXPECT_FALSE(sim::ReadShellLinkFile(foreign));
  std::string badInfo = bytes;
  badInfo[0x4C] = '\xFF';  // a link information larger than the file
  badInfo[0x4D] = '\xFF';
  EXPECT_FALSE(sim::ReadShellLinkFile(badInfo));
}

TEST(ShellLinkFile, RelativePathsClimbToTheCommonFolder) {
  EXPECT_EQ(sim::RelativeLinkPath("C:\\WINDOWS\\Start Menu\\Programs\\Tools", "C:\\HALVION\\mon.exe"),
            "..\\..\\..\\..\\HALVION\\mon.exe");
  EXPECT_EQ(sim::RelativeLinkPath("C:\\Tools", "c:\\tools\\a.exe"), ".\\a.exe");
  EXPECT_EQ(sim::RelativeLinkPath("C:\\Tools", "C:\\Tools\\Sub\\a.exe"), ".\\Sub\\a.exe");
  EXPECT_EQ(sim::RelativeLinkPath("C:\\Tools", "D:\\a.exe"), "");
}

}  // namespace
