// The version resource: the fixed part, string values, translations, and
// blocks whose lengths do not add up.
#include "pe/pe_test_support.h"

namespace {

using pe_test::BuildImage;
using pe_test::Bytes;
using pe_test::Read16;
using pe_test::Writer;

// One version block: header, key, value and children, each on a DWORD
// boundary; the value length counts characters for text (type 1) and bytes
// otherwise, unless given.
Bytes Block(std::u16string_view key, std::uint16_t type, const Bytes& value, const std::vector<Bytes>& children = {},
            std::optional<std::uint16_t> valueLength = std::nullopt) {
  Writer w;
  const std::uint16_t length =
      valueLength ? *valueLength : static_cast<std::uint16_t>(type == 1 ? value.size() / 2 : value.size());
  w.U16(0).U16(length).U16(type).Sz(key).Align4().Raw(value);
  for (const Bytes& child : children) w.Align4().Raw(child);
  pe_test::Write16(w.bytes, 0, static_cast<std::uint32_t>(w.bytes.size()));
  return w.bytes;
}

Bytes Text(std::u16string_view text) { return Writer().Sz(text).bytes; }

Bytes Fixed(std::uint32_t signature = 0xFEEF04BD) {
  Writer w;
  w.U32(signature).U32(0x10000).U32(0x00020001).U32(0x00040003).U32(0x00060005).U32(0x00080007);
  w.U32(0x3F).U32(0x1).U32(0x4).U32(0x1).U32(0).U32(0x11).U32(0x22);
  return w.bytes;
}

Bytes SampleTree(const Bytes& fixed = Fixed()) {
  return Block(u"VS_VERSION_INFO", 0, fixed,
               {Block(u"StringFileInfo", 1, {},
                      {Block(u"040904b0", 1, {},
                             {Block(u"ProductName", 1, Text(u"Hand Made")), Block(u"Odd", 1, Text(u"x")),
                              Block(u"Empty", 1, {})})}),
                Block(u"VarFileInfo", 1, {}, {Block(u"Translation", 0, Writer().U16(0x409).U16(1200).bytes)})});
}

TEST(PeVersion, TheLibrarysVersionResourceReadsAsWritten) {
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const sim::PeResources pe = pe_test::LoadSample(name);
    const auto fixed = pe.FixedVersion();
    ASSERT_TRUE(fixed);
    // FILEVERSION 4,12,0,2301 and PRODUCTVERSION 4,12,0,0.
    EXPECT_EQ(fixed->fileVersionMS, (4u << 16) | 12u);
    EXPECT_EQ(fixed->fileVersionLS, (0u << 16) | 2301u);
    EXPECT_EQ(fixed->productVersionMS, (4u << 16) | 12u);
    EXPECT_EQ(fixed->productVersionLS, 0u);
    EXPECT_EQ(fixed->fileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->fileFlags, 0x2u);   // VS_FF_PRERELEASE
    EXPECT_EQ(fixed->fileOS, 0x40004u);  // VOS_NT_WINDOWS32
    EXPECT_EQ(fixed->fileType, 0x2u);    // VFT_DLL
    EXPECT_EQ(fixed->fileSubtype, 0u);

    EXPECT_EQ(pe.VersionString("040904E4", "CompanyName"), "Sample Graphics");
    EXPECT_EQ(pe.VersionString("040904E4", "FileVersion"), "4.12.0.2301");
    // Keys and the language block match without regard to case.
    EXPECT_EQ(pe.VersionString("040904e4", "fileDESCRIPTION"), "Setup resources");
    EXPECT_EQ(pe.VersionString("040704E4", "FileDescription"),
              "Setup-Ressourcen f\xFCr Gr\xF6\xDF"
              "en");
    EXPECT_EQ(pe.VersionString("040704E4", "FileDescription", 65001), "Setup-Ressourcen für Größen");
    EXPECT_EQ(pe.VersionString("040904E4", "Comments"), "");
    EXPECT_FALSE(pe.VersionString("040704E4", "CompanyName").has_value());
    EXPECT_FALSE(pe.VersionString("040C04E4", "CompanyName").has_value());
    EXPECT_FALSE(pe.VersionString("040904E4", "Company").has_value());

    EXPECT_EQ(pe.Translations(), (std::vector<std::uint32_t>{(1252u << 16) | 0x409u, (1252u << 16) | 0x407u}));

    const auto info = pe.VersionInfo();
    const auto raw = pe.LoadRaw(sim::kRtVersion, 1);
    ASSERT_TRUE(info && raw);
    ASSERT_GE(info->size(), 6u);
    EXPECT_EQ(info->size(), Read16(*info, 0));
    EXPECT_TRUE(std::equal(info->begin(), info->end(), raw->begin()));
  }
}

TEST(PeVersion, ALibraryWithoutAVersionResourceAnswersNothing) {
  const sim::PeResources pe = pe_test::LoadSample("tiny32.dll");
  EXPECT_EQ(pe.LoadString(7), "Only string");
  ASSERT_TRUE(pe.LoadDialog(9));
  EXPECT_EQ(pe.LoadDialog(9)->controls.size(), 1u);
  EXPECT_FALSE(pe.VersionInfo().has_value());
  EXPECT_FALSE(pe.FixedVersion().has_value());
  EXPECT_FALSE(pe.VersionString("040904E4", "FileVersion").has_value());
  EXPECT_TRUE(pe.Translations().empty());
}

