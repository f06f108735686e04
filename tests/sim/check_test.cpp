// `winsim check` on the sample, its broken copy, a real-world driver script
// and hostile scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "check.h"
#include "script/script_section.h"
#include "script/script_text.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::Winsim;
using testing_support::WriteHostFile;

namespace {

using Place = std::tuple<std::string, std::string, int>;  // code, file, line

// The faults examples/broken plants: each line that says "planted: CODE".
std::set<Place> PlantedFaults() {
  std::set<Place> planted;
  for (const char* file : {"SETUP.INF", "COMPANY.INI"}) {
    std::istringstream text(ReadHostFile(fs::path(SETUP_BROKEN_SOURCE_DIR) / file));
    int number = 0;
    for (std::string line; std::getline(text, line);) {
      ++number;
      const std::size_t at = line.find("; planted: ");
      if (at == std::string::npos) continue;
      std::string code = line.substr(at + 11);
      while (!code.empty() && (code.back() == '\r' || code.back() == ' ')) code.pop_back();
      planted.emplace(code, file, number);
    }
  }
  return planted;
}

std::set<Place> Places(const winsim::CheckReport& report) {
  std::set<Place> places;
  for (const auto& f : report.findings) places.emplace(f.code, f.file, f.line);
  return places;
}

std::string Describe(const winsim::CheckReport& report) {
  std::string text;
  for (const auto& f : report.findings) {
    text += f.file + ":" + std::to_string(f.line) + " " + f.code + " " + f.message + "\n";
  }
  return text;
}

class winsim_check : public ::testing::Test {
 protected:
  void SetUp() override { m_root = testing_support::MakeTempFolder("winsim-check-test-"); }
  void TearDown() override { fs::remove_all(m_root); }
  fs::path m_root;
};

TEST_F(winsim_check, TheSampleHasNothingToReport) {
  const auto r = Winsim({"check", SETUP_SAMPLE_DIR});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
}

TEST_F(winsim_check, EachPlantedFaultOfTheBrokenCopyAtItsLine) {
  winsim::CheckReport report;
  std::string error;
  ASSERT_TRUE(winsim::CheckDistribution(SETUP_BROKEN_DIR, {sim::OsKind::Win98, sim::OsKind::NT4}, report, error))
      << error;
  const std::set<Place> planted = PlantedFaults();
  ASSERT_GE(planted.size(), 20u);
  EXPECT_EQ(Places(report), planted) << Describe(report);
  // A string only German defines is missing in each other offered language.
  std::set<std::string> languages;
  for (const auto& f : report.findings) {
    if (f.code == "undefined-string") languages.insert(f.message.substr(f.message.find(" for ") + 5, 3));
  }
  EXPECT_EQ(languages, (std::set<std::string>{"ENU", "FRA", "ITA"}));
  const auto text = Winsim({"check", SETUP_BROKEN_DIR, "--os", "win98"});
  EXPECT_EQ(text.status, 1) << "errors make the exit status 1";
  for (const auto& [code, file, line] : planted) {
    if (code != "include-missing") continue;
    const std::string shown = file + ":" + std::to_string(line) + ": error include-missing: [IncludeInf] ";
    EXPECT_NE(text.out.find(shown), std::string::npos) << text.out;
  }
  EXPECT_EQ(Winsim({"check", SETUP_BROKEN_DIR, "--os", "win96"}).status, 2);
  EXPECT_EQ(Winsim({"check", "/no/such/folder"}).status, 2);
}

// A real driver script of the time, included into a setup script of our
// own, its files on the disk: nothing to report but what is really wrong,
// and every finding at a line that exists.
TEST_F(winsim_check, ARealDriverScriptWrappedWithTheSetupSections) {
  const fs::path dist = m_root / "dist";
  const std::string inf = ReadHostFile(fs::path(SETUP_REAL_INF_DIR) / "vmdisp9x.inf");
  ASSERT_FALSE(inf.empty());
  WriteHostFile(dist / "VMDISP9X.INF", inf);
  WriteHostFile(dist / "SETUP.INF",
                "[IncludeInf]\r\nVMDISP9X.INF\r\n"
                "[DestinationDirs]\r\nSetup.Copy=display\r\nFiles.Setup=display\r\n"
                "[SourceDisksNames]\r\n1=\"Setup disk\"\r\n[SourceDisksFiles]\r\nSETUP.EXE=1\r\n"
                "[Setup]\r\nOptionDesc=Setup\r\nCopyFiles=Files.Setup\r\n[Files.Setup]\r\nSETUP.EXE\r\n"
                "[Optional Components]\r\n");
  WriteHostFile(dist / "SETUP.EXE", "program");
  WriteHostFile(dist / "_INSTALL.ENU", ReadHostFile(fs::path(SETUP_SAMPLE_DIR) / "_INSTALL.ENU"));
  WriteHostFile(dist / "COMPANY.INI", "[Company]\r\nENU=1\r\n");
  CScriptText text;
  ASSERT_TRUE(text.LoadFromMemory(inf.data(), inf.size()));
  CScriptSection files;
  ASSERT_TRUE(files.Read(text, "SourceDisksFiles"));
  for (const std::string& line : files.GetLines()) WriteHostFile(dist / line.substr(0, line.find('=')), "");

  const auto r = Winsim({"check", dist.string(), "--os", "win95,win98", "--json"});
  const auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["errors"], 0) << r.out;
  EXPECT_EQ(r.status, 0) << r.out;
  for (const auto& f : json["findings"]) {
    const std::string file = f["file"];
    std::istringstream lines(ReadHostFile(dist / file));
    int count = 0;
    for (std::string line; std::getline(lines, line);) ++count;
    EXPECT_GE(f["line"].get<int>(), 1) << f;
    EXPECT_LE(f["line"].get<int>(), count) << f;
  }
  // Aimed at Windows NT, it lacks what NT needs, and says where.
  const auto nt = Winsim({"check", dist.string(), "--os", "nt4", "--json"});
  EXPECT_EQ(nt.status, 1);
  EXPECT_NE(nt.out.find("\"nt-services-missing\""), std::string::npos) << nt.out;
}

