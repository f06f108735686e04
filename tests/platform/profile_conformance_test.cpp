// Profile (INI) files as Windows reads and writes them; the same
// expectations hold on the simulated machine and under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conformance_environment.h"

namespace {

using platform::DWORD;
using platform::UINT;

// Exactly the bytes of a literal, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// Lists are written with '|' for each NUL.
std::string Z(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '|', '\0');
  return out;
}

constexpr char kFill = '#';
constexpr std::size_t kGuard = 16;

// What a read call left: its result and the `size` bytes of its buffer.
struct Answer {
  DWORD result = 0;
  std::string bytes;
  bool beyondUntouched = true;  // nothing written past `size`
};

class ProfileConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
  }
  void TearDown() override { m_env.reset(); }

  static platform::IProfileFiles& ini() { return conformance::Interfaces().Profiles(); }

  std::string Path(const std::string& name) const { return m_dir + "\\" + name; }

  // A file of the scratch folder with exactly these bytes.
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = Path(name);
    EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().WriteWholeFile(path, bytes.data(), bytes.size())), static_cast<DWORD>(ERROR_SUCCESS));
    return path;
  }

  static std::string Content(const std::string& path) {
    std::vector<char> content;
    if (!conformance::Interfaces().Files().ReadWholeFile(path, content)) return "<none>";
    return std::string(content.begin(), content.end());
  }

  static Answer Finish(DWORD result, const std::vector<char>& buffer, DWORD size) {
    Answer answer;
    answer.result = result;
    answer.bytes.assign(buffer.data(), size);
    answer.beyondUntouched = std::all_of(buffer.begin() + size, buffer.end(), [](char c) { return c == kFill; });
    return answer;
  }

  static Answer String(const char* section, const char* key, const char* defaultValue, DWORD size,
                       const std::string& file) {
    std::vector<char> buffer(size + kGuard, kFill);
    return Finish(ini().GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file.c_str()),
                  buffer, size);
  }

  static Answer Section(const char* section, DWORD size, const std::string& file) {
    std::vector<char> buffer(size + kGuard, kFill);
    return Finish(ini().GetPrivateProfileSectionA(section, buffer.data(), size, file.c_str()), buffer, size);
  }

  // A value read with room to spare; checks that the result is its length.
  static std::string Value(const char* section, const char* key, const std::string& file,
                           const char* defaultValue = "<default>") {
    Answer answer = String(section, key, defaultValue, 200, file);
    std::string text(answer.bytes.c_str());
    EXPECT_EQ(answer.result, text.size()) << section << " / " << (key ? key : "(null)");
    EXPECT_TRUE(answer.beyondUntouched);
    return text;
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
};

TEST_F(ProfileConformanceTest, NamesMatchWithoutRegardToCaseAndWhiteSpaceIsTrimmed) {
  const std::string file = Put("TRIM.INI",
                               "[Sec]\r\n"
                               "Key=Value\r\n"
                               "  Spaced  =   value with spaces   \r\n"
                               "Tab\t=\tv\t\r\n"
                               "Blanks\v=\fw\v\x1a\r\n"
                               "Empty=\r\n"
                               "Mixed=MiXeD\r\n"
                               "\r\n"
                               "  [ Other Section ]  \r\n"
                               "k=v\r\n");
  EXPECT_EQ(Value("Sec", "Key", file), "Value");
  EXPECT_EQ(Value("sec", "KEY", file), "Value");
  EXPECT_EQ(Value(" Sec\t", "  Key ", file), "Value");
  EXPECT_EQ(Value("SEC", "spaced", file), "value with spaces");
  EXPECT_EQ(Value("Sec", "Tab", file), "v");
  EXPECT_EQ(Value("Sec", "Blanks", file), "w");
  EXPECT_EQ(Value("Sec", "Mixed", file), "MiXeD");
  EXPECT_EQ(Value("OTHER SECTION", "K", file), "v");
  EXPECT_EQ(Value(" Other Section ", "k", file), "v");
  EXPECT_EQ(Value("OtherSection", "k", file), "<default>");

  // An empty value is a value: the default does not replace it.
  Answer empty = String("Sec", "Empty", "dflt", 10, file);
  EXPECT_EQ(empty.result, 0u);
  EXPECT_EQ(empty.bytes[0], '\0');
}

