// `winsim matrix` on the sample: every system, both unattended types, two
// languages, run in parallel by the winsim program itself.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <set>

#include <nlohmann/json.hpp>

#include "matrix.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

// Runs the winsim program and answers what it printed.
std::string RunWinsim(const std::string& arguments, int& status) {
  const std::string command = std::string(SETUP_WINSIM) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  status = pclose(pipe);
  return out;
}

std::string Hardware() { return std::string(SETUP_EXAMPLE_MACHINES_DIR) + "/win98-adapter.hardware.ini"; }

TEST(winsim_matrix, EverySystemTypeAndLanguageOfTheSampleAsSingleRunsGiveThem) {
  int status = -1;
  const std::string out = RunWinsim(std::string("matrix ") + SETUP_SAMPLE_DIR +
                                        " --os all --types minimal,typical --languages ENU,DEU --hardware " +
                                        Hardware() + " --jobs 2 --json",
                                    status);
  ASSERT_EQ(status, 0) << out;
  const auto json = nlohmann::json::parse(out);
  const auto& rows = json["combinations"];
  ASSERT_EQ(rows.size(), 16u) << out;
  std::set<std::string> seen;
  for (const auto& row : rows) {
    const std::string label = row["os"].get<std::string>() + " " + row["type"].get<std::string>() + " " +
                              row["language"].get<std::string>();
    seen.insert(label);
    EXPECT_TRUE(row["success"].get<bool>()) << label << ": " << row;
    EXPECT_GT(row["files"].get<int>(), 0) << label;
    EXPECT_TRUE(row["removed"].get<bool>()) << label;
    // The removal leaves the setup folder for the next start to take away.
    bool setupFolderLeft = false;
    for (const auto& item : row["leftAfterRemoval"]) {
      setupFolderLeft = setupFolderLeft || item.get<std::string>().find("\\display\\SETUP.EXE") != std::string::npos;
    }
    EXPECT_TRUE(setupFolderLeft) << label << ": " << row["leftAfterRemoval"];
    for (const auto& item : row["leftAfterRestart"]) {
      EXPECT_EQ(item.get<std::string>().find("\\display\\SETUP.EXE"), std::string::npos) << label;
    }
  }
  EXPECT_EQ(seen.size(), 16u);
  // Systems agree once their folders are named alike; what is left is what
  // really differs, such as the multi-string terminator of 9x and NT.
  bool profiles = false;
  for (const auto& d : json["differencesBetweenSystems"]) {
    const std::string item = d["item"];
    EXPECT_EQ(item.rfind("HKEY_", 0), 0u) << "every system installs the same files: " << item;
    profiles = profiles || item.find("Panel Profiles=hex(7)") != std::string::npos;
  }
  EXPECT_TRUE(profiles) << json["differencesBetweenSystems"];
  // Languages differ in what they name (shortcuts, markers), never in the
  // files they copy.
  for (const auto& d : json["differencesBetweenLanguages"]) {
    const std::string item = d["item"];
    EXPECT_TRUE(item.rfind("HKEY_", 0) == 0 || item.rfind(".lnk") == item.size() - 4) << d;
  }

  // A row of each system against the same combination run alone here.
  const fs::path root = testing_support::MakeTempFolder("winsim-matrix-test-");
  for (std::size_t i = 0; i < rows.size(); i += 5) {
    const auto& row = rows[i];
    const winsim::Combination c{row["os"], row["type"], row["language"], Hardware()};
    const auto single = winsim::RunCombination(SETUP_SAMPLE_DIR, root / std::to_string(i), c);
    EXPECT_EQ(single.files, row["files"]) << i;
    EXPECT_EQ(single.registryValues, row["registryValues"]) << i;
    EXPECT_EQ(single.shortcuts, row["shortcuts"]) << i;
    EXPECT_EQ(single.restartNeeded, row["restartNeeded"]) << i;
    EXPECT_EQ(single.driverInstalled, row["driverInstalled"]) << i;
    EXPECT_EQ(single.installedFiles, row["installedFiles"].get<std::vector<std::string>>()) << i;
    EXPECT_EQ(single.leftAfterRemoval, row["leftAfterRemoval"].get<std::vector<std::string>>()) << i;
  }
  fs::remove_all(root);
}

TEST(winsim_matrix, WrongArgumentsAreRefused) {
  int status = -1;
  RunWinsim(std::string("matrix ") + SETUP_SAMPLE_DIR + " --types custom", status);
  EXPECT_EQ(WEXITSTATUS(status), 2) << "custom waits for a person";
  RunWinsim(std::string("matrix ") + SETUP_SAMPLE_DIR + " --jobs 0", status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
  RunWinsim("matrix /no/such/folder", status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(winsim_matrix, AHostileScriptStillGivesJsonThatParses) {
  const fs::path dist = testing_support::MakeTempFolder("winsim-matrix-hostile-");
  // A string key of bytes that are no text: its message names it.
  testing_support::WriteHostFile(dist / "SETUP.INF",
                                 std::string("[DestinationDirs]\r\nSetup.Copy=\"\xff\x01,\"\r\n[Optional Components]\r\n"
                                             "[Setup]\r\nTip=%\xfe\x01%\r\nCopyFiles=\r\n"));
  testing_support::WriteHostFile(dist / "_INSTALL.ENU",
                                 testing_support::ReadHostFile(fs::path(SETUP_SAMPLE_DIR) / "_INSTALL.ENU"));
  int status = -1;
  const std::string out =
      RunWinsim("matrix " + dist.string() + " --os win98 --types typical --jobs 1 --json", status);
  const auto json = nlohmann::json::parse(out, nullptr, false);
  ASSERT_FALSE(json.is_discarded()) << out;
  EXPECT_EQ(json["combinations"].size(), 1u);
  EXPECT_FALSE(json["combinations"][0]["success"].get<bool>()) << out;
  EXPECT_EQ(json["combinations"][0]["messages"][0].get<std::string>().rfind("1089 ", 0), 0u) << out;
  fs::remove_all(dist);
}

}  // namespace
