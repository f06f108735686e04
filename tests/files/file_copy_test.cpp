// The copy run: source names, disks, questions, version conflicts, long
// names on Windows 95/98, and the failures that stop it.
#include <gtest/gtest.h>

#include <vector>

#include "files_fixture.h"
#include "szdd.h"

namespace {

using files_test::FilesTest;

std::string Packed(const std::string& text, char missing) {
  const auto packed = szdd::Compress(std::vector<std::uint8_t>(text.begin(), text.end()), missing);
  return std::string(packed.begin(), packed.end());
}

std::string Content(const std::string& name) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += name + " line " + std::to_string(i) + "\r\n";
  return text;
}

std::string Script(const std::string& files, const std::string& sourceFiles, const std::string& extra = {}) {
  return "[DestinationDirs]\r\nDefaultDestDir = App\r\n"
         "[SourceDisksNames]\r\n-1 = Minus\r\n0 = Disk0\r\n1 = Disk1\r\n2 = Disk2\r\n3 = Disk3\r\n100 = Disk100\r\n"
         "[SourceDisksFiles]\r\n" + sourceFiles +
         "[Setup]\r\nOptionDesc = Setup\r\n"
         "[Optional Components]\r\nFirst\r\nSecond\r\n"
         "[First]\r\nOptionDesc = First\r\nCopyFiles = First.Files\r\n"
         "[Second]\r\nOptionDesc = Second\r\nCopyFiles = Second.Files\r\n" +
         files + extra + "[End]\r\n";
}

class FileCopyTest : public FilesTest {};

TEST_F(FileCopyTest, FindsCompressedSourcesUnderEachOfTheFourNames) {
  Start(sim::OsKind::Win98,
        Script("[First.Files]\r\nONE.DLL\r\nNEW.DLL, OLD.DLL\r\n[Second.Files]\r\nTWO.DLL, GONE.DLL\r\nFOUR.DLL, SRC4.DLL\r\n",
               "ONE.DLL = 1\r\nOLD.DL_ = 1\r\nTWO.DLL = 1\r\nFOUR.DL_ = 1\r\n"));
  Put("drive_d/ONE.DLL", Packed(Content("one"), 0));        // its own name, compressed
  Put("drive_d/OLD.DL_", Packed(Content("old"), 'L'));      // the source name's compressed form
  Put("drive_d/TWO.DLL", Packed(Content("two"), 0));        // the destination name
  Put("drive_d/FOUR.DL_", Packed(Content("four"), 'L'));    // the destination name's compressed form
  Put("drive_d/NEW.DLL", "the destination name is tried only after the source name");

  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(Get("drive_c/HALVION/App/ONE.DLL"), Content("one"));
  EXPECT_EQ(Get("drive_c/HALVION/App/NEW.DLL"), Content("old"));
  EXPECT_EQ(Get("drive_c/HALVION/App/TWO.DLL"), Content("two"));
  EXPECT_EQ(Get("drive_c/HALVION/App/FOUR.DLL"), Content("four"));
  EXPECT_FALSE(Exists("drive_c/HALVION/App/OLD.DLL"));
  EXPECT_EQ(m_progress.phases, (std::vector<std::string>{"copy 4"}));
  EXPECT_EQ(m_progress.steps, 4);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(m_dialogs.asked.empty());

  CFileRecord record;
  record.m_strSourceDir = "D:\\";
  record.m_strDestDir = "C:\\HALVION\\App";
  record.m_strSourceName = "OLD.DLL";
  record.m_strDestName = "NEW.DLL";
  EXPECT_EQ(Files().CopyFile(record, VIFF_FORCEINSTALL), 0u);
  EXPECT_EQ(record.m_strSourceName, "OLD.DL_") << "the name found is kept";
  record.m_strSourceName = "NOWHERE.DLL";
  record.m_strDestName = "NOWHERE2.DLL";
  EXPECT_EQ(Files().CopyFile(record, 0), static_cast<platform::DWORD>(VIF_CANNOTREADSRC));
}