TEST_F(ProfileConformanceTest, MatchingOuterQuotesAreRemovedFromValues) {
  const std::string file = Put("QUOTES.INI",
                               "[Q]\r\n"
                               "Double=\"  q  \"\r\n"
                               "Single='  s  '\r\n"
                               "Padded=   \"p\"   \r\n"
                               "Mismatch=\"abc'\r\n"
                               "OnlyOpen=\"abc\r\n"
                               "Lone=\"\r\n"
                               "Inner=a\"b\"c\r\n"
                               "Nested=\"'x'\"\r\n"
                               "Nothing=\"\"\r\n");
  EXPECT_EQ(Value("Q", "Double", file), "  q  ");
  EXPECT_EQ(Value("Q", "Single", file), "  s  ");
  EXPECT_EQ(Value("Q", "Padded", file), "p");
  EXPECT_EQ(Value("Q", "Mismatch", file), "\"abc'");
  EXPECT_EQ(Value("Q", "OnlyOpen", file), "\"abc");
  EXPECT_EQ(Value("Q", "Lone", file), "\"");
  EXPECT_EQ(Value("Q", "Inner", file), "a\"b\"c");
  EXPECT_EQ(Value("Q", "Nested", file), "'x'");
  EXPECT_EQ(Value("Q", "Nothing", file), "");

  // The section's lines are handed over as written.
  const std::string start = Z("Double=\"  q  \"|Single='  s  '|Padded=\"p\"|");
  Answer lines = Section("Q", 300, file);
  EXPECT_EQ(lines.bytes.substr(0, start.size()), start);
}

TEST_F(ProfileConformanceTest, LinesStartingWithSemicolonAreComments) {
  const std::string file = Put("COMMENT.INI",
                               "; before any section\r\n"
                               "[C]\r\n"
                               ";Comment=hidden\r\n"
                               "   ;Indented=hidden\r\n"
                               "Semi=abc ; still the value\r\n"
                               "Value=;leading\r\n");
  EXPECT_EQ(Value("C", "Comment", file), "<default>");
  EXPECT_EQ(Value("C", "Indented", file), "<default>");
  // A semicolon later on a line is part of the value.
  EXPECT_EQ(Value("C", "Semi", file), "abc ; still the value");
  EXPECT_EQ(Value("C", "Value", file), ";leading");

  Answer keys = String("C", nullptr, "", 100, file);
  EXPECT_EQ(keys.result, 11u);
  EXPECT_EQ(keys.bytes.substr(0, 12), Z("Semi|Value||"));
  Answer lines = Section("C", 100, file);
  EXPECT_EQ(lines.result, 42u);
  EXPECT_EQ(lines.bytes.substr(0, 43), Z("Semi=abc ; still the value|Value=;leading||"));
}

TEST_F(ProfileConformanceTest, LinesWithoutEqualSignAndKeysWithoutName) {
  const std::string file = Put("BARE.INI",
                               "[N]\r\n"
                               "bare line\r\n"
                               "a=1\r\n"
                               "=no name\r\n");
  // A line without '=' is no key: it has no value and is not listed among
  // the keys, but it is one of the section's lines.
  EXPECT_EQ(Value("N", "bare line", file), "<default>");
  EXPECT_EQ(Value("N", "", file), "no name");
  Answer lines = Section("N", 100, file);
  EXPECT_EQ(lines.result, 23u);
  EXPECT_EQ(lines.bytes.substr(0, 24), Z("bare line|a=1|=no name||"));
  // A key without a name is listed as an empty string.
  Answer keys = String("N", nullptr, "", 100, file);
  EXPECT_EQ(keys.result, 3u);
  EXPECT_EQ(keys.bytes.substr(0, 4), Z("a|||"));
}

TEST_F(ProfileConformanceTest, FirstSectionAndFirstKeyWinButListsShowEveryOne) {
  const std::string file = Put("DUP.INI",
                               "[Dup]\r\n"
                               "k=first\r\n"
                               "K=second\r\n"
                               "[Other]\r\n"
                               "x=1\r\n"
                               "[dup]\r\n"
                               "k=third\r\n"
                               "late=4\r\n");
  EXPECT_EQ(Value("Dup", "k", file), "first");
  EXPECT_EQ(Value("DUP", "late", file), "<default>");
  Answer names = String(nullptr, nullptr, "", 100, file);
  EXPECT_EQ(names.result, 14u);
  EXPECT_EQ(names.bytes.substr(0, 15), Z("Dup|Other|dup||"));
  Answer keys = String("dup", nullptr, "", 100, file);
  EXPECT_EQ(keys.result, 4u);
  EXPECT_EQ(keys.bytes.substr(0, 5), Z("k|K||"));
  Answer lines = Section("dUP", 100, file);
  EXPECT_EQ(lines.result, 17u);
  EXPECT_EQ(lines.bytes.substr(0, 18), Z("k=first|K=second||"));
}