TEST(PeVersion, HandMadeTreesParseWithTheirValues) {
  std::string error;
  const Bytes tree = SampleTree();
  const auto root = sim::ParseVersionInfo(tree, error);
  ASSERT_TRUE(root) << error;
  EXPECT_EQ(root->value, Fixed());
  ASSERT_EQ(root->children.size(), 2u);
  ASSERT_EQ(root->children[0].children.size(), 1u);
  const auto& strings = root->children[0].children[0].children;
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings[0].key, u"ProductName");
  EXPECT_EQ(strings[0].type, 1);
  EXPECT_EQ(strings[0].value, Text(u"Hand Made"));
  EXPECT_EQ(strings[2].key, u"Empty");
  EXPECT_TRUE(strings[2].value.empty());

  // Trailing padding after the block is ignored.
  Bytes padded = tree;
  padded.resize(padded.size() + 3, 0);
  EXPECT_TRUE(sim::ParseVersionInfo(padded, error)) << error;

  const auto pe = pe_test::Parse(BuildImage({{sim::kRtVersion, 1, 0x409, padded}}).image, error);
  ASSERT_TRUE(pe) << error;
  EXPECT_EQ(pe->VersionInfo(), tree);
  ASSERT_TRUE(pe->FixedVersion());
  EXPECT_EQ(pe->FixedVersion()->fileVersionMS, 0x00020001u);
  EXPECT_EQ(pe->FixedVersion()->fileDateLS, 0x22u);
  EXPECT_EQ(pe->VersionString("040904B0", "ProductName"), "Hand Made");
  EXPECT_EQ(pe->VersionString("040904B0", "Odd"), "x");
  EXPECT_EQ(pe->VersionString("040904B0", "Empty"), "");
  EXPECT_EQ(pe->Translations(), (std::vector<std::uint32_t>{(1200u << 16) | 0x409u}));
}

TEST(PeVersion, TheFixedPartNeedsItsSizeAndSignature) {
  std::string error;
  Bytes shortened = Fixed();
  shortened.resize(48);
  for (const Bytes& fixed : {Fixed(0xFEEF04BC), shortened}) {
    const auto pe = pe_test::Parse(BuildImage({{sim::kRtVersion, 1, 0x409, SampleTree(fixed)}}).image, error);
    ASSERT_TRUE(pe) << error;
    EXPECT_TRUE(pe->VersionInfo().has_value());
    EXPECT_FALSE(pe->FixedVersion().has_value());
    EXPECT_EQ(pe->VersionString("040904B0", "ProductName"), "Hand Made");
  }
}

TEST(PeVersion, BlocksWithBadLengthsAreRejected) {
  struct Case {
    const char* what;
    Bytes block;
    const char* message;
  };
  const Bytes good = SampleTree();
  auto withLength = [&](std::size_t at, std::uint16_t length) {
    Bytes b = good;
    pe_test::Write16(b, at, length);
    return b;
  };
  // The first child (StringFileInfo) starts after the 40-byte header and key and the 52-byte value.
  const std::size_t child = 40 + 52;
  ASSERT_EQ(Read16(good, child + 4), 1);
  std::vector<Bytes> nested = {Block(u"k", 0, {})};
  for (int i = 0; i < 10; ++i) nested = {Block(u"k", 0, {}, nested)};
  const std::vector<Case> cases = {
      {"empty", Bytes{}, "header truncated"},
      {"shorter than a header", Bytes{4, 0, 0, 0}, "header truncated"},
      {"length below the header", withLength(0, 4), "length 4 is shorter than its header"},
      {"length beyond the data", withLength(0, static_cast<std::uint16_t>(good.size() + 4)), "runs past the end"},
      {"child length beyond its parent", withLength(child, 0xFFF0), "version block at offset 0x5C: length 65520"},
      {"child length of zero", withLength(child, 0), "offset 0x5C: length 0 is shorter"},
      {"value length beyond the block", withLength(2, 0x200), "value of 512 bytes runs past"},
      {"text value beyond the block", Block(u"VS_VERSION_INFO", 1, Text(u"ab"), {}, 40), "value of 80 bytes"},
      {"key without its NUL", Writer().U16(10).U16(0).U16(0).Chars(u"VS").bytes, "key has no terminating NUL"},
      {"wrong root key", Block(u"VS_VERSION", 0, Fixed()), "key is not VS_VERSION_INFO"},
      {"nested too deeply", Block(u"VS_VERSION_INFO", 0, {}, nested), "nested too deeply"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(sim::ParseVersionInfo(c.block, error).has_value()) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    // In a library the same block yields no version information, and nothing breaks.
    const auto pe = pe_test::Parse(BuildImage({{sim::kRtVersion, 1, 0x409, c.block}}).image, error);
    ASSERT_TRUE(pe) << error;
    EXPECT_FALSE(pe->VersionInfo().has_value()) << c.what;
    EXPECT_FALSE(pe->FixedVersion().has_value()) << c.what;
    EXPECT_FALSE(pe->VersionString("040904B0", "ProductName").has_value()) << c.what;
    EXPECT_TRUE(pe->Translations().empty()) << c.what;
  }
}

}  // namespace
