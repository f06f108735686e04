// Files in use, deletions, renames, the installed-file marker, and the next
// start that finishes what was deferred.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "files/manifest.h"
#include "files_fixture.h"
#include "platform/sim/machine.h"
#include "winsim_commands.h"

namespace {

using files_test::FilesTest;

constexpr const char* kScript =
    "[DestinationDirs]\r\nDefaultDestDir = App\r\nOld.Files = Old\r\nEmpty.Files = Empty\r\n"
    "[SourceDisksNames]\r\n1 = Disk1\r\n"
    "[SourceDisksFiles]\r\nHELD.DLL = 1\r\nFREE.DLL = 1\r\n"
    "[Setup]\r\nOptionDesc = Setup\r\n"
    "[Optional Components]\r\nDriver\r\n"
    "[Driver]\r\nOptionDesc = Driver\r\nCopyFiles = Driver.Files\r\nDelFiles = Old.Files, Empty.Files\r\n"
    "RenFiles = Ren.Files\r\n"
    "[Driver.Files]\r\nHELD.DLL\r\nFREE.DLL\r\n"
    "[Old.Files]\r\nRO.TXT\r\nMISSING.TXT\r\nBUSY.TXT\r\n"
    "[Empty.Files]\r\nLAST.TXT\r\n"
    "[Ren.Files]\r\nNEW.EXE, OLD.EXE\r\nSAME.EXE\r\nNONE.EXE, NOTHERE.EXE\r\n"
    "[End]\r\n";

constexpr const char* kHeld =
    "held1=C:\\HALVION\\App\\HELD.DLL\n"
    "held2=C:\\HALVION\\Old\\BUSY.TXT\n";

class LockedFilesTest : public FilesTest {
 protected:
  void Prepare(sim::OsKind os) {
    Start(os, kScript, kHeld);
    m_v1 = Library("V1.DLL");
    m_v2 = Library("V2.DLL");
    Put("drive_d/HELD.DLL", m_v2);
    Put("drive_d/FREE.DLL", "free");
    Put("drive_c/HALVION/App/HELD.DLL", m_v1);
  }
  // What the program wrote to the registry, on disk as when it has ended.
  void FlushRegistry() { m_machine->Machine().Registry().RegFlushKey(HKEY_LOCAL_MACHINE); }
  // The next start, as the winsim command makes it, after the program.
  std::string Restart() {
    FlushRegistry();
    std::ostringstream out, err;
    EXPECT_EQ(winsim::RunCommand({"restart", m_machine->Folder().string()}, out, err), 0) << err.str();
    return out.str();
  }
  std::string PendingRenames() {
    FlushRegistry();
    std::string error;
    auto machine = sim::Machine::Open(m_machine->Folder(), error);
    auto text = machine->Registry().Export("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
    return text ? *text : std::string();
  }
  bool RestartRequested() { return (Context().GetFlags() & SF_RESTART_NEEDED) != 0; }

  std::string m_v1, m_v2;
};

TEST_F(LockedFilesTest, FileInUseOnWindows9xIsReplacedAtTheNextStart) {
  Prepare(sim::OsKind::Win98);
  Put("drive_c/WINDOWS/WININIT.INI", "[Rename]\r\nNUL=C:\\OLD1.TXT\r\nC:\\X.TXT=C:\\Y.TXT\r\n");
  Put("drive_c/OLD1.TXT", "old");
  Put("drive_c/X.TXT", "x");
  Put("drive_c/Y.TXT", "y");
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(RestartRequested());
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), m_v1) << "still the old file";
  EXPECT_EQ(Get("drive_c/HALVION/App/TMP0.@@@"), m_v2) << "the new one waits beside it";
  EXPECT_EQ(Get("drive_c/HALVION/App/FREE.DLL"), "free");
  EXPECT_EQ(RenameLines(), (std::vector<std::string>{"NUL=C:\\OLD1.TXT", "C:\\X.TXT=C:\\Y.TXT",
                                                     "C:\\HALVION\\App\\HELD.DLL=C:\\HALVION\\App\\TMP0.@@@"}));