TEST_F(ProfileConformanceTest, ListFormsTakeTheSectionNameAsGiven) {
  const std::string file = Put("ASGIVEN.INI", "[Sec]\r\nk=v\r\n");
  // Only the single-value form trims the section name it is given.
  EXPECT_EQ(Value(" Sec ", "k", file), "v");
  Answer keys = String(" Sec ", nullptr, "dflt", 100, file);
  EXPECT_EQ(keys.result, 4u);
  EXPECT_EQ(keys.bytes.substr(0, 5), Z("dflt|"));
  Answer lines = Section(" Sec ", 100, file);
  EXPECT_EQ(lines.result, 0u);
  EXPECT_EQ(lines.bytes.substr(0, 2), Z("||"));
  lines = Section("SEC", 100, file);
  EXPECT_EQ(lines.result, 4u);
  EXPECT_EQ(lines.bytes.substr(0, 5), Z("k=v||"));
}

TEST_F(ProfileConformanceTest, DefaultsStandInForWhatIsMissing) {
  const std::string file = Put("DEFAULT.INI", "[S]\r\nk=v\r\n[Empty]\r\n");
  const std::string missingFile = Path("NOSUCH.INI");
  const std::string missingFolder = Path("NOSUCH\\X.INI");
  EXPECT_EQ(Value("S", "other", file, "d"), "d");
  EXPECT_EQ(Value("Other", "k", file, "d"), "d");
  EXPECT_EQ(Value("S", "k", missingFile, "d"), "d");
  EXPECT_EQ(Value("S", "k", missingFolder, "d"), "d");
  EXPECT_EQ(Value("S", "other", file, nullptr), "");
  // Trailing spaces of the default are dropped, and nothing else.
  EXPECT_EQ(Value("S", "other", file, "  def  "), "  def");
  EXPECT_EQ(Value("S", "other", missingFile, "def\t "), "def\t");
  // Quotes around the default go as they do around a value.
  EXPECT_EQ(Value("S", "other", file, "\"def\""), "def");

  // Without a key: the keys of the section, or the default when there are none.
  Answer keys = String("Other", nullptr, "  abc  ", 100, file);
  EXPECT_EQ(keys.result, 7u);
  EXPECT_EQ(keys.bytes.substr(0, 8), Z("  abc  |"));
  keys = String("Empty", nullptr, "dd", 100, file);
  EXPECT_EQ(keys.result, 2u);
  EXPECT_EQ(keys.bytes.substr(0, 3), Z("dd|"));
  keys = String("S", nullptr, "dd", 100, missingFile);
  EXPECT_EQ(keys.result, 2u);
  EXPECT_EQ(keys.bytes.substr(0, 3), Z("dd|"));

  EXPECT_EQ(ini().GetPrivateProfileIntA("S", "other", 7, file.c_str()), 7u);
  EXPECT_EQ(ini().GetPrivateProfileIntA("S", "k", 7, missingFile.c_str()), 7u);
}

TEST_F(ProfileConformanceTest, ValuesAreCutToTheBufferSize) {
  const std::string file = Put("CUT.INI", "[S]\r\nA=abcdefgh\r\nQ=\"abcd\"\r\n");
  struct Case {
    const char* key;
    DWORD size;
    DWORD result;
    const char* text;
  };
  const Case cases[] = {
      {"A", 1, 0, ""},     {"A", 2, 1, "a"},        {"A", 8, 7, "abcdefg"}, {"A", 9, 8, "abcdefgh"},
      {"A", 50, 8, "abcdefgh"}, {"Q", 3, 2, "ab"}, {"Q", 4, 3, "abc"},     {"Q", 6, 4, "abcd"},
      {"none", 4, 3, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " size " + std::to_string(c.size));
    Answer answer = String("S", c.key, "abcdef", c.size, file);
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.bytes.substr(0, c.result + 1), std::string(c.text, c.result + 1));
    EXPECT_TRUE(answer.beyondUntouched);
  }

  // An empty buffer is left alone.
  std::vector<char> buffer(8, kFill);
  EXPECT_EQ(ini().GetPrivateProfileStringA("S", "A", "d", buffer.data(), 0, file.c_str()), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(8, kFill));
}