TEST_F(FileCopyTest, DisksInOrderAcrossComponents) {
  Start(sim::OsKind::Win98,
        Script("[First.Files]\r\nA3.DLL\r\nA1.DLL\r\nA100.DLL\r\n[Second.Files]\r\nB0.DLL\r\nB2.DLL\r\nBNEG.DLL\r\n",
               "A3.DLL = 3\r\nA1.DLL = 1\r\nA100.DLL = 100\r\nB0.DLL = 0\r\nB2.DLL = 2\r\nBNEG.DLL = -1\r\n"));
  for (const char* name : {"A3", "A1", "A100", "B0", "B2", "BNEG"}) Put(std::string("drive_d/") + name + ".DLL", name);
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_progress.phases, (std::vector<std::string>{"copy 6"}));
  EXPECT_EQ(m_progress.jobs, (std::vector<std::string>{"B0.DLL", "A1.DLL", "B2.DLL", "A3.DLL"}));
  EXPECT_EQ(m_progress.steps, 4);
  EXPECT_FALSE(Exists("drive_c/HALVION/App/A100.DLL")) << "disks beyond 99 are never copied";
  EXPECT_FALSE(Exists("drive_c/HALVION/App/BNEG.DLL"));
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(FileCopyTest, ANewFolderForTheWholeDisk) {
  Start(sim::OsKind::Win98,
        Script("[First.Files]\r\nX1.DLL\r\nX2A.DLL\r\n[Second.Files]\r\nX2B.DLL\r\n",
               "X1.DLL = 1\r\nX2A.DLL = 2,d2\r\nX2B.DLL = 2,d2\r\n"));
  Put("drive_d/X1.DLL", "x1");
  Put("drive_d/ELSEWHERE/X2A.DLL", "x2a");
  Put("drive_d/ELSEWHERE/X2B.DLL", "x2b");
  m_dialogs.diskAnswer = kDialogRetry;
  m_dialogs.newFolder = "D:\\ELSEWHERE";
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"disk 2 X2A.DLL"})) << "asked once for the disk";
  EXPECT_EQ(Get("drive_c/HALVION/App/X2A.DLL"), "x2a");
  EXPECT_EQ(Get("drive_c/HALVION/App/X2B.DLL"), "x2b");
}

TEST_F(FileCopyTest, MissingDiskCancelsAndMissingLaterFileIsSkipped) {
  const std::string script = Script("[First.Files]\r\nX1.DLL\r\nY1.DLL\r\nX2.DLL\r\n[Second.Files]\r\nZ1.DLL\r\n",
                                    "X1.DLL = 1\r\nY1.DLL = 1\r\nX2.DLL = 2\r\nZ1.DLL = 1\r\n");
  Start(sim::OsKind::Win98, script);
  Put("drive_d/X1.DLL", "x1");
  Put("drive_d/Z1.DLL", "z1");
  // The dialogs in force are not asked without message boxes: the later
  // file is skipped, the missing disk cancels.
  AddFlags(SF_QUIET);
  m_dialogs.diskAnswer = kDialogRetry;
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  EXPECT_TRUE(m_dialogs.asked.empty());
  EXPECT_EQ(Get("drive_c/HALVION/App/X1.DLL"), "x1") << "what was copied stays";
  EXPECT_EQ(Get("drive_c/HALVION/App/Z1.DLL"), "z1");
  EXPECT_FALSE(Exists("drive_c/HALVION/App/Y1.DLL"));

  Start(sim::OsKind::Win98, script);
  Put("drive_d/X1.DLL", "x1");
  Put("drive_d/X2.DLL", "x2");
  Put("drive_d/Z1.DLL", "z1");
  m_dialogs.fileAnswer = kDialogSkipFile;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"file Y1.DLL"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/X2.DLL"), "x2");
  EXPECT_EQ(m_progress.steps, 4) << "a skipped file counts as done";

  Start(sim::OsKind::Win98, script);
  Put("drive_d/X1.DLL", "x1");
  m_dialogs.fileAnswer = kDialogCancel;
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  EXPECT_FALSE(Exists("drive_c/HALVION/App/X2.DLL"));
}

