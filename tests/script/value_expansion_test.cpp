#include <gtest/gtest.h>

#include "app_fixture.h"
#include "script/script_line.h"
#include "script/value_expansion.h"

namespace {

using script_test::AppOnMachine;

constexpr const char* kStrings =
    "[Strings.ENU]\r\n"
    "Vendor = \"Halvion, Inc.\"\r\n"
    "Plain = Halvion, Inc.\r\n"
    "Pair = \"a=b\"\r\n"
    "Literal = \"%Vendor%\"\r\n"
    "Both = english\r\n"
    "[Strings.DEU]\r\n"
    "Both = deutsch\r\n"
    "[Strings]\r\n"
    "Both = neutral\r\n"
    "Only = neutral only\r\n"
    "Sub = @p\\Utilities\r\n";

TEST(ValueExpansionTest, QuotesProtectSeparatorsCommentsAndCodes) {
  AppOnMachine m;
  m.Context().SetInstallFrom("D:\\DISK1");
  m.Context().SetLanguage(7);  // DEU

  const std::string quoted = m.Expand("Key = \"a,b;c\", x");
  EXPECT_EQ(GetKey(quoted), "Key");
  EXPECT_EQ(GetField(quoted, 1), "a,b;c");
  EXPECT_EQ(GetField(quoted, 2), "x");

  const std::string pair = m.Expand("Key = \"a=b\", 2");
  EXPECT_EQ(GetField(pair, 1), "a=b") << "a quoted '=' does not split the line";
  EXPECT_EQ(GetFieldInt(pair, 2), 2);

  EXPECT_EQ(GetField(m.Expand("\"@c\",@c"), 0), "@c") << "quoted codes stay as written";
  EXPECT_EQ(GetField(m.Expand("\"@c\",@c"), 1), "HALVION");
  EXPECT_EQ(m.Expand("@P@C@R@S"), "@P@C@R@S") << "upper-case codes are left alone";
  EXPECT_EQ(m.Expand("@r|@s|@x|@"), "DEU|D:\\DISK1|@x|@");
  EXPECT_EQ(m.Expand("\"100%\" done"), "100% done") << "a '%' inside quotes is a character";
  EXPECT_EQ(GetField(m.Expand("a,\"b,c"), 1), "b,c") << "an unclosed quote runs to the end";
  EXPECT_TRUE(m.Messages().empty());
}

TEST(ValueExpansionTest, CodeValuesAreOneValueWhateverTheyHold) {
  AppOnMachine m;
  m.Context().SetInstallFrom("D:\\50%,OFF=1");
  const std::string line = m.Expand("Root = @s\\SUB, next");
  EXPECT_EQ(GetField(line, 1), "D:\\50%,OFF=1\\SUB");
  EXPECT_EQ(GetField(line, 2), "next");
  EXPECT_TRUE(m.Messages().empty()) << "a '%' of the source root is no reference";
}

TEST(ValueExpansionTest, ReferencesCarryQuotedCommasIntoTheLine) {
  AppOnMachine m;
  m.LoadScript(kStrings);
  const std::string quoted = m.Expand("Name = %Vendor%, 3");
  EXPECT_EQ(GetField(quoted, 1), "Halvion, Inc.");
  EXPECT_EQ(GetFieldInt(quoted, 2), 3);

  const std::string plain = m.Expand("Name = %Plain%, 3");
  EXPECT_EQ(GetField(plain, 1), "Halvion") << "only field 1 of an unquoted value counts";
  EXPECT_EQ(GetFieldInt(plain, 2), 3);

  EXPECT_EQ(GetField(m.Expand("x = %Pair%"), 1), "a=b");
  EXPECT_EQ(GetField(m.Expand("x = %Literal%"), 1), "%Vendor%") << "an inserted value is not expanded again";
  EXPECT_EQ(GetField(m.Expand("x = %both%"), 1), "english") << "the language section first, any case";
  EXPECT_EQ(GetField(m.Expand("x = %Only%"), 1), "neutral only");
  EXPECT_EQ(GetField(m.Expand("x = %Vendor"), 1), "Halvion, Inc.") << "an unclosed reference runs to the end";
  EXPECT_EQ(m.Expand("a%%b"), "ab") << "two percent signs stand for nothing";
  EXPECT_TRUE(m.Messages().empty());
}

TEST(ValueExpansionTest, TheChosenLanguageNamesItsSection) {
  AppOnMachine m;
  m.Context().SetLanguage(7);  // DEU
  m.LoadScript(kStrings);
  EXPECT_EQ(m.App().GetLangStrings().GetLabel(), "Strings.DEU");
  EXPECT_EQ(GetField(m.Expand("x = %Both%"), 1), "deutsch");
  m.Expand("x = %Vendor%");
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 1) << "another language's keys are not seen";
}