TEST_F(ProfileConformanceTest, SectionNamesListEndsWithTwoNuls) {
  const std::string file = Put("NAMES.INI", "[S]\r\n[TT]\r\nk=v\r\n  [Longer]  \r\n");
  Answer all = String(nullptr, nullptr, "ignored", 100, file);
  EXPECT_EQ(all.result, 12u);
  EXPECT_EQ(all.bytes.substr(0, 13), Z("S|TT|Longer||"));
  EXPECT_TRUE(all.beyondUntouched);

  // Too small, or exactly the size of the list: the answer is size - 2, and
  // the last name is cut short. Windows ends the buffer with a second NUL at
  // size - 1; Wine leaves that byte alone, so it is not looked at here.
  Answer cut = String(nullptr, nullptr, "", 10, file);
  EXPECT_EQ(cut.result, 8u);
  EXPECT_EQ(cut.bytes.substr(0, 9), Z("S|TT|Lon|"));
  EXPECT_TRUE(cut.beyondUntouched);
  Answer exact = String(nullptr, nullptr, "", 13, file);
  EXPECT_EQ(exact.result, 11u);
  EXPECT_EQ(exact.bytes.substr(0, 12), Z("S|TT|Longer|"));
  EXPECT_TRUE(exact.beyondUntouched);
  Answer roomy = String(nullptr, nullptr, "", 14, file);
  EXPECT_EQ(roomy.result, 12u);
  EXPECT_EQ(roomy.bytes, Z("S|TT|Longer||#"));

  // No sections: a single NUL.
  for (const std::string& none : {Path("NOSUCH.INI"), Put("EMPTY.INI", "")}) {
    Answer answer = String(nullptr, nullptr, "dflt", 10, none);
    EXPECT_EQ(answer.result, 0u);
    EXPECT_EQ(answer.bytes.substr(0, 2), std::string("\0#", 2));
  }
}

TEST_F(ProfileConformanceTest, KeyNamesListEndsWithTwoNuls) {
  const std::string file = Put("KEYS.INI", "[S]\r\nA=1\r\nQ=2\r\nnoeq\r\nB=3\r\n[E]\r\n;c=1\r\n");
  Answer all = String("S", nullptr, "ignored", 100, file);
  EXPECT_EQ(all.result, 6u);
  EXPECT_EQ(all.bytes.substr(0, 7), Z("A|Q|B||"));
  Answer cut = String("S", nullptr, "", 5, file);
  EXPECT_EQ(cut.result, 3u);
  EXPECT_EQ(cut.bytes.substr(0, 4), Z("A|Q|"));
  EXPECT_TRUE(cut.beyondUntouched);
  Answer exact = String("S", nullptr, "", 7, file);
  EXPECT_EQ(exact.result, 5u);
  EXPECT_EQ(exact.bytes.substr(0, 6), Z("A|Q|B|"));
  EXPECT_TRUE(exact.beyondUntouched);
  Answer roomy = String("S", nullptr, "", 8, file);
  EXPECT_EQ(roomy.result, 6u);
  EXPECT_EQ(roomy.bytes, Z("A|Q|B||#"));
  // A section of comments only has no keys.
  Answer none = String("E", nullptr, "dd", 10, file);
  EXPECT_EQ(none.result, 2u);
  EXPECT_EQ(none.bytes.substr(0, 3), Z("dd|"));
}

