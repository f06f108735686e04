// The simulated machine's profile files: what the conformance suite cannot
// state because Wine answers otherwise than Windows, the machine folder's
// confinement, and files no real machine would hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_profile_files.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::TempMachine;
using testing_support::WriteHostFile;

namespace {

using platform::DWORD;

std::string Z(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '|', '\0');
  return out;
}

constexpr char kFill = '#';
constexpr std::size_t kGuard = 16;

class SimProfileFilesTest : public ::testing::Test {
 protected:
  // A program in C:\ (its current folder).
  SimProfileFilesTest() : m_process(m_machine.Machine(), "C:\\SETUP.EXE"), m_ini(m_process) {}

  fs::path Host(const std::string& relative) const { return m_machine.Folder() / relative; }
  void Put(const std::string& relative, const std::string& bytes) { WriteHostFile(Host(relative), bytes); }

  // The buffer's first `size` bytes after the call, and whether anything
  // past them was written.
  struct Answer {
    DWORD result = 0;
    std::string bytes;
    bool beyondUntouched = true;
  };
  Answer String(const char* section, const char* key, const char* defaultValue, DWORD size, const char* file) {
    std::vector<char> buffer(size + kGuard, kFill);
    DWORD result = m_ini.GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file);
    return Finish(result, buffer, size);
  }
  Answer Section(const char* section, DWORD size, const char* file) {
    std::vector<char> buffer(size + kGuard, kFill);
    DWORD result = m_ini.GetPrivateProfileSectionA(section, buffer.data(), size, file);
    return Finish(result, buffer, size);
  }
  std::string Value(const char* section, const char* key, const char* file) {
    Answer answer = String(section, key, "<default>", 300, file);
    EXPECT_TRUE(answer.beyondUntouched);
    return std::string(answer.bytes.c_str());
  }

  TempMachine m_machine;
  sim::ProcessState m_process;
  sim::SimProfileFiles m_ini;

 private:
  static Answer Finish(DWORD result, const std::vector<char>& buffer, DWORD size) {
    Answer answer;
    answer.result = result;
    answer.bytes.assign(buffer.data(), size);
    answer.beyondUntouched = std::all_of(buffer.begin() + size, buffer.end(), [](char c) { return c == kFill; });
    return answer;
  }
};

// Where Wine answers otherwise, the simulated machine answers as Windows does.
TEST_F(SimProfileFilesTest, WindowsAnswersWhereWineDiffers) {
  Put("drive_c/W.INI",
      "lost=before any section\r\n"
      "[C]\r\n"
      ";Comment=hidden\r\n"
      "Q=\"abcd\"\r\n"
      "[]\r\n"
      "e=empty name\r\n"
      "[a]b]\r\n"
      "x=1\r\n"
      "[NoClose\r\n"
      "z=3\r\n");
  // A comment is no key, not even under its own name (Wine hands its text back).
  EXPECT_EQ(Value("C", ";Comment", "C:\\W.INI"), "<default>");
  // Lines before the first header belong to no section; "[]" heads the
  // section of no name (Wine makes the first of them the nameless section).
  EXPECT_EQ(Value("", "lost", "C:\\W.INI"), "<default>");
  EXPECT_EQ(Value("", "e", "C:\\W.INI"), "empty name");
  // A name ends at the first ']', or at the end of the line without one
  // (Wine takes the last ']' and ignores a header that lacks it).
  EXPECT_EQ(Value("a", "x", "C:\\W.INI"), "1");
  EXPECT_EQ(Value("NoClose", "z", "C:\\W.INI"), "3");

  // A quoted value that just fits is handed over whole (Wine drops its last character).
  Answer fits = String("C", "Q", "", 5, "C:\\W.INI");
  EXPECT_EQ(fits.result, 4u);
  EXPECT_EQ(fits.bytes, Z("abcd|"));

  // A list cut short ends in two NULs, the second at size - 1 (Wine leaves that byte).
  Answer names = String(nullptr, nullptr, "", 6, "C:\\W.INI");
  EXPECT_EQ(names.result, 4u);
  EXPECT_EQ(names.bytes, Z("C|a|||"));
  EXPECT_TRUE(names.beyondUntouched);
  Put("drive_c/K.INI", "[S]\r\nA=1\r\nQ=2\r\nB=3\r\n");
  Answer keys = String("S", nullptr, "", 7, "C:\\K.INI");
  EXPECT_EQ(keys.result, 5u);
  EXPECT_EQ(keys.bytes, Z("A|Q|B||"));
}