TEST_F(FileCopyTest, VersionConflicts) {
  const std::string script = Script("[First.Files]\r\nLIB.DLL\r\nLIB2.DLL, LIB.DLL\r\n[Second.Files]\r\n", "LIB.DLL = 1\r\n");
  const std::string v1 = Library("V1.DLL"), v2 = Library("V2.DLL");
  auto prepare = [&] {
    Start(sim::OsKind::Win98, script);
    Put("drive_d/LIB.DLL", v1);
    Put("drive_c/HALVION/App/LIB.DLL", v2);
    Put("drive_c/HALVION/App/LIB2.DLL", v2);
  };
  prepare();
  m_dialogs.conflictAnswer = kDialogKeepExisting;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"conflict LIB.DLL", "conflict LIB2.DLL"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/LIB.DLL"), v2);
  EXPECT_EQ(Get("drive_c/HALVION/App/LIB2.DLL"), v2);

  prepare();
  m_dialogs.conflictAnswer = kDialogReplace;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"conflict LIB.DLL", "conflict LIB2.DLL"}))
      << "each file starts again without forcing";
  EXPECT_EQ(Get("drive_c/HALVION/App/LIB.DLL"), v1);
  EXPECT_EQ(Get("drive_c/HALVION/App/LIB2.DLL"), v1);
  EXPECT_EQ(testing_support::FirstMatch(Interfaces().Files(), "C:\\HALVION\\App\\*.tmp"), "");

  prepare();
  AddFlags(SF_UNATTENDED);
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_dialogs.asked.empty()) << "unattended files are forced from the first attempt";
  EXPECT_EQ(Get("drive_c/HALVION/App/LIB.DLL"), v1);
}

TEST_F(FileCopyTest, LongNamesGoInUnderAShortNameOnWindows9xAfterTheSameVersionCheck) {
  const std::string script =
      Script("[First.Files]\r\nVELARUNTIME.DLL, LIB.DLL\r\n[Second.Files]\r\n", "LIB.DLL = 1\r\n");
  const std::string older = Library("V1.DLL"), newer = Library("V2.DLL");
  auto prepare = [&](sim::OsKind os) {
    Start(os, script);
    Put("drive_d/LIB.DLL", older);
    Put("drive_c/HALVION/App/VELARUNTIME.DLL", newer);
    Put("drive_c/HALVION/App/TMP0.@@@", "taken");
  };
  // The newer library on the machine is kept when the user says so.
  prepare(sim::OsKind::Win98);
  m_dialogs.conflictAnswer = kDialogKeepExisting;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"conflict VELARUNTIME.DLL"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/VELARUNTIME.DLL"), newer);
  EXPECT_EQ(Get("drive_c/HALVION/App/TMP0.@@@"), "taken");
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP1.@@@")) << "the short name is let go";
  EXPECT_EQ(testing_support::FirstMatch(Interfaces().Files(), "C:\\HALVION\\App\\*.tmp"), "");

  // Replaced when the user says so, under its own name.
  prepare(sim::OsKind::Win98);
  m_dialogs.conflictAnswer = kDialogReplace;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"conflict VELARUNTIME.DLL"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/VELARUNTIME.DLL"), older);
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP1.@@@"));

  // Unattended and quiet runs keep their fixed answers.
  prepare(sim::OsKind::Win95);
  AddFlags(SF_QUIET);
  m_dialogs.conflictAnswer = kDialogKeepExisting;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_dialogs.asked.empty());
  EXPECT_EQ(Get("drive_c/HALVION/App/VELARUNTIME.DLL"), older) << "a quiet run replaces";
  prepare(sim::OsKind::Win98);
  AddFlags(SF_UNATTENDED);
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_dialogs.asked.empty());
  EXPECT_EQ(Get("drive_c/HALVION/App/VELARUNTIME.DLL"), older);

  // Windows NT installs the long name directly, with the same question.
  prepare(sim::OsKind::NT4);
  m_dialogs.conflictAnswer = kDialogKeepExisting;
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"conflict VELARUNTIME.DLL"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/VELARUNTIME.DLL"), newer);
}