TEST_F(ProfileConformanceTest, SectionLinesAreKeyEqualsValueWithTwoNulsAtTheEnd) {
  const std::string file = Put("LINES.INI",
                               "[S]\r\n"
                               "A=abcdefgh\r\n"
                               "Q=\"abcd\"\r\n"
                               "  B = xy \r\n"
                               "bare\r\n"
                               ";c=1\r\n"
                               "\r\n"
                               "[T]\r\n");
  const std::string list = Z("A=abcdefgh|Q=\"abcd\"|B=xy|bare|");
  Answer all = Section("S", 100, file);
  EXPECT_EQ(all.result, 30u);
  EXPECT_EQ(all.bytes.substr(0, 31), list + '\0');
  EXPECT_TRUE(all.beyondUntouched);

  struct Case {
    DWORD size;
    DWORD result;
    std::string bytes;
  };
  const Case cases[] = {
      {32, 30, list + Z("|#")},
      {31, 29, list + Z("|")},  // just the list's size: complete, but answered as cut
      {30, 28, Z("A=abcdefgh|Q=\"abcd\"|B=xy|bar||")},
      {13, 11, Z("A=abcdefgh|||")},
      {4, 2, Z("A=||")},
      {2, 0, Z("||")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("size " + std::to_string(c.size));
    Answer answer = Section("S", c.size, file);
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.bytes, c.bytes);
    EXPECT_TRUE(answer.beyondUntouched);
  }

  for (const char* section : {"T", "Missing"}) {
    Answer empty = Section(section, 10, file);
    EXPECT_EQ(empty.result, 0u);
    EXPECT_EQ(empty.bytes.substr(0, 3), std::string("\0\0#", 3));
  }
  Answer noFile = Section("S", 10, Path("NOSUCH.INI"));
  EXPECT_EQ(noFile.result, 0u);
  EXPECT_EQ(noFile.bytes.substr(0, 2), Z("||"));
}

TEST_F(ProfileConformanceTest, LineEndsAndStrayBytes) {
  const std::string endings = Put("ENDS.INI",
                                  "[A]\rx=1\ry=2\r\n"
                                  "[B]\n\r\nz=3\n\n"
                                  "  [C]  \r\n w = 4 ");
  EXPECT_EQ(Value("A", "x", endings), "1");
  EXPECT_EQ(Value("A", "y", endings), "2");
  EXPECT_EQ(Value("B", "z", endings), "3");
  EXPECT_EQ(Value("C", "w", endings), "4");
  Answer names = String(nullptr, nullptr, "", 100, endings);
  EXPECT_EQ(names.bytes.substr(0, names.result + 1), Z("A|B|C||"));

  // A NUL byte ends the name or value it falls in; the line goes on.
  const std::string nuls = Put("NULS.INI", Bytes("[N]\r\na=1\0b=2\r\nc\0d=3\r\n[M\0X]\r\nf=5\r\n"));
  EXPECT_EQ(Value("N", "a", nuls), "1");
  EXPECT_EQ(Value("N", "b", nuls), "<default>");
  EXPECT_EQ(Value("N", "c", nuls), "3");
  EXPECT_EQ(Value("M", "f", nuls), "5");
  names = String(nullptr, nullptr, "", 100, nuls);
  EXPECT_EQ(names.bytes.substr(0, names.result + 1), Z("N|M||"));
}

TEST_F(ProfileConformanceTest, IntegersAreReadLikeTheSystemConversion) {
  struct Case {
    std::string value;
    UINT expected;
  };
  const Case cases[] = {
      {"12", 12u},
      {"  34  ", 34u},
      {"-5", static_cast<UINT>(-5)},
      {"+7", 7u},
      {"12abc", 12u},
      {"abc", 0u},
      {"010", 10u},
      {"08", 8u},
      {"0x10", 16u},
      {"0xaBc", 2748u},
      {"-0x10", static_cast<UINT>(-16)},
      {"0o17", 15u},
      {"0b101", 5u},
      {"0X10", 0u},  // only lower-case prefixes
      {"0x", 0u},
      {"4294967295", 4294967295u},
      {"4294967296", 0u},  // wraps at 32 bits
      {"99999999999", 1215752191u},
      {"\"42\"", 42u},
      {"\"  42\"", 42u},
      {"-", 0u},
      {"- 5", 0u},
      {"--3", 0u},
      {"+-1", 0u},
      // The text passes through 30 characters: a 29th digit is the last one seen.
      {std::string(27, '0') + "12", 12u},
      {std::string(28, '0') + "12", 1u},
  };
  auto keyOf = [](std::size_t i) {
    std::string key("k");
    key.append(std::to_string(i));
    return key;
  };
  std::string text = "[I]\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) text.append(keyOf(i)).append("=").append(cases[i].value).append("\r\n");
  text += "empty=\r\nquoted=\"\"\r\nnoeq\r\n";
  const std::string file = Put("INT.INI", text);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = keyOf(i);
    EXPECT_EQ(ini().GetPrivateProfileIntA("I", key.c_str(), 77, file.c_str()), cases[i].expected)
        << "value " << cases[i].value;
  }
  // Nothing to convert: the default, negative ones included.
  for (const char* key : {"empty", "quoted", "noeq", "missing"}) {
    EXPECT_EQ(ini().GetPrivateProfileIntA("I", key, 77, file.c_str()), 77u) << key;
    EXPECT_EQ(ini().GetPrivateProfileIntA("I", key, -3, file.c_str()), static_cast<UINT>(-3)) << key;
  }
}