TEST_F(SimProfileFilesTest, BuffersTooSmallForAnyAnswer) {
  Put("drive_c/S.INI", "[S]\r\nk=v\r\n");
  // Wine reads at the wrong place for these; Windows answers 0 and writes no more than it is given.
  std::vector<char> buffer(4, kFill);
  EXPECT_EQ(m_ini.GetPrivateProfileSectionA("S", buffer.data(), 0, "C:\\S.INI"), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "####");
  EXPECT_EQ(m_ini.GetPrivateProfileSectionA("S", buffer.data(), 1, "C:\\S.INI"), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), Z("|###"));
  std::fill(buffer.begin(), buffer.end(), kFill);
  EXPECT_EQ(m_ini.GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 1, "C:\\S.INI"), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), Z("|###"));
  EXPECT_EQ(m_ini.GetPrivateProfileSectionA(nullptr, buffer.data(), 4, "C:\\S.INI"), 0u);
  EXPECT_EQ(m_ini.GetPrivateProfileStringA("S", "k", "", nullptr, 10, "C:\\S.INI"), 0u);
  EXPECT_EQ(m_ini.GetPrivateProfileSectionA("S", nullptr, 10, "C:\\S.INI"), 0u);
  EXPECT_FALSE(m_ini.WritePrivateProfileSectionA(nullptr, Z("a=1||").c_str(), "C:\\S.INI"));
}

TEST_F(SimProfileFilesTest, WritingLeavesOtherLinesByteForByte) {
  // Wine rewrites the whole file from what it parsed (blank lines dropped,
  // every line ended in CR LF); Windows edits the lines it changes.
  const std::string original =
      "  ; indented comment\n"
      "[A]\n"
      "   x   =   1   \n"
      "\n"
      "\n"
      "[B]\r\n"
      "y=2";
  Put("drive_c/KEEP.INI", original);
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("A", "new", "n", "C:\\KEEP.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/KEEP.INI")),
            "  ; indented comment\n[A]\n   x   =   1   \nnew=n\r\n\n\n[B]\r\ny=2");
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("B", "z", "3", "C:\\KEEP.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/KEEP.INI")),
            "  ; indented comment\n[A]\n   x   =   1   \nnew=n\r\n\n\n[B]\r\ny=2\r\nz=3\r\n");
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("A", "X", "changed", "C:\\KEEP.INI"));
  ASSERT_TRUE(m_ini.WritePrivateProfileSectionA("C", Z("c=1||").c_str(), "C:\\KEEP.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/KEEP.INI")),
            "  ; indented comment\n[A]\nx=changed\r\nnew=n\r\n\n\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nc=1\r\n");
  // Replacing a section's lines keeps the blank lines that end it.
  ASSERT_TRUE(m_ini.WritePrivateProfileSectionA("A", Z("only=1||").c_str(), "C:\\KEEP.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/KEEP.INI")),
            "  ; indented comment\n[A]\nonly=1\r\n\n\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nc=1\r\n");

  // A header on the last line, unterminated, gets its line end first.
  Put("drive_c/END.INI", "[A]");
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("A", "k", "v", "C:\\END.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/END.INI")), "[A]\r\nk=v\r\n");
}

TEST_F(SimProfileFilesTest, BareNamesAndMissingNamesMeanTheWindowsFolder) {
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("S", "k", "v", "BARE.INI"));
  EXPECT_EQ(ReadHostFile(Host("drive_c/WINDOWS/BARE.INI")), "[S]\r\nk=v\r\n");
  // No file name at all is WIN.INI.
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("windows", "load", "", nullptr));
  EXPECT_EQ(Value("Windows", "load", "win.ini"), "");
  EXPECT_NE(ReadHostFile(Host("drive_c/WINDOWS/WIN.INI")).find("load=\r\n"), std::string::npos);
  // An empty name is the Windows folder itself: no file to read or write.
  EXPECT_EQ(Value("S", "k", ""), "<default>");
  EXPECT_FALSE(m_ini.WritePrivateProfileStringA("S", "k", "v", ""));
  // A drive-relative name is not bare.
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("S", "k", "v", "C:ROOT.INI"));
  EXPECT_TRUE(fs::exists(Host("drive_c/ROOT.INI")));
}