TEST(ValueExpansionTest, AMissingKeyIsReportedAndLeavesNothing) {
  AppOnMachine m;
  m.LoadScript(kStrings);
  EXPECT_EQ(m.Expand("Name = <%Nowhere%>, 1"), "Name = <>, 1");
  ASSERT_EQ(m.Messages().size(), 1u);
  EXPECT_EQ(m.Messages()[0].id, MSG_KEY_NOT_FOUND);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"Nowhere", "Strings"}));
  EXPECT_EQ(m.Context().GetLastMessage(), MSG_KEY_NOT_FOUND);

  m.ClearMessages();
  m.Context().SetLastMessage(0);
  m.Context().SetFlags(SF_QUIET);
  EXPECT_EQ(m.Expand("%A%%B%"), "");
  EXPECT_TRUE(m.Messages().empty()) << "quiet mode shows nothing";
  EXPECT_EQ(m.Context().GetLastMessage(), MSG_KEY_NOT_FOUND) << "but records the message";
}

// K<i> = %K<i-1>%%K<i-1>%: each key twice as long as the one before.
std::string DoublingChain(int keys) {
  std::string script = "[Strings]\r\nK0=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\r\n";
  for (int i = 1; i < keys; ++i) {
    script += "K" + std::to_string(i) + "=%K" + std::to_string(i - 1) + "%%K" + std::to_string(i - 1) + "%\r\n";
  }
  return script;
}

TEST(ValueExpansionTest, ReferencesThatDoubleStopAtTheLongestLine) {
  AppOnMachine m;
  m.LoadScript(DoublingChain(25));
  EXPECT_EQ(m.Expand("A = %K13%").size(), 4u + (64u << 13)) << "half a megabyte fits";
  ASSERT_EQ(m.Messages().size(), 1u) << "one message, for the first line too long";
  EXPECT_EQ(m.Messages()[0].id, MSG_VALUE_TOO_LONG);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"K14"}));
  m.ClearMessages();
  EXPECT_EQ(m.Expand("Name = %K13%%K13%"), "Name=");
  EXPECT_EQ(m.Messages().at(0).inserts, (std::vector<std::string>{"Name"}));
}

TEST(ValueExpansionTest, RealLongValuesAreValid) {
  const std::string a(3000, 'a'), b(3000, 'b'), licence(32 * 1024, 'l');
  AppOnMachine m;
  m.LoadScript("[Strings]\r\nA=" + a + "\r\nB=" + b + "\r\nLicence=" + licence + "\r\n");
  EXPECT_EQ(m.Expand("Both = %A%%B%"), "Both = " + a + b);
  EXPECT_EQ(m.Expand("Text = %Licence%"), "Text = " + licence);
  EXPECT_TRUE(m.Messages().empty());
}

TEST(ValueExpansionTest, TheWholeScriptsExpansionIsBounded) {
  AppOnMachine m;
  m.LoadScript(DoublingChain(14));
  ASSERT_TRUE(m.Messages().empty());
  // Lines of 768 KiB each, every one short enough on its own.
  std::size_t expanded = 0;
  for (int i = 0; i < 100; ++i) expanded += m.Expand("L = %K12%%K13%").size();
  EXPECT_EQ(m.CountMessages(MSG_VALUE_TOO_LONG), 1) << "told once";
  EXPECT_LE(expanded, kMaxExpandedScript);
  EXPECT_EQ(m.Expand("Short = 1"), "Short=") << "nothing more is expanded";
}

TEST(ValueExpansionTest, ATrailByteOfTheValueOfAnAtIsPartOfItsCharacter) {
  AppOnMachine m;
  m.LoadScript(kStrings);
  m.Script().GetText().SetCodePage(932);
  // 0x83 0x40 is one Japanese character; its trail byte has the value of '@'.
  EXPECT_EQ(m.Expand("A = \x83\x40" "c"), "A = \x83\x40" "c");
  EXPECT_EQ(m.Script().GetField("\x83\x40,B", 1), "B");
  EXPECT_EQ(m.Script().GetKey("K\x83\x40 = 1"), "K\x83\x40");
  m.Script().GetText().SetCodePage(1252);
  EXPECT_EQ(m.Script().GetField("\x83\x40,B", 1), "") << "one byte at a time elsewhere";
}

TEST(ValueExpansionTest, DirectoryCodesExpandToFolders) {
  {
    AppOnMachine m(sim::OsKind::Win98);
    ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
    EXPECT_EQ(m.Expand("%10%|%11%|%012%"), "C:\\WINDOWS|C:\\WINDOWS\\SYSTEM|C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
  }
  {
    AppOnMachine m(sim::OsKind::NT4);
    EXPECT_EQ(m.Expand("%10%\\x|%11%|%12%"), "C:\\WINNT\\x|C:\\WINNT\\SYSTEM32|C:\\WINNT\\SYSTEM32\\DRIVERS");
    EXPECT_EQ(m.Expand("a%99%b"), "ab");
    ASSERT_EQ(m.Messages().size(), 1u);
    EXPECT_EQ(m.Messages()[0].id, 1091);
    EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"99"}));
    m.ClearMessages();
    m.Expand("%99999999999999999999%");
    EXPECT_EQ(m.CountMessages(1091), 1) << "a code past the 32-bit range is no folder";
  }
  {
    // A folder holding a '%' or a ',' is still one value.
    AppOnMachine m(sim::OsKind::Win98, "[LogicalDirs]\n10=E:\\100%,A=B\n");
    ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
    const std::string line = m.Expand("Dir = %10%\\Sub, 2");
    EXPECT_EQ(GetField(line, 1), "E:\\100%,A=B\\Sub");
    EXPECT_EQ(GetFieldInt(line, 2), 2);
    EXPECT_TRUE(m.Messages().empty());
  }
}

