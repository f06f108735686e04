// Shell links through the component object library: the link object, its
// fields, and the link file it saves and loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "conformance_environment.h"

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

class ShellLinkConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = conformance::MakeEnvironment(); }
  void TearDown() override { m_env.reset(); }
  std::unique_ptr<conformance::Environment> m_env;
};

TEST_F(ShellLinkConformanceTest, LinksAreMadeOnlyBetweenCoInitializeAndCoUninitialize) {
  platform::IShellLinks& links = conformance::Interfaces().ShellLinks();
  std::unique_ptr<platform::IShellLinkObject> link;
  EXPECT_EQ(links.CreateShellLink(link), CO_E_NOTINITIALIZED);
  EXPECT_EQ(link, nullptr);

  ASSERT_EQ(links.CoInitialize(), S_OK);
  EXPECT_EQ(links.CoInitialize(), S_FALSE) << "a second call on the same thread";
  EXPECT_EQ(links.CreateShellLink(link), S_OK);
  EXPECT_NE(link, nullptr);
  link.reset();
  links.CoUninitialize();
  links.CoUninitialize();
}

TEST_F(ShellLinkConformanceTest, ASavedLinkLoadsWithItsFieldsAndIsABinaryLinkFile) {
  const std::string folder = m_env->ScratchFolder();
  const std::string target = folder + "\\TARGET.EXE";
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(target, "program", 7));
  const std::string linkFile = folder + "\\Monitor Panel.lnk";

  platform::IShellLinks& links = conformance::Interfaces().ShellLinks();
  ASSERT_TRUE(platform::Succeeded(links.CoInitialize()));
  {
    std::unique_ptr<platform::IShellLinkObject> link;
    ASSERT_EQ(links.CreateShellLink(link), S_OK);
    EXPECT_EQ(link->SetDescription("Monitor Panel"), S_OK);
    EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
    EXPECT_EQ(link->SetArguments("/quiet -x"), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory((folder + "\\").c_str()), S_OK);
    EXPECT_EQ(link->SetIconLocation(target.c_str(), 3), S_OK);
    EXPECT_EQ(link->Save(linkFile.c_str(), 1), S_OK);
    EXPECT_FALSE(platform::Succeeded(link->Save((folder + "\\NOSUCHDIR\\X.lnk").c_str(), 1)))
        << "the folder must exist";
  }

  std::vector<char> bytes;
  ASSERT_TRUE(conformance::Interfaces().Files().ReadWholeFile(linkFile, bytes));
  ASSERT_GE(bytes.size(), 0x4Cu);
  // Header size 0x4C, then the link class {00021401-0000-0000-C000-000000000046}.
  const std::vector<unsigned char> header{0x4C, 0, 0, 0, 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin(),
                         [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }));
  const std::uint32_t flags = static_cast<unsigned char>(bytes[0x14]);
  EXPECT_EQ(flags & 0x74u, 0x74u) << "description, working folder, arguments and icon location are present";
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x38]), 3) << "the icon index lies in the header";

  {
    std::unique_ptr<platform::IShellLinkObject> link;
    ASSERT_EQ(links.CreateShellLink(link), S_OK);
    ASSERT_EQ(link->Load(linkFile.c_str()), S_OK);
    char buffer[MAX_PATH] = {};
    EXPECT_EQ(link->GetDescription(buffer, sizeof buffer), S_OK);
    EXPECT_STREQ(buffer, "Monitor Panel");
    EXPECT_EQ(link->GetArguments(buffer, sizeof buffer), S_OK);
    EXPECT_STREQ(buffer, "/quiet -x");
    EXPECT_EQ(link->GetWorkingDirectory(buffer, sizeof buffer), S_OK);
    EXPECT_EQ(Upper(buffer), Upper(folder + "\\"));
    int index = -1;
    EXPECT_EQ(link->GetIconLocation(buffer, sizeof buffer, &index), S_OK);
    EXPECT_EQ(Upper(buffer), Upper(target));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(link->GetPath(buffer, sizeof buffer), S_OK);
    EXPECT_EQ(Upper(buffer), Upper(target));
  }
  links.CoUninitialize();
}

}  // namespace