TEST_F(ProfileConformanceTest, WritingCreatesTheFileAndKeepsKeysInPlace) {
  const std::string file = Path("NEW.INI");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Sec", "Key", "Value", file.c_str()));
  EXPECT_EQ(Content(file), "[Sec]\r\nKey=Value\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Sec", "Blank", "", file.c_str()));
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Other", "k", "v", file.c_str()));
  EXPECT_EQ(Content(file), "[Sec]\r\nKey=Value\r\nBlank=\r\n[Other]\r\nk=v\r\n");

  // A new value replaces the old one on its line; the key keeps its spelling.
  ASSERT_TRUE(ini().WritePrivateProfileStringA("SEC", "KEY", "New", file.c_str()));
  EXPECT_EQ(Content(file), "[Sec]\r\nKey=New\r\nBlank=\r\n[Other]\r\nk=v\r\n");
  EXPECT_EQ(Value("Sec", "Blank", file), "");

  // Leading white space of a value is not written; the rest is, as given.
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Other", "k", "  two  words  ", file.c_str()));
  EXPECT_EQ(Content(file), "[Sec]\r\nKey=New\r\nBlank=\r\n[Other]\r\nk=two  words  \r\n");
  EXPECT_EQ(Value("Other", "k", file), "two  words");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Other", "k", "v", file.c_str()));
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Other", "q", "\"quoted\"", file.c_str()));
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Other", "semi", "a;b", file.c_str()));
  EXPECT_EQ(Content(file), "[Sec]\r\nKey=New\r\nBlank=\r\n[Other]\r\nk=v\r\nq=\"quoted\"\r\nsemi=a;b\r\n");
  EXPECT_EQ(Value("Other", "q", file), "quoted");
  EXPECT_EQ(Value("Other", "semi", file), "a;b");

  // Forward slashes name the same file.
  std::string slashed = file;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_EQ(Value("sec", "key", slashed), "New");
}

TEST_F(ProfileConformanceTest, WritingNullsDeletesKeysAndSections) {
  const std::string file = Put("DELETE.INI", "[A]\r\nx=1\r\ny=2\r\nbare\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("A", "x", nullptr, file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\ny=2\r\nbare\r\n[B]\r\nz=3\r\n");
  EXPECT_TRUE(ini().WritePrivateProfileStringA("A", "x", nullptr, file.c_str()));
  EXPECT_TRUE(ini().WritePrivateProfileStringA("Missing", "x", nullptr, file.c_str()));
  ASSERT_TRUE(ini().WritePrivateProfileStringA("A", "BARE", nullptr, file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");

  // Without a key the whole section goes, whatever the value.
  ASSERT_TRUE(ini().WritePrivateProfileStringA("a", nullptr, "ignored", file.c_str()));
  EXPECT_EQ(Content(file), "[B]\r\nz=3\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("B", nullptr, nullptr, file.c_str()));
  EXPECT_EQ(Content(file), "");
  EXPECT_TRUE(conformance::Interfaces().Files().FileExists(file));

  // Deleting from a file that is not there does not make one.
  const std::string missing = Path("NOTMADE.INI");
  EXPECT_TRUE(ini().WritePrivateProfileStringA("S", "k", nullptr, missing.c_str()));
  EXPECT_TRUE(ini().WritePrivateProfileStringA("S", nullptr, nullptr, missing.c_str()));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(missing));

  // A section is required.
  EXPECT_FALSE(ini().WritePrivateProfileStringA(nullptr, "k", "v", missing.c_str()));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(missing));
}

TEST_F(ProfileConformanceTest, WritingKeepsTheOtherLines) {
  const std::string file = Put("KEEP.INI",
                               "; heading\r\n"
                               "[A]\r\n"
                               ";note\r\n"
                               "bare\r\n"
                               "x=1\r\n"
                               "[B]\r\n"
                               "y=2\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("A", "new", "1", file.c_str()));
  EXPECT_EQ(Content(file), "; heading\r\n[A]\r\n;note\r\nbare\r\nx=1\r\nnew=1\r\n[B]\r\ny=2\r\n");
  // A line without '=' is the key's line to replace.
  ASSERT_TRUE(ini().WritePrivateProfileStringA("A", "Bare", "2", file.c_str()));
  EXPECT_EQ(Content(file), "; heading\r\n[A]\r\n;note\r\nbare=2\r\nx=1\r\nnew=1\r\n[B]\r\ny=2\r\n");

  // Writing the value a key already has leaves the file as it was.
  const std::string lf = Put("LF.INI", "[A]\nx=1\n\n[B]\ny=2\n");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("a", "X", "1", lf.c_str()));
  EXPECT_EQ(Content(lf), "[A]\nx=1\n\n[B]\ny=2\n");
}

TEST_F(ProfileConformanceTest, WritingNeedsAFileInAnExistingFolder) {
  const std::string inMissingFolder = Path("NOSUCH\\X.INI");
  EXPECT_FALSE(ini().WritePrivateProfileStringA("S", "k", "v", inMissingFolder.c_str()));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(inMissingFolder));
  m_env->MakeFolder(Path("FOLDER.INI"));
  EXPECT_FALSE(ini().WritePrivateProfileStringA("S", "k", "v", Path("FOLDER.INI").c_str()));
  EXPECT_FALSE(ini().WritePrivateProfileSectionA("S", Z("k=v||").c_str(), Path("FOLDER.INI").c_str()));
  EXPECT_EQ(Value("S", "k", Path("FOLDER.INI")), "<default>");
}