TEST_F(FileCopyTest, FailuresThatStopTheRun) {
  const std::string script = Script("[First.Files]\r\nA.DLL\r\nB.DLL\r\n[Second.Files]\r\n", "A.DLL = 1\r\nB.DLL = 1\r\n");
  // The destination is a folder: it cannot be written.
  Start(sim::OsKind::Win98, script);
  Put("drive_d/A.DLL", "a");
  Put("drive_d/B.DLL", "b");
  std::filesystem::create_directories(Host("drive_c/HALVION/App/A.DLL"));
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  ASSERT_EQ(MessageIds(), (std::vector<int>{MSG_CANNOT_WRITE}));
  EXPECT_EQ(m_messages[0].inserts, (std::vector<std::string>{"C:\\HALVION\\App"}));
  EXPECT_FALSE(Exists("drive_c/HALVION/App/B.DLL"));

  // A file where a folder should be: the folder cannot be made.
  Start(sim::OsKind::Win98, script);
  Put("drive_d/A.DLL", "a");
  Put("drive_c/HALVION", "a file in the way");
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  ASSERT_EQ(MessageIds(), (std::vector<int>{MSG_FILE_INSTALL}));
  EXPECT_EQ(m_messages[0].inserts, (std::vector<std::string>{std::to_string(VIF_CANNOTREADDST)}));

  // A full drive: the question's No stops the run and is recorded.
  Start(sim::OsKind::Win98, script);
  std::string hardware = testing_support::ReadHostFile(Host("hardware.ini"));
  hardware.replace(hardware.find("C=1000000,8,512"), 15, "C=0,8,512");
  m_machine->SetHardware(hardware);
  m_machine->Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
    m_messages.push_back({request.messageId, request.inserts});
    return IDNO;
  });
  Put("drive_d/A.DLL", "a");
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  ASSERT_EQ(MessageIds(), (std::vector<int>{MSG_ASK_DISK_FULL}));
  EXPECT_EQ(m_messages[0].inserts, (std::vector<std::string>{"C:"}));
  EXPECT_EQ(Context().GetLastMessage(), MSG_ASK_DISK_FULL);
  EXPECT_FALSE(Exists("drive_c/HALVION/App/A.DLL"));
}

TEST_F(FileCopyTest, AReadOnlyDestinationGivesWay) {
  Start(sim::OsKind::Win98, Script("[First.Files]\r\nA.DLL\r\n[Second.Files]\r\n", "A.DLL = 1\r\n"));
  Put("drive_d/A.DLL", "new");
  Put("drive_c/HALVION/App/A.DLL", "old");
  ASSERT_TRUE(Interfaces().Files().SetFileAttributesA("C:\\HALVION\\App\\A.DLL", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_EQ(Get("drive_c/HALVION/App/A.DLL"), "new");
  EXPECT_TRUE(m_messages.empty());
}

TEST_F(FileCopyTest, FoldersTemporaryNamesAndLongNames) {
  Start(sim::OsKind::Win98, Script("[First.Files]\r\n[Second.Files]\r\n", ""));
  CFileRecord record;
  record.m_strDestDir = "C:\\ONE\\TWO\\THREE";
  EXPECT_TRUE(CreateDestDir(Interfaces(), record));
  EXPECT_TRUE(std::filesystem::is_directory(Host("drive_c/ONE/TWO/THREE")));
  EXPECT_TRUE(CreateDestDir(Interfaces(), record)) << "an existing folder is fine";
  record.m_strDestDir = "C:\\";
  EXPECT_TRUE(CreateDestDir(Interfaces(), record));
  Put("drive_c/FILE", "x");
  record.m_strDestDir = "C:\\FILE\\SUB";
  EXPECT_FALSE(CreateDestDir(Interfaces(), record));

  record.m_strDestDir = "C:\\ONE";
  EXPECT_EQ(FindTempName(Interfaces(), record), "TMP0.@@@");
  Put("drive_c/ONE/TMP0.@@@", "");
  Put("drive_c/ONE/TMP1.@@@", "");
  EXPECT_EQ(FindTempName(Interfaces(), record), "TMP2.@@@");

  for (const auto& [name, longName] : std::vector<std::pair<std::string, bool>>{
           {"ABCDEFGH.DLL", false}, {"ABCDEFGHI.DLL", true}, {"A.HTML", true}, {"A.TXT", false},
           {"ABCDEFGH", false}, {"ABCDEFGHIJ", true}, {"A.B.C", false}, {"LONG.NAME.TXT", true}}) {
    record.m_strDestName = name;
    EXPECT_EQ(IsLongName(record), longName) << name;
  }
}

}  // namespace
