#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "script/script_line.h"

namespace {

class ScriptLineTest : public ::testing::Test {};

TEST_F(ScriptLineTest, FieldsSplitAtEqualsAndComma) {
  const std::string line = "Key = one , two";
  EXPECT_EQ(GetField(line, 0), "Key");
  EXPECT_EQ(GetField(line, 1), "one");
  EXPECT_EQ(GetField(line, 2), "two");
  EXPECT_EQ(GetField(line, 3), "");

  EXPECT_EQ(GetField("a,,c", 0), "a");
  EXPECT_EQ(GetField("a,,c", 1), "");
  EXPECT_EQ(GetField("a,,c", 2), "c");
  EXPECT_EQ(GetField("a,,c", 3), "");

  EXPECT_EQ(GetField(",x", 0), "");
  EXPECT_EQ(GetField(",x", 1), "x");
  EXPECT_EQ(GetField("a=b=c", 2), "c");
  EXPECT_EQ(GetField("plain text", 0), "plain text");
  EXPECT_EQ(GetField("", 0), "");
  EXPECT_EQ(GetField("a,b", -1), "");
}

TEST_F(ScriptLineTest, ByteAfterAtIsNeverASeparator) {
  EXPECT_EQ(GetField("a@,b,c", 0), "a@,b");
  EXPECT_EQ(GetField("a@,b,c", 1), "c");
  EXPECT_EQ(GetField("x@=y,z", 0), "x@=y");
  EXPECT_EQ(GetField("x@=y,z", 1), "z");
  // "@@" skips the second '@' only; the comma after it separates.
  EXPECT_EQ(GetField("a@@,b", 1), "b");
  // An '@' as the last byte must not step past the end.
  EXPECT_EQ(GetField("a,b@", 1), "b@");
  EXPECT_EQ(GetField("@", 0), "@");
  EXPECT_EQ(GetField("@", 1), "");
}

TEST_F(ScriptLineTest, MarkersAreRestoredInFieldsAndKeysButNotRawFields) {
  const std::string line = "k@@Equal@@x = a@@Komma@@b , c";
  EXPECT_EQ(GetField(line, 0), "k=x");
  EXPECT_EQ(GetField(line, 1), "a,b");
  EXPECT_EQ(GetField(line, 2), "c");
  EXPECT_EQ(GetRawField(line, 1), "a@@Komma@@b");
  EXPECT_EQ(GetKey(line), "k=x");
}

TEST_F(ScriptLineTest, InstallDirIsTheFolderGivenWhenTheFieldIsTaken) {
  const std::string line = "Target = @@InstallDir@@\\Sub";
  EXPECT_EQ(GetField(line, 1), "\\Sub");  // no folder given: empty

  EXPECT_EQ(GetField(line, 1, "C:\\First"), "C:\\First\\Sub");
  EXPECT_EQ(GetField(line, 1, "D:\\Later"), "D:\\Later\\Sub");
  EXPECT_EQ(GetField("@@InstallDir@@,@@InstallDir@@", 1, "D:\\Later"), "D:\\Later");
  EXPECT_EQ(RestoreMarkers("@@InstallDir@@;@@InstallDir@@", "D:\\Later"), "D:\\Later;D:\\Later");

  // Blanks that a folder brings in are trimmed off the field.
  EXPECT_EQ(GetField("x=@@InstallDir@@", 1, "  E:\\Pad  "), "E:\\Pad");
}

TEST_F(ScriptLineTest, AFolderHoldingAMarkerIsNotExpandedAgain) {
  EXPECT_EQ(RestoreMarkers("@@InstallDir@@\\x", "C:\\@@InstallDir@@"), "C:\\@@InstallDir@@\\x");
  // Joining the folder with the text after it cannot make a new marker either.
  EXPECT_EQ(RestoreMarkers("@@InstallDir@@Dir@@", "@@Install"), "@@InstallDir@@");
}

TEST_F(ScriptLineTest, MarkersSideBySideAreEachTakenWhereTheyStart) {
  // A quoted "L=Komma,," is stored so; the "@@" ending one marker must not
  // start another.
  EXPECT_EQ(RestoreMarkers("L@@Equal@@Komma@@Komma@@@@Komma@@"), "L=Komma,,");
  EXPECT_EQ(GetField("\"a@@Komma@@@@Equal@@InstallDir@@\"", 0, "C:\\X"), "\"a,=InstallDir@@\"");
}

TEST_F(ScriptLineTest, Keys) {
  EXPECT_EQ(GetKey("  Key Name  = value"), "Key Name");
  EXPECT_EQ(GetKey("NoEquals, field"), "NoEquals, field");
  EXPECT_EQ(GetKey("=value"), "");
  // Text that ends with '@' before the '=' makes an empty key.
  EXPECT_EQ(GetKey("x@=y"), "");
  EXPECT_EQ(GetKey("x@ = y"), "");
  EXPECT_EQ(GetKey("tail@"), "");
  EXPECT_EQ(GetKey("a@b=c"), "a@b");
}

TEST_F(ScriptLineTest, Numbers) {
  EXPECT_EQ(GetFieldInt("n=42", 1), 42);
  EXPECT_EQ(GetFieldInt("n= -7 ", 1), -7);
  EXPECT_EQ(GetFieldInt("n=+5", 1), 5);
  EXPECT_EQ(GetFieldInt("n=12abc", 1), 12);
  EXPECT_EQ(GetFieldInt("n=abc", 1), 0);
  EXPECT_EQ(GetFieldInt("n=", 1), 0);
  EXPECT_EQ(GetFieldInt("n=-", 1), 0);
  EXPECT_EQ(GetFieldInt("n=- 5", 1), 0);
  EXPECT_EQ(GetFieldInt("n=+-5", 1), 0);
  EXPECT_EQ(GetFieldInt("n", 3), 0);
}

TEST_F(ScriptLineTest, NumbersSaturateInsteadOfOverflowing) {
  EXPECT_EQ(GetFieldInt("2147483647", 0), INT_MAX);
  EXPECT_EQ(GetFieldInt("2147483648", 0), INT_MAX);
  EXPECT_EQ(GetFieldInt("-2147483648", 0), INT_MIN);
  EXPECT_EQ(GetFieldInt("-2147483649", 0), INT_MIN);
  EXPECT_EQ(GetFieldInt("99999999999999999999999999", 0), INT_MAX);
  EXPECT_EQ(GetFieldInt("-99999999999999999999999999", 0), INT_MIN);
}

TEST_F(ScriptLineTest, TrimAndCommentCut) {
  EXPECT_EQ(Trim(" \t\v\f a b \r\n"), "a b");

  // Blanks before the comment stay on the line.
  EXPECT_EQ(CutComment("a = b ; note"), "a = b ");
  EXPECT_EQ(CutComment("; whole line"), "");
  EXPECT_EQ(CutComment("k = \"a;b\" ; note"), "k = \"a;b\" ");
  EXPECT_EQ(CutComment("k = \"a\";\"b\""), "k = \"a\"");
  // An unclosed quote protects the rest of the line.
  EXPECT_EQ(CutComment("k = \"a;b"), "k = \"a;b");
}

}  // namespace