  const std::string report = Restart();
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), m_v2) << report;
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP0.@@@"));
  EXPECT_FALSE(Exists("drive_c/OLD1.TXT"));
  EXPECT_EQ(Get("drive_c/X.TXT"), "y");
  EXPECT_FALSE(Exists("drive_c/Y.TXT"));
  EXPECT_FALSE(Exists("drive_c/WINDOWS/WININIT.INI"));
  EXPECT_NE(Get("drive_c/WINDOWS/WININIT.BAK").find("TMP0.@@@"), std::string::npos);
  EXPECT_EQ(Get("drive_c/HALVION/App/FREE.DLL"), "free") << "nothing else changed";
}

TEST_F(LockedFilesTest, FileInUseOnNtMovesAsideAndGoesAtTheNextStart) {
  Prepare(sim::OsKind::NT4);
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(RestartRequested());
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), m_v2) << "the new file takes the name at once";
  EXPECT_EQ(Get("drive_c/HALVION/App/TMP0.@@@"), m_v1) << "the old one moved aside";
  const std::string pending = PendingRenames();
  EXPECT_NE(pending.find("PendingFileRenameOperations"), std::string::npos) << pending;
  EXPECT_FALSE(Exists("drive_c/WINNT/WININIT.INI"));

  // A RunOnce command runs once at the next start and is gone afterwards.
  Put("drive_c/TOOLS/ONCE.EXE", "simulated program\r\n");
  ASSERT_TRUE(m_machine->Machine().Registry().SetString(
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Cleanup", "C:\\TOOLS\\ONCE.EXE /now"));
  const std::string report = Restart();
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), m_v2) << report;
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP0.@@@"));
  EXPECT_EQ(PendingRenames().find("PendingFileRenameOperations"), std::string::npos);
  EXPECT_NE(report.find("RunOnce Cleanup: C:\\TOOLS\\ONCE.EXE /now (exit code 0)"), std::string::npos) << report;
  const std::string again = Restart();
  EXPECT_EQ(again.find("RunOnce"), std::string::npos) << again;
  EXPECT_EQ(Get("drive_c/HALVION/App/FREE.DLL"), "free");
}

