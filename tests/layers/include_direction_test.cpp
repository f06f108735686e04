// Layers point down: no file of the system includes a header of a layer
// above its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "include_rules.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using layers_test::FindViolations;
using layers_test::IncludeRules;
using layers_test::ReadRules;

IncludeRules Rules() {
  std::string error;
  std::optional<IncludeRules> rules = ReadRules(fs::path(SETUP_LAYERS_FILE), error);
  if (!rules) ADD_FAILURE() << error;
  return rules.value_or(IncludeRules{});
}

TEST(IncludeDirection, EveryIncludeOfTheSystemPointsDown) {
  const IncludeRules rules = Rules();
  ASSERT_FALSE(rules.allowed.empty());
  std::string all;
  for (const std::string& violation : FindViolations(fs::path(SETUP_SOURCE_DIR) / "src", rules)) all += violation + "\n";
  EXPECT_TRUE(all.empty()) << all;
}

TEST(IncludeDirection, AnIncludeThatPointsUpIsNamedWithItsFileAndLine) {
  const fs::path root = testing_support::MakeTempFolder("layers-");
  fs::create_directories(root / "core");
  fs::create_directories(root / "app");
  std::ofstream(root / "app" / "install_app.h") << "#pragma once\n";
  std::ofstream(root / "core" / "setup_context.h") << "#pragma once\n";
  std::ofstream(root / "core" / "context.cpp") << "#include <string>\n\n#include \"core/setup_context.h\"\n"
                                                   "#include \"app/install_app.h\"\n";
  std::ofstream(root / "app" / "install_app.cpp") << "#include \"core/setup_context.h\"\n";
  const auto violations = FindViolations(root, Rules());
  fs::remove_all(root);
  ASSERT_EQ(violations.size(), 1u);
  EXPECT_EQ(violations[0], "core/context.cpp:4: includes \"app/install_app.h\" of app, which core may not");
}

}  // namespace