TEST_F(ProfileConformanceTest, WritingASectionReplacesItsLines) {
  const std::string file = Put("SECTION.INI", "[A]\r\nx=1\r\n;c\r\n[B]\r\ny=2\r\n");
  // Strings without '=' are dropped; a value loses its leading white space.
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("a", Z("p=1|q=  2|noeq|=v||").c_str(), file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\np=1\r\nq=2\r\n=v\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("C", Z("m=1||").c_str(), file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\np=1\r\nq=2\r\n=v\r\n[B]\r\ny=2\r\n[C]\r\nm=1\r\n");
  // No lines: the section stays, empty. No list at all: it goes.
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("B", Z("||").c_str(), file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\np=1\r\nq=2\r\n=v\r\n[B]\r\n[C]\r\nm=1\r\n");
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("b", nullptr, file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\np=1\r\nq=2\r\n=v\r\n[C]\r\nm=1\r\n");
  // Every line is written, a repeated key too; reading finds the first.
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("A", Z("p=1|P=2||").c_str(), file.c_str()));
  EXPECT_EQ(Content(file), "[A]\r\np=1\r\nP=2\r\n[C]\r\nm=1\r\n");
  EXPECT_EQ(Value("A", "p", file), "1");

  const std::string fresh = Path("FRESH.INI");
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("N", Z("||").c_str(), fresh.c_str()));
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("N", nullptr, fresh.c_str()));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(fresh));
  ASSERT_TRUE(ini().WritePrivateProfileSectionA("N", Z("a=1||").c_str(), fresh.c_str()));
  EXPECT_EQ(Content(fresh), "[N]\r\na=1\r\n");
}

TEST_F(ProfileConformanceTest, ABareFileNameMeansTheWindowsFolder) {
  // A name of this run's own, so that nothing else in the Windows folder is touched.
  const std::string name = m_dir.substr(m_dir.find_last_of('\\') + 1) + "P.INI";
  EXPECT_EQ(Value("Conformance", "k", name), "<default>");
  ASSERT_TRUE(ini().WritePrivateProfileStringA("Conformance", "k", "in the Windows folder", name.c_str()));
  EXPECT_EQ(Value("conformance", "K", name), "in the Windows folder");
  EXPECT_EQ(ini().GetPrivateProfileIntA("Conformance", "k", 5, name.c_str()), 0u);
  // With a folder in it, the name is relative to the current folder instead.
  EXPECT_EQ(Value("Conformance", "k", ".\\" + name), "<default>");
  EXPECT_TRUE(ini().WritePrivateProfileStringA("Conformance", nullptr, nullptr, name.c_str()));
  EXPECT_EQ(Value("Conformance", "k", name), "<default>");
}

}  // namespace
