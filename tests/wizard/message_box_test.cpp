#include <gtest/gtest.h>

#include "app/install_app.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "core/message_text.h"
#include "wizard/error_box.h"

using testing_support::ReadHostFile;
using testing_support::TempMachine;

namespace {

TEST(InsertTest, APassNeverRescansWhatItInserted) {
  EXPECT_EQ(ReplaceInsert("%1 and %1", "%1", "X"), "X and X");
  EXPECT_EQ(ReplaceInsert("file %1", "%1", "%1%1"), "file %1%1") << "an insert holding its own marker stays";
  EXPECT_EQ(ReplaceInsert("%1%1", "%1", ""), "");
  EXPECT_EQ(ReplaceInsert("100%", "%1", "x"), "100%");
  EXPECT_EQ(ReplaceInsert("%%11", "%1", "x"), "%x1");
  // Two passes: a "%2" brought in by the first insert is replaced by the second.
  EXPECT_EQ(ReplaceInsert(ReplaceInsert("%1 in %2", "%1", "key %2"), "%2", "[Strings]"), "key [Strings] in [Strings]");
  EXPECT_EQ(ReplaceInsert(ReplaceInsert("%2", "%1", "a"), "%2", "%1"), "%1") << "a %1 from the second insert stays";
}

class ErrorBoxTest : public ::testing::Test {
 protected:
  ErrorBoxTest() : m_app(m_machine.Interfaces(), ""), m_resources(m_machine.Interfaces()) {}
  CErrorBox Box() { return CErrorBox(m_app.GetContext(), m_resources); }
  std::string Events() const { return ReadHostFile(m_machine.Folder() / "events.log"); }
  TempMachine m_machine;
  CInstallApp m_app;
  CResourceModule m_resources;
};

TEST_F(ErrorBoxTest, QuietModeRecordsButShowsNothing) {
  m_app.GetContext().SetFlags(SF_QUIET);
  EXPECT_EQ(Box().ShowError(1089, "Setup.Copy", "DestinationDirs"), IDOK);
  EXPECT_EQ(m_app.GetContext().GetLastMessage(), 1089);
  EXPECT_EQ(Box().AskYesNo(1094, "C:"), IDNO);
  EXPECT_EQ(m_app.GetContext().GetLastMessage(), 1089) << "the question is not recorded";
  EXPECT_EQ(Events().find("message"), std::string::npos) << Events();
}

TEST_F(ErrorBoxTest, BoxesAreRecordedWithTheirInsertsAndAnswer) {
  EXPECT_EQ(Box().ShowError(1090, 7), IDOK);
  EXPECT_EQ(m_app.GetContext().GetLastMessage(), 1090);
  EXPECT_EQ(Box().AskYesNo(1094, "D:"), IDYES) << "the default button answers";
  EXPECT_EQ(m_app.GetContext().GetLastMessage(), 1090);
  Box().ShowError(1084);
  const std::string events = Events();
  EXPECT_NE(events.find("message 1090 \"7\" -> OK\n"), std::string::npos) << events;
  EXPECT_NE(events.find("message 1094 \"D:\" -> Yes\n"), std::string::npos) << events;
  EXPECT_NE(events.find("message 1084 -> OK\n"), std::string::npos) << events;
}

TEST_F(ErrorBoxTest, TextsComeFromTheResourceModule) {
  m_machine.Platform().SetMessageAnswerer([](const platform::MessageBoxRequest& request) {
    EXPECT_NE(request.text.find("Setup.Copy"), std::string::npos) << request.text;
    EXPECT_NE(request.text.find("DestinationDirs"), std::string::npos) << request.text;
    EXPECT_FALSE(request.caption.empty());
    EXPECT_EQ(request.type & 0xF, static_cast<platform::UINT>(MB_OK));
    return IDOK;
  });
  testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
  platform::HMODULE library = m_machine.Interfaces().Libraries().LoadLibraryA("D:\\_INSTALL.ENU");
  ASSERT_NE(library, nullptr);
  m_resources.SetHandle(library);
  CMessageText text(m_resources);
  EXPECT_FALSE(text.LoadText(1089, "Setup.Copy", "DestinationDirs").empty());
  Box().ShowError(1089, "Setup.Copy", "DestinationDirs");
  }

TEST_F(ErrorBoxTest, AMessageWithoutInsertsShowsNoMarkers) {
  testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
  m_resources.SetHandle(m_machine.Interfaces().Libraries().LoadLibraryA("D:\\_INSTALL.ENU"));
  CMessageText raw(m_resources);
  ASSERT_NE(raw.LoadText(1084).find("%1"), std::string::npos) << "the text takes an optional insert";
  std::string shown;
  m_machine.Platform().SetMessageAnswerer([&](const platform::MessageBoxRequest& request) {
    shown = request.text;
    return IDOK;
  });
  Box().ShowError(1084);
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(shown.find('%'), std::string::npos) << shown;
  }

TEST_F(ErrorBoxTest, WithoutALibraryTheNumberStillSpeaks) {
  std::string shown;
  m_machine.Platform().SetMessageAnswerer([&](const platform::MessageBoxRequest& request) {
    shown = request.text;
    return IDOK;
  });
  Box().ShowError(1085, "D:\\SETUP.INF");
  EXPECT_NE(shown.find("1085"), std::string::npos);
  EXPECT_NE(shown.find("D:\\SETUP.INF"), std::string::npos);
}

}  // namespace