// Faults in an included script are named at its own lines, also those of
// its disk entries, which merging renumbers into the main script.
TEST_F(winsim_check, FaultsOfAnIncludedScriptAtItsOwnLines) {
  const fs::path dist = m_root / "dist";
  fs::copy(SETUP_SAMPLE_DIR, dist, fs::copy_options::recursive);
  std::string video = ReadHostFile(dist / "VIDEO" / "VIDEO.INF");
  auto replace = [&](const std::string& from, const std::string& to) {
    ASSERT_NE(video.find(from), std::string::npos) << from;
    video.replace(video.find(from), from.size(), to);
  };
  replace("VELACODE.DLL\r\n", "VELACODE.DLL\r\nVELAGONE.DLL\r\n");
  replace("HKCR,.vmv,,0,VelaMovie\r\n", "HKCR,.vmv,,0,VelaMovie\r\nHKXX,Movie,,0,x\r\n");
  const std::size_t size = video.find("VELACODE.DL_=1,,");
  ASSERT_NE(size, std::string::npos);
  video.replace(size, video.find("\r\n", size) - size, "VELACODE.DL_=1,,7");
  WriteHostFile(dist / "VIDEO" / "VIDEO.INF", video);
  auto lineOf = [&](const std::string& text) {
    const std::string before = video.substr(0, video.find(text));
    return static_cast<int>(std::count(before.begin(), before.end(), '\n')) + 1;
  };

  winsim::CheckReport report;
  std::string error;
  ASSERT_TRUE(winsim::CheckDistribution(dist, {sim::OsKind::Win98}, report, error)) << error;
  EXPECT_EQ(Places(report), (std::set<Place>{{"file-missing", "VIDEO/VIDEO.INF", lineOf("VELAGONE.DLL")},
                                             {"registry-root", "VIDEO/VIDEO.INF", lineOf("HKXX")},
                                             {"size-mismatch", "VIDEO/VIDEO.INF", lineOf("VELACODE.DL_=")}}))
      << Describe(report);
}

// Without Setup.Copy the setup program stops at once, on every system:
// one finding, where the key goes.
TEST_F(winsim_check, AMissingSetupCopyIsNamedOnceWhereItGoes) {
  const fs::path dist = m_root / "dist";
  WriteHostFile(dist / "SETUP.EXE", "program");
  WriteHostFile(dist / "SETUP.INF", "[Version]\r\nClass=Software\r\n[DestinationDirs]\r\nDefaultDestDir=Tools\r\n");
  winsim::CheckReport report;
  std::string error;
  ASSERT_TRUE(winsim::CheckDistribution(dist, {sim::OsKind::Win95, sim::OsKind::Win98, sim::OsKind::NT4}, report, error));
  ASSERT_EQ(report.findings.size(), 1u) << Describe(report);
  EXPECT_EQ(Places(report), (std::set<Place>{{"setup-copy-missing", "SETUP.INF", 3}}));
  EXPECT_NE(report.findings[0].message.find("Setup.Copy"), std::string::npos);

  // Named through a string [Strings] lacks: at the Setup.Copy line.
  WriteHostFile(dist / "SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=%Folder%\r\n");
  report = {};
  ASSERT_TRUE(winsim::CheckDistribution(dist, {sim::OsKind::Win98}, report, error));
  EXPECT_EQ(Places(report), (std::set<Place>{{"setup-copy-missing", "SETUP.INF", 2}})) << Describe(report);
}