TEST_F(LockedFilesTest, DeletionsOnWindows9x) {
  Prepare(sim::OsKind::Win98);
  Put("drive_c/HALVION/Old/RO.TXT", "ro");
  Put("drive_c/HALVION/Old/BUSY.TXT", "busy");
  Put("drive_c/HALVION/Empty/LAST.TXT", "last");
  ASSERT_TRUE(Interfaces().Files().SetFileAttributesA("C:\\HALVION\\Old\\RO.TXT", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(Files().RunDeletes(m_progress, StepPhase::ComponentsToInstall).GoesOn());
  EXPECT_EQ(m_progress.phases, (std::vector<std::string>{"delete 4"}));
  EXPECT_EQ(m_progress.jobs, (std::vector<std::string>{"RO.TXT", "MISSING.TXT", "BUSY.TXT", "LAST.TXT"}));
  EXPECT_FALSE(Exists("drive_c/HALVION/Old/RO.TXT")) << "read-only files are deleted";
  EXPECT_EQ(Get("drive_c/HALVION/Old/BUSY.TXT"), "busy");
  EXPECT_FALSE(Exists("drive_c/HALVION/Empty")) << "a folder emptied by the last deletion goes at once";
  EXPECT_EQ(RenameLines(), (std::vector<std::string>{"NUL=C:\\HALVION\\Old\\BUSY.TXT"}));
  EXPECT_TRUE(RestartRequested());
  EXPECT_TRUE(Files().RunDeletes(m_progress, StepPhase::ComponentsToRemove).GoesOn()) << "nothing to remove";

  Restart();
  EXPECT_FALSE(Exists("drive_c/HALVION/Old/BUSY.TXT"));
}

TEST_F(LockedFilesTest, DeletionsOnNt) {
  Prepare(sim::OsKind::NT5);
  Put("drive_c/HALVION/Old/BUSY.TXT", "busy");
  Put("drive_c/HALVION/Old/KEEP.TXT", "keep");
  EXPECT_TRUE(Files().RunDeletes(m_progress, StepPhase::ComponentsToInstall).GoesOn());
  EXPECT_EQ(Get("drive_c/HALVION/Old/BUSY.TXT"), "busy");
  EXPECT_TRUE(RestartRequested());
  const std::string pending = PendingRenames();
  EXPECT_NE(pending.find("PendingFileRenameOperations"), std::string::npos) << pending;
  Restart();
  EXPECT_FALSE(Exists("drive_c/HALVION/Old/BUSY.TXT"));
  EXPECT_EQ(Get("drive_c/HALVION/Old/KEEP.TXT"), "keep") << "a folder that is not empty stays";

  // The error table: drive problems and missing files are done, others come back.
  CFileRecord record;
  record.m_strDestDir = "Q:\\NODRIVE";
  record.m_strDestName = "X.TXT";
  EXPECT_EQ(Files().DeleteFileRecord(record), 0u);
  record.m_strDestDir = "C:\\HALVION";
  record.m_strDestName = "bad|name";
  EXPECT_EQ(Files().DeleteFileRecord(record), static_cast<platform::DWORD>(ERROR_INVALID_NAME));
}

TEST_F(LockedFilesTest, Renames) {
  Prepare(sim::OsKind::Win98);
  Put("drive_c/HALVION/App/OLD.EXE", "old");
  Put("drive_c/HALVION/App/NEW.EXE", "stale");
  Put("drive_c/HALVION/App/SAME.EXE", "same");
  Put("drive_c/HALVION/App/NONE.EXE", "mine");
  ASSERT_TRUE(Interfaces().Files().SetFileAttributesA("C:\\HALVION\\App\\OLD.EXE", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(Files().RunRenames(m_progress).GoesOn());
  EXPECT_EQ(m_progress.phases, (std::vector<std::string>{"rename 3"}));
  EXPECT_EQ(Get("drive_c/HALVION/App/NEW.EXE"), "old");
  EXPECT_FALSE(Exists("drive_c/HALVION/App/OLD.EXE"));
  EXPECT_EQ(Get("drive_c/HALVION/App/SAME.EXE"), "same") << "a single field changes nothing";
  EXPECT_EQ(Get("drive_c/HALVION/App/NONE.EXE"), "mine") << "no old file: the new name is not touched";

  CFileRecord record;
  record.m_strSourceDir = record.m_strDestDir = "C:\\HALVION\\App";
  record.m_strSourceName = "NOTHERE.EXE";
  record.m_strDestName = "NONE.EXE";
  EXPECT_EQ(Files().RenameFileRecord(record), RenameResult::Failed);
  record.m_strSourceName = "new.exe";
  record.m_strDestName = "NEW.EXE";
  EXPECT_EQ(Files().RenameFileRecord(record), RenameResult::Done) << "names equal without regard to case";
  EXPECT_EQ(Get("drive_c/HALVION/App/NEW.EXE"), "old");
}

TEST_F(LockedFilesTest, OnlyFoldersThisRunEmptiedAreScheduledAndNeverSystemFolders) {
  Prepare(sim::OsKind::NT4);
  Put("drive_c/HALVION/Keep/OTHER.TXT", "other");
  Put("drive_c/LAST.TXT", "last");
  CFileRecord record;
  for (const char* folder : {"C:\\WINNT", "C:\\WINNT\\system32", "C:\\Program Files\\", "C:\\HALVION\\Keep"}) {
    record.m_strDestDir = folder;
    record.m_strDestName = "MISSING.TXT";
    EXPECT_EQ(Files().DeleteFileRecord(record), 0u);
  }
  record.m_strDestDir = "C:\\";
  record.m_strDestName = "LAST.TXT";
  EXPECT_EQ(Files().DeleteFileRecord(record), 0u);
  EXPECT_FALSE(Exists("drive_c/LAST.TXT"));
  EXPECT_EQ(PendingRenames().find("PendingFileRenameOperations"), std::string::npos) << PendingRenames();
  Restart();
  EXPECT_EQ(Get("drive_c/HALVION/Keep/OTHER.TXT"), "other");
}

TEST_F(LockedFilesTest, OnlyFoldersTheInstallationMadeAreLeftForTheNextStart) {
  Prepare(sim::OsKind::NT4);
  Put("drive_c/WINNT/INF/VELA.INF", "ours");
  Put("drive_c/HALVION/Made/A.TXT", "a");
  Put("drive_c/HALVION/Made/B.TXT", "b");
  CInstallManifest manifest;
  manifest.NoteFolder("C:\\HALVION\\Made");
  CFileOperations files = Files();
  files.SetManifest(&manifest);
  CFileRecord record;
  record.m_strDestDir = "C:\\WINNT\\INF";
  record.m_strDestName = "VELA.INF";
  EXPECT_EQ(files.DeleteFileRecord(record), 0u);
  EXPECT_TRUE(Exists("drive_c/WINNT/INF")) << "emptied, but the system's";
  EXPECT_EQ(PendingRenames().find("PendingFileRenameOperations"), std::string::npos) << PendingRenames();
  record.m_strDestDir = "C:\\HALVION\\Made";
  record.m_strDestName = "A.TXT";
  EXPECT_EQ(files.DeleteFileRecord(record), 0u);
  EXPECT_NE(PendingRenames().find("PendingFileRenameOperations"), std::string::npos) << "a folder of its own";
}

TEST_F(LockedFilesTest, AHeldLongNamedFileOnWindows9xIsReplacedAtTheNextStart) {
  Start(sim::OsKind::Win98,
        "[DestinationDirs]\r\nDefaultDestDir = App\r\n[SourceDisksNames]\r\n1 = Disk1\r\n"
        "[SourceDisksFiles]\r\nLIB.DLL = 1\r\n[Setup]\r\nOptionDesc = Setup\r\n"
        "[Optional Components]\r\nDriver\r\n[Driver]\r\nOptionDesc = Driver\r\nCopyFiles = Driver.Files\r\n"
        "[Driver.Files]\r\nLONGLIBRARY.DLL, LIB.DLL\r\n[End]\r\n",
        "held1=C:\\HALVION\\App\\LONGLIBRARY.DLL\n");
  Put("drive_d/LIB.DLL", Library("V2.DLL"));
  Put("drive_c/HALVION/App/LONGLIBRARY.DLL", Library("V1.DLL"));
  EXPECT_TRUE(Files().RunCopies(m_progress).GoesOn());
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(RestartRequested());
  EXPECT_EQ(Get("drive_c/HALVION/App/LONGLIBRARY.DLL"), Library("V1.DLL"));
  ASSERT_EQ(RenameLines().size(), 1u);
  Restart();
  EXPECT_EQ(Get("drive_c/HALVION/App/LONGLIBRARY.DLL"), Library("V2.DLL"));
}

TEST_F(LockedFilesTest, InstalledFileMarker) {
  Prepare(sim::OsKind::Win98);
  const std::string key = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\InstalledFiles";
  // Windows 98 has the key; a system without it keeps it that way.
  m_machine->Machine().Registry().RegDeleteKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\InstalledFiles");
  CFileRecord record;
  record.m_strDestName = "A.DLL";
  MarkInstalledFile(Interfaces(), record);
  EXPECT_EQ(Registry(key), "") << "the key is never created";

  auto& registry = m_machine->Machine().Registry();
  ASSERT_TRUE(registry.SetString(key, "B.DLL", "keep"));
  ASSERT_TRUE(registry.SetString(key, "C.DLL", std::string(30, 'c')));
  MarkInstalledFile(Interfaces(), record);
  record.m_strDestName = "B.DLL";
  MarkInstalledFile(Interfaces(), record);
  record.m_strDestName = "C.DLL";
  MarkInstalledFile(Interfaces(), record);
  const std::string text = Registry(key);
  EXPECT_NE(text.find("\"A.DLL\"=hex:00"), std::string::npos) << text;
  EXPECT_NE(text.find("\"B.DLL\"=\"keep\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"C.DLL\"=hex:00"), std::string::npos) << "a value too long for the query is replaced";
}

TEST_F(LockedFilesTest, AFullRenameSectionTakesNoMoreLines) {
  Prepare(sim::OsKind::Win98);
  // 1170 lines of 27 characters fill 32,760 bytes of the 32,768-byte
  // buffer as the profile functions hand them over (each closed by a NUL).
  std::string section = "[Rename]\r\n";
  for (int i = 0; i < 1170; ++i) {
    char line[48];
    std::snprintf(line, sizeof line, "NUL=C:\\DELETE\\FILE%05d.TXT", i);
    section += std::string(line) + "\r\n";
  }
  Put("drive_c/WINDOWS/WININIT.INI", section);
  CFileRecord record;
  record.m_strDestDir = "C:\\HALVION\\App";
  record.m_strDestName = "HELD.DLL";
  EXPECT_FALSE(AddWininitDelete(Interfaces(), record));
  EXPECT_TRUE(Get("drive_c/WINDOWS/WININIT.INI") == section) << "nothing is cut or overwritten";
  EXPECT_EQ(Files().DeferDelete(record), static_cast<platform::DWORD>(ERROR_NOT_ENOUGH_MEMORY));

  // A file in use that cannot be recorded for the next start stops the copy run.
  EXPECT_EQ(Files().RunCopies(m_progress), CStepResult::Stop());
  ASSERT_EQ(MessageIds(), (std::vector<int>{MSG_FILE_INSTALL}));
  EXPECT_EQ(m_messages[0].inserts, (std::vector<std::string>{std::to_string(VIF_CANNOTRENAME)}));
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), m_v1);
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP0.@@@"));
}

TEST_F(LockedFilesTest, TheRenameSectionTakesItsLastLineToTheByteAndNoMore) {
  Prepare(sim::OsKind::Win98);
  CFileRecord record;
  record.m_strDestDir = "C:\\HALVION\\App";
  record.m_strDestName = "HELD.DLL";
  const std::size_t line = ("NUL=" + ShortPath(Interfaces(), "C:\\HALVION\\App\\HELD.DLL")).size();
  // Lines that take `bytes` of the buffer as the profile functions hand
  // them over, each closed by a NUL.
  const auto sectionOf = [](std::size_t bytes) {
    std::string section = "[Rename]\r\n";
    for (int i = 0; bytes >= 2 * 28; ++i, bytes -= 28) {
      char text[48];
      std::snprintf(text, sizeof text, "NUL=C:\\DELETE\\FILE%05d.TXT", i);
      section += std::string(text) + "\r\n";
    }
    return section + "NUL=C:\\" + std::string(bytes - 8, 'X') + "\r\n";
  };
  // The new line, its NUL and the section's closing NUL end exactly at the buffer's end.
  const std::string full = sectionOf(kWininitBufferSize - line - 2);
  Put("drive_c/WINDOWS/WININIT.INI", full);
  EXPECT_TRUE(AddWininitDelete(Interfaces(), record));
  const std::vector<std::string> lines = RenameLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "NUL=" + ShortPath(Interfaces(), "C:\\HALVION\\App\\HELD.DLL"));

  const std::string over = sectionOf(kWininitBufferSize - line - 1);
  Put("drive_c/WINDOWS/WININIT.INI", over);
  EXPECT_FALSE(AddWininitDelete(Interfaces(), record)) << "one byte more";
  EXPECT_TRUE(Get("drive_c/WINDOWS/WININIT.INI") == over) << "nothing is cut or overwritten";
}

}  // namespace