TEST_F(SimProfileFilesTest, NothingLeavesTheMachineFolder) {
  const fs::path outside = m_machine.Folder().parent_path() / "OUTSIDE.INI";
  WriteHostFile(outside, "[S]\r\nk=outside\r\n");

  // ".." stops at the drive's root.
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("S", "k", "v", "C:\\..\\..\\..\\..\\ESCAPE.INI"));
  EXPECT_TRUE(fs::exists(Host("drive_c/ESCAPE.INI")));
  EXPECT_FALSE(fs::exists(m_machine.Folder().parent_path() / "ESCAPE.INI"));
  EXPECT_EQ(Value("S", "k", "C:\\..\\..\\..\\OUTSIDE.INI"), "<default>");

  // A link is neither followed nor replaced, whether it is the file or a folder on the way.
  fs::create_symlink(outside, Host("drive_c/LINK.INI"));
  fs::create_directory_symlink(m_machine.Folder().parent_path(), Host("drive_c/LINKDIR"));
  EXPECT_EQ(Value("S", "k", "C:\\LINK.INI"), "<default>");
  EXPECT_EQ(Value("S", "k", "C:\\LINKDIR\\OUTSIDE.INI"), "<default>");
  EXPECT_FALSE(m_ini.WritePrivateProfileStringA("S", "k", "v", "C:\\LINK.INI"));
  EXPECT_FALSE(m_ini.WritePrivateProfileSectionA("S", Z("k=v||").c_str(), "C:\\LINK.INI"));
  EXPECT_FALSE(m_ini.WritePrivateProfileStringA("S", "k", "v", "C:\\LINKDIR\\OUTSIDE.INI"));
  EXPECT_TRUE(fs::is_symlink(Host("drive_c/LINK.INI")));
  EXPECT_EQ(ReadHostFile(outside), "[S]\r\nk=outside\r\n");
  EXPECT_EQ(Value("S", "k", "\\\\server\\share\\X.INI"), "<default>");
  EXPECT_FALSE(m_ini.WritePrivateProfileStringA("S", "k", "v", "\\\\server\\share\\X.INI"));
  fs::remove(outside);
}

TEST_F(SimProfileFilesTest, TooLargeAFileIsNeitherReadNorReplaced) {
  std::string big = "[S]\r\nk=v\r\n";
  big.resize(sim::SimProfileFiles::kMaxFileSize + 1, ' ');
  Put("drive_c/BIG.INI", big);
  EXPECT_EQ(Value("S", "k", "C:\\BIG.INI"), "<default>");
  EXPECT_FALSE(m_ini.WritePrivateProfileStringA("S", "k", "w", "C:\\BIG.INI"));
  EXPECT_EQ(fs::file_size(Host("drive_c/BIG.INI")), big.size());

  // Just under the limit it is an ordinary file, one long line and all.
  big.resize(sim::SimProfileFiles::kMaxFileSize - 10);
  big.replace(big.size() - 6, 6, "\r\nx=1");
  Put("drive_c/BIG.INI", big);
  EXPECT_EQ(Value("S", "x", "C:\\BIG.INI"), "1");
}