// A described machine: which models line it recognises and why the others
// are not taken; none at all is an error.
TEST_F(winsim_check, TheModelEachDescribedMachineRecognises) {
  const fs::path other = m_root / "other.hardware.ini";
  WriteHostFile(other, "[Bios]\nText=ANOTHER MAKER\n[PCI]\n1=10DE,0020\n");
  const std::string adapter = std::string(SETUP_EXAMPLE_MACHINES_DIR) + "/win98-adapter.hardware.ini";
  const auto r = Winsim({"check", SETUP_SAMPLE_DIR, "--os", "win98,nt4", "--hardware", adapter, other.string(), "--json"});
  EXPECT_EQ(r.status, 1) << r.out;
  const auto json = nlohmann::json::parse(r.out);
  std::set<std::string> seen;
  for (const auto& f : json["findings"]) {
    const std::string message = f["message"];
    const std::string model = message.find("Vela 3D") != std::string::npos ? "3D" : message.find("Vela 2D") != std::string::npos ? "2D" : "-";
    const std::string machine = message.find("win98-adapter") != std::string::npos ? "adapter" : "other";
    const std::string os = message.find("on nt4") != std::string::npos ? "nt4" : "win98";
    seen.insert(f["code"].get<std::string>() + " " + model + " " + os + " " + machine);
    if (f["code"] == "model-recognised" && os == "win98") {
      EXPECT_NE(message.find("recognised by PCI\\VEN_1A5C&DEV_0330"), std::string::npos) << message;
    }
    if (f["code"] == "no-model-recognised") {
      EXPECT_NE(message.find("message 1097"), std::string::npos) << message;
      EXPECT_NE(message.find("VEN_10DE&DEV_0020"), std::string::npos) << "what the machine's bus holds: " << message;
    }
  }
  EXPECT_EQ(seen, (std::set<std::string>{
                      "model-recognised 3D win98 adapter", "model-not-recognised 2D win98 adapter",
                      "model-recognised 3D nt4 adapter", "model-not-recognised 2D nt4 adapter",
                      "model-not-recognised 3D win98 other", "model-not-recognised 2D win98 other",
                      "model-not-recognised 3D nt4 other", "model-not-recognised 2D nt4 other",
                      "no-model-recognised - win98 other", "no-model-recognised - nt4 other"}))
      << r.out;
  EXPECT_EQ(json["notes"], 8);
  EXPECT_EQ(Winsim({"check", SETUP_SAMPLE_DIR, "--hardware"}).status, 2);
  EXPECT_EQ(Winsim({"check", SETUP_SAMPLE_DIR, "--hardware", (m_root / "none.ini").string()}).status, 2);
}

// Scripts made to break a reader: the JSON still parses, nothing crashes.
TEST_F(winsim_check, HostileScriptsGiveJsonThatParses) {
  const std::vector<std::string> scripts = {
      std::string("[Optional Components]\r\nA\r\n[A]\r\nParent=A\r\nCopyFiles=\"unclosed,%x\r\nTip=\x01\x7f\xff\xfe\"\\\r\n"),
      std::string("[IncludeInf]\r\n..\\..\\..\\etc\\passwd\r\n%%%\r\n[DestinationDirs]\r\nSetup.Copy=%Q%\r\n"),
      std::string("[DestinationDirs]\r\nSetup.Copy=x\r\n[Optional Components]\r\n") + std::string(3000, 'B') +
          "\r\n[" + std::string(3000, 'B') + "]\r\nCopyFiles=" + std::string(5000, ',') + "\r\n",
      std::string("\0\0[Manufacturer]\r\nm=Models\r\n[Models]\r\n@=@,@,@\r\n[Version]\r\nClass=\"\\\"\r\n", 58),
  };
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    const fs::path dist = m_root / ("hostile" + std::to_string(i));
    WriteHostFile(dist / "SETUP.INF", scripts[i]);
    WriteHostFile(dist / "COMPANY.INI", "[Company]\r\nENU=1\r\nDEU=1 ;\xff\r\n");
    const auto r = Winsim({"check", dist.string(), "--os", "win98,nt5", "--json"});
    EXPECT_NE(r.status, 2) << r.err;
    const auto json = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << i << ": " << r.out;
    EXPECT_TRUE(json["findings"].is_array()) << r.out;
  }
}

}  // namespace
