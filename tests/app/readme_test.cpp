// The README text, Notepad and the caller program.
#include <gtest/gtest.h>

#include <string>

#include "app/install_app.h"
#include "support/temp_machine.h"

using testing_support::ReadHostFile;
using testing_support::TempMachine;

namespace {

int LanguageIndex(const CSetupContext& context, const std::string& code) {
  for (int i = 0; i < kLanguageCount; ++i) {
    if (context.GetLanguageCodeAt(i) == std::string(code)) return i;
  }
  return -1;
}

class ReadMeTest : public ::testing::Test {
 protected:
  ReadMeTest() : m_machine(sim::OsKind::Win98, "D:\\MY CD\\SETUP.EXE"), m_app(m_machine.Interfaces(), "") {
    m_app.GetContext().SetSetupDir("D:\\MY CD");
  }
  void SetLanguage(const std::string& code) {
    m_app.GetContext().SetLanguage(LanguageIndex(m_app.GetContext(), code));
    ASSERT_EQ(m_app.GetContext().GetLanguageCode(), code);
  }
  void Put(const std::string& name, const std::string& text) { m_machine.PutFile("drive_d/MY CD/" + name, text); }
  std::string Events() const { return ReadHostFile(m_machine.Folder() / "events.log"); }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  TempMachine m_machine;
  CInstallApp m_app;
};

TEST_F(ReadMeTest, TheLanguageFileComesFirstAndItsBytesAreKept) {
  SetLanguage("DEU");
  const std::string german = "Liesmich\r\n\xE4\xF6\xFC\n\tEnde";
  Put("README_DEU.TXT", german);
  Put("README.TXT", "english");
  m_app.GetReadMe().Load(m_app.GetContext());
  EXPECT_EQ(m_app.GetReadMe().GetPath(), "D:\\MY CD\\README_DEU.TXT");
  ASSERT_NE(m_app.GetReadMe().GetText(), nullptr);
  EXPECT_EQ(std::string(m_app.GetReadMe().GetText()), german);
}

TEST_F(ReadMeTest, WithoutALanguageFileTheCommonOneIsRead) {
  SetLanguage("FRA");
  Put("README.TXT", "common");
  m_app.GetReadMe().Load(m_app.GetContext());
  EXPECT_EQ(m_app.GetReadMe().GetPath(), "D:\\MY CD\\README.TXT");
  ASSERT_NE(m_app.GetReadMe().GetText(), nullptr);
  EXPECT_STREQ(m_app.GetReadMe().GetText(), "common");
}

TEST_F(ReadMeTest, AnEmptyOrMissingFileKeepsTheTextReadBefore) {
  Put("README.TXT", "first text");
  m_app.GetReadMe().Load(m_app.GetContext());
  Put("README.TXT", "");
  m_app.GetReadMe().Load(m_app.GetContext());
  EXPECT_EQ(m_app.GetReadMe().GetPath(), "D:\\MY CD\\README.TXT") << "an empty file was found";
  EXPECT_STREQ(m_app.GetReadMe().GetText(), "first text");

  std::filesystem::remove(m_machine.Folder() / "drive_d" / "MY CD" / "README.TXT");
  m_app.GetReadMe().Load(m_app.GetContext());
  EXPECT_EQ(m_app.GetReadMe().GetPath(), "");
  EXPECT_STREQ(m_app.GetReadMe().GetText(), "first text");
}

TEST_F(ReadMeTest, NoReadMeNoNotepad) {
  m_app.GetReadMe().Load(m_app.GetContext());
  EXPECT_EQ(m_app.GetReadMe().GetPath(), "");
  EXPECT_EQ(m_app.GetReadMe().GetText(), nullptr);
  m_app.GetReadMe().Show(m_machine.Interfaces().Processes());
  EXPECT_EQ(Events().find("process"), std::string::npos);
}

TEST_F(ReadMeTest, NotepadStartsOnceWithTheUnquotedPathAndIsRaisedAfterwards) {
  Put("README.TXT", "text");
  m_app.GetReadMe().Load(m_app.GetContext());
  m_app.GetReadMe().Show(m_machine.Interfaces().Processes());
  EXPECT_EQ(Count(Events(), "process Notepad D:\\MY CD\\README.TXT\n"), 1) << Events();

  m_app.GetReadMe().Show(m_machine.Interfaces().Processes());
  const std::string events = Events();
  EXPECT_EQ(Count(events, "process "), 1) << "no second Notepad: " << events;
  EXPECT_EQ(Count(events, "window Notepad \"README.TXT - Notepad\" -> top"), 1) << events;
}

TEST_F(ReadMeTest, ANotepadShowingAnotherReadMeInAnyCaseIsRaised) {
  Put("readme.txt", "text");
  Put("Other/ReadMe_Old.txt", "old");
  m_app.GetReadMe().Load(m_app.GetContext());
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(m_machine.Interfaces().Processes().CreateProcessA("notepad D:\\MY CD\\Other\\ReadMe_Old.txt", 0, info));
  m_app.GetReadMe().Show(m_machine.Interfaces().Processes());
  EXPECT_EQ(Count(Events(), "process "), 1);
  EXPECT_EQ(Count(Events(), "\"ReadMe_Old.txt - Notepad\" -> top"), 1) << Events();
}

TEST_F(ReadMeTest, ANotepadWithAnotherFileDoesNotCount) {
  Put("README.TXT", "text");
  Put("NOTES.TXT", "notes");
  m_app.GetReadMe().Load(m_app.GetContext());
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(m_machine.Interfaces().Processes().CreateProcessA("Notepad D:\\MY CD\\NOTES.TXT", 0, info));
  m_app.GetReadMe().Show(m_machine.Interfaces().Processes());
  EXPECT_EQ(Count(Events(), "process "), 2) << Events();
}

TEST(CallerTest, TheCallerIsStartedWithPageAndLanguage) {
  TempMachine machine(sim::OsKind::NT4, "D:\\SETUP.EXE");
  machine.PutFile("drive_d/MENU.EXE", "simulated program\r\n");
  {
    CInstallApp app(machine.Interfaces(), "/ZD:\\MENU.EXE");
    app.GetContext().ParseCommandLine("/ZD:\\MENU.EXE");
    app.GetContext().SetLanguage(LanguageIndex(app.GetContext(), "DEU"));
    StartCaller(app.GetContext());
  }
  const std::string events = ReadHostFile(machine.Folder() / "events.log");
  EXPECT_NE(events.find("process D:\\MENU.EXE /p2 /lDEU\n"), std::string::npos) << events;

  CInstallApp noCaller(machine.Interfaces(), "");
  StartCaller(noCaller.GetContext());
  EXPECT_EQ(ReadHostFile(machine.Folder() / "events.log"), events) << "nothing without a caller";
}

}  // namespace
