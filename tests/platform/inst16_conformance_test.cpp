// INST16.EXE, the distribution's helper: its command lines on the machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_environment.h"

namespace {

class Inst16ConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
    m_inst16 = m_env->HelperPath("INST16.EXE");
  }
  void TearDown() override {
    DeleteAnswer();
    m_env.reset();
  }
  // Runs INST16 with the arguments; its exit code.
  platform::DWORD Run(const std::string& arguments) {
    platform::IProcesses& processes = conformance::Interfaces().Processes();
    platform::PROCESS_INFORMATION info;
    if (!processes.CreateProcessA(m_inst16 + arguments, DETACHED_PROCESS, info)) {
      ADD_FAILURE() << "INST16 does not start: " << conformance::Interfaces().System().GetLastError();
      return 0xFFFFFFFF;
    }
    processes.CloseHandle(info.hThread);
    platform::DWORD wait = WAIT_TIMEOUT;
    for (int i = 0; i < 600 && wait == static_cast<platform::DWORD>(WAIT_TIMEOUT); ++i) {
      wait = processes.WaitForSingleObject(info.hProcess, 100);
    }
    EXPECT_EQ(wait, static_cast<platform::DWORD>(WAIT_OBJECT_0));
    platform::DWORD code = 0xFFFFFFFF;
    processes.GetExitCodeProcess(info.hProcess, &code);
    processes.CloseHandle(info.hProcess);
    return code;
  }
  static void DeleteAnswer() { conformance::Interfaces().Registry().RegDeleteKeyA(HKEY_CLASSES_ROOT, "SearchBios"); }
  // The default value of HKEY_CLASSES_ROOT\SearchBios, or "(none)".
  static std::string Answer() {
    platform::HKEY key = nullptr;
    if (conformance::Interfaces().Registry().RegOpenKeyExA(HKEY_CLASSES_ROOT, "SearchBios", 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return "(none)";
    }
    char value[261] = {};
    platform::DWORD size = sizeof value - 1;
    platform::DWORD type = 0;
    const bool read = conformance::Interfaces().Registry().RegQueryValueExA(key, nullptr, &type,
                                                            reinterpret_cast<platform::BYTE*>(value), &size) ==
                      ERROR_SUCCESS;
    conformance::Interfaces().Registry().RegCloseKey(key);
    return read && type == REG_SZ ? std::string(value) : "(none)";
  }
  void Write(const std::string& path) {
    ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(path, "x", 1)) << path;
  }
  bool Exists(const std::string& path) {
    return conformance::Interfaces().Files().GetFileAttributesA(path) != static_cast<platform::DWORD>(INVALID_FILE_ATTRIBUTES);
  }
  // A source tree: NAME\DISK1\SETUP.EXE, a read-only file and an empty folder.
  std::string MakeTree(const std::string& name) {
    const std::string tree = m_dir + "\\" + name;
    m_env->MakeFolder(tree);
    m_env->MakeFolder(tree + "\\DISK1");
    m_env->MakeFolder(tree + "\\EMPTY");
    Write(tree + "\\DISK1\\SETUP.EXE");
    Write(tree + "\\README.TXT");
    conformance::Interfaces().Files().SetFileAttributesA(tree + "\\README.TXT", FILE_ATTRIBUTE_READONLY);
    return tree;
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
  std::string m_inst16;
};

TEST_F(Inst16ConformanceTest, BiosSearchAnswersThroughTheRegistry) {
  m_env->SetHardware("[Bios]\nText=ACME Video BIOS Version 1.20\n");
  DeleteAnswer();
  EXPECT_EQ(Run(" -BVideo BIOS Version 1.2"), 0u);
  EXPECT_EQ(Answer(), "1") << "the rest of the command line is the text, blanks included";
  DeleteAnswer();
  EXPECT_EQ(Run(" -Bvideo bios"), 0u);
  EXPECT_EQ(Answer(), "0") << "the text matches with its case";
  EXPECT_EQ(Run(" -b ACME"), 0u);
  EXPECT_EQ(Answer(), "0") << "the blank after -B belongs to the text";
}

TEST_F(Inst16ConformanceTest, RemovesASourceTree) {
  const std::string tree = MakeTree("SRCTREE");
  EXPECT_EQ(Run("  /w" + tree), 0u);
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(m_dir)) << "only the tree";
}

TEST_F(Inst16ConformanceTest, RemovesAtStartWhatTheManifestListsAndNothingElse) {
  const std::string folder = MakeTree("INSTALL");
  m_env->MakeFolder(folder + "\\MADE");
  Write(folder + "\\MADE\\TOOL.EXE");
  Write(folder + "\\DISK1\\_INSTALL.ENU");
  const std::string manifest = folder + "\\DISK1\\MANIFEST.LST";
  const std::string list = folder + "\\MADE\\\r\n" + folder + "\\MADE\\TOOL.EXE\r\n" + folder + "\\DISK1\\\r\n";
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(manifest, list.data(), list.size()));
  EXPECT_EQ(Run(" -R" + folder + " /m" + manifest), 0u);
  EXPECT_FALSE(Exists(folder + "\\MADE")) << "listed, and empty once its file went";
  EXPECT_FALSE(Exists(folder + "\\DISK1")) << "the setup folder's own files go with it";
  EXPECT_TRUE(Exists(folder + "\\README.TXT")) << "not listed: not the installation's";
  EXPECT_TRUE(Exists(folder + "\\EMPTY")) << "an empty folder nobody listed";
  conformance::Interfaces().Files().SetFileAttributesA(folder + "\\README.TXT", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Inst16ConformanceTest, NeverRemovesATreeBelowTheWindowsFolder) {
  char windows[MAX_PATH] = {};
  ASSERT_GT(conformance::Interfaces().System().GetWindowsDirectoryA(windows, sizeof windows), 0u);
  const std::string tree = std::string(windows) + "\\INST16TREE";
  m_env->MakeFolder(tree);
  Write(tree + "\\KEEP.TXT");
  EXPECT_EQ(Run(" /w" + tree), 3u);
  EXPECT_TRUE(Exists(tree + "\\KEEP.TXT"));
  conformance::Interfaces().Files().DeleteFileA(tree + "\\KEEP.TXT");
  conformance::Interfaces().Files().RemoveDirectoryA(tree);
}

TEST_F(Inst16ConformanceTest, RemovesTheTreeOnceTheSetupProgramHasEnded) {
  const std::string tree = MakeTree("UNPACKED");
  // The setup program named does not run: the tree goes at once.
  EXPECT_EQ(Run(" /f\\DISK1\\SETUP.EXE /w" + tree), 0u);
  EXPECT_FALSE(Exists(tree));
}

TEST_F(Inst16ConformanceTest, AnUnknownCommandLineRemovesNothing) {
  const std::string tree = MakeTree("KEEP");
  EXPECT_EQ(Run(" -X" + tree), 2u);
  EXPECT_EQ(Run(""), 2u);
  EXPECT_EQ(Run(" /f\\DISK1\\SETUP.EXE " + tree), 2u) << "/f without /w";
  EXPECT_EQ(Run(" /w" + tree + "\\MISSING"), 1u) << "a folder that is not there";
  EXPECT_TRUE(Exists(tree + "\\DISK1\\SETUP.EXE"));
  conformance::Interfaces().Files().SetFileAttributesA(tree + "\\README.TXT", FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
