// `winsim matrix` on the sample: every system, both unattended types, two
// languages, run in parallel by the winsim program itself.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <set>

#include <nlohmann/json.hpp>

#include "matrix.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

// Runs the winsim program and answers what it printed; what it said on its
// error stream (the combinations as they finish) goes to `progress`.
std::string RunWinsim(const std::string& arguments, int& status, std::string* progress = nullptr) {
  const fs::path errors = fs::temp_directory_path() / ("winsim-matrix-errors-" + std::to_string(getpid()));
  const std::string command = std::string(SETUP_WINSIM) + " " + arguments + " 2>" + errors.string();
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  status = pclose(pipe);
  if (progress != nullptr) *progress = testing_support::ReadHostFile(errors);
  fs::remove(errors);
  return out;
}

std::string Hardware() { return std::string(SETUP_EXAMPLE_MACHINES_DIR) + "/win98-adapter.hardware.ini"; }

TEST(winsim_matrix, EverySystemTypeAndLanguageOfTheSampleAsSingleRunsGiveThem) {
  int status = -1;
  std::string progress;
  const std::string out = RunWinsim(std::string("matrix ") + SETUP_SAMPLE_DIR +
                                        " --os all --types minimal,typical --languages ENU,DEU --hardware " +
                                        Hardware() + " --jobs 2 --json",
                                    status, &progress);
  ASSERT_EQ(status, 0) << out << progress;
  // Each combination is told as it finishes, counted.
  for (int n = 1; n <= 16; ++n) {
    EXPECT_NE(progress.find(std::to_string(n) + "/16 "), std::string::npos) << progress;
  }
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
    // The driver went in on every system, through the road of its family.
    EXPECT_TRUE(row["driverInstalled"].get<bool>()) << label;
    EXPECT_EQ(row["driver"], row["os"].get<std::string>().rfind("nt", 0) == 0 ? "device installer" : "thunk library")
        << label;
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
    // Read as a multi-string: the 9x and NT terminators still tell them apart.
    profiles = profiles || item.find("Panel Profiles=multi:\"Standard\"") != std::string::npos;
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

// The distribution the README's "Writing your own distribution" shows (its
// script is the README's, word for word) passes the check, and installs and
// removes on Windows 98 and NT 4 with its driver, as the matrix tells.
TEST(winsim_matrix, TheReadmeDistributionChecksInstallsAndRemoves) {
  const std::string readme = testing_support::ReadHostFile(SETUP_README);
  std::string script = testing_support::ReadHostFile(fs::path(SETUP_MINIMAL_DIR) / "SETUP.INF");
  for (std::size_t at = script.find("\r\n"); at != std::string::npos; at = script.find("\r\n", at)) script.erase(at, 1);
  std::string indented;
  for (std::size_t start = 0; start < script.size();) {
    const std::size_t end = script.find('\n', start);
    const std::string line = script.substr(start, end - start);
    indented += (line.empty() ? "" : "    " + line) + "\n";
    start = end == std::string::npos ? script.size() : end + 1;
  }
  EXPECT_NE(readme.find(indented), std::string::npos) << "the README shows examples/minimal/SETUP.INF as it is";

  int status = -1;
  const std::string check = RunWinsim(std::string("check ") + SETUP_MINIMAL_DIR, status);
  EXPECT_EQ(status, 0) << check;
  EXPECT_EQ(check, "0 errors, 0 warnings\n");

  const std::string hardware = std::string(SETUP_EXAMPLE_MACHINES_DIR) + "/lumen-adapter.hardware.ini";
  const std::string args = std::string("matrix ") + SETUP_MINIMAL_DIR +
                           " --os win98,nt4 --types minimal,typical --jobs 2 --hardware " + hardware;
  const std::string out = RunWinsim(args + " --json", status);
  ASSERT_EQ(status, 0) << out;
  const auto json = nlohmann::json::parse(out);
  ASSERT_EQ(json["combinations"].size(), 4u);
  for (const auto& row : json["combinations"]) {
    const bool nt = row["os"] == "nt4";
    EXPECT_TRUE(row["success"].get<bool>()) << row;
    EXPECT_EQ(row["driver"], nt ? "device installer" : "thunk library") << row;
    // Its Setup.Copy is not "display": the removal still finds the installed copy.
    EXPECT_TRUE(row["removed"].get<bool>()) << row["removal"];
    EXPECT_EQ(row["installation"]["setupFolder"], "C:\\Program Files\\Halvion\\Setup");
    if (row["type"] == "typical") {
      // A file of the Windows folder is not one of the system folder's.
      const auto files = row["installedFiles"].get<std::vector<std::string>>();
      EXPECT_NE(std::find(files.begin(), files.end(), "%windows%\\SYSTEM.INI"), files.end()) << row["installedFiles"];
      bool readable = false;
      for (const auto& value : row["installedValues"]) {
        readable = readable || value.get<std::string>().find("Settings=expand:\"Panel\\LUMEN.INI\"") != std::string::npos;
      }
      EXPECT_TRUE(readable) << row["installedValues"];
    }
  }
  // Readable differences: each way systems differ once, not once per type.
  const std::string text = RunWinsim(args, status);
  ASSERT_EQ(status, 0) << text;
  const std::size_t from = text.find("differences between systems");
  const std::size_t to = text.find("differences between languages");
  ASSERT_NE(from, std::string::npos);
  const std::string differences = text.substr(from, to - from);
  EXPECT_NE(differences.find("  only on nt4 (every combination):\n"), std::string::npos) << differences;
  std::set<std::string> lines;
  std::istringstream in(differences);
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(lines.insert(line).second) << "said twice: " << line << "\n" << differences;
  }
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
  EXPECT_EQ(json["combinations"][0]["why"].get<std::string>().rfind("stopped while preparing the script with message 1089: ", 0),
            0u)
      << "a failed row says why: " << out;
  fs::remove_all(dist);
}

}  // namespace