TEST(ValueExpansionTest, MarkersSurviveSplittingAndFollowTheDestination) {
  AppOnMachine m;
  m.LoadScript(kStrings);
  // Read before a folder is chosen, taken after: the folder of that moment.
  const std::string line = m.Expand("Target = %Sub%, @p");
  EXPECT_EQ(line.find("C:\\"), std::string::npos);
  m.Context().SetDestDir("C:\\Program Files\\Halvion");
  EXPECT_EQ(m.Script().GetField(line, 1), "C:\\Program Files\\Halvion\\Utilities");
  EXPECT_EQ(m.Script().GetField(line, 2), "C:\\Program Files\\Halvion");
  m.Context().SetDestDir("E:\\Other");
  EXPECT_EQ(m.Script().GetField(line, 1), "E:\\Other\\Utilities");
  EXPECT_EQ(m.Script().GetKey(m.Expand("@p\\\"a,b\" = 1")), "E:\\Other\\a,b") << "keys are restored too";

  const std::string two = m.Expand("@p,\"q,r\"");
  EXPECT_EQ(m.Script().GetField(two, 0), "E:\\Other");
  EXPECT_EQ(m.Script().GetField(two, 1), "q,r");
  EXPECT_EQ(GetRawField(two, 1), "q@@Komma@@r") << "raw fields keep their markers";
}

TEST(ValueExpansionTest, AReferenceFindsOnlyKeysAlreadyHeld) {
  AppOnMachine m;
  m.LoadScript(
      "[IncludeInf]\r\n"
      "%Early%\\EXTRA.INF\r\n"
      "[Strings.ENU]\r\n"
      "First = one\r\n"
      "Second = %First%-two\r\n"
      "Forward = %Third%\r\n"
      "FromStrings = %Neutral%\r\n"
      "Third = three\r\n"
      "[Strings]\r\n"
      "Neutral = %Second%+n\r\n"
      "Ahead = %Later%\r\n"
      "Later = late\r\n"
      "Early = e\r\n");
  const CScriptSection& lang = m.App().GetLangStrings();
  const CScriptSection& strings = m.App().GetStrings();
  EXPECT_EQ(GetField(lang.FindKey("Second"), 1), "one-two") << "an earlier line of the same section";
  EXPECT_EQ(GetField(lang.FindKey("Forward"), 1), "") << "a later line is not held yet";
  EXPECT_EQ(GetField(lang.FindKey("FromStrings"), 1), "") << "\"Strings\" is read after the language section";
  EXPECT_EQ(GetField(strings.FindKey("Neutral"), 1), "one-two+n") << "the language section is held";
  EXPECT_EQ(GetField(strings.FindKey("Ahead"), 1), "");
  ASSERT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 3);
  EXPECT_EQ(m.Messages()[0].inserts[0], "Third");
  EXPECT_EQ(m.Messages()[1].inserts[0], "Neutral");
  EXPECT_EQ(m.Messages()[2].inserts[0], "Later");

  // Reading the string sections again starts from nothing: the language
  // section still does not see the keys of "Strings".
  m.ClearMessages();
  m.App().GetExpander().ReadStringSections();
  EXPECT_EQ(GetField(m.App().GetLangStrings().FindKey("FromStrings"), 1), "");
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 3);

  // Once both are held, any later section finds every key.
  m.ClearMessages();
  const CScriptSection include = m.ReadSection("IncludeInf");
  EXPECT_EQ(include.GetLine(0), "e\\EXTRA.INF");
  EXPECT_TRUE(m.Messages().empty());
}

TEST(ValueExpansionTest, SectionsReadBeforeTheStringsFindNoKeys) {
  AppOnMachine m;
  const std::string text = "[IncludeInf]\r\n%Early%\\EXTRA.INF\r\n@c\\%10%.INF\r\n[Strings]\r\nEarly = e\r\n";
  ASSERT_TRUE(m.App().GetScript().LoadFromMemory(text.data(), text.size()));
  ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
  const CScriptSection include = m.ReadSection("IncludeInf");
  EXPECT_EQ(include.GetLine(0), "\\EXTRA.INF");
  EXPECT_EQ(include.GetLine(1), "HALVION\\C:\\WINDOWS.INF") << "codes work there";
  EXPECT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 1);
}

}  // namespace