TEST_F(SimProfileFilesTest, LongValuesAndManyLines) {
  std::string longValue(200000, 'v');
  std::string text = "[S]\r\nlong=" + longValue + "\r\n";
  for (int i = 0; i < 20000; ++i) text += "\n";
  text += "[T]\nlast=1\n";
  Put("drive_c/LONG.INI", text);
  std::vector<char> buffer(longValue.size() + 1);
  EXPECT_EQ(m_ini.GetPrivateProfileStringA("S", "long", "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                           "C:\\LONG.INI"),
            longValue.size());
  EXPECT_EQ(std::string(buffer.data()), longValue);
  EXPECT_EQ(Value("T", "last", "C:\\LONG.INI"), "1");
  EXPECT_EQ(m_ini.GetPrivateProfileIntA("S", "long", 3, "C:\\LONG.INI"), 0u);
}

TEST_F(SimProfileFilesTest, ByteOrderMarks) {
  // UTF-16LE with its mark is read as text and written back in kind.
  std::u16string wide = u"[U]\r\nk=caf\u00e9\r\nw=\u4e2d\r\n";
  std::string bytes("\xFF\xFE", 2);
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  Put("drive_c/WIDE.INI", bytes);
  EXPECT_EQ(Value("U", "k", "C:\\WIDE.INI"), "caf\xe9");
  EXPECT_EQ(Value("U", "w", "C:\\WIDE.INI"), "?");
  ASSERT_TRUE(m_ini.WritePrivateProfileStringA("U", "n", "1", "C:\\WIDE.INI"));
  const std::string written = ReadHostFile(Host("drive_c/WIDE.INI"));
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
  const std::string tail("n\0=\0" "1\0\r\0\n\0", 10);
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
  EXPECT_EQ(Value("U", "n", "C:\\WIDE.INI"), "1");
  EXPECT_EQ(Value("U", "k", "C:\\WIDE.INI"), "caf\xe9");

  // A UTF-8 mark is not understood: it spoils the header on the first line.
  Put("drive_c/UTF8.INI", "\xEF\xBB\xBF[First]\r\na=1\r\n[Second]\r\nb=2\r\n");
  EXPECT_EQ(Value("First", "a", "C:\\UTF8.INI"), "<default>");
  EXPECT_EQ(Value("Second", "b", "C:\\UTF8.INI"), "2");
}

TEST_F(SimProfileFilesTest, GarbageNeverBreaksTheCalls) {
  // Bytes drawn mostly from the characters the reader cares about.
  std::mt19937 random(20240601);
  const std::string alphabet = Z("[]=;\"' \t\r\n\x1a|abcABC09\xff\x80");
  for (int round = 0; round < 20; ++round) {
    std::string bytes;
    const std::size_t length = random() % 4096;
    for (std::size_t i = 0; i < length; ++i) {
      bytes.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256)
                                        : alphabet[random() % alphabet.size()]);
    }
    Put("drive_c/JUNK.INI", bytes);
    for (DWORD size : {1u, 2u, 3u, 7u, 64u, 5000u}) {
      SCOPED_TRACE("round " + std::to_string(round) + " size " + std::to_string(size));
      Answer names = String(nullptr, nullptr, "d", size, "C:\\JUNK.INI");
      EXPECT_TRUE(names.beyondUntouched);
      ASSERT_LT(names.result, size);
      EXPECT_EQ(names.bytes[names.result], '\0');
      Answer keys = String("a", nullptr, "d", size, "C:\\JUNK.INI");
      EXPECT_TRUE(keys.beyondUntouched);
      ASSERT_LT(keys.result, size);
      EXPECT_EQ(keys.bytes[keys.result], '\0');
      Answer lines = Section("A", size, "C:\\JUNK.INI");
      EXPECT_TRUE(lines.beyondUntouched);
      ASSERT_LT(lines.result, size);
      EXPECT_EQ(lines.bytes[lines.result], '\0');
      Answer value = String(" a ", "b", "dflt  ", size, "C:\\JUNK.INI");
      EXPECT_TRUE(value.beyondUntouched);
      ASSERT_LT(value.result, size);
      EXPECT_EQ(value.bytes.find('\0'), value.result);
    }
    m_ini.GetPrivateProfileIntA("a", "b", 1, "C:\\JUNK.INI");
    // Writing into it works, and the new key reads back.
    ASSERT_TRUE(m_ini.WritePrivateProfileStringA("Fresh Section", "key", "written", "C:\\JUNK.INI"));
    EXPECT_EQ(Value("fresh section", "KEY", "C:\\JUNK.INI"), "written");
    ASSERT_TRUE(m_ini.WritePrivateProfileStringA("a", "b", "c", "C:\\JUNK.INI"));
    ASSERT_TRUE(m_ini.WritePrivateProfileSectionA("A", Z("x=1||").c_str(), "C:\\JUNK.INI"));
  }
}

}  // namespace
